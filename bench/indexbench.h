// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The index at the scale of the skin archives: its first build against a floor reading
// the same bytes, its updates, its queries, its size, and a page change while it builds.
namespace IndexBench {

struct Measure
{
    QString what;
    qint64 skins = 0;
    double wall = 0, cpu = 0; // ms; a size or memory row puts its figure in note instead
    double baseWall = 0, baseCpu = 0;
    QString note;
    QString target;
    int met = -1; // -1 no target, 0 missed, 1 met
};

struct Set
{
    QString folder; // of generated skins, ending with "/"
    QString what; // "" or ", a third of the skins archives"
    int skins = 0;
};

// cache: a folder for the index files. Adds readmes to the folder skins of the first set
// (hard links to a few hundred texts) after its first index is measured without them.
// failures counts what went wrong (a result that does not hold).
QList<Measure> measure(const QList<Set>& sets, const QString& cache, const QString& readmePool, int runs, bool smoke,
    int& failures);

// A page change while the index of folder is being built: the handler's time.
Measure pageChangeWhileIndexing(const QString& folder, const QString& cache, const QString& programFolder, bool smoke,
    int& failures);

} // namespace IndexBench
