// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/hostile.h"

#include "skins/winamplook.h"
#include "tests/support/zipwriter.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <sys/stat.h>

namespace Hostile {

namespace {

void put16(QByteArray& bytes, int at, quint16 value)
{
    qToLittleEndian(value, bytes.data() + at);
}

void put32(QByteArray& bytes, int at, quint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
}

// An RLE8 bitmap that declares width x height pixels and holds only the end-of-bitmap
// code: 1 KB on disk, whatever it claims.
QByteArray hugeRle8(int width, int height)
{
    const int header = 14 + 40 + 256 * 4;
    QByteArray bytes(header + 2, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(bytes, 2, quint32(bytes.size()));
    put32(bytes, 10, quint32(header));
    put32(bytes, 14, 40);
    put32(bytes, 18, quint32(width));
    put32(bytes, 22, quint32(height));
    put16(bytes, 26, 1);
    put16(bytes, 28, 8);
    put32(bytes, 30, 1); // BI_RLE8
    put32(bytes, 34, 2);
    bytes[header + 1] = 1; // 00 01: end of bitmap
    return bytes;
}

// Two zigzags across the whole window, each crossing the other and itself at every
// point: merging them is the slow case of polygon union.
QByteArray crossingRegion(int points)
{
    QByteArray counts = "NumPoints=" + QByteArray::number(points) + ',' + QByteArray::number(points) + "\r\n";
    QByteArray list = "PointList=";
    for (int polygon = 0; polygon < 2; ++polygon) {
        for (int i = 0; i < points; ++i) {
            const int x = i * 275 / points;
            const int y = (i + polygon) % 2 ? 0 : 115;
            list += QByteArray::number(x) + ',' + QByteArray::number(y) + ' ';
        }
    }
    return "[Normal]\r\n" + counts + list + "\r\n";
}

// Many small triangles side by side.
QByteArray triangles(int count)
{
    QByteArray counts = "NumPoints=";
    QByteArray list = "PointList=";
    for (int i = 0; i < count; ++i) {
        const int x = i % 270;
        const int y = (i / 270) % 110;
        counts += "3,";
        list += QByteArray::number(x) + ',' + QByteArray::number(y) + ' ' + QByteArray::number(x + 5) + ','
            + QByteArray::number(y) + ' ' + QByteArray::number(x) + ',' + QByteArray::number(y + 5) + ' ';
    }
    counts.chop(1);
    return "[Normal]\r\n" + counts + "\r\n" + list + "\r\n";
}

bool copyFolder(const QString& from, const QString& to)
{
    if (!QDir().mkpath(to))
        return false;
    const QStringList files = QDir(from).entryList(QDir::Files);
    for (const QString& name : files) {
        if (!QFile::copy(from + name, to + QLatin1Char('/') + name))
            return false;
    }
    return true;
}

} // namespace

QStringList make(const QString& folder, const QString& realSkin, QString* error)
{
    QStringList made;
    auto fail = [&](const QString& what) {
        *error = QStringLiteral("hostile files: ") + what;
        return QStringList();
    };
    if (!copyFolder(realSkin, folder + QStringLiteral("A real skin")))
        return fail(QStringLiteral("cannot copy %1").arg(realSkin));
    made << QStringLiteral("A real skin");

    // Every bitmap of the look declaring 8192 x 4096 pixels: 128 MiB each once converted.
    {
        ZipWriter zip(folder + QStringLiteral("bitmap-bomb.wsz"));
        for (const QString& name : WinampLook::fileNames()) {
            if (name.endsWith(QLatin1String(".bmp")))
                zip.addFile(name, hugeRle8(8192, 4096));
        }
        if (!zip.close())
            return fail(QStringLiteral("bitmap-bomb.wsz"));
        made << QStringLiteral("bitmap-bomb.wsz");
    }
    // 9,999 entries all named main.bmp, each 64 KiB of zeros.
    {
        ZipWriter zip(folder + QStringLiteral("same-name.wsz"));
        for (int i = 0; i < 9999; ++i)
            zip.addZeros(QStringLiteral("main.bmp"), 64 * 1024);
        if (!zip.close())
            return fail(QStringLiteral("same-name.wsz"));
        made << QStringLiteral("same-name.wsz");
    }
    // Two crossing polygons of 800 points, in a folder beside the real skin's main.bmp.
    {
        const QString skin = folder + QStringLiteral("crossing-region/");
        QFile region(skin + QStringLiteral("region.txt"));
        if (!QDir().mkpath(skin)
            || !QFile::copy(realSkin + QStringLiteral("main.bmp"), skin + QStringLiteral("main.bmp"))
            || !region.open(QIODevice::WriteOnly) || region.write(crossingRegion(800)) < 0)
            return fail(QStringLiteral("crossing-region"));
        made << QStringLiteral("crossing-region");
    }
    // 100,000 triangles, packed small.
    {
        ZipWriter zip(folder + QStringLiteral("triangles.wsz"));
        zip.addFile(QStringLiteral("region.txt"), triangles(100000));
        if (!zip.close())
            return fail(QStringLiteral("triangles.wsz"));
        made << QStringLiteral("triangles.wsz");
    }
    // A FIFO where a skin's main.bmp should be, and one named like an archive: opening
    // either waits for a writer that never comes.
    {
        const QString skin = folder + QStringLiteral("fifo-bitmap/");
        if (!QDir().mkpath(skin) || mkfifo(QFile::encodeName(skin + QStringLiteral("main.bmp")).constData(), 0600) != 0
            || mkfifo(QFile::encodeName(folder + QStringLiteral("fifo.wsz")).constData(), 0600) != 0)
            return fail(QStringLiteral("FIFOs"));
        made << QStringLiteral("fifo-bitmap") << QStringLiteral("fifo.wsz");
    }
    return made;
}

} // namespace Hostile
