// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/wine.h"

#include "platform/filelookup.h"
#include "platform/pathslash.h"

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

QStringList winampFolders(const QProcessEnvironment& environment)
{
    const QString home = environment.value(QStringLiteral("HOME"));
    QStringList prefixes;
    if (!home.isEmpty())
        prefixes << home + QStringLiteral("/.wine");
    if (const QString set = environment.value(QStringLiteral("WINEPREFIX")); !set.isEmpty())
        prefixes << set;
    if (!home.isEmpty()) {
        const QDir shelf(home + QStringLiteral("/.local/share/wineprefixes"));
        for (const QString& name : shelf.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            prefixes << shelf.filePath(name);
    }

    QStringList found;
    QStringList seen; // the same folder reached through another name
    auto folders = [](const QString& in, const QString& pattern) {
        const QDir dir(in);
        QStringList paths;
        for (const QString& name : dir.entryList({ pattern }, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            paths << dir.filePath(name);
        return paths;
    };
    for (const QString& prefix : std::as_const(prefixes)) {
        for (const QString& programs : folders(prefix + QStringLiteral("/drive_c"), QStringLiteral("Program Files*"))) {
            for (const QString& winamp : folders(programs, QStringLiteral("Winamp*"))) {
                const QString folder = Path_Slash(winamp);
                const QString canonical = QFileInfo(winamp).canonicalFilePath();
                if (FileLookup::findIgnoringCase(folder, QStringLiteral("winamp.exe")).isEmpty()
                    || seen.contains(canonical))
                    continue;
                seen << canonical;
                found << folder;
            }
        }
    }
    return found;
}

} // namespace Wine
