// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <clocale>

struct archive;

// Writes zip archives entry by entry with libarchive, including the hostile kinds a
// careful unpacker must refuse.
class ZipWriter
{
public:
    // nameCharset: how names not in UTF-8 are stored ("CP932"), or null for UTF-8;
    // passphrase: encrypts every entry with it; zip64: writes zip64 records even for small
    // files (its end record beside plain 32-bit fields).
    explicit ZipWriter(
        const QString& path, const char* nameCharset = nullptr, const char* passphrase = nullptr, bool zip64 = false);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    void addFile(const QString& name, const QByteArray& data);
    // zeroBytes of zeros, written in chunks: compresses to almost nothing.
    void addZeros(const QString& name, qint64 zeroBytes);
    void addFolder(const QString& name);
    void addSymlink(const QString& name, const QString& target);
    // Finishes the archive; false when libarchive reported a failure on the way.
    bool close();

private:
    // Names are handed over as wide strings, which libarchive converts through the
    // thread's locale: UTF-8 whatever the test runs under.
    locale_t m_utf8 = nullptr;
    locale_t m_previous = nullptr;
    archive* m_writer = nullptr;
    bool m_ok = true;
};

// A main.bmp small enough for hand-made archives; any bytes would do for the unpacker.
QByteArray tinyBitmap();

// Fields of a written archive's records that a hostile archive may set to anything.
enum class ZipField {
    LocalSize, // uncompressed size in the local header
    CentralSize, // uncompressed size in the central directory
    CentralAttributes, // external attributes (Unix mode in the high half)
};

// Overwrites the record counts of the end record, as a count wrapped past 65,535 would
// leave them; false when there is none.
bool patchEndRecordCount(const QString& archivePath, quint16 count);

// Overwrites field of every record of the entry named name; the number of records changed.
int patchZipEntry(const QString& archivePath, const QByteArray& name, ZipField field, quint32 value);
