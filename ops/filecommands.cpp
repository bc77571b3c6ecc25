// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/filecommands.h"

#include "platform/foldermove.h"
#include "platform/pathslash.h"
#include "platform/trash.h"
#include "skins/skinarchive.h"
#include "skins/skinscan.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>

namespace FileCommands {

QString chosenName(const QString& chosenPath)
{
    const QString path = withoutTrailingSlashes(chosenPath);
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

AddCheck checkAdd(const QString& chosenPath, const QString& skinFolder)
{
    const QString path = QFileInfo(withoutTrailingSlashes(chosenPath)).absoluteFilePath();
    const QString name = chosenName(path);
    if (!skinFolder.isEmpty()) {
        const QString target = QFileInfo(skinFolder).canonicalFilePath() + QLatin1Char('/');
        const QString chosen = QFileInfo(path).canonicalFilePath();
        if (!chosen.isEmpty() && target.startsWith(Path_Slash(chosen)))
            return { Addable::SkinFolder, {} };
    }
    if (!name.isEmpty() && SkinScan::isListedSkin(Path_Slash(QFileInfo(path).path()), name))
        return { Addable::Skin, {} };
    const QFileInfo info(path);
    if (!name.isEmpty() && info.isDir() && !info.isSymLink()) {
        const QStringList skins = SkinScan::listSkins(Path_Slash(path));
        if (!skins.isEmpty())
            return { Addable::Collection, skins };
    }
    return { Addable::NoSkin, {} };
}

RunError addSkin(const QString& chosenPath, const QString& skinFolder)
{
    if (skinFolder.isEmpty())
        return RunError::fromNumber(Error::FileNotFound);
    if (checkAdd(chosenPath, skinFolder).kind != Addable::Skin)
        return RunError::fromNumber(Error::PathAccess, notASkin);
    const QString name = chosenName(chosenPath);
    RunError added = FolderMove::moveInto(chosenPath, skinFolder, name);
    if (added.number == Error::RenameAcrossDisks && QFileInfo(chosenPath).isDir())
        added = FolderMove::moveAcross(chosenPath, skinFolder + name);
    if (!added || added.description == FolderMove::originalKept)
        markJustAdded(skinFolder + name);
    return added;
}

void markJustAdded(const QString& path)
{
    // A rename keeps a folder's modification time, so a skin moved in would sort among
    // the old ones newest first. Only the folder's own time changes, never its files'.
    const timespec times[2] = { { 0, UTIME_OMIT }, { 0, UTIME_NOW } };
    utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW);
}

RunError deleteSkin(const QString& skinFolder, const QString& name, QString* inTrash)
{
    if (skinFolder.isEmpty() || !FolderMove::isPlainName(name))
        return RunError::fromNumber(Error::FileNotFound);
    return Trash::moveToTrash(skinFolder + name, inTrash);
}

QString renamedName(const QString& skinFolder, const QString& oldName, const QString& newName)
{
    // ".", ".." and the like stay as typed, to be refused as for a folder.
    if (!FolderMove::isPlainName(newName) || SkinArchive::isArchiveName(newName)
        || !SkinScan::isArchiveSkin(skinFolder, oldName))
        return newName;
    return newName + oldName.right(4);
}

RunError renameSkin(const QString& skinFolder, const QString& oldName, const QString& newName)
{
    const QString name = renamedName(skinFolder, oldName, newName);
    if (oldName == name)
        return RunError::none();
    if (skinFolder.isEmpty() || !FolderMove::isPlainName(oldName))
        return RunError::fromNumber(Error::FileNotFound);
    return FolderMove::moveInto(skinFolder + oldName, skinFolder, name);
}

bool isStillSkin(const QString& skinFolder, const QString& name)
{
    return !skinFolder.isEmpty() && FolderMove::isPlainName(name) && SkinScan::isListedSkin(skinFolder, name);
}

WszUnpack::Result unpackArchive(const QString& skinFolder, const QString& name)
{
    if (skinFolder.isEmpty() || !FolderMove::isPlainName(name) || !SkinArchive::isArchiveName(name)) {
        WszUnpack::Result result;
        result.problem = WszUnpack::Problem::Unreadable;
        result.error = RunError::fromNumber(Error::FileNotFound);
        return result;
    }
    return WszUnpack::unpack(skinFolder + name, skinFolder);
}

} // namespace FileCommands
