// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The lines of a message box. Where the messages were first written a carriage return
// broke a box's lines; Qt shows "\r" as nothing and breaks at "\n".
inline QString messageLines(const QStringList& lines)
{
    return lines.join(QLatin1Char('\n'));
}
