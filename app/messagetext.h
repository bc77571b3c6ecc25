// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class QWidget;

// A message box titled "Hadrel", without icon, with only an OK button, one line of text
// per entry. Where the messages were first written a carriage return broke a box's
// lines; Qt shows "\r" as nothing and breaks at "\n".
void showMessageLines(QWidget* parent, const QStringList& lines);
