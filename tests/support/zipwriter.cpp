// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/zipwriter.h"

#include <QBuffer>
#include <QFile>
#include <QImage>

#include <archive.h>
#include <archive_entry.h>

#include <clocale>
#include <sys/stat.h>

ZipWriter::ZipWriter(const QString& path, const char* nameCharset, const char* passphrase, bool zip64)
    : m_utf8(newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr)))
    , m_previous(m_utf8 ? uselocale(m_utf8) : nullptr)
    , m_writer(archive_write_new())
{
    m_ok = archive_write_set_format_zip(m_writer) == ARCHIVE_OK;
    if (nameCharset)
        m_ok = m_ok && archive_write_set_format_option(m_writer, "zip", "hdrcharset", nameCharset) == ARCHIVE_OK;
    if (zip64)
        m_ok = m_ok && archive_write_set_format_option(m_writer, "zip", "zip64", "1") == ARCHIVE_OK;
    if (passphrase) {
        m_ok = m_ok && archive_write_set_format_option(m_writer, "zip", "encryption", "zipcrypt") == ARCHIVE_OK
            && archive_write_set_passphrase(m_writer, passphrase) == ARCHIVE_OK;
    }
    m_ok = m_ok && archive_write_open_filename(m_writer, QFile::encodeName(path).constData()) == ARCHIVE_OK;
}

ZipWriter::~ZipWriter()
{
    if (m_writer)
        close();
}

namespace {

archive_entry* newEntry(const QString& name, mode_t type, qint64 size)
{
    archive_entry* entry = archive_entry_new();
    archive_entry_copy_pathname_w(entry, name.toStdWString().c_str());
    archive_entry_set_filetype(entry, type);
    archive_entry_set_perm(entry, type == AE_IFDIR ? 0755 : 0644);
    archive_entry_set_mtime(entry, 1000000000, 0);
    if (size >= 0)
        archive_entry_set_size(entry, size);
    return entry;
}

} // namespace

void ZipWriter::addFile(const QString& name, const QByteArray& data)
{
    archive_entry* entry = newEntry(name, AE_IFREG, data.size());
    m_ok = m_ok && archive_write_header(m_writer, entry) == ARCHIVE_OK;
    m_ok = m_ok && archive_write_data(m_writer, data.constData(), size_t(data.size())) == data.size();
    archive_entry_free(entry);
}

void ZipWriter::addZeros(const QString& name, qint64 zeroBytes)
{
    archive_entry* entry = newEntry(name, AE_IFREG, zeroBytes);
    m_ok = m_ok && archive_write_header(m_writer, entry) == ARCHIVE_OK;
    const QByteArray chunk(1024 * 1024, '\0');
    for (qint64 left = zeroBytes; m_ok && left > 0; left -= chunk.size()) {
        const size_t size = size_t(std::min<qint64>(left, chunk.size()));
        m_ok = archive_write_data(m_writer, chunk.constData(), size) == la_ssize_t(size);
    }
    archive_entry_free(entry);
}

void ZipWriter::addFolder(const QString& name)
{
    archive_entry* entry = newEntry(name, AE_IFDIR, 0);
    m_ok = m_ok && archive_write_header(m_writer, entry) == ARCHIVE_OK;
    archive_entry_free(entry);
}

void ZipWriter::addSymlink(const QString& name, const QString& target)
{
    archive_entry* entry = newEntry(name, AE_IFLNK, 0);
    archive_entry_copy_symlink(entry, QFile::encodeName(target).constData());
    m_ok = m_ok && archive_write_header(m_writer, entry) == ARCHIVE_OK;
    archive_entry_free(entry);
}

bool ZipWriter::close()
{
    if (!m_writer)
        return m_ok;
    m_ok = archive_write_close(m_writer) == ARCHIVE_OK && m_ok;
    archive_write_free(m_writer);
    m_writer = nullptr;
    if (m_utf8) {
        uselocale(m_previous);
        freelocale(m_utf8);
        m_utf8 = nullptr;
    }
    return m_ok;
}

QByteArray tinyBitmap()
{
    QImage image(8, 4, QImage::Format_RGB888);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

int patchZipEntry(const QString& archivePath, const QByteArray& name, ZipField field, quint32 value)
{
    QFile file(archivePath);
    if (!file.open(QIODevice::ReadWrite))
        return 0;
    QByteArray bytes = file.readAll();
    // Local header: name at 30, size at 22. Central directory: name at 46, size at 24,
    // external attributes at 38.
    const bool local = field == ZipField::LocalSize;
    const QByteArray signature = local ? QByteArray("PK\x03\x04") : QByteArray("PK\x01\x02");
    const qsizetype nameAt = local ? 30 : 46;
    const qsizetype fieldAt = field == ZipField::LocalSize ? 22 : field == ZipField::CentralSize ? 24 : 38;
    int patched = 0;
    for (qsizetype at = bytes.indexOf(signature); at >= 0; at = bytes.indexOf(signature, at + 1)) {
        if (bytes.mid(at + nameAt, name.size()) != name)
            continue;
        for (int i = 0; i < 4; ++i)
            bytes[at + fieldAt + i] = char((value >> (8 * i)) & 0xff);
        ++patched;
    }
    if (!file.seek(0) || file.write(bytes) != bytes.size())
        return 0;
    return patched;
}

bool patchEndRecordCount(const QString& archivePath, quint16 count)
{
    QFile file(archivePath);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    const qsizetype at = bytes.lastIndexOf(QByteArray("PK\x05\x06"));
    if (at < 0 || at + 22 > bytes.size())
        return false;
    for (const qsizetype field : { at + 8, at + 10 }) {
        bytes[field] = char(count & 0xff);
        bytes[field + 1] = char(count >> 8);
    }
    return file.seek(0) && file.write(bytes) == bytes.size();
}
