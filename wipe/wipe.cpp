// SPDX-License-Identifier: GPL-3.0-or-later
#include "wipe/wipe.h"

#include "platform/store.h"

#include <QMessageBox>

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

void showMessageBox(const QString& caption, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

int run(const MessageBox& show)
{
    const RunError outcome = Store::remove(application());
    show(title(), messageFor(outcome));
    return exitStatusFor(outcome);
}

} // namespace Wipe
