// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The selected skin and the page state of the preview grid, shared by the scan, the
// selection handling and the commands. Set to its start values before any window exists.
struct PageState
{
    QString Selected_Skin;
    int Page_Current = 0;
    int Page_Last = 0;
    int Cell_Last = 11;
    int Page_Shown = -1; // -1: no page loaded, forces a reload

    static constexpr int cellCount = 12;

    // What Skin_Rescan does before it scans.
    void reset()
    {
        Page_Current = 0;
        Cell_Last = 11;
        Page_Shown = -1;
    }

    // Records a selection change: row `selected` (-1 for none) named `name` of a list
    // of `count` items. Sets Selected_Skin, Page_Last, Page_Current and Cell_Last;
    // Page_Shown is left to the caller, which sets it once the grid shows the page.
    void select(const QString& name, int selected, int count);

    // The grid holds another page than the selected item's.
    bool needsReload() const { return Page_Shown != Page_Current; }

    // The list row that cell `cell` of page `page` shows.
    static int rowOf(int page, int cell) { return page * cellCount + cell; }

    // The keys that move the selection through the grid, three cells a row.
    enum class Move { left, right, up, down, pageUp, pageDown, first, last };
    // The row that move takes the selection to from row (-1: none) of count items: the
    // rows before and after the first and last skin hold none, so a move there stays,
    // but a row below that is only partly filled is reached at its last skin.
    static int rowAfter(Move move, int row, int count);
    // The row that turning pages pages on (back when negative) selects: the same cell of
    // that page, or the last skin when it has no such cell. row itself when there is no
    // page that way.
    static int rowAfterTurn(int pages, int row, int count);
};

// Division rounded down, so that row -1 (nothing selected) lies on page -1.
int floorDiv(int numerator, int denominator);
