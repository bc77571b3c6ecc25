// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

// The hourglass pointer for the length of a scope, restored on every way out.
class Hourglass
{
public:
    Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { QApplication::restoreOverrideCursor(); }
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;
};
