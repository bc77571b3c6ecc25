// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

// Skin archives of a few kilobytes made to cost as much as they can: bitmaps that claim
// hundreds of megabytes, and region.txt files whose polygons cross or number in the
// hundred thousands.
namespace HostileSkins {

struct Made
{
    QString path; // a .wsz archive
    QString what; // for the table
};

// Writes the hostile archives into folder (which exists), each with a real main.bmp
// beside its hostile files; empty with error set when one cannot be written.
QList<Made> make(const QString& folder, const QString& realMainBitmap, QString* error);

} // namespace HostileSkins
