// SPDX-License-Identifier: GPL-3.0-or-later
// Selection handling, the preview grid, the enlarged view and the previews' mouse.
#include "frmmain.h"

void frmmain::skinListSelectionChanged() {}
void frmmain::SelectSq_Place() {}
void frmmain::skinListDoubleClicked() {}
void frmmain::previewClicked(int) {}
void frmmain::previewDoubleClicked(int) {}
void frmmain::previewRightPressed(int) {}
