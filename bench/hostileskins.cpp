// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/hostileskins.h"

#include "skins/spritetable.h"
#include "tests/support/testsupport.h"
#include "tests/support/zipwriter.h"

#include <QDir>
#include <QFile>

namespace HostileSkins {

namespace {

// An RLE8 bitmap of width x height whose stream ends at once: about a kilobyte that a
// reader without a limit turns into width x height pixels.
QByteArray claimingBitmap(int width, int height)
{
    QList<QRgb> greys;
    for (int i = 0; i < 256; ++i)
        greys << qRgb(i, i, i);
    return TestSupport::bitmapFile(40, width, height, 8, 1 /* RLE8 */, greys, QByteArray::fromHex("0001"));
}

// A comb of points / 2 - 1 slanted teeth across the window, closed outside it: every
// row of the window crosses it once a tooth. Across (teeth standing) or along (lying).
QByteArray comb(int points, bool lying)
{
    QByteArray list;
    const int teeth = points / 2 - 1;
    auto add = [&](int along, int across) {
        const int x = lying ? across : along;
        const int y = lying ? along : across;
        list += QByteArray::number(x) + ',' + QByteArray::number(y) + ", ";
    };
    const int length = lying ? 126 : 295;
    for (int i = 0; i < teeth; ++i) {
        const int at = -5 + i * length / teeth;
        add(at, -3);
        add(at + 1, lying ? 280 : 120);
    }
    add(length, lying ? 290 : 130);
    add(-10, lying ? 290 : 130);
    return list;
}

// The polygons for the main window, and for the equalizer too when both fit in the
// largest skin file read.
QByteArray region(const QList<int>& counts, const QByteArray& points, bool equalizer = true)
{
    QByteArray numbers;
    for (const int count : counts)
        numbers += QByteArray::number(count) + ',';
    numbers.chop(1);
    QByteArray text;
    for (const char* section : { "Normal", "Equalizer" }) {
        if (equalizer || text.isEmpty())
            text += QByteArray("[") + section + "]\r\nNumPoints=" + numbers + "\r\nPointList=" + points + "\r\n";
    }
    return text;
}

// Two combs of points each, one standing and one lying, that cross each other at
// nearly every tooth.
QByteArray crossingCombs(int points)
{
    return region({ points, points }, comb(points, false) + comb(points, true));
}

// Large overlapping triangles, each from the top edge to the bottom.
QByteArray triangles(int count)
{
    QByteArray points;
    points.reserve(count * 24);
    for (int i = 0; i < count; ++i) {
        const int x = (i * 37) % 275;
        points += QByteArray::number(x) + ",0," + QByteArray::number(x + 40) + ",116," + QByteArray::number(x - 40)
            + ",116, ";
    }
    return region(QList<int>(count, 3), points, false);
}

bool write(const QString& path, const QByteArray& mainBitmap, const QList<std::pair<QString, QByteArray>>& files)
{
    ZipWriter zip(path);
    if (!mainBitmap.isEmpty())
        zip.addFile(QStringLiteral("main.bmp"), mainBitmap);
    for (const auto& [name, bytes] : files)
        zip.addFile(name, bytes);
    return zip.close();
}

} // namespace

QList<Made> make(const QString& folder, const QString& realMainBitmap, QString* error)
{
    QFile main(realMainBitmap);
    if (!main.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1").arg(realMainBitmap);
        return {};
    }
    const QByteArray mainBitmap = main.readAll();
    const QDir dir(folder);
    QList<Made> made;
    auto add = [&](const QString& name, const QString& what, const QByteArray& bitmap,
                   const QList<std::pair<QString, QByteArray>>& files) {
        const QString path = dir.filePath(name);
        if (!write(path, bitmap, files))
            *error = QStringLiteral("cannot write %1").arg(path);
        made << Made { path, what };
    };

    // Every bitmap of the look, main.bmp too, claiming 32 Mi pixels.
    QList<std::pair<QString, QByteArray>> bombs;
    const QByteArray bomb = claimingBitmap(5792, 5792);
    for (const char* file : SpriteTable::bitmapFiles)
        bombs << std::pair { QString::fromLatin1(file), bomb };
    add(QStringLiteral("bitmap-bomb.wsz"), QStringLiteral("every bitmap claiming 5792 × 5792 pixels"), {}, bombs);
    add(QStringLiteral("crossing-800.wsz"), QStringLiteral("region.txt: two crossing polygons of 800 points"),
        mainBitmap, { { QStringLiteral("region.txt"), crossingCombs(800) } });
    add(QStringLiteral("triangles.wsz"), QStringLiteral("region.txt: 100,000 triangles"), mainBitmap,
        { { QStringLiteral("region.txt"), triangles(100000) } });
    add(QStringLiteral("crossing-10000.wsz"), QStringLiteral("region.txt: two crossing polygons of 10,000 points"),
        mainBitmap, { { QStringLiteral("region.txt"), crossingCombs(10000) } });
    return error->isEmpty() ? made : QList<Made>();
}

} // namespace HostileSkins
