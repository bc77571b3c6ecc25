// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Files on a case-sensitive file system that were named on one that is not.
namespace FileLookup {

// path (relative to dirFd, links followed) is a regular file that opens for reading.
bool readableFileAt(int dirFd, const char* path);

// The file name in folder (ending with "/", or empty for the working folder), found
// without regard to case: the exact name first, then the first entry whose name matches
// ignoring case. Only a regular file that opens for reading counts.
// Empty when there is none.
QString findIgnoringCase(const QString& folder, const QString& name);

} // namespace FileLookup
