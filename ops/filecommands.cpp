// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/filecommands.h"

#include "platform/foldermove.h"
#include "platform/pathslash.h"
#include "skins/skinarchive.h"

namespace FileCommands {

QString trashFolder(const QString& programFolder)
{
    return Path_Slash(programFolder) + QStringLiteral("trash/");
}

QString chosenName(const QString& chosenPath)
{
    const QString path = withoutTrailingSlashes(chosenPath);
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

RunError addSkin(const QString& chosenPath, const QString& skinFolder)
{
    if (skinFolder.isEmpty())
        return RunError::fromNumber(Error::FileNotFound);
    return FolderMove::moveInto(chosenPath, skinFolder, chosenName(chosenPath));
}

RunError deleteSkin(const QString& skinFolder, const QString& name, const QString& trash)
{
    if (skinFolder.isEmpty() || trash.isEmpty() || !FolderMove::isPlainName(name))
        return RunError::fromNumber(Error::FileNotFound);
    return FolderMove::moveInto(skinFolder + name, trash, name);
}

QString renamedName(const QString& oldName, const QString& newName)
{
    // ".", ".." and the like stay as typed, to be refused as for a folder.
    if (!FolderMove::isPlainName(newName) || !SkinArchive::isArchiveName(oldName)
        || SkinArchive::isArchiveName(newName))
        return newName;
    return newName + oldName.right(4);
}

RunError renameSkin(const QString& skinFolder, const QString& oldName, const QString& newName)
{
    const QString name = renamedName(oldName, newName);
    if (oldName == name)
        return RunError::none();
    if (skinFolder.isEmpty() || !FolderMove::isPlainName(oldName))
        return RunError::fromNumber(Error::FileNotFound);
    return FolderMove::moveInto(skinFolder + oldName, skinFolder, name);
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
