// SPDX-License-Identifier: GPL-3.0-or-later
#include "skinscan.h"

#include "attributes.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SkinScan {

namespace {

// Opens for reading relative to dirFd; true for anything but a directory.
bool readableFileAt(int dirFd, const char* path)
{
    const int fd = openat(dirFd, path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    const bool ok = fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    close(fd);
    return ok;
}

// The entry of directory dirPath (relative to dirFd) whose name equals wanted ignoring
// ASCII case and that opens as a file. Skins' file names are ASCII.
bool caseVariantExistsAt(int dirFd, const char* dirPath, const char* wanted)
{
    const int fd = openat(dirFd, dirPath, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return false;
    }
    bool found = false;
    while (const dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, wanted) == 0 && entry->d_type != DT_DIR
            && readableFileAt(dirfd(dir), entry->d_name)) {
            found = true;
            break;
        }
    }
    closedir(dir);
    return found;
}

bool hasSkinFile(int folderFd, const QByteArray& name, const char* fileName)
{
    const QByteArray exact = name + '/' + fileName;
    return readableFileAt(folderFd, exact.constData())
        || caseVariantExistsAt(folderFd, name.constData(), fileName);
}

} // namespace

bool File_Exists(const QString& path)
{
    if (path.isEmpty())
        return false;
    QString p = path;
    if (p.endsWith(QLatin1Char('/')))
        p.chop(1);
    if (p.isEmpty())
        return false;
    return readableFileAt(AT_FDCWD, QFile::encodeName(p).constData());
}

QString findSkinFile(const QString& skinFolder, const QString& fileName)
{
    const QString exact = skinFolder + fileName;
    if (File_Exists(exact))
        return exact;
    const QByteArray dirPath = QFile::encodeName(skinFolder.isEmpty() ? QStringLiteral(".") : skinFolder);
    DIR* dir = opendir(dirPath.constData());
    if (!dir)
        return {};
    const QByteArray wanted = QFile::encodeName(fileName);
    QString found;
    while (const dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, wanted.constData()) == 0 && readableFileAt(dirfd(dir), entry->d_name)) {
            found = skinFolder + QFile::decodeName(entry->d_name);
            break;
        }
    }
    closedir(dir);
    return found;
}

void sortCaseBlind(QStringList& names)
{
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
}

QStringList listSkins(const QString& folder)
{
    QStringList names;
    if (folder.isEmpty())
        return names;
    DIR* dir = opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return names;
    const int fd = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
        const char* raw = entry->d_name;
        // Hidden entries, "." and ".." included, are never skins.
        if (raw[0] == '.')
            continue;
        if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN)
            continue;
        if (!Attributes::isPlainDirectory(fd, raw))
            continue;
        const QByteArray bytes(raw);
        const QString name = QFile::decodeName(bytes);
        // A name that does not survive the trip through QString could not be moved or
        // renamed safely later.
        if (QFile::encodeName(name) != bytes)
            continue;
        if (hasSkinFile(fd, bytes, "main.bmp") || hasSkinFile(fd, bytes, "Region.txt"))
            names.append(name);
    }
    closedir(dir);
    sortCaseBlind(names);
    return names;
}

} // namespace SkinScan
