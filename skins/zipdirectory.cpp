// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/zipdirectory.h"

#include <QHash>
#include <QStringDecoder>

#include <bzlib.h>
#include <libdeflate.h>

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace ZipDirectory {

namespace {

constexpr int endRecordSize = 22;
constexpr int recordSize = 46;
constexpr int localHeaderSize = 30;
// The end record and a typical skin's whole directory fit in one read of this much.
constexpr qint64 firstTail = 8192;
// A skin's directory is a few KB; 10,000 records with names of a skin's length fit in this.
constexpr qint64 maxDirectoryBytes = qint64(4) * 1024 * 1024;

quint16 u16(const char* p)
{
    const auto* b = reinterpret_cast<const uchar*>(p);
    return quint16(b[0] | b[1] << 8);
}

quint32 u32(const char* p)
{
    const auto* b = reinterpret_cast<const uchar*>(p);
    return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
}

bool readAt(int fd, char* to, qint64 length, qint64 offset)
{
    while (length > 0) {
        const ssize_t got = pread(fd, to, size_t(length), off_t(offset));
        if (got <= 0)
            return false;
        to += got;
        length -= got;
        offset += got;
    }
    return true;
}

// The end record's offset in bytes[0, length), or -1. The one whose comment ends the file
// wins; failing that, the last one found (some tools append bytes after the comment).
qint64 findEndRecord(const char* bytes, qint64 length)
{
    qint64 last = -1;
    for (qint64 at = length - endRecordSize; at >= 0; --at) {
        if (bytes[at] != 'P' || bytes[at + 1] != 'K' || bytes[at + 2] != 5 || bytes[at + 3] != 6)
            continue;
        if (at + endRecordSize + u16(bytes + at + 20) == length)
            return at;
        if (last < 0)
            last = at;
    }
    return last;
}

bool hasZip64Extra(const char* extra, int length)
{
    for (int at = 0; at + 4 <= length;) {
        if (u16(extra + at) == 0x0001)
            return true;
        at += 4 + u16(extra + at + 2);
    }
    return false;
}

bool isLeadByte(uchar c)
{
    return (c >= 0x81 && c <= 0x9f) || (c >= 0xe0 && c <= 0xfc);
}

// The length of the character at name[at]: a CP932 lead byte takes its trail byte along,
// which may be "\" or a letter and must not be read as one.
int charLength(const Entry& entry, int at)
{
    return !entry.utf8 && isLeadByte(uchar(entry.name[at])) && at + 1 < entry.nameLength ? 2 : 1;
}

struct Span
{
    int from;
    int length;
};

// No file name on Windows is longer.
constexpr int maxBaseNameLength = 255;

// The entry's file name as an unzipper on Windows writes it into one folder: what follows
// the last "\" or "/". Empty when no file of it could be made there: a name too long, or
// one with a character Windows refuses in file names.
Span baseName(const Entry& entry)
{
    const auto* name = reinterpret_cast<const uchar*>(entry.name);
    const int length = entry.nameLength;
    int from = 0;
    bool refused = false;
    for (int at = 0; at < length; at += charLength(entry, at)) {
        const uchar c = name[at];
        if (c == '/' || c == '\\') {
            from = at + 1;
            refused = false;
        } else if (c < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*') {
            refused = true;
        }
    }
    const int size = length - from;
    return { from, refused || size > maxBaseNameLength ? 0 : size };
}

uchar asciiLower(uchar c)
{
    return c >= 'A' && c <= 'Z' ? uchar(c + ('a' - 'A')) : c;
}

bool isName(const Entry& entry, Span part, const QByteArray& lowerName)
{
    if (part.length != lowerName.size())
        return false;
    for (int i = 0; i < part.length; ++i) {
        if (asciiLower(uchar(entry.name[part.from + i])) != uchar(lowerName[i]))
            return false;
    }
    return true;
}

enum Method : quint16 { stored = 0, deflated = 8, bzip2 = 12 };

// As for deflated data: out holds exactly the declared size, and a stream that would
// decompress past it is refused.
bool unbzip2(int fd, qint64 dataAt, const Entry& entry, QByteArray& out)
{
    bz_stream stream {};
    if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK)
        return false;
    stream.next_out = out.data();
    stream.avail_out = entry.size;
    char input[64 * 1024];
    qint64 left = entry.compressedSize;
    qint64 offset = dataAt;
    int status = BZ_OK;
    while (status == BZ_OK) {
        if (stream.avail_in == 0) {
            const qint64 chunk = std::min<qint64>(left, sizeof input);
            if (chunk == 0 || !readAt(fd, input, chunk, offset))
                break;
            left -= chunk;
            offset += chunk;
            stream.next_in = input;
            stream.avail_in = unsigned(chunk);
        }
        const unsigned before = stream.avail_out;
        status = BZ2_bzDecompress(&stream);
        if (status == BZ_OK && stream.avail_out == 0 && before == 0)
            break;
    }
    const bool complete = status == BZ_STREAM_END && stream.total_out_lo32 == entry.size && stream.total_out_hi32 == 0;
    BZ2_bzDecompressEnd(&stream);
    return complete;
}

// Deflated data, inflated in one call into out, which holds exactly the declared size: a
// stream that would inflate past it, or end short of it, is refused. A skin's pictures
// are a few hundred KB, and a one-shot inflate takes half the time of a streaming one.
bool inflateRaw(int fd, qint64 dataAt, const Entry& entry, QByteArray& out)
{
    // Deflate never grows data by more than 5 bytes a 64 KB block: more input than that is
    // no stream of this size, and is not read in.
    if (entry.compressedSize > entry.size + entry.size / 8192 + 64)
        return false;
    QByteArray input(qsizetype(entry.compressedSize), Qt::Uninitialized);
    if (!readAt(fd, input.data(), input.size(), dataAt))
        return false;
    struct Free
    {
        void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
    };
    thread_local const std::unique_ptr<libdeflate_decompressor, Free> decompressor(libdeflate_alloc_decompressor());
    return decompressor
        && libdeflate_deflate_decompress(
               decompressor.get(), input.constData(), size_t(input.size()), out.data(), size_t(out.size()), nullptr)
        == LIBDEFLATE_SUCCESS;
}

} // namespace

Status Directory::read(int fd, qint64 fileSize, int maxEntries)
{
    m_entries.clear();
    qint64 tail = std::min(fileSize, firstTail);
    qint64 end = -1;
    for (;;) {
        m_bytes.resize(size_t(tail));
        if (!readAt(fd, m_bytes.data(), tail, fileSize - tail))
            return Status::damaged;
        end = findEndRecord(m_bytes.data(), tail);
        if (end >= 0 || tail == fileSize || tail >= endRecordSize + 0xffff)
            break;
        tail = std::min(fileSize, qint64(endRecordSize + 0xffff));
    }
    if (end < 0)
        return Status::notZip;
    const char* record = m_bytes.data() + end;
    const qint64 endAt = fileSize - tail + end;
    const quint16 disk = u16(record + 4);
    const quint16 directoryDisk = u16(record + 6);
    const quint16 entriesHere = u16(record + 8);
    const quint16 entriesTotal = u16(record + 10);
    const quint32 directorySize = u32(record + 12);
    const quint32 directoryOffset = u32(record + 16);
    if (disk == 0xffff || directoryDisk == 0xffff || entriesHere == 0xffff || entriesTotal == 0xffff
        || directorySize == 0xffffffff || directoryOffset == 0xffffffff)
        return Status::zip64;
    if (endAt >= 20 && end >= 20 && u32(record - 20) == 0x07064b50)
        return Status::zip64;
    if (disk != 0 || directoryDisk != 0 || entriesHere != entriesTotal)
        return Status::damaged;
    if (qint64(directoryOffset) + directorySize > endAt)
        return Status::damaged;
    if (directorySize > maxDirectoryBytes)
        return Status::tooLarge;

    // The directory is usually in the tail already read.
    const char* bytes;
    const qint64 tailStart = fileSize - tail;
    if (qint64(directoryOffset) >= tailStart) {
        bytes = m_bytes.data() + (directoryOffset - tailStart);
    } else {
        m_bytes.resize(directorySize);
        if (!readAt(fd, m_bytes.data(), directorySize, directoryOffset))
            return Status::damaged;
        bytes = m_bytes.data();
    }

    for (qint64 at = 0; at < directorySize;) {
        if (int(m_entries.size()) >= maxEntries)
            return Status::tooLarge;
        const char* r = bytes + at;
        if (directorySize - at < recordSize || u32(r) != 0x02014b50)
            return Status::damaged;
        const int nameLength = u16(r + 28);
        const int extraLength = u16(r + 30);
        const int commentLength = u16(r + 32);
        const qint64 length = qint64(recordSize) + nameLength + extraLength + commentLength;
        if (length > directorySize - at)
            return Status::damaged;
        Entry entry;
        entry.name = r + recordSize;
        entry.nameLength = nameLength;
        entry.madeBy = u16(r + 4);
        entry.flags = u16(r + 8);
        entry.utf8 = (entry.flags & 0x800) != 0;
        entry.method = u16(r + 10);
        entry.modifiedTime = u16(r + 12);
        entry.modifiedDate = u16(r + 14);
        entry.crc = u32(r + 16);
        entry.compressedSize = u32(r + 20);
        entry.size = u32(r + 24);
        entry.externalAttributes = u32(r + 38);
        entry.localOffset = u32(r + 42);
        if (entry.compressedSize == 0xffffffff || entry.size == 0xffffffff || entry.localOffset == 0xffffffff
            || u16(r + 34) == 0xffff || hasZip64Extra(r + recordSize + nameLength, extraLength))
            return Status::zip64;
        if (u16(r + 34) != 0 || qint64(entry.localOffset) >= directoryOffset)
            return Status::damaged;
        m_entries.push_back(entry);
        at += length;
    }
    if ((m_entries.size() & 0xffff) != entriesTotal)
        return Status::damaged;
    return Status::ok;
}

Kind kindOf(const Entry& entry)
{
    const bool slash
        = entry.nameLength > 0 && (entry.name[entry.nameLength - 1] == '/' || entry.name[entry.nameLength - 1] == '\\');
    constexpr int unix = 3;
    const quint32 mode = entry.externalAttributes >> 16;
    if (entry.madeBy >> 8 == unix && (mode & S_IFMT) != 0) {
        switch (mode & S_IFMT) {
        case S_IFREG:
            return slash ? Kind::folder : Kind::file;
        case S_IFDIR:
            return Kind::folder;
        default:
            return Kind::refused;
        }
    }
    return slash || (entry.externalAttributes & 0x10) ? Kind::folder : Kind::file;
}

namespace {

bool hasSkinExtension(const Entry& entry, Span base)
{
    if (base.length < 5 || entry.name[base.from + base.length - 4] != '.')
        return false;
    const char* extension = entry.name + base.from + base.length - 3;
    for (const char* known : { "bmp", "txt", "cur", "ini" }) {
        if (strncasecmp(extension, known, 3) == 0)
            return true;
    }
    return false;
}

bool isMacFork(const Entry& entry)
{
    return entry.nameLength > 9 && std::memcmp(entry.name, "__MACOSX", 8) == 0
        && (entry.name[8] == '/' || entry.name[8] == '\\');
}

// The entries Winamp takes out of a skin archive, in directory order: onFile(index, base
// name) for every file whose base name ends in .bmp, .txt, .cur or .ini, whatever folder
// it lies in (Winamp drops the folders, so a path that would climb out of its folder, or
// start at a drive, is only its base name). Folders, links, devices, encrypted entries
// and the forks a Mac adds under __MACOSX/ are passed over. Of several entries of one name
// the last counts, as on the case-blind disk Winamp unpacks onto; that choice is the
// caller's.
template<typename OnFile> void forEachSkinEntry(const Directory& directory, OnFile onFile)
{
    const std::vector<Entry>& entries = directory.entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        if (entry.encrypted() || kindOf(entry) != Kind::file || isMacFork(entry))
            continue;
        const Span base = baseName(entry);
        if (hasSkinExtension(entry, base))
            onFile(int(i), base);
    }
}

} // namespace

bool chooseEntries(const Directory& directory, const QList<QByteArray>& lowerNames, QList<int>& chosen)
{
    const qsizetype count = lowerNames.size();
    chosen.fill(-1, count);
    const std::vector<Entry>& entries = directory.entries();
    forEachSkinEntry(directory, [&](int index, Span base) {
        for (qsizetype n = 0; n < count; ++n) {
            if (isName(entries[size_t(index)], base, lowerNames[n]))
                chosen[n] = index;
        }
    });
    return true;
}

bool skinFiles(const Directory& directory, QList<SkinFile>& files)
{
    files.clear();
    QHash<QString, qsizetype> byName; // case-folded, as Windows compares file names
    const std::vector<Entry>& entries = directory.entries();
    // Names not marked as UTF-8 are in the code page of the Windows that zipped them,
    // Japanese for the skins we know.
    QStringDecoder windows("windows-31j");
    forEachSkinEntry(directory, [&](int index, Span base) {
        const Entry& entry = entries[size_t(index)];
        const QByteArray bytes(entry.name + base.from, base.length);
        windows.resetState();
        const QString name = entry.utf8 || !windows.isValid() ? QString::fromUtf8(bytes) : windows(bytes);
        const auto known = byName.constFind(name.toCaseFolded());
        if (known != byName.cend()) {
            files[*known].index = index; // the first spelling, the last one's bytes
            return;
        }
        byName.insert(name.toCaseFolded(), files.size());
        files.append({ index, name });
    });
    return true;
}

bool readEntry(int fd, qint64 fileSize, const Entry& entry, qint64 limit, QByteArray& out)
{
    out.clear();
    if (entry.encrypted() || entry.size > limit
        || (entry.method != stored && entry.method != deflated && entry.method != bzip2))
        return false;
    char header[localHeaderSize];
    if (qint64(entry.localOffset) + localHeaderSize > fileSize
        || !readAt(fd, header, localHeaderSize, entry.localOffset) || u32(header) != 0x04034b50)
        return false;
    const qint64 dataAt = qint64(entry.localOffset) + localHeaderSize + u16(header + 26) + u16(header + 28);
    if (dataAt + entry.compressedSize > fileSize)
        return false;
    out.resize(qsizetype(entry.size));
    if (entry.method == stored) {
        if (entry.compressedSize != entry.size || !readAt(fd, out.data(), entry.size, dataAt))
            return false;
    } else if (entry.method == bzip2) {
        if (!unbzip2(fd, dataAt, entry, out))
            return false;
    } else if (!inflateRaw(fd, dataAt, entry, out)) {
        return false;
    }
    if (quint32(libdeflate_crc32(0, out.constData(), size_t(out.size()))) != entry.crc) {
        out.clear();
        return false;
    }
    return true;
}

} // namespace ZipDirectory
