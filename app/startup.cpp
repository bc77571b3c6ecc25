// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup.h"

#include "app/frmmain.h"
#include "app/frmsplash.h"
#include "app/picturejobs.h"
#include "platform/twips.h"
#include "settings/settingskeys.h"

#include <QApplication>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace Startup {

int pixelsFromTwips(const QString& twips)
{
    bool ok = false;
    const double value = twips.trimmed().toDouble(&ok);
    // Far beyond any screen is as unusable as no number at all.
    if (!ok || !std::isfinite(value) || std::abs(value) > 1e8)
        return QString::fromLatin1(SettingsKeys::mainLeft.defaultValue).toInt() / Twips::perPixel;
    return Twips::toPixels(int(std::trunc(value)));
}

void placeWindow(QWidget& window)
{
    const int left = pixelsFromTwips(SettingsKeys::read(SettingsKeys::mainLeft));
    const int top = pixelsFromTwips(SettingsKeys::read(SettingsKeys::mainTop));
    window.move(left, top);
}

std::unique_ptr<frmmain> start(PageState& state, const QString& programFolder)
{
    auto splash = std::make_unique<frmSplash>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    auto window = std::make_unique<frmmain>(state, programFolder);
    window->load();

    splash.reset();
    window->show();
    placeWindow(*window);
    return window;
}

int run(QApplication& app)
{
    PageState state; // its start values come first, before any window exists
    int code = 0;
    {
        const std::unique_ptr<frmmain> window = start(state, QApplication::applicationDirPath());
        QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
        code = app.exec();
    }
    // The settings are saved by now. A picture read stuck on a slow disk is no reason to
    // keep the user waiting, nor to tear the program down under its thread.
    if (!PictureJobs::finishAll(250)) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}

} // namespace Startup
