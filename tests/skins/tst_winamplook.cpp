// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/winamplookview.h"
#include "skins/previewimage.h"
#include "skins/skinscan.h"
#include "skins/winamplook.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QLabel>
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

} // namespace

class TestWinampLook : public QObject
{
    Q_OBJECT
private slots:
    void spritesComeFromTheirBitmaps_data();
    void spritesComeFromTheirBitmaps();
    void missingAndDamagedFilesFallBackOneByOne();
    void regionShapesMainWindowAndEqualizer();
    void viewShowsTheThreeDoubledAndEscapeCloses();
};

void TestWinampLook::spritesComeFromTheirBitmaps_data()
{
    QTest::addColumn<QString>("skin");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QPoint>("source");
    QTest::addColumn<QPoint>("target");
    // Upper-case file names; nums_ex.bmp only.
    QTest::newRow("DinoCity play button") << "CR2JPN-DinoCity"
                                          << "cbuttons.bmp" << QPoint(34, 9) << QPoint(50, 97);
    QTest::newRow("DinoCity first digit") << "CR2JPN-DinoCity"
                                          << "nums_ex.bmp" << QPoint(4, 5) << QPoint(52, 31);
    QTest::newRow("DinoCity stopped") << "CR2JPN-DinoCity"
                                      << "playpaus.bmp" << QPoint(22, 4) << QPoint(30, 32);
    // Both numbers.bmp and nums_ex.bmp: Winamp takes nums_ex.bmp.
    QTest::newRow("Topaz eject button") << "TopazAmp1-2"
                                        << "cbuttons.bmp" << QPoint(114, 0) << QPoint(136, 89);
    QTest::newRow("Topaz first digit") << "TopazAmp1-2"
                                       << "nums_ex.bmp" << QPoint(2, 0) << QPoint(50, 26);
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
    const QImage look = WinampLook::mainWindowOf(realSkin(skin));
    const QImage from = bitmap(realSkin(skin), file);
    QVERIFY2(!from.isNull(), qPrintable(file));
    QCOMPARE(look.size(), QSize(275, 116));
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
