// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/runerror.h"

#include <QString>

// Unpacking a skin archive (.wsz, .zip) into a new folder of a skin folder.
namespace WszUnpack {

// Past these the archive counts as a bomb: entries read, and bytes really written.
constexpr int maxEntries = 10000;
constexpr qint64 maxBytes = 64 * 1024 * 1024;

enum class Problem {
    None,
    Unreadable, // the archive or the skin folder cannot be opened
    NotZip,
    Damaged,
    Encrypted, // no skin but encrypted entries
    TooLarge, // also an archive past the pictures' size or entry limit
    Zip64, // refused whatever its fields, as the pictures refuse it
    NotASkin, // neither main.bmp nor Region.txt, in any case
    WriteFailed,
};

struct Result
{
    QString skinName; // the new folder's name, when unpacked
    Problem problem = Problem::None;
    RunError error; // 53 or 75, with the reason in Japanese

    bool ok() const { return problem == Problem::None; }
};

// The folder name an archive gives: its file name without the last extension.
QString baseSkinName(const QString& archivePath);

struct Placed
{
    QString name; // the name used, when moved
    RunError error;
};

// Moves the folder from into toFolder (ending with "/") under name, or "name (2)",
// "name (3)" ... when taken; never replaces anything.
Placed moveToFreeName(const QString& from, const QString& toFolder, const QString& name);

// Unpacks archivePath into a new folder of skinFolder (which ends with "/"), named after
// the archive, " (2)" and so on when taken, as Winamp unpacks a skin: the files that
// ZipDirectory::skinFiles chooses, side by side under their base names, each of a name
// ignoring case once, under its first entry's spelling with its last entry's bytes.
// Folders, links and every other file are left out, so nothing lands outside the new
// folder. The skin is written into a hidden folder and renamed into place only when
// complete, never replacing anything; on any failure nothing is left behind. The archive
// itself is not touched.
Result unpack(const QString& archivePath, const QString& skinFolder);

} // namespace WszUnpack
