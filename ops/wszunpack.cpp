// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/wszunpack.h"

#include "platform/foldermove.h"
#include "skins/skinarchive.h"
#include "skins/skinscan.h"
#include "skins/zipdirectory.h"
#include "skins/zipreader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QStringList>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
    case Problem::Unsafe:
        return QStringLiteral("安全でない項目（絶対パス、「..」、リンク、深すぎる階層など）が含まれています: ")
            + failure.detail;
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

// Writes the entries of an open archive below rootFd, a fresh folder of our own. Every
// path is walked one component at a time, never following a link, so nothing can land
// outside it. With rootFd -1 it only checks the headers, so that a hostile archive is
// refused before anything is written.
class Writer
{
public:
    Writer(archive* reader, int rootFd)
        : m_reader(reader)
        , m_rootFd(rootFd)
    {
    }

    Failure run()
    {
        int entries = 0;
        for (;;) {
            archive_entry* entry = nullptr;
            const int status = archive_read_next_header(m_reader, &entry);
            if (status == ARCHIVE_EOF)
                return {};
            if (status < ARCHIVE_WARN)
                return { Problem::Damaged, {} };
            if (++entries > maxEntries)
                return { Problem::TooLarge, {} };
            const Failure failure = writeEntry(entry);
            if (failure.problem != Problem::None)
                return failure;
        }
    }

private:
    struct Known
    {
        QString path; // the spelling of the first entry
        bool directory;
    };

    Failure writeEntry(archive_entry* entry)
    {
        const QString name = ZipReader::entryName(entry);
        const auto type = archive_entry_filetype(entry);
        if (archive_entry_hardlink(entry) || archive_entry_symlink(entry) || (type != AE_IFREG && type != AE_IFDIR))
            return { Problem::Unsafe, name };
        QStringList components;
        // Also entries nested deeper or named longer than any skin needs: a work folder
        // that deep could not be removed by its path.
        if (!SkinArchive::splitEntryName(name, components))
            return { Problem::Unsafe, name.left(SkinArchive::maxEntryNameLength) };
        if (components.isEmpty() || SkinArchive::isMacDetritus(components))
            return {};
        if (archive_entry_is_encrypted(entry))
            return { Problem::Encrypted, {} };
        if (archive_entry_size_is_set(entry)) {
            m_declared += std::max<la_int64_t>(archive_entry_size(entry), 0);
            if (m_declared > maxBytes)
                return { Problem::TooLarge, {} };
        }
        if (m_rootFd < 0)
            return {};

        const bool directory = type == AE_IFDIR;
        const qsizetype folderCount = directory ? components.size() : components.size() - 1;
        Fd folder(dup(m_rootFd));
        QString path;
        for (qsizetype i = 0; i < folderCount; ++i) {
            path = extend(path, components[i]);
            const QString key = path.toCaseFolded();
            const auto known = m_known.constFind(key);
            if (known != m_known.cend()) {
                // Names equal but for case: the first entry's spelling wins.
                if (!known->directory)
                    return {};
                path = known->path;
            } else {
                const QByteArray bytes = QFile::encodeName(components[i]);
                if (mkdirat(folder.get(), bytes.constData(), 0777) != 0)
                    return { Problem::WriteFailed, writeErrorText(errno) };
                m_known.insert(key, { path, true });
            }
            const QByteArray bytes = QFile::encodeName(path.section(QLatin1Char('/'), -1));
            Fd next(openat(folder.get(), bytes.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!next.valid())
                return { Problem::WriteFailed, writeErrorText(errno) };
            folder.swap(next);
        }
        if (directory)
            return {};

        const QString filePath = extend(path, components.last());
        const QString key = filePath.toCaseFolded();
        const auto known = m_known.constFind(key);
        if (known != m_known.cend() && known->directory)
            return {}; // a folder of that name came first
        // Names equal but for case: the last entry's bytes under the first one's spelling,
        // as Winamp ends up with them on its case-blind disk, and as the pictures read it.
        const bool again = known != m_known.cend();
        const QByteArray bytes
            = QFile::encodeName(again ? known->path.section(QLatin1Char('/'), -1) : components.last());
        const int flags = again ? O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC
                                : O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
        Fd file(openat(folder.get(), bytes.constData(), flags, 0666));
        if (!file.valid())
            return { Problem::WriteFailed, writeErrorText(errno) };
        if (!again)
            m_known.insert(key, { filePath, false });
        const Failure failure = copyData(file.get());
        if (failure.problem != Problem::None)
            return failure;
        if (archive_entry_mtime_is_set(entry)) {
            const struct timespec times[2] = { { 0, UTIME_OMIT }, { archive_entry_mtime(entry), 0 } };
            futimens(file.get(), times);
        }
        return {};
    }

    // Counts the bytes really written: a header may claim anything.
    Failure copyData(int fd)
    {
        char buffer[64 * 1024];
        for (;;) {
            const la_ssize_t got = archive_read_data(m_reader, buffer, sizeof buffer);
            if (got == 0)
                return {};
            if (got < 0)
                return { Problem::Damaged, {} };
            if (got > maxBytes - m_written)
                return { Problem::TooLarge, {} };
            m_written += got;
            const char* at = buffer;
            la_ssize_t left = got;
            while (left > 0) {
                const ssize_t done = ::write(fd, at, size_t(left));
                if (done < 0) {
                    if (errno == EINTR)
                        continue;
                    return { Problem::WriteFailed, writeErrorText(errno) };
                }
                at += done;
                left -= done;
            }
        }
    }

    static QString extend(const QString& path, const QString& component)
    {
        return path.isEmpty() ? component : path + QLatin1Char('/') + component;
    }

    archive* m_reader;
    int m_rootFd;
    qint64 m_written = 0;
    qint64 m_declared = 0;
    QHash<QString, Known> m_known; // by case-folded path
};

// The one entry of folder, when it holds exactly one and that is a directory.
QString singleSubfolder(const QString& folder)
{
    const QDir dir(folder);
    const QFileInfoList entries
        = dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (entries.size() == 1 && entries.first().isDir() && !entries.first().isSymLink())
        return entries.first().fileName();
    return {};
}

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

// Reads the already opened archive from its start; archiveFd stays open.
Failure unpackInto(const QString& archivePath, int archiveFd, int rootFd)
{
    const ZipReader::Utf8Names utf8Names;
    ZipReader::Reader reader;
    const int fd = reader.adopt(dup(archiveFd));
    if (fd < 0 || lseek(fd, 0, SEEK_SET) != 0 || archive_read_open_fd(reader.get(), fd, 64 * 1024) != ARCHIVE_OK)
        return { unopenedZip(archivePath), {} };
    return Writer(reader.get(), rootFd).run();
}

// The limits of the pictures, applied before libarchive reads the whole directory into
// memory: the archive's size, and its records counted one by one.
Failure checkDirectory(const QString& archivePath, int archiveFd, const struct stat& st)
{
    if (!S_ISREG(st.st_mode))
        return { Problem::Unreadable, {} };
    if (st.st_size > SkinArchive::maxArchiveBytes)
        return { Problem::TooLarge, {} };
    ZipDirectory::Directory directory;
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
    Failure failure = checkDirectory(archivePath, archiveFd.get(), st);
    if (failure.problem == Problem::None)
        failure = unpackInto(archivePath, archiveFd.get(), -1);
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
            failure = unpackInto(archivePath, archiveFd.get(), rootFd.get());
    }
    if (failure.problem != Problem::None)
        return discarded(failed(failure));

    const QString inner = singleSubfolder(workPath);
    const QString skinRoot = inner.isEmpty() ? workPath : workPath + QLatin1Char('/') + inner;
    if (!SkinScan::isSkinFolder(skinRoot))
        return discarded(failed({ Problem::NotASkin, {} }));

    const Placed placed = moveToFreeName(skinRoot, skinFolder, baseSkinName(archivePath));
    if (placed.error)
        return discarded(failed({ Problem::WriteFailed, placed.error.description }, placed.error.number));
    discard(); // the empty working folder when flattened; the skin is in place either way
    Result result;
    result.skinName = placed.name;
    return result;
}

} // namespace WszUnpack
