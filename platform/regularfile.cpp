// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/regularfile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RegularFile {

int openAt(int dirFd, const char* path, qint64* sizeOut)
{
    // Non-blocking for the open alone: a FIFO then opens at once and is refused below.
    const int fd = openat(dirFd, path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (sizeOut)
        *sizeOut = qint64(st.st_size);
    return fd;
}

int open(const QString& path, qint64* sizeOut)
{
    return path.isEmpty() ? -1 : openAt(AT_FDCWD, QFile::encodeName(path).constData(), sizeOut);
}

QByteArray readAt(int dirFd, const char* path, qint64 maxBytes)
{
    qint64 size = 0;
    const int fd = openAt(dirFd, path, &size);
    if (fd < 0)
        return {};
    const QByteArray bytes = size > 0 && size <= maxBytes ? readUpTo(fd, size) : QByteArray();
    ::close(fd);
    return bytes;
}

QByteArray readUpTo(int fd, qint64 size)
{
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    bytes.truncate(done);
    return bytes;
}

QByteArray read(const QString& path, qint64 maxBytes)
{
    return path.isEmpty() ? QByteArray() : readAt(AT_FDCWD, QFile::encodeName(path).constData(), maxBytes);
}

bool openForReading(QFile& file)
{
    const int fd = open(file.fileName());
    if (fd < 0)
        return false;
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    return false;
}

bool absentOrRegular(const QString& path)
{
    struct stat st;
    if (stat(QFile::encodeName(path).constData(), &st) == 0)
        return S_ISREG(st.st_mode);
    // A dangling link is no file either: what is written through it becomes one.
    return errno == ENOENT;
}

} // namespace RegularFile
