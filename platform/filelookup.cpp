// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/filelookup.h"

#include "platform/regularfile.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

namespace FileLookup {

bool readableFileAt(int dirFd, const char* path)
{
    const int fd = RegularFile::openAt(dirFd, path);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

QString findIgnoringCase(const QString& folder, const QString& name)
{
    const QString exact = folder + name;
    if (!exact.isEmpty() && readableFileAt(AT_FDCWD, QFile::encodeName(exact).constData()))
        return exact;
    DIR* dir = opendir(QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder).constData());
    if (!dir)
        return {};
    const QByteArray wanted = QFile::encodeName(name);
    QString found;
    while (const dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, wanted.constData()) == 0 && readableFileAt(dirfd(dir), entry->d_name)) {
            found = folder + QFile::decodeName(entry->d_name);
            break;
        }
    }
    closedir(dir);
    return found;
}

} // namespace FileLookup
