// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// What a skin is on disk, and the listing of a skin folder. A skin is a folder holding a
// main.bmp or a Region.txt, or a regular file named *.wsz or *.zip, in any letter case,
// whose directory names one of them as Winamp takes an archive's files.
namespace SkinScan {

// True when the path names something that opens for reading and is not a directory.
// One trailing separator is dropped first; an empty path is false.
bool File_Exists(const QString& path);

// folder holds a main.bmp or a Region.txt, either in any case, that opens as a file: what
// makes a folder a skin, for the listing and for an unpacked archive alike.
bool isSkinFolder(const QString& folder);

// The file of a skin folder named fileName, found without regard to case: the exact
// name first, then the one entry whose name matches ignoring case. Empty when none.
// skinFolder ends with a separator.
QString findSkinFile(const QString& skinFolder, const QString& fileName);

// True when the skin name of skinFolder (ending with a separator) is an archive: a
// regular file, not a link, named *.wsz or *.zip. A folder so named is no archive.
bool isArchiveSkin(const QString& skinFolder, const QString& name);

// The listing's rule for the one entry name of folder: a plain folder (not hidden, not a
// link, owner-writable) holding a main.bmp or a Region.txt, or a regular, not hidden,
// owner-writable *.wsz or *.zip whose central directory names either, in any case, as
// ZipDirectory::chooseEntries takes an archive's files. Only an archive's end and directory are
// read; a damaged, oversized or zip64 one, or anything not a regular file, is no skin.
bool isListedSkin(const QString& folder, const QString& name);

// What the previews load for the skin name of skinFolder (ending with a separator): an
// archive's own path, or the main.bmp of a skin folder found as findSkinFile finds it.
// Empty when there is none, and for an empty name.
QString picturePath(const QString& skinFolder, const QString& name);

// The names of the skins of folder (which ends with a separator, or is empty), sorted
// without regard to case. An empty folder text lists nothing.
QStringList listSkins(const QString& folder);

// Ascending, without regard to case; names equal but for case keep a fixed order.
void sortCaseBlind(QStringList& names);
// The order sortCaseBlind sorts in, for one pair.
bool lessCaseBlind(const QString& a, const QString& b);

} // namespace SkinScan
