// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// "WINAMPで使う" while Winamp runs: the stand-in Winamp under real Wine, on an X server of
// the bench's own, in the given prefix. Times are wall clock: the work is in other
// processes (wine, wineserver, the stand-in).
namespace WinampBench {

struct Result
{
    QString notRun; // why it could not run, or empty
    double first = 0; // ms: the first apply, the helper (and Wine) starting with it
    double later = 0; // ms, median of the later applies
    double roundTrip = 0; // ms, median of a bare request to Winamp and its answer
    int runs = 0;
    bool ok = false; // every apply reached the stand-in, every round trip was answered
};

// prefix: a booted Wine prefix; standIn: the stand-in program. The helper is the one
// beside the running program.
Result measure(const QString& prefix, const QString& standIn, int runs);

} // namespace WinampBench
