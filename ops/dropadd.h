// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/runerror.h"

#include <QList>
#include <QString>
#include <QStringList>

// Adding skins by dropping folders and skin archives onto the main window.
namespace DropAdd {

enum class Kind {
    Folder, // moved in, as "Skinを追加する" does
    Archive, // a .wsz or .zip file, unpacked into a new folder
    Other, // ignored
};

Kind classify(const QString& path);

// True when at least one of the paths is a folder or an archive.
bool anyAddable(const QStringList& paths);

struct Added
{
    QString path; // as dropped
    QString skinName; // the new skin's folder name, when added
    RunError error;
};

// Adds the folders and archives among paths to skinFolder (ending with "/"), one after
// another, in the order given; other paths are left out of the result.
QList<Added> addDropped(const QStringList& paths, const QString& skinFolder);

// The name of the last skin added, or empty.
QString lastAdded(const QList<Added>& results);

} // namespace DropAdd
