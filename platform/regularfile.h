// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

class QFile;

// Files opened by name only when they are regular files (links followed). Opening a FIFO
// waits for a writer, and a device may do anything; neither is ever waited on here.
namespace RegularFile {

// A descriptor open for reading, close-on-exec, or -1 when path (relative to dirFd)
// cannot be opened or is no regular file. sizeOut, when given, gets the file's size.
int openAt(int dirFd, const char* path, qint64* sizeOut = nullptr);
int open(const QString& path, qint64* sizeOut = nullptr);

// The whole file when it is a regular file of 1 to maxBytes bytes; empty otherwise.
QByteArray readAt(int dirFd, const char* path, qint64 maxBytes);
// At most size bytes from fd's position; fewer when the file ends sooner.
QByteArray readUpTo(int fd, qint64 size);
QByteArray read(const QString& path, qint64 maxBytes);

// Opens file, by its name, for reading when it is a regular file. Opened so, the file
// no longer knows its name.
bool openForReading(QFile& file);

// Whether nothing is there (not even a dangling link) or a regular file is: the two cases
// in which a file may be read or made at path without waiting on it.
bool absentOrRegular(const QString& path);

} // namespace RegularFile
