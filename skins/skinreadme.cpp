// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/skinreadme.h"

#include "skins/skinarchive.h"
#include "skins/skinscan.h"
#include "skins/zipreader.h"

#include <QFile>
#include <QStringDecoder>

#include <archive.h>
#include <archive_entry.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SkinReadme {

namespace {

bool isTextName(const QString& name)
{
    return name.size() > 4 && name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive);
}

// Non-blocking, so that a FIFO of such a name cannot hang the window.
int openRegular(int dirFd, const QByteArray& name, struct stat& st)
{
    const int fd = openat(dirFd, name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

QList<File> folderFiles(const QString& folder)
{
    QList<File> files;
    DIR* dir = opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return files;
    while (const dirent* entry = readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        struct stat st;
        if (isTextName(name) && fstatat(dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode))
            files.append({ name, qint64(st.st_size) });
    }
    closedir(dir);
    return files;
}

// The entries as the archive reader takes them: a single top-level folder is looked into.
QList<File> archiveFiles(const QString& archivePath)
{
    const ZipReader::Utf8Names utf8Names;
    ZipReader::Reader reader;
    struct stat st;
    const int fd = reader.adopt(openRegular(AT_FDCWD, QFile::encodeName(archivePath), st));
    if (fd < 0 || st.st_size > SkinArchive::maxArchiveBytes
        || archive_read_open_fd(reader.get(), fd, 16 * 1024) != ARCHIVE_OK)
        return {};
    QList<File> top, nested;
    QString onlyTop;
    bool severalTops = false;
    bool fileAtTop = false;
    QStringList components;
    for (int entries = 0;; ++entries) {
        archive_entry* entry = nullptr;
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status < ARCHIVE_WARN || entries >= SkinArchive::maxEntries)
            return {};
        // What the archive reader refuses to read from has no readme either.
        const auto type = archive_entry_filetype(entry);
        if (archive_entry_hardlink(entry) || archive_entry_symlink(entry) || (type != AE_IFREG && type != AE_IFDIR)
            || !SkinArchive::splitEntryName(ZipReader::entryName(entry), components))
            return {};
        if (components.isEmpty() || SkinArchive::isMacDetritus(components))
            continue;
        const QString first = components.first().toCaseFolded();
        if (onlyTop.isNull())
            onlyTop = first;
        else if (first != onlyTop)
            severalTops = true;
        fileAtTop = fileAtTop || (components.size() == 1 && type == AE_IFREG);
        const qint64 size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
        if (type != AE_IFREG || components.size() > 2 || !isTextName(components.last()) || size > maxBytes
            || archive_entry_is_encrypted(entry))
            continue;
        (components.size() == 1 ? top : nested).append({ components.last(), size });
    }
    return !severalTops && !fileAtTop && !onlyTop.isNull() ? nested : top;
}

bool isArchive(const QString& skinPath)
{
    const qsizetype nameStart = skinPath.lastIndexOf(QLatin1Char('/')) + 1;
    return SkinScan::isArchiveSkin(skinPath.left(nameStart), skinPath.mid(nameStart));
}

bool holdsJapanese(const QString& text)
{
    // A lone half-width kana is what a Western ©, ® or ° reads as: two in a row count.
    bool halfWidthKana = false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3000 && u <= 0x30ff) || (u >= 0x4e00 && u <= 0x9fff) || (u >= 0xff01 && u <= 0xff5e))
            return true;
        const bool kana = u >= 0xff61 && u <= 0xff9f;
        if (kana && halfWidthKana)
            return true;
        halfWidthKana = kana;
    }
    return false;
}

} // namespace

QString choose(const QList<File>& files)
{
    const File* best = nullptr;
    bool bestRead = false;
    for (const File& file : files) {
        if (!isTextName(file.name))
            continue;
        const QString lower = file.name.toLower();
        if (lower == QLatin1String("pledit.txt") || lower == QLatin1String("viscolor.txt")
            || lower == QLatin1String("region.txt"))
            continue;
        const bool read = lower.contains(QLatin1String("read"));
        if (!best || (read && !bestRead) || (read == bestRead && file.size > best->size)) {
            best = &file;
            bestRead = read;
        }
    }
    return best ? best->name : QString();
}

QList<File> filesOf(const QString& skinPath)
{
    return isArchive(skinPath) ? archiveFiles(skinPath) : folderFiles(skinPath + QLatin1Char('/'));
}

QString find(const QString& skinPath)
{
    return choose(filesOf(skinPath));
}

QByteArray read(const QString& skinPath, const QString& name)
{
    if (name.isEmpty())
        return {};
    if (isArchive(skinPath)) {
        const QString lower = name.toLower();
        return SkinArchive::readFiles(skinPath, { lower }, maxBytes).value(lower);
    }
    struct stat st;
    const int fd = openRegular(AT_FDCWD, QFile::encodeName(skinPath + QLatin1Char('/') + name), st);
    if (fd < 0)
        return {};
    QByteArray bytes(qsizetype(std::min<qint64>(st.st_size, maxBytes)), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (n <= 0)
            break;
        done += n;
    }
    ::close(fd);
    bytes.truncate(done);
    return bytes;
}

QString decode(const QByteArray& bytes)
{
    QString text;
    QStringDecoder utf8(QStringConverter::Utf8);
    text = utf8.decode(bytes);
    if (utf8.hasError()) {
        QStringDecoder cp932("windows-31j");
        const QString japanese = cp932.isValid() ? cp932.decode(bytes) : QString();
        if (cp932.isValid() && !cp932.hasError() && holdsJapanese(japanese)) {
            text = japanese;
        } else {
            QStringDecoder cp1252("windows-1252");
            text = cp1252.isValid() ? QString(cp1252.decode(bytes)) : QString::fromLatin1(bytes);
        }
    }
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace SkinReadme
