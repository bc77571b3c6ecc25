// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "index/skinrecord.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// What the index reads of one skin: its files once, then everything the record holds.
namespace SkinReader {

struct Read
{
    bool listed = false; // the listing shows it; nothing else is filled otherwise
    SkinRecord record; // id left 0
    QByteArray thumbnail; // SkinRecord::thumbBytes, or empty
    QString readmeText; // decoded, or empty
    QString keyFile; // a folder's main.bmp (or Region.txt) as spelled, which the stamp watches
    qint64 stamp = 0; // stamp() of the skin as it was just before it was read
    qint64 bytesRead = 0; // of the skin's files, for the bench's floor
};

// Reads the entry name of folder (ending with a separator).
Read read(const QString& folder, const QString& name);

// A number that changes when the skin is changed, from a stat or two: an archive's mode,
// size and modification time; a folder's own, and those of its key file, whose in-place
// rewrite leaves the folder alone. Not the change time, which a new hard link to the
// same file moves. 0 when the entry is gone.
qint64 stamp(int folderFd, QByteArrayView rawName, QByteArrayView rawKeyFile);

// Whether a file of that name is a program or script a skin has no need of.
bool isProgramName(const char* name, size_t length);

} // namespace SkinReader
