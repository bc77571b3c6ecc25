// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/openpath.h"

#include <QString>

#include <memory>
#include <optional>

class QApplication;
class QWidget;
class frmmain;
struct PageState;

namespace Startup {

// The entry sequence: the path judged (refused with 2), the copy already running given
// it (0); else page state, splash, main window loaded, splash gone, window shown and
// placed; then the event loop until the main window closes.
int run(QApplication& app, const QString& path);

// The sequence up to the shown and placed main window, without the event loop; target,
// when given, is shown instead of registered folder 0.
std::unique_ptr<frmmain> start(
    PageState& state, const QString& programFolder, const std::optional<OpenPath::Target>& target = std::nullopt);

// A stored position in twips as pixels; text that is not a number counts as 1000 twips.
int pixelsFromTwips(const QString& twips);

// Moves the shown main window to the stored "MainLeft" and "MainTop".
void placeWindow(QWidget& window);

} // namespace Startup
