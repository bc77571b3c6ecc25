// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>

class QApplication;
class QWidget;
class frmmain;
struct PageState;

namespace Startup {

// The entry sequence: page state, splash, main window loaded, splash gone, window
// shown and placed; then the event loop until the main window closes.
int run(QApplication& app);

// The sequence up to the shown and placed main window, without the event loop.
std::unique_ptr<frmmain> start(PageState& state, const QString& programFolder);

// A stored position in twips as pixels; text that is not a number counts as 1000 twips.
int pixelsFromTwips(const QString& twips);

// Moves the shown main window to the stored "MainLeft" and "MainTop".
void placeWindow(QWidget& window);

} // namespace Startup
