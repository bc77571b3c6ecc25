// SPDX-License-Identifier: GPL-3.0-or-later
#include "attributes.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

namespace Attributes {

static bool plainDirectoryStat(const struct stat& st)
{
    return S_ISDIR(st.st_mode) && (st.st_mode & S_IWUSR);
}

bool isPlainDirectory(int dirFd, const char* name)
{
    if (name[0] == '.')
        return false;
    struct stat st;
    if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    return plainDirectoryStat(st);
}

bool isPlainDirectory(const char* name, const struct stat& st)
{
    return name[0] != '.' && plainDirectoryStat(st);
}

bool isPlainDirectory(const QString& path)
{
    QString name = path;
    while (name.endsWith(QLatin1Char('/')) && name.size() > 1)
        name.chop(1);
    name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.startsWith(QLatin1Char('.')))
        return false;
    struct stat st;
    const QByteArray encoded = QFile::encodeName(path);
    if (lstat(encoded.constData(), &st) != 0)
        return false;
    return plainDirectoryStat(st);
}

bool ownerWritable(const QString& path)
{
    struct stat st;
    if (stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return st.st_mode & S_IWUSR;
}

} // namespace Attributes
