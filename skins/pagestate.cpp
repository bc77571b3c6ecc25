// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/pagestate.h"

int floorDiv(int numerator, int denominator)
{
    const int quotient = numerator / denominator;
    const bool inexact = quotient * denominator != numerator;
    return inexact && ((numerator < 0) != (denominator < 0)) ? quotient - 1 : quotient;
}

void PageState::select(const QString& name, int selected, int count)
{
    Selected_Skin = name;
    Page_Last = floorDiv(count - 1, cellCount);
    Page_Current = floorDiv(selected, cellCount);
    Cell_Last = cellCount - 1;
    if (Page_Current == Page_Last)
        Cell_Last = count - cellCount * Page_Current - 1;
}
