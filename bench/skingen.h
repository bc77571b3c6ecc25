// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// Skin folders the way an unpacked archive holds them, made fast: every file is a hard
// link to one of a small pool of shared files, so 100,000 skins cost directory entries,
// not 3 GB of bitmaps.
namespace SkinGen {

struct Picture
{
    QString path;
    QString kind; // "RLE8", "8-bit", "24-bit", or the real skin it came from
    bool real = false;
};

struct Pool
{
    QString folder; // ends with "/"
    QList<Picture> pictures;
    QString region;
    QString other; // stands in for a skin's other bitmaps and texts
    QStringList archives; // the real skins' published .wsz files
    QStringList archivePictures; // the main bitmap of each, as its folder holds it
};

// Writes the shared files into folder (which exists): generated pictures of each kind,
// plus the main bitmaps and a Region.txt of the real skins in realSkins when it is given,
// and their published archives (realSkins/wsz).
// Every picture is read back and compared, so a broken writer fails here.
bool makePool(Pool& pool, const QString& folder, const QString& realSkins, QString* error);

struct Made
{
    QStringList skins; // names of the folders that are skins, in the order made
    int nonSkins = 0; // entries that must not be listed
    int regionOnly = 0;
    int notExact = 0; // skins whose main.bmp is named in another case
    int japanese = 0;
    int archives = 0; // skins that are .wsz or .zip files
    QMap<QString, int> kinds; // pictures per kind
    QStringList readOnly; // folders made read-only: cleaning up needs their write bit back
};

enum class Spelling {
    mixed, // main.bmp 55%, MAIN.BMP 30%, Main.bmp 10%, MAIN.bmp 5%; 3% of skins by Region.txt alone
    exact, // every skin has a main.bmp spelled so
};

// Makes count skins in folder (which exists), plus about 2% entries that are not skins:
// empty, hidden, read-only and symbolically linked folders, plain files, a folder named
// main.bmp, a hidden archive. archivePercent of the skins are archives (links to the
// pool's real ones) instead of folders. The same seed makes the same folders.
bool makeSkins(Made& made, const Pool& pool, const QString& folder, int count, quint32 seed, QString* error,
    Spelling spelling = Spelling::mixed, int archivePercent = 0);

// Twin folders of count skins each, named alike ("Page 00000"...): in archives every
// skin is one of the pool's real archives, in folders the same skin unpacked (its main
// bitmap and as many other files), so a page of one shows the pictures of the other.
bool makePageTwins(Made& archives, Made& folders, const Pool& pool, const QString& archiveFolder,
    const QString& folderFolder, int count, QString* error);

// Gives the read-only folders their owner-write bit back, so the tree can be removed.
void restoreWritable(const Made& made);

} // namespace SkinGen
