// SPDX-License-Identifier: GPL-3.0-or-later
#include "wipe/wipe.h"

#include "app/messages.h"
#include "platform/store.h"

namespace Wipe {

QString application()
{
    return QStringLiteral("Morvane");
}

QString title()
{
    return QStringLiteral("Hadrel Morvane の設定");
}

QString messageFor(const RunError& outcome)
{
    switch (outcome.number) {
    case Error::None:
        return QStringLiteral("成功しました");
    case Error::InvalidCall:
        return QStringLiteral("失敗しました");
    default:
        return QStringLiteral("予想外のエラーが発生しました");
    }
}

int exitStatusFor(const RunError& outcome)
{
    switch (outcome.number) {
    case Error::None:
        return 0;
    case Error::InvalidCall:
        return 1;
    default:
        return 2;
    }
}

int run()
{
    const RunError outcome = Store::remove(application());
    Messages::show({ Messages::Icon::None, title(), messageFor(outcome) });
    return exitStatusFor(outcome);
}

} // namespace Wipe
