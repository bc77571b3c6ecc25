// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/previewimage.h"
#include "skins/skinscan.h"
#include "tests/support/testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace TestSupport;

namespace {

QList<QRgb> pixelsOf(const QImage& image)
{
    QList<QRgb> pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            pixels.append(image.pixel(x, y));
    return pixels;
}

bool allOneColour(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb first = rgb.pixel(0, 0);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if (rgb.pixel(x, y) != first)
                return false;
    return true;
}

const QRgb red = qRgb(255, 0, 0);
const QRgb green = qRgb(0, 255, 0);
const QRgb blue = qRgb(0, 0, 255);
const QRgb black = qRgb(0, 0, 0);
const QRgb white = qRgb(255, 255, 255);

} // namespace

class TestPreviewImage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void decodesEveryLayout_data();
    void decodesEveryLayout();
    void rejectsMalformedHeadersAndStreams_data();
    void rejectsMalformedHeadersAndStreams();
    void realBitmapsDecodeAsQtDoes();
    void alphaIsIgnored();
    void damagedRealBitmapsAreNoPicture_data();
    void damagedRealBitmapsAreNoPicture();
    void otherFormatsAndNonFiles();
    void stretchesWithoutKeepingTheAspect();

private:
    QString realBitmap(const QString& skin) const;
    QTemporaryDir m_dir;
};

void TestPreviewImage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(copySharedSkins(m_dir.path()));
}

QString TestPreviewImage::realBitmap(const QString& skin) const
{
    return SkinScan::findSkinFile(slashed(m_dir.path()) + skin + QLatin1Char('/'), QStringLiteral("main.bmp"));
}

void TestPreviewImage::decodesEveryLayout_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QRgb>>("expected"); // row by row from the top

    // Bottom-up rows, each padded to 4 bytes.
    QTest::newRow("1 bit") << bitmapFile(40, 3, 2, 1, 0, { red, blue }, QByteArray::fromHex("20000000a0000000"))
                           << QSize(3, 2) << QList<QRgb> { blue, red, blue, red, red, blue };
    QTest::newRow("4 bits, top-down, short table")
        << bitmapFile(40, 3, -2, 4, 0, { black, white, green }, QByteArray::fromHex("2100000002200000")) << QSize(3, 2)
        << QList<QRgb> { green, white, black, black, green, green };
    QTest::newRow("8 bits, index past the table is black") << bitmapFile(40, 2, 1, 8, 0, { red, green },
        QByteArray::fromHex("01050000")) << QSize(2, 1) << QList<QRgb> { green, black };
    QList<QRgb> full(256, white);
    full[0] = red;
    full[1] = blue;
    QTest::newRow("8 bits, core header") << bitmapFile(12, 2, 1, 8, 0, full, QByteArray::fromHex("01000000"))
                                         << QSize(2, 1) << QList<QRgb> { blue, red };
    QTest::newRow("16 bits 5-5-5") << bitmapFile(40, 2, 1, 16, 0, {}, QByteArray::fromHex("007c1f00")) << QSize(2, 1)
                                   << QList<QRgb> { red, blue };
    QTest::newRow("16 bits 5-6-5 bit fields")
        << bitmapFile(40, 2, 1, 16, 3, {}, QByteArray::fromHex("e007ffff"), { 0xf800, 0x07e0, 0x001f }) << QSize(2, 1)
        << QList<QRgb> { green, white };
    // 5- and 6-bit channels scaled with rounding: 15 of 31 is 123, 16 is 132 (not 131).
    QTest::newRow("16 bits 5-5-5 rounded")
        << bitmapFile(40, 4, 1, 16, 0, {}, QByteArray::fromHex("0000003c0040007c")) << QSize(4, 1)
        << QList<QRgb> { black, qRgb(123, 0, 0), qRgb(132, 0, 0), red };
    QTest::newRow("16 bits 5-6-5 rounded")
        << bitmapFile(40, 2, 1, 16, 3, {}, QByteArray::fromHex("0004e003"), { 0xf800, 0x07e0, 0x001f }) << QSize(2, 1)
        << QList<QRgb> { qRgb(0, 130, 0), qRgb(0, 125, 0) };
    QTest::newRow("24 bits") << bitmapFile(40, 1, 2, 24, 0, {}, QByteArray::fromHex("01020300102030ff")) << QSize(1, 2)
                             << QList<QRgb> { qRgb(0x30, 0x20, 0x10), qRgb(3, 2, 1) };
    // Nine pixels: two groups of four taken at once, then the last on its own.
    QByteArray nine;
    QList<QRgb> nineColours;
    for (int i = 0; i < 9; ++i) {
        nine += char(i) + QByteArray(1, char(16 + i)) + char(32 + i);
        nineColours.append(qRgb(32 + i, 16 + i, i));
    }
    QTest::newRow("24 bits, nine in a row") << bitmapFile(40, 9, 1, 24, 0, {}, nine + '\0') << QSize(9, 1) << nineColours;
    QTest::newRow("32 bits, alpha mask, alpha 0") << bitmapFile(
        124, 2, 1, 32, 3, {}, QByteArray::fromHex("33221100ffffff00"), { 0xff0000, 0xff00, 0xff, 0xff000000 })
                                                  << QSize(2, 1) << QList<QRgb> { qRgb(0x11, 0x22, 0x33), white };
    // Run of two 1s, delta (+1, +1) to x 3 of the middle row, one 2, end of bitmap:
    // whatever the stream skips is colour 0.
    QTest::newRow("RLE8 with delta and early end")
        << bitmapFile(40, 4, 3, 8, 1, { green, red, blue },
               QByteArray::fromHex("020100020101"
                                   "01020001"))
        << QSize(4, 3) << QList<QRgb> { green, green, green, green, green, green, green, blue, red, red, green, green };
    QTest::newRow("RLE8 run past the width is cut")
        << bitmapFile(40, 2, 2, 8, 1, { green, red }, QByteArray::fromHex("0501000005010000")) << QSize(2, 2)
        << QList<QRgb> { red, red, red, red };
    QList<QRgb> sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen.append(qRgb(i * 16, 0, 0));
    QTest::newRow("RLE4 absolute and encoded runs") << bitmapFile(40, 8, 1, 4, 2, sixteen,
        QByteArray::fromHex("0005123450000379"
                            "0001")) << QSize(8, 1)
                                                    << QList<QRgb> { sixteen[1], sixteen[2], sixteen[3], sixteen[4],
                                                           sixteen[5], sixteen[7], sixteen[9], sixteen[7] };
}

void TestPreviewImage::decodesEveryLayout()
{
    QFETCH(QByteArray, file);
    QFETCH(QSize, size);
    QFETCH(QList<QRgb>, expected);
    const QImage image = PreviewImage::decodeBmp(file);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), size);
    QCOMPARE(pixelsOf(image), expected);
}

void TestPreviewImage::rejectsMalformedHeadersAndStreams_data()
{
    QTest::addColumn<QByteArray>("file");
    const QByteArray fourPixels = QByteArray::fromHex("00000000");
    QTest::newRow("no signature") << QByteArray("XM") + bitmapFile(40, 1, 1, 8, 0, { red }, fourPixels).mid(2);
    QTest::newRow("zero width") << bitmapFile(40, 0, 1, 8, 0, { red }, fourPixels);
    QTest::newRow("zero height") << bitmapFile(40, 1, 0, 8, 0, { red }, fourPixels);
    QTest::newRow("2 bits") << bitmapFile(40, 1, 1, 2, 0, { red }, fourPixels);
    QTest::newRow("JPEG inside") << bitmapFile(40, 1, 1, 24, 4, {}, fourPixels);
    QTest::newRow("RLE8 on 24 bits") << bitmapFile(40, 1, 1, 24, 1, {}, fourPixels);
    QTest::newRow("top-down RLE8") << bitmapFile(40, 1, -1, 8, 1, { red }, QByteArray::fromHex("01000001"));
    QTest::newRow("unknown header size") << bitmapFile(64, 1, 1, 24, 0, {}, fourPixels);
    QTest::newRow("table over 256") << bitmapFile(40, 1, 1, 8, 0, QList<QRgb>(257, red), fourPixels);
    QTest::newRow("mask with a gap") << bitmapFile(40, 1, 1, 32, 3, {}, fourPixels, { 0xf0f000, 0xff00, 0xff });
    QTest::newRow("masks cut off") << bitmapFile(40, 1, 1, 32, 3, {}, QByteArray());
    QTest::newRow("RLE8 without its end") << bitmapFile(40, 2, 2, 8, 1, { red }, QByteArray::fromHex("02000000"));
    QTest::newRow("RLE8 absolute run cut") << bitmapFile(40, 4, 1, 8, 1, { red }, QByteArray::fromHex("000400"));
    QTest::newRow("RLE4 delta cut") << bitmapFile(40, 4, 2, 4, 2, { red }, QByteArray::fromHex("000201"));
    QTest::newRow("huge RLE8") << bitmapFile(40, 20000, 20000, 8, 1, { red }, QByteArray::fromHex("0001"));
    // Far beyond any skin's sprite sheet, though a few bytes would decode it.
    QTest::newRow("RLE8 wider than any skin") << bitmapFile(40, 2049, 1, 8, 1, { red }, QByteArray::fromHex("0001"));
    QTest::newRow("RLE8 larger than any skin")
        << bitmapFile(40, 1100, 1000, 8, 1, { red }, QByteArray::fromHex("0001"));
    QByteArray planes = bitmapFile(40, 1, 1, 24, 0, {}, fourPixels);
    planes[26] = 2;
    QTest::newRow("two planes") << planes;
}

void TestPreviewImage::rejectsMalformedHeadersAndStreams()
{
    QFETCH(QByteArray, file);
    QVERIFY(PreviewImage::decodeBmp(file).isNull());
}

void TestPreviewImage::realBitmapsDecodeAsQtDoes()
{
    // These files are complete, where Qt's reader is right; ours must agree pixel for pixel.
    int compared = 0;
    const QStringList skins = sharedSkinNames();
    for (const QString& skin : skins) {
        const QString path = realBitmap(skin);
        if (path.isEmpty())
            continue;
        const QImage ours = PreviewImage::load(path);
        QVERIFY2(!ours.isNull(), qPrintable(path));
        QCOMPARE(ours.size(), QSize(275, 116));
        QVERIFY2(!allOneColour(ours), qPrintable(path));
        const QImage qts = QImage(path).convertToFormat(QImage::Format_RGB32);
        QVERIFY2(ours.convertToFormat(QImage::Format_RGB32) == qts, qPrintable(path));
        ++compared;
    }
    QCOMPARE(compared, 7);
    QVERIFY2(realBitmap(QStringLiteral("base-2.91-png")).isEmpty(), "MAIN.png is no main.bmp");
}

void TestPreviewImage::alphaIsIgnored()
{
    const QImage dino = PreviewImage::load(realBitmap(QStringLiteral("CR2JPN-DinoCity")));
    QVERIFY(!dino.isNull());
    QVERIFY(!dino.hasAlphaChannel());
    QVERIFY(!allOneColour(dino));

    // A 32-bit bitmap that declares an alpha mask and leaves alpha at 0: Qt makes it
    // transparent, Winamp and we show its colours.
    QByteArray pixels;
    for (int i = 0; i < 4; ++i)
        putU32(pixels, 0x00804020);
    const QByteArray file = bitmapFile(124, 2, 2, 32, 3, {}, pixels, { 0xff0000, 0xff00, 0xff, 0xff000000 });
    const QImage ours = PreviewImage::decodeBmp(file);
    QVERIFY(!ours.hasAlphaChannel());
    QCOMPARE(ours.pixel(1, 1), qRgb(0x80, 0x40, 0x20));
}

void TestPreviewImage::damagedRealBitmapsAreNoPicture_data()
{
    QTest::addColumn<QString>("skin");
    QTest::addColumn<int>("keep"); // bytes kept from the start; -1: all
    QTest::addColumn<QSize>("claimed"); // a size written over the header's, when valid
    QTest::newRow("empty") << "TopazAmp1-2" << 0 << QSize();
    QTest::newRow("file header only") << "TopazAmp1-2" << 14 << QSize();
    QTest::newRow("headers only") << "TopazAmp1-2" << 54 << QSize();
    QTest::newRow("cut in the palette") << "yaxay-crwhobbesw" << 54 + 500 << QSize();
    QTest::newRow("24 bits cut in the pixels") << "My_Funny_Valentine" << 60000 << QSize();
    QTest::newRow("24 bits short by one byte") << "My_Funny_Valentine" << 96101 << QSize();
    QTest::newRow("32 bits cut in the pixels") << "XMMS-Turquoise" << 100000 << QSize();
    QTest::newRow("RLE8 base cut in the stream") << "base-2.91" << 13000 << QSize();
    QTest::newRow("RLE8 base without end mark") << "base-2.91" << 26676 << QSize();
    QTest::newRow("RLE8 Paper-Amp cut in the stream") << "Paper-Amp" << 6000 << QSize();
    QTest::newRow("huge size claimed") << "My_Funny_Valentine" << -1 << QSize(30000, 30000);
    QTest::newRow("large size claimed") << "My_Funny_Valentine" << -1 << QSize(5000, 5000);
}

void TestPreviewImage::damagedRealBitmapsAreNoPicture()
{
    QFETCH(QString, skin);
    QFETCH(int, keep);
    QFETCH(QSize, claimed);
    QFile source(realBitmap(skin));
    QVERIFY(source.open(QIODevice::ReadOnly));
    QByteArray bytes = source.readAll();
    if (keep >= 0) {
        QVERIFY(keep < bytes.size());
        bytes.truncate(keep);
    }
    if (claimed.isValid()) {
        QByteArray size;
        putU32(size, quint32(claimed.width()));
        putU32(size, quint32(claimed.height()));
        bytes.replace(18, 8, size);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("main.bmp"));
    QVERIFY(writeFile(path, bytes));
    QVERIFY(PreviewImage::load(path).isNull());
}

void TestPreviewImage::otherFormatsAndNonFiles()
{
    QTemporaryDir dir;
    const QString root = slashed(dir.path());

    // Whatever Qt reads is welcome under the name main.bmp.
    QImage png(20, 10, QImage::Format_RGB32);
    png.fill(Qt::darkCyan);
    QVERIFY(png.save(root + "png.bmp", "PNG"));
    const QImage loaded = PreviewImage::load(root + "png.bmp");
    QCOMPARE(loaded.size(), QSize(20, 10));
    QCOMPARE(loaded.pixel(5, 5), QColor(Qt::darkCyan).rgb());

    QImage wide(2049, 1, QImage::Format_RGB32);
    wide.fill(Qt::darkCyan);
    QVERIFY(wide.save(root + "wide.bmp", "PNG"));
    QVERIFY(PreviewImage::load(root + "wide.bmp").isNull());

    QVERIFY(writeFile(root + "text.bmp", "not a picture at all"));
    QVERIFY(PreviewImage::load(root + "text.bmp").isNull());
    QVERIFY(PreviewImage::load(root + "missing.bmp").isNull());
    QVERIFY(PreviewImage::load(QString()).isNull());
    QVERIFY(QDir().mkpath(root + "folder.bmp"));
    QVERIFY(PreviewImage::load(root + "folder.bmp").isNull());
    // A FIFO without a writer would block an ordinary open for good.
    QCOMPARE(mkfifo(QFile::encodeName(root + "fifo.bmp").constData(), 0600), 0);
    QVERIFY(PreviewImage::load(root + "fifo.bmp").isNull());
}

void TestPreviewImage::stretchesWithoutKeepingTheAspect()
{
    const QImage image = PreviewImage::load(realBitmap(QStringLiteral("TopazAmp1-2")));
    const QPixmap cell = PreviewImage::stretched(image, QSize(146, 60));
    QCOMPARE(cell.size(), QSize(146, 60));
    QCOMPARE(PreviewImage::stretched(image, QSize(413, 174)).size(), QSize(413, 174));
    const QPixmap sharp = PreviewImage::stretched(image, QSize(100, 40), 2.0);
    QCOMPARE(sharp.size(), QSize(200, 80));
    QCOMPARE(sharp.deviceIndependentSize(), QSizeF(100, 40));
    QVERIFY(PreviewImage::stretched(QImage(), QSize(146, 60)).isNull());
}

QTEST_MAIN(TestPreviewImage)
#include "tst_previewimage.moc"
