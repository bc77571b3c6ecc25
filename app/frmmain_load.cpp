// SPDX-License-Identifier: GPL-3.0-or-later
// The load step at start-up.
#include "frmmain.h"

void frmmain::load() {}

QString frmmain::ampPath()
{
    return {};
}
