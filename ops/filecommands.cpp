// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/filecommands.h"

#include "platform/foldermove.h"
#include "platform/pathslash.h"

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

RunError renameSkin(const QString& skinFolder, const QString& oldName, const QString& newName)
{
    if (oldName == newName)
        return RunError::none();
    if (skinFolder.isEmpty() || !FolderMove::isPlainName(oldName))
        return RunError::fromNumber(Error::FileNotFound);
    return FolderMove::moveInto(skinFolder + oldName, skinFolder, newName);
}

} // namespace FileCommands
