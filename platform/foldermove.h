// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/runerror.h"

#include <QString>

namespace FolderMove {

// One plain name: not empty, not "." or "..", no "/".
bool isPlainName(const QString& name);

// Moves or renames a folder, or a file (a skin archive), in one call. Never replaces
// anything (58), never crosses file systems (74); a missing source or path component is
// 53, anything else 75.
RunError moveFolder(const QString& from, const QString& to);

// Moves a folder to another file system: copies it into a hidden folder beside to, renames
// that into place (never over anything), and only then removes from. A failed copy leaves
// nothing behind and from untouched. When from cannot be removed afterwards the copy stays
// and the failure says so (originalKept).
RunError moveAcross(const QString& from, const QString& to);
inline const QString originalKept = QStringLiteral("Skinは追加しましたが、元のフォルダを削除できませんでした。");

// Copies a folder or a file to the new path to as moveAcross does, from left as it is.
RunError copyNew(const QString& from, const QString& to);

// Moves folder + "/" + name ... : folder (ending with a separator or empty) joined with a
// name that must be one plain name, else 53 before the file system is touched.
RunError moveInto(const QString& fromPath, const QString& toFolder, const QString& name);

} // namespace FolderMove
