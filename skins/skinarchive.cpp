// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/skinarchive.h"

#include "skins/zipreader.h"

#include <QFile>

#include <archive.h>
#include <archive_entry.h>

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace SkinArchive {

namespace {

bool isDriveLetter(const QString& component)
{
    return component.size() == 2 && component[1] == QLatin1Char(':') && component[0].isLetter();
}

quint32 littleEndian(const uchar* p, int bytes)
{
    quint32 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

// libarchive reads a zip's whole central directory before the first entry: an archive
// announcing more entries than any skin has, or needing zip64, is refused before that.
bool directoryFits(int fd, qint64 fileSize)
{
    constexpr qint64 endRecord = 22;
    // The end record closes the file unless a comment follows it: a short read first.
    for (const qint64 wanted : { qint64(1024), endRecord + 0xffff }) {
        const qint64 tail = std::min(fileSize, wanted);
        QByteArray bytes(tail, Qt::Uninitialized);
        if (pread(fd, bytes.data(), size_t(tail), off_t(fileSize - tail)) != tail)
            return false;
        const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
        for (qint64 at = tail - endRecord; at >= 0; --at) {
            if (data[at] != 'P' || data[at + 1] != 'K' || data[at + 2] != 5 || data[at + 3] != 6)
                continue;
            const quint32 entries = littleEndian(data + at + 10, 2);
            const quint32 size = littleEndian(data + at + 12, 4);
            return entries <= quint32(maxEntries) && size != 0xffffffff;
        }
        if (tail == fileSize)
            break;
    }
    return false;
}

// The entry's data, or false when it is damaged or grows past limit. Taken straight out
// of libarchive's buffer into one allocation of the size the entry declares.
bool readData(archive* reader, archive_entry* entry, qint64 limit, QByteArray& out)
{
    if (archive_entry_size_is_set(entry))
        out.reserve(qsizetype(std::min<qint64>(archive_entry_size(entry), limit)));
    for (;;) {
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        const int status = archive_read_data_block(reader, &block, &size, &offset);
        if (status == ARCHIVE_EOF)
            return true;
        if (status < ARCHIVE_WARN || offset != out.size() || qint64(size) > limit - out.size())
            return false;
        out.append(static_cast<const char*>(block), qsizetype(size));
    }
}

struct Candidate
{
    int wanted; // index into the names asked for
    bool nested; // one folder down
    bool exact;
    QByteArray data;
};

} // namespace

bool isArchiveName(const char* fileName, size_t length)
{
    return length > 4 && fileName[length - 4] == '.'
        && (strncasecmp(fileName + length - 3, "wsz", 3) == 0 || strncasecmp(fileName + length - 3, "zip", 3) == 0);
}

bool isArchiveName(const QString& fileName)
{
    return fileName.size() > 4
        && (fileName.endsWith(QLatin1String(".wsz"), Qt::CaseInsensitive)
            || fileName.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive));
}

bool splitEntryName(QString name, QStringList& components)
{
    components.clear();
    if (name.size() > maxEntryNameLength)
        return false;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.startsWith(QLatin1Char('/')))
        return false;
    const QStringList parts = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (part == QLatin1String(".."))
            return false;
        if (part != QLatin1String("."))
            components.append(part);
    }
    if (components.size() > maxEntryDepth)
        return false;
    return components.isEmpty() || !isDriveLetter(components.first());
}

bool isMacDetritus(const QStringList& components)
{
    return !components.isEmpty() && components.first() == QLatin1String("__MACOSX");
}

QHash<QString, QByteArray> readFiles(const QString& archivePath, const QStringList& lowerNames, qint64 maxBytesEach)
{
    QHash<QString, QByteArray> result;
    if (lowerNames.isEmpty() || archivePath.isEmpty())
        return result;
    const ZipReader::Utf8Names utf8Names;
    ZipReader::Reader reader;
    // Non-blocking, so that a FIFO of an archive's name cannot hang the window.
    const int fd = reader.adopt(
        ::open(QFile::encodeName(archivePath).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 || st.st_size > maxArchiveBytes
        || !directoryFits(fd, st.st_size) || archive_read_open_fd(reader.get(), fd, 16 * 1024) != ARCHIVE_OK)
        return result;

    QList<Candidate> found;
    QString onlyTop; // the one top-level name, case-folded, while there is one
    bool severalTops = false;
    bool fileAtTop = false;
    QStringList components;
    for (int entries = 0;; ++entries) {
        archive_entry* entry = nullptr;
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status < ARCHIVE_WARN || entries >= maxEntries)
            return {};
        const auto type = archive_entry_filetype(entry);
        // What the import refuses shows nothing either.
        if (archive_entry_hardlink(entry) || archive_entry_symlink(entry) || (type != AE_IFREG && type != AE_IFDIR)
            || !splitEntryName(ZipReader::entryName(entry), components))
            return {};
        if (components.isEmpty() || isMacDetritus(components))
            continue;
        const QString top = components.first().toCaseFolded();
        if (onlyTop.isNull())
            onlyTop = top;
        else if (top != onlyTop)
            severalTops = true;
        fileAtTop = fileAtTop || (components.size() == 1 && type == AE_IFREG);
        if (type != AE_IFREG || components.size() > 2 || archive_entry_is_encrypted(entry))
            continue;

        const QString& last = components.last();
        const auto asked = std::find_if(lowerNames.cbegin(), lowerNames.cend(),
            [&last](const QString& name) { return last.compare(name, Qt::CaseInsensitive) == 0; });
        if (asked == lowerNames.cend())
            continue;
        Candidate candidate { int(asked - lowerNames.cbegin()), components.size() == 2, last == *asked, {} };
        // One exact file per name and level is all that can be chosen.
        const bool decided = std::any_of(found.cbegin(), found.cend(), [&candidate](const Candidate& c) {
            return c.wanted == candidate.wanted && c.nested == candidate.nested && (c.exact || !candidate.exact);
        });
        if (decided || (archive_entry_size_is_set(entry) && archive_entry_size(entry) > maxBytesEach))
            continue;
        if (readData(reader.get(), entry, maxBytesEach, candidate.data))
            found.append(std::move(candidate));
    }

    const bool nested = !severalTops && !fileAtTop && !onlyTop.isNull();
    for (int i = 0; i < lowerNames.size(); ++i) {
        const Candidate* chosen = nullptr;
        for (const Candidate& c : std::as_const(found)) {
            if (c.wanted == i && c.nested == nested && (!chosen || (c.exact && !chosen->exact)))
                chosen = &c;
        }
        if (chosen)
            result.insert(lowerNames.at(i), chosen->data);
    }
    return result;
}

QByteArray mainBitmap(const QString& archivePath)
{
    const QString name = QStringLiteral("main.bmp");
    return readFiles(archivePath, { name }, maxPictureBytes).value(name);
}

} // namespace SkinArchive
