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
    quint16 dosTime; // local time of the zipping Windows, 2-second steps
    quint16 dosDate;
    quint32 crc;
    quint32 compressedSize;
    quint32 size;
    quint32 localOffset;
    quint32 externalAttributes;

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
// in directory: looked for at the top level or, when everything lies in one top-level
// folder, in that folder; names compared ignoring case; of several spellings the last in
// the directory, as Winamp ends up with after unpacking onto a case-blind disk. Encrypted
// entries are passed over. chosen gets an index into entries() or -1 per name; false, with
// nothing chosen, when an entry is unsafe (links, absolute paths, "..", too deep or long).
bool chooseEntries(const Directory& directory, const QList<QByteArray>& lowerNames, QList<int>& chosen);

// A file of the skin packed in a directory: its index in entries(), and the last
// component of its name, decoded.
struct SkinFile
{
    int index;
    QString name;
};
// Every file that chooseEntries chooses among, in directory order: at the top level or,
// when everything lies in one top-level folder, in that folder; encrypted ones passed
// over. False, with no file, when an entry is unsafe.
bool skinFiles(const Directory& directory, QList<SkinFile>& files);
// The entry's bytes into out, at most limit of them: stored, deflated or bzip2 data (what
// libarchive wrote and read for us before), read straight from fd and checked against its
// CRC. False for anything else.
bool readEntry(int fd, qint64 fileSize, const Entry& entry, qint64 limit, QByteArray& out);

} // namespace ZipDirectory
