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
};
