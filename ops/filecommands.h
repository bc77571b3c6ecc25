// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ops/wszunpack.h"
#include "platform/runerror.h"

#include <QString>
#include <QStringList>

// The moves behind the File menu and the inline rename, for skin folders and skin
// archives alike. Folders end with one "/" (or are empty); every name must be one plain
// name, so nothing typed into a name box can move a skin out of the skin folder. Nothing
// is ever replaced.
namespace FileCommands {

// The name a chosen folder keeps: what follows its last "/". Empty for the root.
QString chosenName(const QString& chosenPath);

// What a folder chosen or dropped for adding is, by the listing's rule.
enum class Addable {
    Skin, // Hadrel would list it where it is: moved in as it stands
    Collection, // no skin itself, but it holds skins (skins names them)
    NoSkin, // neither: left where it is
    SkinFolder, // the skin folder itself or a folder above it: nothing can move there
};
struct AddCheck
{
    Addable kind = Addable::NoSkin;
    QStringList skins; // of a collection, as the list would show them
};
AddCheck checkAdd(const QString& chosenPath, const QString& skinFolder);

// Moves the chosen folder into skinFolder under its own name; from another file system it
// is copied in whole first and removed only then. Only a skin is moved (75 otherwise):
// anything else would vanish from the user's sight into a folder that does not list it.
RunError addSkin(const QString& chosenPath, const QString& skinFolder);
inline const QString notASkin = QStringLiteral("Skinではありません。");
// Gives the added skin at path the modification time of now, so that it sorts first
// newest first; what it holds keeps its times.
void markJustAdded(const QString& path);

// Moves skinFolder + name (a folder or an archive) into the desktop's trash; inTrash
// receives where it went.
RunError deleteSkin(const QString& skinFolder, const QString& name, QString* inTrash = nullptr);

// The name a skin gets when newName is typed for oldName: an archive file keeps its
// extension when the new name has none of its own (Green.wsz to "Blue" is Blue.wsz), so a
// rename never makes a skin vanish from the list. A folder takes exactly what was typed.
QString renamedName(const QString& skinFolder, const QString& oldName, const QString& newName);

// Renames skinFolder + oldName to skinFolder + renamedName(oldName, newName). Equal names
// (compared exactly: a change of letter case is a change) do nothing and succeed.
RunError renameSkin(const QString& skinFolder, const QString& oldName, const QString& newName);

// The listed skin skinFolder + name is still what the scan would list. Commands check it
// before they read or point Winamp at the skin.
bool isStillSkin(const QString& skinFolder, const QString& name);

// Unpacks the archive skinFolder + name into a new folder beside it, named after it
// (" (2)" and so on when taken), with the import's safety rules; the archive stays.
WszUnpack::Result unpackArchive(const QString& skinFolder, const QString& name);

} // namespace FileCommands
