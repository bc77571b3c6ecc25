// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/skinfiles.h"

#include "platform/regularfile.h"
#include "skins/skinarchive.h"
#include "skins/skinscan.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Never a FIFO under a skin file's name, which would hang the caller; bounded, so that a
// huge file costs nothing but the refusal.
QByteArray readBounded(int dirFd, const char* name)
{
    return RegularFile::readAt(dirFd, name, SkinFiles::maxBytesEach);
}

} // namespace

SkinFiles::SkinFiles(const QHash<QString, QByteArray>& files)
{
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        insert(it.key(), it.value());
}

void SkinFiles::insert(const QString& lowerName, const QByteArray& bytes)
{
    if (!bytes.isEmpty() && bytes.size() <= maxBytesEach)
        m_files.insert(lowerName, bytes);
}

SkinFiles SkinFiles::fromFolder(const QString& folder, const QStringList& lowerNames)
{
    SkinFiles files;
    DIR* dir = opendir(QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder).constData());
    if (!dir)
        return files;
    // One listing serves every name; the exact spelling goes first, then the others in
    // listing order, each tried until one reads.
    QList<QByteArray> wanted;
    for (const QString& name : lowerNames)
        wanted << QFile::encodeName(name);
    QList<QList<QByteArray>> candidates(wanted.size());
    while (const dirent* entry = readdir(dir)) {
        for (qsizetype i = 0; i < wanted.size(); ++i) {
            if (strcasecmp(entry->d_name, wanted[i].constData()) != 0)
                continue;
            if (wanted[i] == entry->d_name)
                candidates[i].prepend(entry->d_name);
            else
                candidates[i].append(entry->d_name);
        }
    }
    for (qsizetype i = 0; i < wanted.size(); ++i) {
        for (const QByteArray& name : std::as_const(candidates[i])) {
            const QByteArray bytes = readBounded(dirfd(dir), name.constData());
            if (!bytes.isEmpty()) {
                files.insert(lowerNames[i], bytes);
                break;
            }
        }
    }
    closedir(dir);
    return files;
}

SkinFiles SkinFiles::ofSkin(const QString& skinPath, const QStringList& lowerNames)
{
    // A folder named like an archive is a folder, as the scan and the previews see it.
    const qsizetype nameStart = skinPath.lastIndexOf(QLatin1Char('/')) + 1;
    if (SkinScan::isArchiveSkin(skinPath.left(nameStart), skinPath.mid(nameStart)))
        return SkinFiles(SkinArchive::readFiles(skinPath, lowerNames, maxBytesEach));
    return fromFolder(skinPath + QLatin1Char('/'), lowerNames);
}
