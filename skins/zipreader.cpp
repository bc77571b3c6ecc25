// SPDX-License-Identifier: GPL-3.0-or-later
#include "zipreader.h"

#include <archive.h>
#include <archive_entry.h>

namespace ZipReader {

Utf8Names::Utf8Names()
    : m_utf8(newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr)))
{
    if (m_utf8)
        m_previous = uselocale(m_utf8);
}

Utf8Names::~Utf8Names()
{
    if (m_utf8) {
        uselocale(m_previous);
        freelocale(m_utf8);
    }
}

Reader::Reader()
    : m_reader(archive_read_new())
{
    archive_read_support_format_zip_seekable(m_reader);
    archive_read_set_format_option(m_reader, "zip", "hdrcharset", "CP932");
}

Reader::~Reader()
{
    archive_read_free(m_reader);
}

QString entryName(archive_entry* entry)
{
    const char* utf8 = archive_entry_pathname_utf8(entry);
    return utf8 ? QString::fromUtf8(utf8) : QString::fromLocal8Bit(archive_entry_pathname(entry));
}

} // namespace ZipReader
