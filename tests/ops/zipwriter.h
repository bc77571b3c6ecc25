// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

struct archive;

// Writes zip archives entry by entry with libarchive, including the hostile kinds a
// careful unpacker must refuse.
class ZipWriter
{
public:
    // nameCharset: how names not in UTF-8 are stored ("CP932"), or empty for UTF-8.
    explicit ZipWriter(const QString& path, const char* nameCharset = nullptr);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    void addFile(const QString& name, const QByteArray& data);
    // zeroBytes of zeros, written in chunks: compresses to almost nothing.
    void addZeros(const QString& name, qint64 zeroBytes);
    void addFolder(const QString& name);
    void addSymlink(const QString& name, const QString& target);
    void addHardlink(const QString& name, const QString& target);
    void addDevice(const QString& name);
    // Finishes the archive; false when libarchive reported a failure on the way.
    bool close();

private:
    archive* m_writer = nullptr;
    bool m_ok = true;
};

// A main.bmp small enough for hand-made archives; any bytes would do for the unpacker.
QByteArray tinyBitmap();
