// SPDX-License-Identifier: GPL-3.0-or-later
// The View menu, the registered folders and the Help menu.
#include "frmmain.h"

void frmmain::viewTriggered(int index)
{
    if (index == 0)
        Skin_Rescan();
}

void frmmain::regTriggered(int) {}
void frmmain::helpContentsTriggered() {}
void frmmain::helpAboutTriggered() {}
