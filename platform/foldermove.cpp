// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/foldermove.h"

#include "platform/pathslash.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

namespace FolderMove {

bool isPlainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

static RunError fromErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return RunError::fromNumber(Error::FileNotFound);
    case EEXIST:
    case ENOTEMPTY:
        return RunError::fromNumber(Error::FileAlreadyExists);
    case EXDEV:
        return RunError::fromNumber(Error::RenameAcrossDisks);
    default:
        return RunError::fromNumber(Error::PathAccess);
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
        return RunError::fromNumber(errno == ENOENT || errno == ENOTDIR ? Error::FileNotFound : Error::PathAccess);
    // rename() would replace an empty directory silently.
    if (renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return RunError::none();
    if (errno == EINVAL) {
        // File systems without RENAME_NOREPLACE (NFS, some FUSE) refuse the flag: look
        // first, then rename. A folder moved into itself fails the same way again.
        if (lstat(target.constData(), &st) == 0)
            return RunError::fromNumber(Error::FileAlreadyExists);
        if (rename(source.constData(), target.constData()) == 0)
            return RunError::none();
    }
    return fromErrno(errno);
}

RunError moveInto(const QString& fromPath, const QString& toFolder, const QString& name)
{
    if (!isPlainName(name))
        return RunError::fromNumber(Error::FileNotFound);
    return moveFolder(fromPath, toFolder + name);
}

} // namespace FolderMove
