// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/wszunpack.h"

#include "platform/foldermove.h"
#include "skins/skinarchive.h"
#include "skins/skinscan.h"
#include "skins/zipdirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <utility>

namespace WszUnpack {

namespace {

struct Failure
{
    Problem problem = Problem::None;
    QString detail;
};

QString reason(const Failure& failure)
{
    switch (failure.problem) {
    case Problem::None:
        return {};
    case Problem::Unreadable:
        return QStringLiteral("ファイルを開けません。");
    case Problem::NotZip:
        return QStringLiteral("ZIP形式のファイルではありません。");
    case Problem::Damaged:
        return QStringLiteral("ファイルが壊れています。");
    case Problem::Encrypted:
        return QStringLiteral("暗号化されたファイルは展開できません。");
    case Problem::TooLarge:
        return QStringLiteral("展開後の大きさが上限（%1項目、%2MB）を超えています。")
            .arg(maxEntries)
            .arg(maxBytes / (1024 * 1024));
    case Problem::Zip64:
        return QStringLiteral("ZIP64形式のファイルには対応していません。");
    case Problem::NotASkin:
        return QStringLiteral("Skinではありません（main.bmp も Region.txt もありません）。");
    case Problem::WriteFailed:
        return QStringLiteral("展開したファイルを書き込めません（%1）。").arg(failure.detail);
    }
    return {};
}

QString writeErrorText(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("ディスクの空き容量が不足しています");
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("書き込みの権限がありません");
    case ENAMETOOLONG:
        return QStringLiteral("名前が長すぎます");
    default:
        return QStringLiteral("エラー番号 %1").arg(error);
    }
}

class Fd
{
public:
    explicit Fd(int fd = -1)
        : m_fd(fd)
    {
    }
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    void swap(Fd& other) { std::swap(m_fd, other.m_fd); }

private:
    int m_fd;
};

// A hidden working folder of skinFolder: the scan never lists it.
QString makeWorkFolder(int skinFolderFd)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = QStringLiteral(".hadrel-unpack-%1")
                                 .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
        if (mkdirat(skinFolderFd, QFile::encodeName(name).constData(), 0777) == 0)
            return name;
        if (errno != EEXIST)
            return {};
    }
    return {};
}

// Why a file the zip reader could not open is no skin: a zip starts with a local header,
// or, when empty, with the end record.
Problem unopenedZip(const QString& archivePath)
{
    QFile file(archivePath);
    if (!file.open(QIODevice::ReadOnly))
        return Problem::Unreadable;
    const QByteArray magic = file.read(4);
    if (magic == QByteArrayLiteral("PK\x03\x04"))
        return Problem::Damaged;
    if (magic == QByteArrayLiteral("PK\x05\x06"))
        return Problem::NotASkin;
    return Problem::NotZip;
}

Result failed(const Failure& failure, Error::Number number = Error::PathAccess)
{
    Result result;
    result.problem = failure.problem;
    result.error = RunError::fromNumber(number, reason(failure));
    return result;
}

// The limits of the pictures, applied before anything is inflated: the archive's size,
// and its records counted one by one.
Failure readDirectory(
    const QString& archivePath, int archiveFd, const struct stat& st, ZipDirectory::Directory& directory)
{
    if (!S_ISREG(st.st_mode))
        return { Problem::Unreadable, {} };
    if (st.st_size > SkinArchive::maxArchiveBytes)
        return { Problem::TooLarge, {} };
    switch (directory.read(archiveFd, st.st_size, maxEntries)) {
    case ZipDirectory::Status::ok:
        return {};
    case ZipDirectory::Status::notZip:
        return { unopenedZip(archivePath), {} };
    case ZipDirectory::Status::damaged:
        return { Problem::Damaged, {} };
    case ZipDirectory::Status::tooLarge:
        return { Problem::TooLarge, {} };
    case ZipDirectory::Status::zip64:
        return { Problem::Zip64, {} };
    }
    return { Problem::Damaged, {} };
}

bool isSkinFileName(const QString& name)
{
    return name.compare(QLatin1String("main.bmp"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("region.txt"), Qt::CaseInsensitive) == 0;
}

// The files Winamp would take out of the archive, checked before anything is written: a
// skin's, within the byte limit as the headers declare it.
Failure chooseFiles(const ZipDirectory::Directory& directory, QList<ZipDirectory::SkinFile>& files)
{
    ZipDirectory::skinFiles(directory, files);
    if (std::none_of(files.cbegin(), files.cend(), [](const auto& file) { return isSkinFileName(file.name); })) {
        const auto& entries = directory.entries();
        const bool locked = std::any_of(entries.cbegin(), entries.cend(), [](const auto& e) { return e.encrypted(); });
        return { locked ? Problem::Encrypted : Problem::NotASkin, {} };
    }
    qint64 declared = 0;
    for (const ZipDirectory::SkinFile& file : std::as_const(files)) {
        declared += directory.entries()[size_t(file.index)].size;
        if (declared > maxBytes)
            return { Problem::TooLarge, {} };
    }
    return {};
}

// The entry's DOS time stamp, local time as Windows keeps it.
time_t modified(const ZipDirectory::Entry& entry)
{
    tm local = {};
    local.tm_year = (entry.modifiedDate >> 9) + 80;
    local.tm_mon = ((entry.modifiedDate >> 5) & 15) - 1;
    local.tm_mday = entry.modifiedDate & 31;
    local.tm_hour = entry.modifiedTime >> 11;
    local.tm_min = (entry.modifiedTime >> 5) & 63;
    local.tm_sec = (entry.modifiedTime & 31) * 2;
    local.tm_isdst = -1;
    return mktime(&local);
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t done = ::write(fd, at, size_t(left));
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0)
            return false;
        at += done;
        left -= done;
    }
    return true;
}

// Writes the chosen files side by side into rootFd, a fresh folder of our own, each by its
// base name alone and created anew: nothing can land outside it, nor through a link.
Failure writeFiles(int archiveFd, qint64 archiveSize, const ZipDirectory::Directory& directory,
    const QList<ZipDirectory::SkinFile>& files, int rootFd)
{
    qint64 written = 0;
    for (const ZipDirectory::SkinFile& file : files) {
        const ZipDirectory::Entry& entry = directory.entries()[size_t(file.index)];
        QByteArray bytes;
        // Inflated into exactly the declared size: data running past it is refused.
        if (!ZipDirectory::readEntry(archiveFd, archiveSize, entry, maxBytes - written, bytes))
            return { written + entry.size > maxBytes ? Problem::TooLarge : Problem::Damaged, {} };
        written += bytes.size();
        const Fd out(openat(rootFd, QFile::encodeName(file.name).constData(),
            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!out.valid() || !writeAll(out.get(), bytes))
            return { Problem::WriteFailed, writeErrorText(errno) };
        const struct timespec times[2] = { { 0, UTIME_OMIT }, { modified(entry), 0 } };
        futimens(out.get(), times);
    }
    return {};
}

// Removes the folder name of parentFd and everything in it, one folder handle at a time:
// by path, a tree deeper than the system's path limit could not be removed. Links are
// removed, never followed. False when anything is left.
bool removeTreeAt(int parentFd, const QByteArray& name)
{
    QList<QByteArray> down { name }; // from name to the folder being emptied
    Fd current(openat(parentFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!current.valid())
        return errno == ENOENT;
    for (;;) {
        DIR* dir = fdopendir(dup(current.get()));
        if (!dir)
            return false;
        QByteArray subfolder;
        while (const dirent* entry = readdir(dir)) {
            const char* entryName = entry->d_name;
            if (strcmp(entryName, ".") == 0 || strcmp(entryName, "..") == 0)
                continue;
            struct stat st;
            const bool folder = entry->d_type == DT_DIR
                || (entry->d_type == DT_UNKNOWN && fstatat(current.get(), entryName, &st, AT_SYMLINK_NOFOLLOW) == 0
                    && S_ISDIR(st.st_mode));
            if (folder) {
                subfolder = entryName;
                break;
            }
            unlinkat(current.get(), entryName, 0);
        }
        closedir(dir);
        if (!subfolder.isEmpty()) {
            Fd next(openat(current.get(), subfolder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!next.valid())
                return false;
            down.append(subfolder);
            current.swap(next);
            continue;
        }
        // Emptied (or a file in it would not go, and the removal below says so).
        if (down.size() == 1)
            return unlinkat(parentFd, name.constData(), AT_REMOVEDIR) == 0;
        Fd up(openat(current.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!up.valid() || unlinkat(up.get(), down.takeLast().constData(), AT_REMOVEDIR) != 0)
            return false;
        current.swap(up);
    }
}

} // namespace

QString baseSkinName(const QString& archivePath)
{
    QString name = QFileInfo(archivePath).completeBaseName();
    // A leading dot would hide the skin from the list.
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    return name.isEmpty() ? QStringLiteral("Skin") : name;
}

Placed moveToFreeName(const QString& from, const QString& toFolder, const QString& name)
{
    for (int n = 1; n <= maxEntries; ++n) {
        const QString candidate = n == 1 ? name : QStringLiteral("%1 (%2)").arg(name).arg(n);
        const RunError error = FolderMove::moveInto(from, toFolder, candidate);
        if (!error)
            return { candidate, {} };
        if (error.number != Error::FileAlreadyExists)
            return { {}, error };
    }
    return { {}, RunError::fromNumber(Error::FileAlreadyExists) };
}

Result unpack(const QString& archivePath, const QString& skinFolder)
{
    // Non-blocking: a FIFO of the archive's name is refused, never waited on.
    const Fd archiveFd(open(QFile::encodeName(archivePath).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat st;
    if (skinFolder.isEmpty() || !archiveFd.valid() || fstat(archiveFd.get(), &st) != 0 || S_ISDIR(st.st_mode))
        return failed({ Problem::Unreadable, {} }, Error::FileNotFound);

    const Fd folderFd(open(QFile::encodeName(skinFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd.valid())
        return failed({ Problem::Unreadable, {} }, Error::FileNotFound);
    ZipDirectory::Directory directory;
    QList<ZipDirectory::SkinFile> files;
    Failure failure = readDirectory(archivePath, archiveFd.get(), st, directory);
    if (failure.problem == Problem::None)
        failure = chooseFiles(directory, files);
    if (failure.problem != Problem::None)
        return failed(failure);

    const QString workName = makeWorkFolder(folderFd.get());
    if (workName.isEmpty())
        return failed({ Problem::WriteFailed, writeErrorText(errno) });
    const QString workPath = skinFolder + workName;
    auto discard = [&] { return removeTreeAt(folderFd.get(), QFile::encodeName(workName)); };
    // A failure says so when even the work folder could not be taken away again.
    auto discarded = [&](Result result) {
        if (!discard())
            result.error.description += QStringLiteral("\n作業フォルダ %1 を削除できませんでした。").arg(workPath);
        return result;
    };
    {
        const Fd rootFd(openat(
            folderFd.get(), QFile::encodeName(workName).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!rootFd.valid())
            failure = { Problem::WriteFailed, writeErrorText(errno) };
        else
            failure = writeFiles(archiveFd.get(), st.st_size, directory, files, rootFd.get());
    }
    if (failure.problem != Problem::None)
        return discarded(failed(failure));

    const Placed placed = moveToFreeName(workPath, skinFolder, baseSkinName(archivePath));
    if (placed.error)
        return discarded(failed({ Problem::WriteFailed, placed.error.description }, placed.error.number));
    Result result;
    result.skinName = placed.name;
    return result;
}

} // namespace WszUnpack
