// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <clocale>

struct archive;
struct archive_entry;

// Reading skin archives with libarchive the one way the import and the previews share.
namespace ZipReader {

// libarchive converts names to the locale's encoding; under the C locale non-ASCII names
// would be lost, so the reading thread takes them as UTF-8 whatever the user's locale.
class Utf8Names
{
public:
    Utf8Names();
    ~Utf8Names();
    Utf8Names(const Utf8Names&) = delete;
    Utf8Names& operator=(const Utf8Names&) = delete;

private:
    locale_t m_previous = nullptr;
    bool m_switched = false;
};

// A zip reader that goes by the central directory, as every unzipper on Windows does:
// reading the local headers one after another would take an archive cut short for a
// complete one, and can be led to entries the directory does not list. Names not marked
// as UTF-8 are taken in the code page of the Windows that zipped them.
class Reader
{
public:
    Reader();
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    archive* get() const { return m_reader; }
    // Takes fd to close with the reader; gives it back.
    int adopt(int fd) { return m_fd = fd; }

private:
    archive* m_reader;
    int m_fd = -1;
};

// The entry's name, in UTF-8 when libarchive could convert it.
QString entryName(archive_entry* entry);

} // namespace ZipReader
