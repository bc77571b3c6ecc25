// SPDX-License-Identifier: GPL-3.0-or-later
// The View menu, the registered folders and the Help menu.
#include "app/frmmain.h"

#include "app/frmsplash.h"
#include "dialogs/messages.h"
#include "platform/pathslash.h"
#include "platform/programstart.h"
#include "platform/regularfile.h"

#include <QAction>

void frmmain::viewTriggered(int index)
{
    switch (index) {
    case 0:
        Skin_Rescan();
        break;
    case 3:
        openSettings();
        break;
    default:
        // 1 only opens the submenu of registered folders, 2 is a separator.
        break;
    }
}

void frmmain::regTriggered(int index)
{
    // The caption is the registered folder; readers append names to the current
    // folder directly, so it must end with exactly one separator. Nothing is stored:
    // the next run starts with folder 0 again.
    makeCurrentFolder(Path_Slash(Reg[index]->text()));
    Skin_Rescan();
}

void frmmain::helpContentsTriggered()
{
    const QString page = withoutTrailingSlashes(programFolder()) + QStringLiteral("/html/index.html");
    // No check that the page exists: the opener shows its own message for a missing file.
    // A FIFO or a device in its place would hang the browser, and is not handed over.
    if (!RegularFile::absentOrRegular(page))
        return;
    // An opener that cannot be started, or finds nothing to show the page with, is ours to tell.
    const auto failed = [this, page](const RunError& error) {
        Messages::warning(this,
            QStringLiteral("ヘルプのページを表示できませんでした。\n%1").arg(Messages::concerning(page, error.detail)));
    };
    if (const RunError error = ProgramStart::openWithDesktopWatched(page, this, failed))
        failed(error);
}

void frmmain::helpAboutTriggered()
{
    // A new window each time, so every showing starts from the design state.
    frmSplash about;
    about.execAbout();
}
