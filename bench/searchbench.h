// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// The search window at the scale of the whole skin archive.
namespace SearchBench {

struct Times
{
    double wall = 0; // ms, medians
    double cpu = 0; // ms of this thread
};

struct Result
{
    Times keystroke; // one letter typed into the empty box: filter, list update, paint
    Times containsLoop; // the same letter looked for in every folded name with QString::contains
    Times fold; // SkinSearch::foldAll over the names
    Times sort; // SkinScan::sortCaseBlind over the same names, shuffled
    qsizetype matches = 0;
    bool ok = false; // the window showed what the loop found
};

Result measure(const QStringList& names, int runs);

} // namespace SearchBench
