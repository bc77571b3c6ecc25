// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <sys/stat.h>

namespace Attributes {

// "Directory attribute alone": a real directory (not a symbolic link), not hidden
// (name does not start with "."), with its owner-write bit set.
// dirFd/name form is what the scan uses (one fstatat per entry).
bool isPlainDirectory(int dirFd, const char* name);
bool isPlainDirectory(const QString& path);
// The same test on what fstatat(AT_SYMLINK_NOFOLLOW) gave for name, for a caller that
// needs more of the stat.
bool isPlainDirectory(const char* name, const struct stat& st);

// The owner-write permission bit itself: access() grants everything to root.
bool ownerWritable(const QString& path);

} // namespace Attributes
