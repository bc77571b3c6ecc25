// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace Attributes {

// "Directory attribute alone": a real directory (not a symbolic link), not hidden
// (name does not start with "."), with its owner-write bit set.
// dirFd/name form is what the scan uses (one fstatat per entry).
bool isPlainDirectory(int dirFd, const char* name);
bool isPlainDirectory(const QString& path);

// The owner-write permission bit itself: access() grants everything to root.
bool ownerWritable(const QString& path);

} // namespace Attributes
