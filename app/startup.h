// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QApplication;

namespace Startup {

// The entry sequence: page state, splash, main window loaded, splash gone, window
// shown and placed; then the event loop until the main window closes.
int run(QApplication& app);

} // namespace Startup
