// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/dropadd.h"

#include "ops/filecommands.h"
#include "ops/wszunpack.h"
#include "platform/pathslash.h"

#include <QFileInfo>

#include <algorithm>

namespace DropAdd {

Kind classify(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return Kind::Folder;
    const QString suffix = info.suffix();
    if (info.isFile()
        && (suffix.compare(QLatin1String("wsz"), Qt::CaseInsensitive) == 0
            || suffix.compare(QLatin1String("zip"), Qt::CaseInsensitive) == 0))
        return Kind::Archive;
    return Kind::Other;
}

bool anyAddable(const QStringList& paths)
{
    return std::any_of(paths.cbegin(), paths.cend(), [](const QString& path) { return classify(path) != Kind::Other; });
}

QList<Added> addDropped(const QStringList& paths, const QString& skinFolder)
{
    QList<Added> results;
    for (const QString& dropped : paths) {
        const QString path = withoutTrailingSlashes(dropped);
        Added added;
        added.path = path;
        switch (classify(path)) {
        case Kind::Other:
            continue;
        case Kind::Folder:
            // Exactly as the File menu adds a chosen folder.
            added.error = FileCommands::addSkin(path, skinFolder);
            if (!added.error)
                added.skinName = FileCommands::chosenName(path);
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

QString lastAdded(const QList<Added>& results)
{
    for (auto it = results.crbegin(); it != results.crend(); ++it) {
        if (!it->error)
            return it->skinName;
    }
    return {};
}

} // namespace DropAdd
