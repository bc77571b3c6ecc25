// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/runerror.h"

#include <QString>

#include <functional>

namespace WinampLaunch {

// Starts Winamp.exe of ampFolder (found without regard to case) under wine, with
// WINEPREFIX set when the folder lies in a Wine prefix. Does not wait for it.
RunError startWinamp(const QString& ampFolder);

// Applies the skin, then starts Winamp all the same; a failure to apply goes to
// applyFailed first, which may show it.
using ApplyFailed = std::function<void(const RunError&)>;
RunError applyAndStart(const QString& ampFolder, const QString& skinFolder, const QString& selectedSkin,
    const ApplyFailed& applyFailed = {});

// Opens folder in the desktop's file manager, the path handed over whole.
RunError openFolder(const QString& folder);

} // namespace WinampLaunch
