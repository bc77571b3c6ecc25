// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The version comes from the build (the project's version in CMakeLists.txt), so the
// About window, the command line and the package can never disagree.
namespace Version {

inline QString text()
{
    return QStringLiteral(HADREL_VERSION);
}

} // namespace Version
