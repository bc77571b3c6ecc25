// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/wine.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace Wine {

static QString absoluteClean(const QString& path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}

// Wine finds a Unix path's drive by the files themselves, so links are resolved on
// both sides when the folder exists.
static QString resolved(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? absoluteClean(path) : canonical;
}

// The part of path below root, or null when path is not inside root.
static QString below(const QString& path, const QString& root)
{
    if (path == root)
        return QLatin1String("");
    const QString base = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    if (!path.startsWith(base))
        return {};
    return path.mid(base.size());
}

QString prefixOf(const QString& folder)
{
    if (folder.isEmpty())
        return {};
    QDir dir(absoluteClean(folder));
    do {
        const QFileInfo devices(dir.filePath(QStringLiteral("dosdevices")));
        if (devices.isDir())
            return dir.path();
    } while (dir.cdUp());
    return {};
}

QString windowsFolder(const QString& prefix, const QString& folder)
{
    if (prefix.isEmpty() || folder.isEmpty())
        return {};
    const QDir devices(prefix + QStringLiteral("/dosdevices"));
    static const QRegularExpression driveName(QStringLiteral("^[a-zA-Z]:$"));
    const QString target = resolved(folder);

    QString bestDrive;
    QString bestRoot;
    QString bestRest;
    const QFileInfoList entries = devices.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (!entry.isSymLink() || !driveName.match(entry.fileName()).hasMatch())
            continue;
        const QString root = resolved(devices.absoluteFilePath(entry.symLinkTarget()));
        const QString rest = below(target, root);
        if (rest.isNull() || (!bestDrive.isEmpty() && root.size() <= bestRoot.size()))
            continue;
        bestDrive = entry.fileName().toUpper();
        bestRoot = root;
        bestRest = rest;
    }
    if (bestDrive.isEmpty())
        return {};
    QString path = bestDrive + QLatin1Char('\\') + bestRest;
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (!path.endsWith(QLatin1Char('\\')))
        path += QLatin1Char('\\');
    return path;
}

} // namespace Wine
