// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/trash.h"

#include "platform/foldermove.h"
#include "platform/pathslash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <stdio.h>
#include <sys/stat.h>

namespace Trash {

QString homeTrash()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/Trash");
}

namespace {

// Qt 6.4 falls back to "./files" in the working folder when the home trash cannot be
// made (a fresh account has no ~/.local/share yet): make it first, or refuse.
RunError ensureHomeTrash()
{
    const QString trash = homeTrash();
    if (trash.isEmpty())
        return RunError::fromErrno(Error::PathAccess, ENOENT);
    if (QFileInfo(trash).isDir())
        return {};
    const QString data = QFileInfo(trash).path();
    if (!QDir().mkpath(data))
        return RunError::fromErrno(Error::PathAccess, errno, data);
    if (mkdir(QFile::encodeName(trash).constData(), 0700) != 0 && errno != EEXIST)
        return RunError::fromErrno(Error::PathAccess, errno, trash);
    return QFileInfo(trash).isDir() ? RunError() : RunError::fromErrno(Error::PathAccess, ENOTDIR, trash);
}

// The part of the user's trash that is there and no folder, or nothing: Qt says only that
// it could not move the file.
QString brokenPart()
{
    for (const QString& part : { QStringLiteral("/files"), QStringLiteral("/info") }) {
        const QFileInfo inside(homeTrash() + part);
        if ((inside.exists() || inside.isSymLink()) && !inside.isDir())
            return inside.filePath();
    }
    return {};
}

QString infoFileOf(const QString& inTrash)
{
    const QFileInfo trashed(inTrash);
    return trashed.dir().filePath(QStringLiteral("../info/")) + trashed.fileName() + QStringLiteral(".trashinfo");
}

// Qt 6.4 writes the original path unescaped, so a "%" in a name would send the restore
// elsewhere; the Trash format wants it URL-escaped.
void escapeInfoPath(const QString& inTrash, const QString& original)
{
    QFile info(infoFileOf(inTrash));
    if (!info.open(QIODevice::ReadOnly))
        return;
    QList<QByteArray> lines = info.readAll().split('\n');
    info.close();
    for (QByteArray& line : lines) {
        if (line.startsWith("Path="))
            line = "Path=" + QUrl::toPercentEncoding(original, "/");
    }
    if (info.open(QIODevice::WriteOnly | QIODevice::Truncate))
        info.write(lines.join('\n'));
}

} // namespace

RunError moveToTrash(const QString& path, QString* inTrash)
{
    const QString source = QFileInfo(withoutTrailingSlashes(path)).absoluteFilePath();
    struct stat st;
    if (path.isEmpty() || lstat(QFile::encodeName(source).constData(), &st) != 0)
        return RunError::fromErrno(Error::FileNotFound, path.isEmpty() ? ENOENT : errno);
    if (const RunError error = ensureHomeTrash())
        return error;

    QFile file(source);
    if (!file.moveToTrash()) {
        RunError error = RunError::fromNumber(Error::PathAccess);
        error.detail = file.errorString();
        error.path = brokenPart();
        return error;
    }
    const QString trashed = file.fileName();
    if (QFileInfo(trashed).isRelative()) {
        // No trash after all: put it back rather than leave it in the working folder.
        ::rename(QFile::encodeName(trashed).constData(), QFile::encodeName(source).constData());
        return RunError::fromErrno(Error::PathAccess, ENOENT);
    }
    escapeInfoPath(trashed, source);
    if (inTrash)
        *inTrash = trashed;
    return {};
}

QString originalPlace(const QString& inTrash)
{
    const QString trashed = withoutTrailingSlashes(inTrash);
    QFile info(infoFileOf(trashed));
    if (trashed.isEmpty() || !info.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> lines = info.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (!line.startsWith("Path="))
            continue;
        const QString path = QUrl::fromPercentEncoding(line.mid(5).trimmed());
        if (path.isEmpty())
            return {};
        // A file system's own trash may name the place from its top folder, above .Trash-uid.
        if (QFileInfo(path).isRelative())
            return QDir::cleanPath(QFileInfo(trashed).dir().filePath(QStringLiteral("../../") + path));
        return QDir::cleanPath(path);
    }
    return {};
}

RunError restoreFromTrash(const QString& inTrash)
{
    const QString trashed = withoutTrailingSlashes(inTrash);
    const QString original = originalPlace(trashed);
    struct stat st;
    if (original.isEmpty() || lstat(QFile::encodeName(trashed).constData(), &st) != 0)
        return RunError::fromErrno(Error::FileNotFound, ENOENT);
    if (const RunError error = FolderMove::moveFolder(trashed, original))
        return error;
    QFile::remove(infoFileOf(trashed));
    return {};
}

} // namespace Trash
