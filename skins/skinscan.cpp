// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/skinscan.h"

#include "platform/attributes.h"
#include "platform/filelookup.h"
#include "platform/pathslash.h"
#include "platform/regularfile.h"
#include "skins/skinarchive.h"
#include "skins/zipdirectory.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <string>
#include <string_view>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace SkinScan {

namespace {

// The spellings that real skins use, most common first. Trying them costs a failed
// lookup each, far less than listing the skin folder.
constexpr const char* mainSpellings[] = { "main.bmp", "MAIN.BMP", "Main.bmp", "MAIN.bmp" };

// Whether path could be opened for reading, asked without opening it: one system call
// where an open needs two.
bool opens(int dirFd, const char* path)
{
    return faccessat(dirFd, path, R_OK, AT_EACCESS) == 0;
}

// Whether path (links followed) opens for reading and is not a folder, in one fstatat for
// a file of one's own: for its owner the kernel goes by the owner's read bit alone.
// Anything else asks the kernel.
bool readableFile(int dirFd, const char* path, uid_t user)
{
    struct stat st;
    if (fstatat(dirFd, path, &st, 0) != 0 || S_ISDIR(st.st_mode))
        return false;
    return (st.st_uid == user && (st.st_mode & S_IRUSR)) || opens(dirFd, path);
}

// Whether a listing entry named like a skin file opens as a file. The listing's type
// spares the fstat when it already says "regular file".
bool entryOpensAsFile(int dirFd, const char* name, unsigned char type)
{
    return type == DT_REG ? opens(dirFd, name) : FileLookup::readableFileAt(dirFd, name);
}

enum class Listing { found, notFound, unlisted };

// One listing of the skin folder looks for both files in any case at once. Read with
// getdents64 into a buffer on the stack: opendir would add two system calls and a
// 32 KB allocation per skin.
Listing listSkinFiles(int folderFd, const char* name)
{
    const int fd = openat(folderFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return Listing::unlisted;
    alignas(dirent64) char buffer[8192];
    bool found = false;
    while (!found) {
        const ssize_t length = getdents64(fd, buffer, sizeof buffer);
        if (length <= 0)
            break;
        for (ssize_t at = 0; at < length && !found;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            if (entry->d_type == DT_DIR)
                continue;
            if (strcasecmp(entry->d_name, "main.bmp") == 0 || strcasecmp(entry->d_name, "Region.txt") == 0)
                found = entryOpensAsFile(fd, entry->d_name, entry->d_type);
        }
    }
    close(fd);
    return found ? Listing::found : Listing::notFound;
}

// folder/name holds a main.bmp or a Region.txt, either in any case, that opens as a file:
// a folder of that name, or a link to one, never counts, whatever the link counts say.
bool isSkinAt(int folderFd, const char* name, size_t length, uid_t user)
{
    char path[PATH_MAX];
    if (length + sizeof("/Region.txt") > sizeof(path))
        return false;
    memcpy(path, name, length);
    path[length] = '/';
    for (const char* spelling : mainSpellings) {
        memcpy(path + length + 1, spelling, sizeof("main.bmp"));
        if (readableFile(folderFd, path, user))
            return true;
    }
    switch (listSkinFiles(folderFd, name)) {
    case Listing::found:
        return true;
    case Listing::notFound:
        return false;
    case Listing::unlisted:
        break;
    }
    // A folder that may be searched but not listed still answers for its exact name.
    memcpy(path + length + 1, "Region.txt", sizeof("Region.txt"));
    return FileLookup::readableFileAt(folderFd, path);
}

// The archive name of folderFd is a skin: a regular file, owner-writable (the attribute
// rule of folders), within the archive limits, whose directory names a main.bmp or a
// Region.txt as Winamp takes an archive's files. Only the end of the file is read, nothing
// is inflated; opened without blocking, so that a FIFO that slipped past the caller's type
// check cannot hang the scan, and without following a link.
bool isSkinArchiveAt(int folderFd, const char* name, ZipDirectory::Directory& directory)
{
    const int fd = openat(folderFd, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return false;
    struct stat st;
    const bool read = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) && st.st_size > 0
        && st.st_size <= SkinArchive::maxArchiveBytes
        && directory.read(fd, st.st_size, SkinArchive::maxEntries) == ZipDirectory::Status::ok;
    close(fd);
    static const QList<QByteArray> skinFiles { QByteArrayLiteral("main.bmp"), QByteArrayLiteral("region.txt") };
    thread_local QList<int> chosen;
    return read && ZipDirectory::chooseEntries(directory, skinFiles, chosen) && (chosen[0] >= 0 || chosen[1] >= 0);
}

// Appends value as UTF-8 would encode it (also for surrogate values): byte order of the
// encodings is the numeric order of the values.
void appendOrdered(std::string& out, char32_t value)
{
    if (value < 0x80) {
        out.push_back(char(value));
    } else if (value < 0x800) {
        out.push_back(char(0xc0 | value >> 6));
        out.push_back(char(0x80 | (value & 0x3f)));
    } else if (value < 0x10000) {
        out.push_back(char(0xe0 | value >> 12));
        out.push_back(char(0x80 | (value >> 6 & 0x3f)));
        out.push_back(char(0x80 | (value & 0x3f)));
    } else {
        out.push_back(char(0xf0 | value >> 18));
        out.push_back(char(0x80 | (value >> 12 & 0x3f)));
        out.push_back(char(0x80 | (value >> 6 & 0x3f)));
        out.push_back(char(0x80 | (value & 0x3f)));
    }
}

quint64 bigEndianAt(const std::string& bytes, size_t from, size_t end)
{
    quint64 v = 0;
    for (size_t i = from; i < from + 8; ++i)
        v = v << 8 | (i < end ? quint8(bytes[i]) : 0);
    return v;
}

// Appends name folded the way the sorted list compares it: code unit by code unit, a low
// surrogate together with its high one, into bytes that compare in that order.
void appendFolded(std::string& out, const QString& name)
{
    char16_t last = 0;
    for (const QChar ch : name) {
        const char16_t c = ch.unicode();
        if (c < 0x80)
            out.push_back(char(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c));
        else if (QChar::isLowSurrogate(c) && QChar::isHighSurrogate(last))
            appendOrdered(out, QChar::toCaseFolded(QChar::surrogateToUcs4(last, c)));
        else
            appendOrdered(out, QChar::toCaseFolded(char32_t(c)));
        last = c;
    }
}

bool isAscii(const char* s, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(s[i]) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

bool File_Exists(const QString& path)
{
    if (path.isEmpty())
        return false;
    QString p = path;
    if (p.endsWith(QLatin1Char('/')))
        p.chop(1);
    if (p.isEmpty())
        return false;
    // Opened only when it is a regular file: never waited on.
    const int fd = RegularFile::open(p);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool isSkinFolder(const QString& folder)
{
    const QByteArray path = QFile::encodeName(withoutTrailingSlashes(folder));
    return !path.isEmpty() && isSkinAt(AT_FDCWD, path.constData(), size_t(path.size()), true);
}

QString findSkinFile(const QString& skinFolder, const QString& fileName)
{
    return FileLookup::findIgnoringCase(skinFolder, fileName);
}

bool isArchiveSkin(const QString& skinFolder, const QString& name)
{
    struct stat st;
    return !name.isEmpty() && SkinArchive::isArchiveName(name)
        && lstat(QFile::encodeName(skinFolder + name).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isListedSkin(const QString& folder, const QString& name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')) || name.contains(QLatin1Char('/')))
        return false;
    const QByteArray raw = QFile::encodeName(name);
    const QByteArray path = QFile::encodeName(Path_Slash(folder.isEmpty() ? QStringLiteral(".") : folder)) + raw;
    struct stat st;
    if (lstat(path.constData(), &st) != 0)
        return false;
    if (S_ISREG(st.st_mode)) {
        ZipDirectory::Directory directory;
        return SkinArchive::isArchiveName(raw.constData(), size_t(raw.size()))
            && isSkinArchiveAt(AT_FDCWD, path.constData(), directory);
    }
    return Attributes::isPlainDirectory(raw.constData(), st)
        && isSkinAt(AT_FDCWD, path.constData(), size_t(path.size()), geteuid());
}

QString picturePath(const QString& skinFolder, const QString& name)
{
    if (name.isEmpty())
        return {};
    if (isArchiveSkin(skinFolder, name))
        return skinFolder + name;
    return findSkinFile(skinFolder + name + QLatin1Char('/'), QStringLiteral("main.bmp"));
}

void sortCaseBlind(QStringList& names)
{
    // QString's case-blind comparison folds both names afresh on every comparison. Each
    // name is folded once here; the first sixteen bytes sit in the key itself, so most
    // comparisons never leave it.
    struct Key
    {
        quint64 head[2];
        quint32 offset; // of all folded bytes in the arena
        quint32 length;
        quint32 index;
    };
    std::vector<Key> keys(size_t(names.size()));
    std::string arena;
    arena.reserve(size_t(names.size()) * 24);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString& name = names.at(i);
        const size_t offset = arena.size();
        appendFolded(arena, name);
        const size_t end = arena.size();
        keys[size_t(i)] = { { bigEndianAt(arena, offset, end), bigEndianAt(arena, offset + 8, end) }, quint32(offset),
            quint32(end - offset), quint32(i) };
    }
    const char* folded = arena.data();
    std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
        if (a.head[0] != b.head[0])
            return a.head[0] < b.head[0];
        if (a.head[1] != b.head[1])
            return a.head[1] < b.head[1];
        const int c
            = std::string_view(folded + a.offset, a.length).compare(std::string_view(folded + b.offset, b.length));
        return c != 0 ? c < 0 : names.at(a.index) < names.at(b.index);
    });
    QStringList sorted;
    sorted.reserve(names.size());
    for (const Key& key : keys)
        sorted.append(std::move(names[key.index]));
    names.swap(sorted);
}

bool lessCaseBlind(const QString& a, const QString& b)
{
    thread_local std::string foldedA, foldedB;
    foldedA.clear();
    foldedB.clear();
    appendFolded(foldedA, a);
    appendFolded(foldedB, b);
    const int c = foldedA.compare(foldedB);
    return c != 0 ? c < 0 : a < b;
}

QStringList listSkins(const QString& folder)
{
    QStringList names;
    if (folder.isEmpty())
        return names;
    DIR* dir = opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return names;
    const int fd = dirfd(dir);
    const uid_t user = geteuid();
    ZipDirectory::Directory directory;
    auto add = [&names](const char* raw, size_t length) {
        if (isAscii(raw, length)) {
            names.append(QString::fromLatin1(raw, qsizetype(length)));
            return;
        }
        const QByteArray bytes(raw, qsizetype(length));
        const QString name = QFile::decodeName(bytes);
        // A name that does not survive the trip through QString could not be moved or
        // renamed safely later.
        if (QFile::encodeName(name) == bytes)
            names.append(name);
    };
    while (const dirent* entry = readdir(dir)) {
        const char* raw = entry->d_name;
        // Hidden entries, "." and ".." included, are never skins.
        if (raw[0] == '.')
            continue;
        const size_t length = strlen(raw);
        // An archive is opened only when the listing's type (or an fstatat) says it is a
        // regular file, and then only its directory is read.
        const bool archive = SkinArchive::isArchiveName(raw, length);
        if (entry->d_type == DT_REG) {
            if (archive && isSkinArchiveAt(fd, raw, directory))
                add(raw, length);
            continue;
        }
        if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN)
            continue;
        struct stat st;
        if (fstatat(fd, raw, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(st.st_mode)) {
            if (archive && isSkinArchiveAt(fd, raw, directory))
                add(raw, length);
            continue;
        }
        if (Attributes::isPlainDirectory(raw, st) && isSkinAt(fd, raw, length, user))
            add(raw, length);
    }
    closedir(dir);
    sortCaseBlind(names);
    return names;
}

} // namespace SkinScan
