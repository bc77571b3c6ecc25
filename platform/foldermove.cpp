// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/foldermove.h"

#include "platform/pathslash.h"
#include "platform/regularfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FolderMove {

bool isPlainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

// target: the path a clash is with, named by the failure.
static RunError fromErrno(int error, const QString& target = {})
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return RunError::fromErrno(Error::FileNotFound, error);
    case EEXIST:
    case ENOTEMPTY:
        return RunError::fromErrno(Error::FileAlreadyExists, error, target);
    case EXDEV:
        return RunError::fromErrno(Error::RenameAcrossDisks, error);
    case ENOSPC:
    case EDQUOT:
        return RunError::fromErrno(Error::DiskFull, error);
    default:
        return RunError::fromErrno(Error::PathAccess, error);
    }
}

RunError moveFolder(const QString& from, const QString& to)
{
    if (from.isEmpty() || to.isEmpty())
        return RunError::fromNumber(Error::FileNotFound);
    const QByteArray source = QFile::encodeName(withoutTrailingSlashes(from));
    const QByteArray target = QFile::encodeName(withoutTrailingSlashes(to));
    struct stat st;
    if (lstat(source.constData(), &st) != 0)
        return RunError::fromErrno(
            errno == ENOENT || errno == ENOTDIR ? Error::FileNotFound : Error::PathAccess, errno);
    // rename() would replace an empty directory silently.
    if (renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return RunError::none();
    if (errno == EINVAL) {
        // File systems without RENAME_NOREPLACE (NFS, some FUSE) refuse the flag: look
        // first, then rename. A folder moved into itself fails the same way again.
        if (lstat(target.constData(), &st) == 0)
            return fromErrno(EEXIST, withoutTrailingSlashes(to));
        if (rename(source.constData(), target.constData()) == 0)
            return RunError::none();
    }
    return fromErrno(errno, withoutTrailingSlashes(to));
}

// Copies one regular file to the new path to with the permission bits mode, so that a
// full disk is told as such (QFile::copy keeps no errno).
static RunError copyFile(const QString& from, const QString& to, mode_t mode)
{
    const int in = RegularFile::open(from);
    if (in < 0)
        return fromErrno(errno);
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 0777);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return fromErrno(error);
    }
    char buffer[65536];
    int error = 0;
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            break;
        }
        for (ssize_t done = 0; done < got && !error;) {
            const ssize_t put = ::write(out, buffer + done, size_t(got - done));
            if (put < 0 && errno != EINTR)
                error = errno;
            else if (put > 0)
                done += put;
        }
        if (error)
            break;
    }
    ::close(in);
    // A full disk may only show when the data is written out.
    if (::close(out) != 0 && !error)
        error = errno;
    if (!error)
        return {};
    RunError failure = fromErrno(error);
    failure.detail = QStringLiteral("%1: %2").arg(from, failure.detail);
    return failure;
}

// Copies the tree at from to the new path to, keeping permission bits and links as links.
// Only regular files are read: a FIFO or a device would block or never end.
static RunError copyTree(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    struct stat st;
    if (lstat(source.constData(), &st) != 0)
        return fromErrno(errno);
    if (S_ISLNK(st.st_mode)) {
        char buffer[4096];
        const ssize_t size = readlink(source.constData(), buffer, sizeof buffer);
        if (size < 0 || size == ssize_t(sizeof buffer))
            return fromErrno(size < 0 ? errno : ENAMETOOLONG);
        if (symlink(QByteArray(buffer, size).constData(), target.constData()) != 0)
            return fromErrno(errno);
        return {};
    }
    if (S_ISREG(st.st_mode))
        return copyFile(from, to, st.st_mode);
    if (!S_ISDIR(st.st_mode)) {
        RunError error = RunError::fromNumber(Error::PathAccess);
        error.detail = QStringLiteral("%1 はコピーできない種類のファイルです").arg(from);
        return error;
    }
    if (mkdir(target.constData(), 0700) != 0 && errno != EEXIST)
        return fromErrno(errno);
    const QStringList entries
        = QDir(from).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (const RunError error = copyTree(from + QLatin1Char('/') + entry, to + QLatin1Char('/') + entry))
            return error;
    }
    if (chmod(target.constData(), st.st_mode & 07777) != 0)
        return fromErrno(errno);
    return {};
}

// Copies from to the new path to through a hidden folder beside to, which a failure
// removes again; checks first that to is free and not inside from, and when the source is
// to be moved, that it can be removed afterwards.
static RunError copyBeside(const QString& source, const QString& target, bool moving)
{
    struct stat st;
    if (source.isEmpty() || target.isEmpty() || lstat(QFile::encodeName(source).constData(), &st) != 0)
        return fromErrno(source.isEmpty() || target.isEmpty() ? ENOENT : errno);
    if (lstat(QFile::encodeName(target).constData(), &st) == 0)
        return fromErrno(EEXIST, target);
    // A folder copied into itself would never end.
    const QString inside = QFileInfo(QFileInfo(target).path()).canonicalFilePath() + QLatin1Char('/');
    if (inside.startsWith(QFileInfo(source).canonicalFilePath() + QLatin1Char('/')))
        return fromErrno(EINVAL);
    // A source we could not remove afterwards (a read-only disc) is refused before copying.
    if (moving && access(QFile::encodeName(QFileInfo(source).path()).constData(), W_OK) != 0)
        return fromErrno(errno);
    QTemporaryDir copy(QFileInfo(target).path() + QStringLiteral("/.hadrel-add-XXXXXX"));
    if (!copy.isValid())
        return fromErrno(errno);
    const QString made = copy.filePath(QStringLiteral("copy"));
    if (const RunError error = copyTree(source, made))
        return error;
    return moveFolder(made, target);
}

RunError moveAcross(const QString& from, const QString& to)
{
    const QString source = withoutTrailingSlashes(from);
    if (const RunError error = copyBeside(source, withoutTrailingSlashes(to), true))
        return error;
    if (!QDir(source).removeRecursively()) {
        RunError error = RunError::fromErrno(Error::PathAccess, errno);
        error.description = originalKept;
        return error;
    }
    return {};
}

RunError copyNew(const QString& from, const QString& to)
{
    return copyBeside(withoutTrailingSlashes(from), withoutTrailingSlashes(to), false);
}

RunError moveInto(const QString& fromPath, const QString& toFolder, const QString& name)
{
    if (!isPlainName(name))
        return RunError::fromNumber(Error::FileNotFound);
    return moveFolder(fromPath, toFolder + name);
}

} // namespace FolderMove
