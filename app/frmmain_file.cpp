// SPDX-License-Identifier: GPL-3.0-or-later
// The File menu commands and the inline rename.
#include "frmmain.h"

void frmmain::fileTriggered(int index)
{
    if (index == 7)
        close();
}

void frmmain::openFolderTriggered() {}
void frmmain::nameClicked(int) {}
void frmmain::nameFocusGained(int) {}
void frmmain::nameEnterPressed(int) {}
void frmmain::nameFocusLost(int) {}
