// SPDX-License-Identifier: GPL-3.0-or-later
// The load step at start-up.
#include "app/frmmain.h"

#include "app/messages.h"
#include "settings/optfrm.h"

#include <QLineEdit>

void frmmain::load()
{
    loadFailed(loadSteps());
}

RunError frmmain::loadSteps()
{
    if (const RunError error = settings().Settings_Load())
        return error;
    Opt_Frm& form = settings().form();
    if (form.Amp_Path->text().isEmpty()) {
        // First run: OK makes slot 0 current, saves and rescans by itself; Cancel leaves
        // the window as designed.
        return settings().showModal();
    }
    makeCurrentFolder(form.Skin_Path[0]->text());
    Skin_Rescan();
    return {};
}

void frmmain::loadFailed(const RunError& error)
{
    switch (error.number) {
    case Error::None:
    case Error::InvalidPropertyValue:
        return;
    case Error::PathAccess:
        Skin_Rescan();
        // A save that fails here is tried, and reported, again at exit.
        settings().Settings_Save();
        return;
    default:
        break;
    }
    Messages::showLines(
        this, { QString::number(error.number), error.description, QStringLiteral("製作者に連絡してね(^^;") });
}
