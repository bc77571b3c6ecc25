// SPDX-License-Identifier: GPL-3.0-or-later
#include "index/skinreader.h"

#include "index/lookfeatures.h"
#include "platform/attributes.h"
#include "platform/regularfile.h"
#include "skins/skinarchive.h"
#include "skins/skinfiles.h"
#include "skins/skinreadme.h"
#include "skins/skinscan.h"
#include "skins/winamplook.h"
#include "skins/zipdirectory.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QScopeGuard>

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__x86_64__)
#include <xxh_x86dispatch.h> // the same hashes, with the processor's widest vectors
#else
#include <xxhash.h>
#endif

#include <algorithm>
#include <climits>
#include <cstring>

namespace SkinReader {

namespace {

// A folder's subfolders are looked into this deep for programs, and no further.
constexpr int maxProgramDepth = 4;
constexpr int maxFolderEntries = 10000;

// The files Winamp reads of a skin: every bitmap and cursor, its three texts; PNGs, which
// later Winamps read in place of the bitmaps, count too.
bool isSkinFileName(const QString& lower)
{
    return lower.endsWith(QLatin1String(".bmp")) || lower.endsWith(QLatin1String(".png"))
        || lower.endsWith(QLatin1String(".cur")) || lower.endsWith(QLatin1String(".ani"))
        || lower == QLatin1String("pledit.txt") || lower == QLatin1String("viscolor.txt")
        || lower == QLatin1String("region.txt");
}

quint32 contentsOf(const QHash<QString, QByteArray>& files)
{
    quint32 flags = 0;
    auto has = [&](const char* name, quint32 flag) {
        if (files.contains(QLatin1String(name)))
            flags |= flag;
    };
    has("main.bmp", SkinContent::mainWindow);
    has("eqmain.bmp", SkinContent::equalizer);
    has("pledit.bmp", SkinContent::playlist);
    has("region.txt", SkinContent::region);
    has("gen.bmp", SkinContent::gen);
    has("video.bmp", SkinContent::video);
    has("avs.bmp", SkinContent::avs);
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (it.key().endsWith(QLatin1String(".cur")) || it.key().endsWith(QLatin1String(".ani")))
            flags |= SkinContent::cursors;
    }
    return flags;
}

// 128 bits of XXH3: skins that differ are never taken for the same by chance; a crafted
// collision would only group two skins for the user to look at.
struct Hash128
{
    quint64 a, b;
    bool operator<(const Hash128& o) const { return a != o.a ? a < o.a : b < o.b; }
};

Hash128 hash128(QByteArrayView bytes, quint64 seed)
{
    const XXH128_hash_t h = XXH3_128bits_withSeed(bytes.data(), size_t(bytes.size()), seed);
    return { h.low64, h.high64 };
}

// Order-independent: the same files, however archived or spelled, hash alike.
QByteArray contentHash(const QHash<QString, QByteArray>& files)
{
    std::vector<Hash128> digests;
    digests.reserve(size_t(files.size()));
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const Hash128 name = hash128(QByteArrayView(it.key().toUtf8()), 0);
        digests.push_back(hash128(it.value(), name.a ^ name.b));
    }
    std::sort(digests.begin(), digests.end());
    const Hash128 all = hash128(QByteArrayView(reinterpret_cast<const char*>(digests.data()),
                                    qsizetype(digests.size() * sizeof(Hash128))),
        quint64(digests.size()));
    return QByteArray(reinterpret_cast<const char*>(&all), sizeof all);
}

// A bitmap the skin ships only as a PNG is drawn from the PNG.
SkinFiles pictureFiles(const QHash<QString, QByteArray>& files)
{
    SkinFiles pictures(files);
    static const QStringList names = WinampLook::mainWindowFileNames();
    for (const QString& name : names) {
        if (!name.endsWith(QLatin1String(".bmp")) || files.contains(name))
            continue;
        const QByteArray png = files.value(name.chopped(4) + QLatin1String(".png"));
        QImage image;
        if (png.isEmpty() || !image.loadFromData(png, "PNG"))
            continue;
        QByteArray bmp;
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        if (image.convertToFormat(QImage::Format_RGB32).save(&buffer, "BMP"))
            pictures.insert(name, bmp);
    }
    return pictures;
}

void describeLook(Read& read, const QHash<QString, QByteArray>& files)
{
    SkinRecord& r = read.record;
    r.contents |= contentsOf(files);
    const QByteArray hash = contentHash(files);
    std::copy(hash.begin(), hash.end(), r.contentHash.begin());
    const QImage look = WinampLook::mainWindow(pictureFiles(files));
    const LookFeatures::Summary summary
        = LookFeatures::summarise(look, SkinRecord::thumbWidth, SkinRecord::thumbHeight, r.colours, r.shares);
    r.lookHash = summary.hash;
    read.thumbnail = summary.thumbnail;
}

// A file the listing found, opened without blocking and without following a link, in case
// it was replaced meanwhile: a pipe then reads nothing at once, a folder fails.
int openListed(int dirFd, const char* name)
{
    return openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
}

// A file the listing found regular, of the size it gave: those bytes, or fewer if it
// shrank.
QByteArray readFile(int dirFd, const char* name, qint64 size)
{
    if (size <= 0)
        return {};
    const int fd = openListed(dirFd, name);
    if (fd < 0)
        return {};
    const QByteArray bytes = RegularFile::readUpTo(fd, size);
    ::close(fd);
    return bytes;
}

qint64 msOf(const struct timespec& t)
{
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// The stamp, mixed as a hash would: any change of any field moves the number.
quint64 stir(quint64 h, quint64 v)
{
    return (h ^ v) * 0x100000001b3ULL + (h >> 29);
}

quint64 nsOf(const struct timespec& t)
{
    return quint64(t.tv_sec) * 1000000000ULL + quint64(t.tv_nsec);
}

quint64 entryStamp(const struct stat& st)
{
    quint64 h = 0xcbf29ce484222325ULL;
    h = stir(h, quint64(st.st_mode));
    h = stir(h, quint64(st.st_size));
    return stir(h, nsOf(st.st_mtim));
}

quint64 withKeyFile(quint64 h, qint64 size, const struct timespec& modified)
{
    return stir(stir(h, quint64(size)), nsOf(modified));
}

qint64 finished(quint64 h)
{
    return qint64(h == 0 ? 1 : h);
}

// Programs anywhere under dirFd, as far as maxProgramDepth.
bool holdsPrograms(int dirFd, int depth, int& budget)
{
    DIR* dir = fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return false;
    }
    bool found = false;
    while (const dirent* entry = readdir(dir)) {
        if (--budget < 0 || found)
            break;
        const char* name = entry->d_name;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
            continue;
        struct stat st;
        if (fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(st.st_mode))
            found = isProgramName(name, strlen(name));
        else if (S_ISDIR(st.st_mode) && depth < maxProgramDepth) {
            const int sub = openat(dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            found = sub >= 0 && holdsPrograms(sub, depth + 1, budget);
        }
    }
    closedir(dir);
    return found;
}

// Whether the listing alone shows a folder to be a skin: a main.bmp or Region.txt of one's
// own, readable, in any case. Anything else is left to the listing's own rule.
bool showsSkin(const char* name, const struct stat& st)
{
    return (strcasecmp(name, "main.bmp") == 0 || strcasecmp(name, "region.txt") == 0) && S_ISREG(st.st_mode)
        && (st.st_mode & S_IRUSR) && st.st_uid == geteuid();
}

// dirFd: the folder at path, already open, or -1; closed here.
void readFolder(Read& read, const QString& path, int dirFd)
{
    SkinRecord& r = read.record;
    if (dirFd < 0)
        dirFd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dirFd < 0)
        return;
    DIR* dir = fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return;
    }
    struct Chosen
    {
        QByteArray raw;
        bool exact = false;
        struct timespec modified = {};
        qint64 size = 0;
        QByteArray bytes;
    };
    QHash<QString, Chosen> chosen; // by lower-case name
    QList<SkinReadme::File> texts;
    bool subfolders = false;
    int budget = maxFolderEntries;
    while (const dirent* entry = readdir(dir)) {
        if (--budget < 0)
            break;
        const char* raw = entry->d_name;
        const size_t length = strlen(raw);
        if (raw[0] == '.' && (length == 1 || (length == 2 && raw[1] == '.')))
            continue;
        if (entry->d_type == DT_DIR) {
            subfolders = true;
            continue;
        }
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN)
            continue;
        const QString name = QFile::decodeName(QByteArray(raw, qsizetype(length)));
        const QString lower = name.toLower();
        // As SkinFiles finds a file: the exact lower-case spelling first, else the first listed.
        const bool exact = name == lower;
        auto it = chosen.find(lower);
        const bool wanted = isSkinFileName(lower) && (it == chosen.end() || (exact && !it->exact));
        // A file to be read is opened first and asked for its kind and size: one look-up of
        // its name, not two.
        struct stat st;
        int fd = -1;
        if (wanted && entry->d_type == DT_REG) {
            fd = openListed(dirFd, raw);
            if (fd >= 0 && fstat(fd, &st) != 0) {
                ::close(fd);
                fd = -1;
            }
        }
        if (fd < 0 && fstatat(dirFd, raw, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const auto closeFile = qScopeGuard([fd] {
            if (fd >= 0)
                ::close(fd);
        });
        if (S_ISDIR(st.st_mode)) {
            subfolders = true;
            continue;
        }
        if (!S_ISREG(st.st_mode))
            continue;
        read.listed = read.listed || showsSkin(raw, st);
        r.size += st.st_size;
        if (isProgramName(raw, length))
            r.contents |= SkinContent::programs;
        if (lower.endsWith(QLatin1String(".txt")))
            texts.append({ name, qint64(st.st_size) });
        if (!wanted || st.st_size > SkinFiles::maxBytesEach)
            continue;
        QByteArray bytes;
        if (fd >= 0)
            bytes = RegularFile::readUpTo(fd, st.st_size);
        else if (entry->d_type == DT_UNKNOWN)
            bytes = readFile(dirFd, raw, st.st_size);
        chosen.insert(lower, { QByteArray(raw, qsizetype(length)), exact, st.st_mtim, qint64(st.st_size), bytes });
    }
    QHash<QString, QByteArray> files;
    for (auto it = chosen.cbegin(); it != chosen.cend(); ++it) {
        if (it->bytes.isEmpty())
            continue;
        files.insert(it.key(), it->bytes);
        read.bytesRead += it->bytes.size();
        r.skinDate = std::max(r.skinDate, msOf(it->modified) / 1000);
    }
    for (const char* key : { "main.bmp", "region.txt" }) {
        const auto it = chosen.constFind(QLatin1String(key));
        if (read.keyFile.isEmpty() && it != chosen.cend()) {
            read.keyFile = QFile::decodeName(it->raw);
            read.stamp = qint64(withKeyFile(quint64(read.stamp), it->size, it->modified));
        }
    }
    r.readme = SkinReadme::choose(texts);
    if (!r.readme.isEmpty()) {
        qint64 size = 0;
        for (const SkinReadme::File& text : std::as_const(texts))
            size = text.name == r.readme ? text.size : size;
        const QByteArray bytes
            = readFile(dirFd, QFile::encodeName(r.readme).constData(), std::min(size, SkinReadme::maxBytes));
        read.bytesRead += bytes.size();
        read.readmeText = SkinReadme::decode(bytes);
    }
    if (subfolders && !(r.contents & SkinContent::programs)) {
        budget = maxFolderEntries;
        const int again = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (again >= 0 && holdsPrograms(again, 0, budget))
            r.contents |= SkinContent::programs;
    }
    closedir(dir);
    describeLook(read, files);
}

// The DOS date of an entry, taken as UTC: the zipping machine's zone is not recorded, and
// the year is what counts.
qint64 secondsOf(const ZipDirectory::Entry& entry)
{
    const QDate date(1980 + (entry.modifiedDate >> 9), (entry.modifiedDate >> 5) & 15, entry.modifiedDate & 31);
    const QTime time((entry.modifiedTime >> 11) & 31, (entry.modifiedTime >> 5) & 63, (entry.modifiedTime & 31) * 2);
    if (!date.isValid() || !time.isValid())
        return 0;
    return QDateTime(date, time, Qt::UTC).toSecsSinceEpoch();
}

// The listing's rule for an archive, on the one reading of its directory: a regular file,
// owner-writable, within the archive limits, naming a main.bmp or a Region.txt.
bool isSkinArchive(int fd, qint64& size, ZipDirectory::Directory& directory)
{
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !(st.st_mode & S_IWUSR) || st.st_size <= 0
        || st.st_size > SkinArchive::maxArchiveBytes)
        return false;
    size = st.st_size;
    if (directory.read(fd, size, SkinArchive::maxEntries) != ZipDirectory::Status::ok)
        return false;
    static const QList<QByteArray> skinFiles { QByteArrayLiteral("main.bmp"), QByteArrayLiteral("region.txt") };
    thread_local QList<int> chosen;
    return ZipDirectory::chooseEntries(directory, skinFiles, chosen) && (chosen[0] >= 0 || chosen[1] >= 0);
}

void readArchive(Read& read, const QString& path)
{
    SkinRecord& r = read.record;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return;
    qint64 size = 0;
    ZipDirectory::Directory directory;
    read.listed = isSkinArchive(fd, size, directory);
    if (!read.listed) {
        ::close(fd);
        return;
    }
    r.size = size;
    QList<ZipDirectory::SkinFile> skinFiles;
    QHash<QString, QByteArray> files;
    if (ZipDirectory::skinFiles(directory, skinFiles)) {
        for (const ZipDirectory::Entry& entry : directory.entries()) {
            if (ZipDirectory::kindOf(entry) == ZipDirectory::Kind::file
                && isProgramName(entry.name, size_t(entry.nameLength)))
                r.contents |= SkinContent::programs;
        }
        // Of several spellings the last, as Winamp ends up with after unpacking.
        QHash<QString, int> chosen;
        QList<SkinReadme::File> texts;
        for (const ZipDirectory::SkinFile& file : std::as_const(skinFiles)) {
            const QString lower = file.name.toLower();
            if (isSkinFileName(lower))
                chosen.insert(lower, file.index);
            const ZipDirectory::Entry& entry = directory.entries()[size_t(file.index)];
            if (lower.endsWith(QLatin1String(".txt")) && entry.size <= SkinReadme::maxBytes)
                texts.append({ file.name, qint64(entry.size) });
        }
        qint64 budget = SkinArchive::maxInflatedBytes;
        for (auto it = chosen.cbegin(); it != chosen.cend(); ++it) {
            const ZipDirectory::Entry& entry = directory.entries()[size_t(it.value())];
            QByteArray bytes;
            if (budget > 0
                && ZipDirectory::readEntry(fd, size, entry, std::min(SkinFiles::maxBytesEach, budget), bytes)
                && !bytes.isEmpty()) {
                budget -= bytes.size();
                read.bytesRead += bytes.size();
                files.insert(it.key(), bytes);
                r.skinDate = std::max(r.skinDate, secondsOf(entry));
            }
        }
        r.readme = SkinReadme::choose(texts);
        for (auto file = skinFiles.crbegin(); !r.readme.isEmpty() && file != skinFiles.crend(); ++file) {
            if (file->name != r.readme)
                continue;
            QByteArray bytes;
            ZipDirectory::readEntry(fd, size, directory.entries()[size_t(file->index)], SkinReadme::maxBytes, bytes);
            read.bytesRead += bytes.size();
            read.readmeText = SkinReadme::decode(bytes);
            break;
        }
    }
    ::close(fd);
    describeLook(read, files);
}

} // namespace

bool isProgramName(const char* name, size_t length)
{
    // Every suffix is a dot and two or three letters: the name's own, in lower case, is
    // compared as one number with each.
    size_t dot = length;
    while (dot > 0 && length - dot < 4 && name[dot - 1] != '.')
        --dot;
    if (dot < 2 || name[dot - 1] != '.' || length - dot < 2 || length - dot > 3)
        return false;
    quint32 suffix = 0;
    for (size_t i = dot; i < length; ++i)
        suffix = suffix << 8 | quint8(name[i] >= 'A' && name[i] <= 'Z' ? name[i] | 0x20 : name[i]);
    static constexpr auto number = [](const char* s) {
        quint32 n = 0;
        for (; *s; ++s)
            n = n << 8 | quint8(*s);
        return n;
    };
    static constexpr quint32 suffixes[] = { number("exe"), number("dll"), number("scr"), number("bat"),
        number("cmd"), number("com"), number("pif"), number("vbs"), number("vbe"), number("js"), number("jse"),
        number("wsf"), number("wsh"), number("ps1"), number("msi"), number("hta"), number("cpl"), number("lnk"),
        number("jar"), number("reg"), number("sys"), number("ocx") };
    return std::find(std::begin(suffixes), std::end(suffixes), suffix) != std::end(suffixes);
}

Read read(const QString& folder, const QString& name)
{
    const QString path = folder + name;
    const QByteArray encoded = QFile::encodeName(path);
    // The listing's rule, applied on what reading the skin finds anyway.
    const bool named = !name.isEmpty() && !name.startsWith(QLatin1Char('.')) && !name.contains(QLatin1Char('/'));
    // A folder is opened at once and asked for its stamp: one look-up of its name, not two.
    const int dirFd = named ? ::open(encoded.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC) : -1;
    struct stat st;
    if (dirFd >= 0 ? fstat(dirFd, &st) != 0 : lstat(encoded.constData(), &st) != 0) {
        if (dirFd >= 0)
            ::close(dirFd);
        return Read();
    }
    // Taken before the read: a change while it reads shows at the next update.
    Read unlisted;
    unlisted.stamp = finished(entryStamp(st));
    if (!named)
        return unlisted;
    Read result;
    result.stamp = qint64(entryStamp(st));
    SkinRecord& r = result.record;
    r.folder = folder;
    r.name = name;
    const QByteArray raw = QFile::encodeName(name);
    r.archive = S_ISREG(st.st_mode);
    if (r.archive) {
        if (SkinArchive::isArchiveName(raw.constData(), size_t(raw.size())))
            readArchive(result, path);
    } else if (Attributes::isPlainDirectory(raw.constData(), st)) {
        readFolder(result, path, dirFd);
        // A skin file that is a link, or not one's own, is judged as the listing judges it.
        result.listed = result.listed || SkinScan::isListedSkin(folder, name);
    } else if (dirFd >= 0) {
        ::close(dirFd);
    }
    if (!result.listed)
        return unlisted;
    result.stamp = finished(quint64(result.stamp));
    r.modified = std::max(msOf(st.st_mtim), r.skinDate * 1000);
    return result;
}

qint64 stamp(int folderFd, QByteArrayView rawName, QByteArrayView rawKeyFile)
{
    // Both paths made here, on the stack: this runs once per entry of every folder.
    char path[PATH_MAX];
    if (rawName.size() >= qsizetype(sizeof path))
        return 0;
    std::memcpy(path, rawName.data(), size_t(rawName.size()));
    path[rawName.size()] = '\0';
    struct stat st;
    if (fstatat(folderFd, path, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return 0;
    quint64 h = entryStamp(st);
    if (S_ISDIR(st.st_mode) && !rawKeyFile.isEmpty()) {
        struct stat key;
        const qsizetype length = rawName.size() + 1 + rawKeyFile.size();
        if (length < qsizetype(sizeof path)) {
            path[rawName.size()] = '/';
            std::memcpy(path + rawName.size() + 1, rawKeyFile.data(), size_t(rawKeyFile.size()));
            path[length] = '\0';
        }
        if (length < qsizetype(sizeof path) && fstatat(folderFd, path, &key, AT_SYMLINK_NOFOLLOW) == 0)
            h = withKeyFile(h, key.st_size, key.st_mtim);
        else
            h = stir(h, 1);
    }
    return finished(h);
}

} // namespace SkinReader
