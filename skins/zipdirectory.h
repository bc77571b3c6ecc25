// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <vector>

// A zip's end record and central directory, read with bounded reads and every length
// checked, without inflating anything: what the scan, the pictures and the unpacker all
// look at first, so that they agree on what an archive holds.
//
// zip64 is refused whatever its fields say: no skin needs it, and an archive using it
// only to describe small files is a crafted one. Refused are a zip64 end record or its
// locator, any saturated 16- or 32-bit field, and any record carrying a zip64 extra block.
namespace ZipDirectory {

enum class Status {
    ok,
    notZip, // no end record
    damaged,
    tooLarge, // more records than allowed, or a directory no skin has
    zip64,
};

struct Entry
{
    const char* name; // as stored, not terminated
    int nameLength;
    bool utf8; // else the Windows code page (CP932 for the skins we know)
    quint16 madeBy;
    quint16 flags;
    quint16 method;
    quint32 crc;
    quint32 compressedSize;
    quint32 size;
    quint32 localOffset;
    quint32 externalAttributes;
    quint16 modifiedTime; // DOS time and date, local time
    quint16 modifiedDate;

    bool encrypted() const { return (flags & 0x41) != 0; }
};

// The records of one archive, in directory order. One object can read many archives in
// turn, keeping its buffer.
class Directory
{
public:
    // Reads the directory of fd, a regular file of fileSize bytes. Records are counted as
    // they are parsed: the end record's 16-bit count is only checked against the count.
    Status read(int fd, qint64 fileSize, int maxEntries);
    const std::vector<Entry>& entries() const { return m_entries; }

private:
    std::vector<char> m_bytes;
    std::vector<Entry> m_entries;
};

// What an entry is. Links, devices and the like are refused, as the unpacker refuses them.
enum class Kind { file, folder, refused };
Kind kindOf(const Entry& entry);

// Which entry is each of the files named lowerNames (lower-case ASCII) of the skin packed
// in directory, chosen as Winamp unpacks a skin: every .bmp, .txt, .cur and .ini entry at
// any depth goes by its base name (after the last "\\" or "/"), of several entries of a
// name ignoring case the last one; folders, links, devices, encrypted entries and a Mac's
// __MACOSX/ forks are passed over, everything else ignored. chosen gets an index into
// entries() or -1 per name. Always true: a path that would be unsafe is only its base name.
bool chooseEntries(const Directory& directory, const QList<QByteArray>& lowerNames, QList<int>& chosen);

// A file of the skin packed in a directory: its index in entries(), and its base name,
// decoded.
struct SkinFile
{
    int index;
    QString name;
};
// Every file of the skin as chooseEntries chooses among them, once per name ignoring case
// (Windows' comparison, also of non-ASCII letters), in the order the names first appear:
// the first entry's spelling, the last one's index. Always true.
bool skinFiles(const Directory& directory, QList<SkinFile>& files);
// The entry's bytes into out, at most limit of them: stored, deflated or bzip2 data (what skin
// archives use), read straight from fd and checked against its
// CRC. False for anything else.
bool readEntry(int fd, qint64 fileSize, const Entry& entry, qint64 limit, QByteArray& out);

} // namespace ZipDirectory
