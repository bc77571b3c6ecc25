// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "index/skinrecord.h"

#include <QColor>
#include <QList>
#include <QString>
#include <Qt>

// Questions put to one snapshot of the index. Rows are indices into snapshot.records().
namespace IndexQueries {

// The rows whose readme holds every word of typed (whitespace separates words; Japanese
// words are found inside text), in the snapshot's order. Nothing for empty typed text.
QList<int> readmeMatches(const IndexSnapshot& snapshot, const QString& typed);

struct Filter
{
    quint32 required = 0; // SkinContent flags every row must hold
    quint32 excluded = 0; // flags no row may hold
    int yearFrom = 0; // 0: no bound; a skin of unknown year passes only without bounds
    int yearTo = 0;
};
bool passes(const SkinRecord& record, const Filter& filter);
// The rows of candidates that pass, in their order.
QList<int> filtered(const IndexSnapshot& snapshot, const Filter& filter, const QList<int>& candidates);
// Every row of the snapshot.
QList<int> allRows(const IndexSnapshot& snapshot);

// rows by the skin's year (then date); unknown years last either way; stable.
void orderByYear(const IndexSnapshot& snapshot, QList<int>& rows, Qt::SortOrder order);

// Groups of two or more skins Winamp reads alike (the same content hash), each group's
// rows in the snapshot's order, groups by their first row.
QList<QList<int>> identicalGroups(const IndexSnapshot& snapshot);

// Look-alike groups: skins whose perceptual hashes lie within maxDistance bits, each match
// confirmed on the pictures themselves (their thumbnails), joined transitively. Groups of
// identical skins are part of them. Same order as identicalGroups.
constexpr int lookAlikeDistance = 6;
QList<QList<int>> lookAlikeGroups(const IndexSnapshot& snapshot, int maxDistance = lookAlikeDistance);
// The look-alike groups, each marked identical when its skins share one content, then the
// identical skins no picture joined (they have none to compare). What the snapshot holds.
QList<DuplicateGroup> duplicateGroups(const IndexSnapshot& snapshot);
// True when two thumbnails show the same look: mean difference under a small threshold.
bool sameLook(QByteArrayView thumbnail1, QByteArrayView thumbnail2);

struct Nearest
{
    int row;
    double distance; // bits for pictures, Lab distance for colours; smaller is nearer
};
// The count skins whose pictures are nearest row's, nearest first, row itself left out.
QList<Nearest> nearestPictures(const IndexSnapshot& snapshot, int row, int count);
// The count skins whose main colours are nearest colour, nearest first.
QList<Nearest> nearestColours(const IndexSnapshot& snapshot, QColor colour, int count);

} // namespace IndexQueries
