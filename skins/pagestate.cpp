// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/pagestate.h"

#include <algorithm>

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

int PageState::rowAfter(Move move, int row, int count)
{
    if (count <= 0)
        return -1;
    if (row < 0 || row >= count)
        return 0;
    constexpr int columns = 3;
    const int last = count - 1;
    switch (move) {
    case Move::left:
        return row > 0 ? row - 1 : row;
    case Move::right:
        return row < last ? row + 1 : row;
    case Move::up:
        return row >= columns ? row - columns : row;
    case Move::down:
        if (row + columns <= last)
            return row + columns;
        return row / columns < last / columns ? last : row;
    case Move::pageUp:
        return std::max(row - cellCount, 0);
    case Move::pageDown:
        return std::min(row + cellCount, last);
    case Move::first:
        return 0;
    case Move::last:
        return last;
    }
    return row;
}

int PageState::rowAfterTurn(int pages, int row, int count)
{
    if (count <= 0)
        return -1;
    if (row < 0 || row >= count)
        return 0;
    const int page = row / cellCount;
    const int to = std::clamp(page + pages, 0, (count - 1) / cellCount);
    return to == page ? row : std::min(rowOf(to, row % cellCount), count - 1);
}
