// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/skinarchive.h"

#include "platform/regularfile.h"
#include "skins/zipdirectory.h"

#include <QFile>

#include <strings.h>
#include <unistd.h>

#include <algorithm>

namespace SkinArchive {

bool isArchiveName(const char* fileName, size_t length)
{
    return length > 4 && fileName[length - 4] == '.'
        && (strncasecmp(fileName + length - 3, "wsz", 3) == 0 || strncasecmp(fileName + length - 3, "zip", 3) == 0);
}

bool isArchiveName(const QString& fileName)
{
    return fileName.size() > 4
        && (fileName.endsWith(QLatin1String(".wsz"), Qt::CaseInsensitive)
            || fileName.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive));
}

QHash<QString, QByteArray> readFiles(const QString& archivePath, const QStringList& lowerNames, qint64 maxBytesEach)
{
    QHash<QString, QByteArray> result;
    if (lowerNames.isEmpty() || archivePath.isEmpty())
        return result;
    // Never waited on: a FIFO of an archive's name cannot hang the window.
    qint64 size = 0;
    const int fd = RegularFile::open(archivePath, &size);
    if (fd < 0)
        return result;
    ZipDirectory::Directory directory;
    QList<QByteArray> names;
    for (const QString& name : lowerNames)
        names << name.toLatin1();
    QList<int> chosen;
    if (size > 0 && size <= maxArchiveBytes && directory.read(fd, size, maxEntries) == ZipDirectory::Status::ok
        && ZipDirectory::chooseEntries(directory, names, chosen)) {
        // Only the chosen entries are inflated, and only as much as a skin could need.
        qint64 budget = maxInflatedBytes;
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (chosen[i] < 0)
                continue;
            const ZipDirectory::Entry& entry = directory.entries()[size_t(chosen[i])];
            QByteArray bytes;
            if (ZipDirectory::readEntry(fd, size, entry, std::min(maxBytesEach, budget), bytes)) {
                budget -= bytes.size();
                result.insert(lowerNames.at(i), bytes);
            }
        }
    }
    ::close(fd);
    return result;
}

QByteArray mainBitmap(const QString& archivePath)
{
    const QString name = QStringLiteral("main.bmp");
    return readFiles(archivePath, { name }, maxPictureBytes).value(name);
}

} // namespace SkinArchive
