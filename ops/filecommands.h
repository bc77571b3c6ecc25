// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/runerror.h"

#include <QString>

// The folder moves behind the File menu and the inline rename. Folders end with one "/"
// (or are empty); every name must be one plain name, so nothing typed into a name box
// can move a folder out of the skin folder. Nothing is ever replaced.
namespace FileCommands {

// The trash folder beside the program.
QString trashFolder(const QString& programFolder);

// The name a chosen folder keeps: what follows its last "/". Empty for the root.
QString chosenName(const QString& chosenPath);

// Moves the chosen folder into skinFolder under its own name.
RunError addSkin(const QString& chosenPath, const QString& skinFolder);

// Moves skinFolder + name into the trash folder under the same name.
RunError deleteSkin(const QString& skinFolder, const QString& name, const QString& trash);

// Renames skinFolder + oldName to skinFolder + newName. Equal names (compared exactly:
// a change of letter case is a change) do nothing and succeed.
RunError renameSkin(const QString& skinFolder, const QString& oldName, const QString& newName);

} // namespace FileCommands
