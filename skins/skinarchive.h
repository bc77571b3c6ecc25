// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// Skins kept packed, as .wsz or .zip files: their names, and their files read in memory.
namespace SkinArchive {

// Past these an archive is no skin: its files are not looked at.
constexpr int maxEntries = 10000;
constexpr qint64 maxArchiveBytes = qint64(64) * 1024 * 1024;
// A main.bmp is about 100 KB; one inflating past this is a bomb, not a picture.
constexpr qint64 maxPictureBytes = qint64(4) * 1024 * 1024;
// All the files read out of one archive at once: a whole skin's bitmaps are a few MB.
constexpr qint64 maxInflatedBytes = qint64(16) * 1024 * 1024;

// The file name ends in ".wsz" or ".zip", in any letter case.
bool isArchiveName(const QString& fileName);
bool isArchiveName(const char* fileName, size_t length);

// The files named lowerNames (lower-case ASCII) of the skin packed in archivePath, read
// without writing anything to disk, chosen as Winamp unpacks a skin: by base name at any
// depth, of several spellings the last in the archive (ZipDirectory::chooseEntries); only
// that one is inflated. Keyed by the name asked for; a file that is missing, encrypted,
// damaged, compressed otherwise than stored or deflated, larger than maxBytesEach or past
// maxInflatedBytes in all is left out; a damaged, oversized or zip64 archive gives nothing.
QHash<QString, QByteArray> readFiles(const QString& archivePath, const QStringList& lowerNames, qint64 maxBytesEach);

// The bytes of the skin's main.bmp, or nothing.
QByteArray mainBitmap(const QString& archivePath);

} // namespace SkinArchive
