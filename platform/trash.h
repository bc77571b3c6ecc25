// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/runerror.h"

#include <QString>

// The desktop's own trash, laid out as freedesktop.org has every trash laid out: the
// user's trash under $XDG_DATA_HOME, or the trash of the file system that holds the file.
namespace Trash {

// Moves path (a folder or a file) into the trash, where any file manager shows it and can
// put it back. Nothing is replaced: a second item of the same name gets a name of its own
// there. A trash that cannot be reached is a failure (53 for a missing path, else 75),
// with the system's reason as its detail. inTrash receives where it went.
RunError moveToTrash(const QString& path, QString* inTrash = nullptr);

// Puts the item at inTrash (as moveToTrash reported it) back where its .trashinfo says it
// came from, and drops that .trashinfo. Nothing is replaced: a place that is taken again
// is 58, an item or a .trashinfo that is gone 53.
RunError restoreFromTrash(const QString& inTrash);

// Where the item at inTrash came from, by its .trashinfo; empty when that is gone.
QString originalPlace(const QString& inTrash);

// The user's own trash folder: $XDG_DATA_HOME/Trash (~/.local/share/Trash when unset).
QString homeTrash();

} // namespace Trash
