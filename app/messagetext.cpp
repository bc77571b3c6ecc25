// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/messagetext.h"

#include <QMessageBox>

void showMessageLines(QWidget* parent, const QStringList& lines)
{
    QMessageBox box(
        QMessageBox::NoIcon, QStringLiteral("Hadrel"), lines.join(QLatin1Char('\n')), QMessageBox::Ok, parent);
    box.exec();
}
