// SPDX-License-Identifier: GPL-3.0-or-later
#include "wipe/wipe.h"

#include "dialogs/messages.h"
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
    QString text = messageFor(outcome);
    // A failure names the file it was about, and why when the system said.
    if (outcome)
        text += QLatin1Char('\n') + Messages::concerning(Store::fileFor(application()), outcome.detail);
    Messages::show({ Messages::Icon::None, title(), text });
    return exitStatusFor(outcome);
}

} // namespace Wipe
