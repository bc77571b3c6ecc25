// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/dropadd.h"

#include "ops/filecommands.h"
#include "ops/wszunpack.h"
#include "platform/foldermove.h"
#include "platform/pathslash.h"
#include "skins/skinarchive.h"

#include <QFileInfo>

#include <algorithm>

namespace DropAdd {

Added addFolder(const QString& path, const QString& skinFolder)
{
    Added added;
    added.path = path;
    added.error = FileCommands::addSkin(path, skinFolder);
    // A copy from another disk whose original stayed is added all the same.
    if (!added.error || added.error.description == FolderMove::originalKept)
        added.skinName = FileCommands::chosenName(path);
    return added;
}

Kind classify(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return Kind::Folder;
    if (info.isFile() && SkinArchive::isArchiveName(info.fileName()))
        return Kind::Archive;
    return Kind::Other;
}

bool anyAddable(const QStringList& paths)
{
    return std::any_of(paths.cbegin(), paths.cend(), [](const QString& path) { return classify(path) != Kind::Other; });
}

QList<Added> addDropped(const QStringList& paths, const QString& skinFolder, const Progress& progress)
{
    QList<std::pair<QString, Kind>> items;
    for (const QString& dropped : paths) {
        const QString path = withoutTrailingSlashes(dropped);
        const Kind kind = classify(path);
        if (kind != Kind::Other)
            items.append({ path, kind });
    }
    QList<Added> results;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const auto& [path, kind] = items.at(i);
        if (progress && !progress(int(i), int(items.size()), QFileInfo(path).fileName()))
            break;
        Added added;
        added.path = path;
        switch (kind) {
        case Kind::Other:
            continue;
        case Kind::Folder:
            added = addFolder(path, skinFolder);
            break;
        case Kind::Archive: {
            const WszUnpack::Result result = WszUnpack::unpack(path, skinFolder);
            added.skinName = result.skinName;
            added.error = result.error;
            break;
        }
        }
        results.append(added);
    }
    return results;
}

QList<Added> addCollection(
    const QString& collection, const QStringList& names, const QString& skinFolder, const Progress& progress)
{
    QList<Added> results;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (progress && !progress(int(i), int(names.size()), names.at(i)))
            break;
        results.append(addFolder(Path_Slash(collection) + names.at(i), skinFolder));
    }
    return results;
}

QList<UndoHistory::Change> undoChanges(const QList<Added>& results, const QString& skinFolder)
{
    using Type = UndoHistory::Change::Type;
    QList<UndoHistory::Change> changes;
    for (const Added& added : results) {
        if (added.skinName.isEmpty())
            continue;
        const QString made = skinFolder + added.skinName;
        if (QFileInfo::exists(added.path))
            changes.append({ Type::Made, {}, made });
        else
            changes.append({ Type::Moved, added.path, made });
    }
    return changes;
}

QString failureSummary(const QList<Added>& results)
{
    QStringList lines;
    for (const Added& added : results) {
        if (!added.error)
            continue;
        QString line = QStringLiteral("「%1」: %2").arg(QFileInfo(added.path).fileName(), added.error.description);
        if (!added.error.detail.isEmpty())
            line += QStringLiteral(" (%1)").arg(added.error.detail);
        lines << line;
    }
    if (lines.isEmpty())
        return {};
    return QStringLiteral("次の%1項目を追加できませんでした。\n").arg(lines.size()) + lines.join(QLatin1Char('\n'));
}

QString lastAdded(const QList<Added>& results)
{
    for (auto it = results.crbegin(); it != results.crend(); ++it) {
        if (!it->skinName.isEmpty())
            return it->skinName;
    }
    return {};
}

} // namespace DropAdd
