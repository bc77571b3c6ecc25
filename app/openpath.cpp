// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/openpath.h"

#include "platform/pathslash.h"
#include "skins/skinscan.h"

#include <QDir>
#include <QFileInfo>

namespace OpenPath {

QString absolute(const QString& path)
{
    return path.isEmpty() ? QString() : QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

std::optional<Target> resolve(const QString& path)
{
    const QFileInfo info(absolute(path));
    if (path.isEmpty() || !info.exists())
        return std::nullopt;
    const QString name = info.fileName();
    const QString parent = Path_Slash(info.absolutePath());
    // A skin folder is also a folder: as a skin it shows beside its neighbours.
    if (!name.isEmpty() && SkinScan::isListedSkin(parent, name))
        return Target { parent, name };
    if (info.isDir())
        return Target { Path_Slash(info.absoluteFilePath()), {} };
    return std::nullopt;
}

QString refusal(const QString& path)
{
    return resolve(path) ? QString() : notOpenable(path);
}

QString notOpenable(const QString& path)
{
    return QStringLiteral("「%1」はSkinでもフォルダでもありません。").arg(path);
}

} // namespace OpenPath
