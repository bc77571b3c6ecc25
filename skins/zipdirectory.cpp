// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/zipdirectory.h"

#include "skins/skinarchive.h"

#include <QStringDecoder>
#include <QVarLengthArray>

#include <bzlib.h>
#include <libdeflate.h>

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

struct Parts
{
    Span span[SkinArchive::maxEntryDepth];
    int count;
};

// The name's length as QString counts it, in UTF-16 code units.
int codeUnits(const Entry& entry)
{
    int units = 0;
    for (int at = 0; at < entry.nameLength; at += charLength(entry, at)) {
        const uchar c = uchar(entry.name[at]);
        if (!entry.utf8 || (c & 0xc0) != 0x80)
            units += entry.utf8 && c >= 0xf0 ? 2 : 1;
    }
    return units;
}

// The components of the entry's name as the reader and the unpacker take them apart:
// "\" and "/" both separate, "." and empty components are dropped. False for an absolute
// name, a drive letter, "..", or a name deeper or longer than a skin's. One tight pass:
// the scan runs it over every record of every archive.
bool splitName(const Entry& entry, Parts& parts)
{
    parts.count = 0;
    const auto* name = reinterpret_cast<const uchar*>(entry.name);
    const int length = entry.nameLength;
    if (length > 0 && (name[0] == '/' || name[0] == '\\'))
        return false;
    const bool cp932 = !entry.utf8;
    // Eight bytes at a time past those that are no separator (nor, in CP932, a lead byte).
    constexpr quint64 ones = 0x0101010101010101ull;
    constexpr quint64 highs = 0x8080808080808080ull;
    auto holds = [](quint64 word, uchar c) {
        const quint64 x = word ^ (ones * c);
        return (x - ones) & ~x & highs;
    };
    const quint64 nonAscii = cp932 ? highs : 0;
    int start = 0;
    for (int at = 0;; ++at) {
        for (quint64 word; at + 8 <= length; at += 8) {
            std::memcpy(&word, name + at, 8);
            if ((holds(word, '/') | holds(word, '\\') | (word & nonAscii)) != 0)
                break;
        }
        if (at < length && name[at] != '/' && name[at] != '\\') {
            // A CP932 lead byte takes its trail byte along, which may look like "\".
            if (cp932 && name[at] >= 0x81 && isLeadByte(name[at]) && at + 1 < length)
                ++at;
            continue;
        }
        const int size = at - start;
        if (size == 2 && name[start] == '.' && name[start + 1] == '.')
            return false;
        if (size > 0 && !(size == 1 && name[start] == '.')) {
            if (parts.count == SkinArchive::maxEntryDepth)
                return false;
            parts.span[parts.count++] = { start, size };
        }
        if (at >= length)
            break;
        start = at + 1;
    }
    // A name of no more bytes than the limit has no more code units either.
    if (length > SkinArchive::maxEntryNameLength && codeUnits(entry) > SkinArchive::maxEntryNameLength)
        return false;
    if (parts.count > 0 && parts.span[0].length == 2 && name[parts.span[0].from + 1] == ':') {
        const uchar c = name[parts.span[0].from] | 0x20;
        if (c >= 'a' && c <= 'z')
            return false;
    }
    return true;
}

uchar asciiLower(uchar c)
{
    return c >= 'A' && c <= 'Z' ? uchar(c + ('a' - 'A')) : c;
}

// Two components equal but for the case of ASCII letters. Only the bytes of one encoding
// are compared: a CP932 name and a UTF-8 one of the same text differ.
bool sameIgnoringCase(const Entry& a, Span sa, const Entry& b, Span sb)
{
    if (sa.length != sb.length || a.utf8 != b.utf8)
        return false;
    if (std::memcmp(a.name + sa.from, b.name + sb.from, size_t(sa.length)) == 0)
        return true;
    for (int i = 0; i < sa.length;) {
        const int length = charLength(a, sa.from + i);
        if (length == 2) {
            if (a.name[sa.from + i] != b.name[sb.from + i] || a.name[sa.from + i + 1] != b.name[sb.from + i + 1])
                return false;
        } else if (asciiLower(uchar(a.name[sa.from + i])) != asciiLower(uchar(b.name[sb.from + i]))) {
            return false;
        }
        i += length;
    }
    return true;
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
        entry.dosTime = u16(r + 12);
        entry.dosDate = u16(r + 14);
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

// Walks the skin's files as the pictures look for them: onFile(index, depth, last name
// component) for every unencrypted file at the top level (depth 0) or a folder down
// (depth 1). The depth the skin lies at, 1 when everything is in one top-level folder;
// -1 for an unsafe archive.
template<typename OnFile> int walkSkin(const Directory& directory, OnFile onFile)
{
    const std::vector<Entry>& entries = directory.entries();
    Parts parts;
    const Entry* firstTop = nullptr;
    Span firstTopSpan {};
    bool severalTops = false;
    bool fileAtTop = false;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        const Kind kind = kindOf(entry);
        if (kind == Kind::refused || !splitName(entry, parts))
            return -1;
        if (parts.count == 0)
            continue;
        const Span top = parts.span[0];
        if (top.length == 8 && std::memcmp(entry.name + top.from, "__MACOSX", 8) == 0)
            continue;
        if (!firstTop) {
            firstTop = &entry;
            firstTopSpan = top;
        } else if (!severalTops && !sameIgnoringCase(*firstTop, firstTopSpan, entry, top)) {
            severalTops = true;
        }
        if (kind != Kind::file)
            continue;
        fileAtTop = fileAtTop || parts.count == 1;
        if (parts.count > 2 || entry.encrypted())
            continue;
        onFile(int(i), parts.count - 1, parts.span[parts.count - 1]);
    }
    return firstTop && !severalTops && !fileAtTop ? 1 : 0;
}

} // namespace

bool chooseEntries(const Directory& directory, const QList<QByteArray>& lowerNames, QList<int>& chosen)
{
    const qsizetype count = lowerNames.size();
    // Per name: the last entry at the top level, and the last one a folder down.
    QVarLengthArray<int, 64> found(count * 2);
    std::fill(found.begin(), found.end(), -1);
    chosen.fill(-1, count);
    const std::vector<Entry>& entries = directory.entries();
    const int level = walkSkin(directory, [&](int index, int depth, Span last) {
        for (qsizetype n = 0; n < count; ++n) {
            if (isName(entries[size_t(index)], last, lowerNames[n]))
                found[n * 2 + depth] = index;
        }
    });
    if (level < 0)
        return false;
    for (qsizetype n = 0; n < count; ++n)
        chosen[n] = found[n * 2 + level];
    return true;
}

bool skinFiles(const Directory& directory, QList<SkinFile>& files)
{
    files.clear();
    QList<SkinFile> levels[2];
    const std::vector<Entry>& entries = directory.entries();
    const int level = walkSkin(directory, [&](int index, int depth, Span last) {
        const Entry& entry = entries[size_t(index)];
        const QByteArray bytes(entry.name + last.from, last.length);
        // Names not marked as UTF-8 are in the code page of the Windows that zipped them,
        // Japanese for the skins we know, as the unpacker takes them.
        QStringDecoder windows("windows-31j");
        levels[depth].append({ index, entry.utf8 || !windows.isValid() ? QString::fromUtf8(bytes) : windows(bytes) });
    });
    if (level < 0)
        return false;
    files = levels[level];
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
