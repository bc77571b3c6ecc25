// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/stat.h>

namespace Attributes {

// "Directory attribute alone": a real directory (not a symbolic link), not hidden
// (name does not start with "."), with its owner-write bit set (the bit itself:
// access() grants everything to root). st is what fstatat(AT_SYMLINK_NOFOLLOW) gave for
// name, so the scan pays one call per entry.
bool isPlainDirectory(const char* name, const struct stat& st);

} // namespace Attributes
