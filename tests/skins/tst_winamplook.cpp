// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/winamplookview.h"
#include "skins/previewimage.h"
#include "skins/skinregion.h"
#include "skins/skinscan.h"
#include "skins/winamplook.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace TestSupport;

namespace {

QImage bitmap(const QString& skinFolder, const QString& name)
{
    return PreviewImage::load(SkinScan::findSkinFile(skinFolder, name));
}

QImage fallback(const QString& name)
{
    QFile file(QStringLiteral(":/hadrel/fallback/") + name);
    return file.open(QIODevice::ReadOnly) ? PreviewImage::decodeBmp(file.readAll()) : QImage();
}

QString realSkin(const QString& name)
{
    return slashed(QDir(sharedSkinsFolder()).filePath(name));
}

// Qt's own aliased fill of a section's polygons, all at once by the winding rule: what the
// pixel grid must give.
QImage qtFill(const QByteArray& text, const QString& section)
{
    static const QRegularExpression number(QStringLiteral("-?\\d+"));
    QList<int> counts, points;
    bool inSection = false;
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromLatin1(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inSection = line.compare(QLatin1Char('[') + section + QLatin1Char(']'), Qt::CaseInsensitive) == 0;
        const QString key = line.section(QLatin1Char('='), 0, 0).trimmed().toLower();
        if (!inSection || !line.contains(QLatin1Char('=')) || line.startsWith(QLatin1Char(';'))
            || (key != QLatin1String("numpoints") && key != QLatin1String("pointlist")))
            continue;
        QList<int>& values = key == QLatin1String("numpoints") ? counts : points;
        if (!values.isEmpty())
            continue;
        for (auto it = number.globalMatch(line.section(QLatin1Char('='), 1)); it.hasNext();)
            values << it.next().captured().toInt();
    }
    QPainterPath shape;
    shape.setFillRule(Qt::WindingFill);
    for (qsizetype next = 0; const int count : std::as_const(counts)) {
        QPolygonF polygon;
        for (int i = 0; i < count && next + 1 < points.size(); ++i, next += 2)
            polygon << QPointF(points[next], points[next + 1]);
        shape.addPolygon(polygon);
        shape.closeSubpath();
    }
    QImage mask(275, 116, QImage::Format_Alpha8);
    mask.fill(0);
    QPainter(&mask).fillPath(shape, Qt::black);
    return shape.isEmpty() ? QImage() : mask;
}

} // namespace

class TestWinampLook : public QObject
{
    Q_OBJECT
private slots:
    void spritesComeFromTheirBitmaps_data();
    void spritesComeFromTheirBitmaps();
    void missingAndDamagedFilesFallBackOneByOne();
    void smallBitmapsLeaveBlackAndTheTitleStaysInItsField();
    void regionShapesMainWindowAndEqualizer();
    void regionIsQtsFillOnRealSkins_data();
    void regionIsQtsFillOnRealSkins();
    void regionPointsAreCapped();
    void regionIsReadAndFilledAsWindowsDoes();
    void pleditTextIsReadAsWinampReadsIt();
    void viewShowsTheThreeDoubledAndEscapeCloses();
};

void TestWinampLook::spritesComeFromTheirBitmaps_data()
{
    QTest::addColumn<QString>("skin");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QPoint>("source");
    QTest::addColumn<QPoint>("target");
    // Upper-case file names. Stopped, Winamp shows no time: main.bmp shows there.
    QTest::newRow("DinoCity play button") << "CR2JPN-DinoCity"
                                          << "cbuttons.bmp" << QPoint(34, 9) << QPoint(50, 97);
    QTest::newRow("DinoCity no time") << "CR2JPN-DinoCity"
                                      << "main.bmp" << QPoint(52, 31) << QPoint(52, 31);
    QTest::newRow("DinoCity stopped") << "CR2JPN-DinoCity"
                                      << "playpaus.bmp" << QPoint(22, 4) << QPoint(30, 32);
    QTest::newRow("Topaz strip beside stop") << "TopazAmp1-2"
                                             << "playpaus.bmp" << QPoint(27, 0) << QPoint(24, 28);
    QTest::newRow("Topaz no position bar") << "TopazAmp1-2"
                                           << "main.bmp" << QPoint(30, 76) << QPoint(30, 76);
    QTest::newRow("Topaz eject button") << "TopazAmp1-2"
                                        << "cbuttons.bmp" << QPoint(114, 0) << QPoint(136, 89);
    QTest::newRow("Topaz no time") << "TopazAmp1-2"
                                   << "main.bmp" << QPoint(63, 32) << QPoint(63, 32);
    QTest::newRow("Topaz no visualiser") << "TopazAmp1-2"
                                         << "main.bmp" << QPoint(26, 44) << QPoint(26, 44);
    // The song title is 16 glyphs, then blanks (column 30 of text.bmp) to the 31st.
    QTest::newRow("Topaz song title filled") << "TopazAmp1-2"
                                             << "text.bmp" << QPoint(152, 3) << QPoint(193, 30);
    QTest::newRow("Turquoise volume frame 21") << "XMMS-Turquoise"
                                               << "volume.bmp" << QPoint(16, 21 * 15 + 5) << QPoint(123, 62);
    QTest::newRow("Topaz volume thumb at 147") << "TopazAmp1-2"
                                               << "volume.bmp" << QPoint(20, 426) << QPoint(152, 62);
    // Below 116: the equalizer, then the playlist editor from 232.
    QTest::newRow("Topaz equalizer slider frame 14 at 0 dB") << "TopazAmp1-2"
                                                             << "eqmain.bmp" << QPoint(25, 266) << QPoint(33, 116 + 75);
    QTest::newRow("Topaz equalizer title inactive") << "TopazAmp1-2"
                                                    << "eqmain.bmp" << QPoint(126, 149) << QPoint(126, 116);
    QTest::newRow("Topaz playlist title at 87 inactive") << "TopazAmp1-2"
                                                         << "pledit.bmp" << QPoint(60, 31) << QPoint(121, 232 + 10);
    QTest::newRow("Topaz running time filled") << "TopazAmp1-2"
                                               << "text.bmp" << QPoint(151, 2) << QPoint(193, 232 + 90);
    QTest::newRow("Topaz mini time cleared") << "TopazAmp1-2"
                                             << "text.bmp" << QPoint(142, 2) << QPoint(189, 232 + 103);
    QTest::newRow("Topaz mini time colon kept") << "TopazAmp1-2"
                                                << "pledit.bmp" << QPoint(209, 95) << QPoint(208, 232 + 101);
    QTest::newRow("Topaz title bar") << "TopazAmp1-2"
                                     << "titlebar.bmp" << QPoint(127, 5) << QPoint(100, 5);
    QTest::newRow("Topaz equalizer lit") << "TopazAmp1-2"
                                         << "shufrep.bmp" << QPoint(5, 78) << QPoint(224, 63);
}

void TestWinampLook::spritesComeFromTheirBitmaps()
{
    QFETCH(QString, skin);
    QFETCH(QString, file);
    QFETCH(QPoint, source);
    QFETCH(QPoint, target);
    const QImage look = target.y() < 116
        ? WinampLook::mainWindowOf(realSkin(skin))
        : WinampLook::stacked(SkinFiles::fromFolder(realSkin(skin), WinampLook::fileNames()));
    const QImage from = bitmap(realSkin(skin), file);
    QVERIFY2(!from.isNull(), qPrintable(file));
    QCOMPARE(look.width(), 275);
    QCOMPARE(QColor(look.pixel(target)), QColor(from.pixel(source)));
}

void TestWinampLook::missingAndDamagedFilesFallBackOneByOne()
{
    QTemporaryDir temp;
    const QString skin = slashed(temp.path());
    const QString real = realSkin(QStringLiteral("TopazAmp1-2"));
    QVERIFY(QFile::copy(real + QStringLiteral("Main.bmp"), skin + QStringLiteral("main.bmp")));

    // Only main.bmp: the background is the skin's, every other picture ours.
    const QImage main = bitmap(skin, QStringLiteral("main.bmp"));
    QImage look = WinampLook::mainWindowOf(skin);
    QCOMPARE(QColor(look.pixel(2, 110)), QColor(main.pixel(2, 110)));
    QCOMPARE(QColor(look.pixel(39, 88)), QColor(fallback(QStringLiteral("cbuttons.bmp")).pixel(23, 0)));
    const QImage all = WinampLook::stacked(SkinFiles::fromFolder(skin, WinampLook::fileNames()));
    QCOMPARE(all.size(), QSize(275, 348));
    QCOMPARE(QColor(all.pixel(3, 116 + 50)), QColor(fallback(QStringLiteral("eqmain.bmp")).pixel(3, 50)));

    // A damaged cbuttons.bmp counts as missing; the good title bar beside it still shows.
    QByteArray buttons = readAll(real + QStringLiteral("Cbuttons.bmp"));
    buttons.truncate(buttons.size() / 2);
    QVERIFY(writeFile(skin + QStringLiteral("CBUTTONS.BMP"), buttons));
    QVERIFY(QFile::copy(real + QStringLiteral("Titlebar.bmp"), skin + QStringLiteral("titlebar.bmp")));
    look = WinampLook::mainWindowOf(skin);
    QCOMPARE(QColor(look.pixel(39, 88)), QColor(fallback(QStringLiteral("cbuttons.bmp")).pixel(23, 0)));
    QCOMPARE(QColor(look.pixel(100, 5)), QColor(bitmap(real, QStringLiteral("titlebar.bmp")).pixel(127, 5)));
}

void TestWinampLook::smallBitmapsLeaveBlackAndTheTitleStaysInItsField()
{
    QTemporaryDir temp;
    const QString skin = slashed(temp.path());
    QVERIFY(writeBitmap(skin + QStringLiteral("main.bmp"), Qt::red));
    QVERIFY(writeBitmap(skin + QStringLiteral("text.bmp"), Qt::blue, 155, 18));
    // A window first, so that the next one's pixels are likely to start out as its red.
    QCOMPARE(QColor(WinampLook::mainWindowOf(skin).pixel(150, 80)), QColor(Qt::red));
    QVERIFY(writeBitmap(skin + QStringLiteral("main.bmp"), Qt::red, 100, 50));
    const QImage look = WinampLook::mainWindowOf(skin);
    QCOMPARE(QColor(look.pixel(60, 45)), QColor(Qt::red));
    QCOMPARE(QColor(look.pixel(150, 80)), QColor(Qt::black));
    // The field is 154 pixels wide: the 31st glyph shows four of its five columns.
    QCOMPARE(QColor(look.pixel(264, 29)), QColor(Qt::blue));
    QCOMPARE(QColor(look.pixel(265, 29)), QColor(Qt::black));
}

void TestWinampLook::regionShapesMainWindowAndEqualizer()
{
    // Paper-Amp's polygons leave out the top-left corners of both windows.
    const QImage all
        = WinampLook::stacked(SkinFiles::fromFolder(realSkin(QStringLiteral("Paper-Amp")), WinampLook::fileNames()));
    QCOMPARE(qAlpha(all.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(all.pixel(8, 58)), 255);
    QCOMPARE(qAlpha(all.pixel(0, 116 + 30)), 0);
    QCOMPARE(qAlpha(all.pixel(0, 232)), 255); // the playlist has no region
}

void TestWinampLook::regionIsQtsFillOnRealSkins_data()
{
    QTest::addColumn<QString>("skin");
    QTest::addColumn<QString>("section");
    for (const QString& skin : sharedSkinNames()) {
        if (SkinScan::findSkinFile(realSkin(skin), QStringLiteral("region.txt")).isEmpty())
            continue;
        for (const char* section : { "Normal", "Equalizer", "WindowShade" })
            QTest::addRow("%s %s", qPrintable(skin), section) << skin << QString::fromLatin1(section);
    }
}

void TestWinampLook::regionIsQtsFillOnRealSkins()
{
    QFETCH(QString, skin);
    QFETCH(QString, section);
    const QByteArray text = readAll(SkinScan::findSkinFile(realSkin(skin), QStringLiteral("region.txt")));
    const QImage ours = SkinRegion::mask(text, section, QSize(275, 116));
    QCOMPARE(ours, qtFill(text, section));
}

void TestWinampLook::regionPointsAreCapped()
{
    // A comb of slanted teeth that crosses every row hundreds of times, at the limit of
    // one polygon, beside a polygon of one point repeated: drawn as Qt fills the comb.
    QByteArray comb;
    for (int i = 0; i < SkinRegion::maxPolygonPoints / 2 - 1; ++i)
        comb += QByteArray::number(i * 290 / 4999 - 5) + ",-3," + QByteArray::number(i * 290 / 4999 - 4) + ",120,";
    comb += "300,130,-10,130";
    const QByteArray dot = QByteArray("7,7,").repeated(SkinRegion::maxPoints - SkinRegion::maxPolygonPoints);
    auto region = [&](const QByteArray& counts, const QByteArray& extra) {
        return "[Normal]\nNumPoints=" + counts + "\nPointList=" + comb + "," + dot + extra + "\n";
    };
    const QByteArray counts = QByteArray::number(SkinRegion::maxPolygonPoints) + ","
        + QByteArray::number(SkinRegion::maxPoints - SkinRegion::maxPolygonPoints);
    const QImage atCap = SkinRegion::mask(region(counts, {}), QStringLiteral("Normal"), QSize(275, 116));
    QVERIFY(!atCap.isNull());
    const QByteArray combOnly
        = "[Normal]\nNumPoints=" + QByteArray::number(SkinRegion::maxPolygonPoints) + "\nPointList=" + comb + "\n";
    QCOMPARE(atCap, qtFill(combOnly, QStringLiteral("Normal")));
    // One point more is ignored, as any region that does not add up: the window stays square.
    QVERIFY(SkinRegion::mask(region(counts + ",1", "9,9"), QStringLiteral("Normal"), QSize(275, 116)).isNull());
}

void TestWinampLook::regionIsReadAndFilledAsWindowsDoes()
{
    auto inside = [](const QByteArray& pointList, QPoint at, const QByteArray& counts = "5") {
        const QImage mask = SkinRegion::mask(
            "[normal]\nNumPoints=" + counts + "\nNumPoints=1\nPointList=" + pointList, "Normal", QSize(275, 116));
        return !mask.isNull() && qAlpha(mask.pixel(at)) == 255;
    };
    // A star winds round its middle twice: filled by the winding rule, hollow by even-odd.
    const QByteArray star = "50,10 74,84\t12,38, 88,38 26,84";
    QVERIFY(inside(star, { 50, 50 }) && inside(star, { 50, 20 }));
    // All polygons at once: squares wound the same way overlap filled, opposite ways hollow.
    QVERIFY(inside("0,0 40,0 40,40 0,40 20,20 60,20 60,60 20,60", { 30, 30 }, "4,4"));
    const QByteArray opposite = "0,0 40,0 40,40 0,40 20,20 20,60 60,60 60,20";
    QVERIFY(!inside(opposite, { 30, 30 }, "4,4") && inside(opposite, { 50, 50 }, "4,4"));
    // A region one pixel wide is a region, in the middle of a row as at its end.
    QVERIFY(inside("101,0 102,0 102,116 101,116", { 101, 50 }, "4") && !inside("101,0 102,0 102,116 101,116", { 102, 50 }, "4"));
    QVERIFY(inside("274,0 275,0 275,116 274,116", { 274, 50 }, "4"));
    // Reading stops at any other character: then the counts disagree, the window is square.
    QVERIFY(!inside("50,10 74,84;12,38, 88,38 26,84", { 50, 20 }));
}

void TestWinampLook::pleditTextIsReadAsWinampReadsIt()
{
    const WinampLook::PlaylistText defaults = WinampLook::playlistText({});
    QCOMPARE(defaults.selectedBg, QColor(0, 0, 0xc6));
    const WinampLook::PlaylistText text = WinampLook::playlistText(
        "[TEXT]\r\nNormal = #112233 \r\nnormal=#445566\r\nCurrent=\r\nNormalBG=1234567\r\nSelectedBG=#12g4\r\n");
    QCOMPARE(text.normal, QColor(0x11, 0x22, 0x33)); // the first key of a name
    QCOMPARE(text.current, defaults.current); // empty: the default
    QCOMPARE(text.normalBg, QColor(0x23, 0x45, 0x67)); // "#" optional, the low 24 bits
    QCOMPARE(text.selectedBg, QColor(0, 0, 0x12)); // the digits up to the first other character
    QCOMPARE(WinampLook::playlistText("[Text]\nNormal=#xyz").normal, QColor(Qt::black));
}

void TestWinampLook::viewShowsTheThreeDoubledAndEscapeCloses()
{
    const QString skin = realSkin(QStringLiteral("XMMS-Turquoise"));
    WinampLookView::availableHeight = [](const QWidget*) { return 1050; }; // room for 2x
    WinampLookView view(skin, QStringLiteral("XMMS-Turquoise"));
    QCOMPARE(view.windowTitle(), QStringLiteral("Winampでの見た目 - XMMS-Turquoise"));
    QTRY_VERIFY(view.pictureShown());
    const QImage shown = view.Look_Picture->pixmap().toImage();
    QCOMPARE(view.Look_Picture->size(), QSize(550, 696));
    const QImage look = WinampLook::stacked(SkinFiles::fromFolder(skin, WinampLook::fileNames()));
    QCOMPARE(QColor(shown.pixel(79, 177)), QColor(look.pixel(39, 88)));
    QCOMPARE(QColor(shown.pixel(78, 176)), QColor(look.pixel(39, 88)));

    view.show();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    QTest::keyClick(&view, Qt::Key_Escape);
    QTRY_VERIFY(!view.isVisible());
}

QTEST_MAIN(TestWinampLook)
#include "tst_winamplook.moc"
