// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/zipreader.h"

#include <archive.h>
#include <archive_entry.h>

#include <unistd.h>

namespace ZipReader {

namespace {

// Made once: newlocale reads the locale's files from disk every time, and every preview
// of an archive needs it.
locale_t utf8Locale()
{
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
    return locale;
}

} // namespace

Utf8Names::Utf8Names()
{
    if (const locale_t utf8 = utf8Locale()) {
        m_previous = uselocale(utf8);
        m_switched = true;
    }
}

Utf8Names::~Utf8Names()
{
    if (m_switched)
        uselocale(m_previous);
}

Reader::Reader()
    : m_reader(archive_read_new())
{
    // libarchive turns every entry's DOS time into a time_t with mktime, and glibc looks
    // at /etc/localtime again on every call unless TZ names the zone: named (the same
    // file), a skin archive opens without some sixty stat calls.
    static const bool zoneNamed = qEnvironmentVariableIsSet("TZ") || qputenv("TZ", ":/etc/localtime");
    Q_UNUSED(zoneNamed);
    archive_read_support_format_zip_seekable(m_reader);
    archive_read_set_format_option(m_reader, "zip", "hdrcharset", "CP932");
}

Reader::~Reader()
{
    archive_read_free(m_reader);
    if (m_fd >= 0)
        ::close(m_fd);
}

QString entryName(archive_entry* entry)
{
    const char* utf8 = archive_entry_pathname_utf8(entry);
    return utf8 ? QString::fromUtf8(utf8) : QString::fromLocal8Bit(archive_entry_pathname(entry));
}

} // namespace ZipReader
