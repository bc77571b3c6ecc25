// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup.h"

#include "frmmain.h"
#include "frmsplash.h"

#include <QApplication>
#include <memory>

namespace Startup {

int run(QApplication& app)
{
    PageState state; // its start values come first, before any window exists

    auto splash = std::make_unique<frmSplash>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    frmmain window(state, QApplication::applicationDirPath());
    window.load();

    splash.reset();
    window.show();

    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
    return app.exec();
}

} // namespace Startup
