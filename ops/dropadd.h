// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ops/undohistory.h"
#include "platform/runerror.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

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

// Told before each item is added: its index among the items to add (the folders and
// archives), their count and its file name. Returning false stops before that item;
// what is added stays added.
using Progress = std::function<bool(int index, int count, const QString& name)>;

// Adds the folders and archives among paths to skinFolder (ending with "/"), one after
// another, in the order given; other paths are left out of the result, and so are the
// items a stop left alone.
QList<Added> addDropped(const QStringList& paths, const QString& skinFolder, const Progress& progress = {});

// Adds one folder that is a skin, as the File menu adds a chosen folder.
Added addFolder(const QString& path, const QString& skinFolder);

// Adds the skins names of the collection folder (as FileCommands::checkAdd found them) to
// skinFolder, each as a skin of its own, moved in as the File menu moves a skin.
QList<Added> addCollection(
    const QString& collection, const QStringList& names, const QString& skinFolder, const Progress& progress = {});

// How to take the added skins of results back: a skin moved in goes back where it was; one
// whose original is still there (an archive unpacked, a copy from another disk) was made.
QList<UndoHistory::Change> undoChanges(const QList<Added>& results, const QString& skinFolder);

// One text for all the failures among results, each item on a line of its own with its
// reason; empty when nothing failed.
QString failureSummary(const QList<Added>& results);

// The name of the last skin added, or empty.
QString lastAdded(const QList<Added>& results);

} // namespace DropAdd
