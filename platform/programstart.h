// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/runerror.h"

#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

namespace ProgramStart {

// Starts a program without waiting and forgets it. The program is looked up on PATH;
// a missing program is a failure to start (53).
RunError startDetached(const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// The desktop's opener (xdg-open) with the path handed over whole.
RunError openWithDesktop(const QString& path);
// The same, watched: an opener that cannot be started is returned; one that ends with a
// failure (no program for the file, the file gone) is told later to failed, while
// context lives. One still running when Hadrel ends keeps running.
RunError openWithDesktopWatched(const QString& path, QObject* context, std::function<void(const RunError&)> failed);

} // namespace ProgramStart
