// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup.h"

#include "app/frmmain.h"
#include "app/frmsplash.h"
#include "app/handedpaths.h"
#include "app/picturejobs.h"
#include "app/quitsignals.h"
#include "app/singleinstance.h"
#include "dialogs/messages.h"
#include "platform/store.h"
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

std::unique_ptr<frmmain> start(
    PageState& state, const QString& programFolder, const std::optional<OpenPath::Target>& target)
{
    auto splash = std::make_unique<frmSplash>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    auto window = std::make_unique<frmmain>(state, programFolder);
    window->startTarget = target;
    window->load();

    splash.reset();
    window->show();
    placeWindow(*window);
    return window;
}

int run(QApplication& app, const QString& path)
{
    std::optional<OpenPath::Target> target;
    if (!path.isEmpty()) {
        target = OpenPath::resolve(path);
        if (!target) {
            // Started from a file manager nobody reads the line: the box says it too.
            const QString reason = OpenPath::refusal(path);
            std::fputs(QStringLiteral("hadrel: %1\n").arg(reason).toUtf8().constData(), stderr);
            Messages::warning(nullptr, reason);
            return 2;
        }
    }

    int code = 0;
    {
        SingleInstance instance(Store::folder());
        switch (instance.claim(OpenPath::absolute(path))) {
        case SingleInstance::Role::HandedOver:
            return 0;
        case SingleInstance::Role::NoAnswer:
            Messages::warning(nullptr, QStringLiteral("Hadrelは既に起動していますが、応答がありません。"));
            return 1;
        case SingleInstance::Role::First:
            break;
        }

        // Both listen from now on: the load step may wait on a first-run dialog.
        QuitSignals quitSignals;
        HandedPaths handed;
        QObject::connect(&instance, &SingleInstance::pathReceived, &handed, &HandedPaths::receive);

        PageState state; // its start values come first, before any window exists
        const std::unique_ptr<frmmain> window = start(state, QApplication::applicationDirPath(), target);
        QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
        handed.setWindow(window.get());
        quitSignals.setWindow(window.get());
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
