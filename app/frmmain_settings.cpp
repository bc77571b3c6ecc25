// SPDX-License-Identifier: GPL-3.0-or-later
// The settings dialog as the main window opens it.
#include "frmmain.h"

// Placeholder until Opt_Frm exists: replace this file with the dialog's own opener.
void frmmain::openSettings() { }
