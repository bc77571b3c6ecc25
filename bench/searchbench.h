// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QStringList>

#include <ctime>

class SkinIndex;

// The search window at the scale of the whole skin archive.
namespace SearchBench {

struct Times
{
    double wall = 0; // ms, medians
    double cpu = 0; // ms of this thread, or of the process where a bench says so
};

inline double cpuMs(clockid_t clock)
{
    timespec ts;
    clock_gettime(clock, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// One call of f, by the wall clock and by clock.
template<class F> Times timeOf(F&& f, clockid_t clock = CLOCK_THREAD_CPUTIME_ID)
{
    QElapsedTimer wall;
    const double cpu = cpuMs(clock);
    wall.start();
    f();
    return { wall.nsecsElapsed() / 1e6, cpuMs(clock) - cpu };
}

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

// The windows on an index that is up to date with folder, whose listing is names.
struct Indexed
{
    Times firstYearOrder; // 年順 clicked the first time: the snapshot made ready, ordered, listed, painted
    Times yearOrder; // 年順 clicked again, after 名前順: ordered, listed, painted
    Times duplicates; // 「重複を探す」 asked: the groups, both lists, the first group, painted
    Times duplicatesPictures; // the same until the pictures in sight are read and painted, CPU of the process
    int groups = 0;
    bool ok = false; // the search window listed every skin, oldest first; the window showed the groups
};
Indexed measureIndexed(SkinIndex& index, const QString& folder, const QStringList& names, int runs);

} // namespace SearchBench
