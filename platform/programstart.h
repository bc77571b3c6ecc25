// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/runerror.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace ProgramStart {

// Starts a program without waiting and forgets it. The program is looked up on PATH;
// a missing program is a failure to start (53).
RunError startDetached(const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// The desktop's opener (xdg-open) with the path handed over whole.
RunError openWithDesktop(const QString& path);

} // namespace ProgramStart
