// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/skinscan.h"
#include "tests/support/gridwindow.h"

#include <QFile>
#include <QListWidget>
#include <QSemaphore>
#include <QTest>

#include <memory>

using namespace TestSupport;

class TestGrid : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void lastPageHoldsOneSkin();
    void fullLastPage();
    void onePageIsReadOnce();
    void stepOntoTheNextPage();
    void emptyList();
    void listEmptiedAfterAPageWasShown();
    void skinWithoutBitmapShowsItsName();
    void hourglassDuringTheWorkOnly();
    void realSkinsShowTheirPictures();
    void exactNameWinsOverOtherCase();
    void damagedBitmapsLeaveTheCellEmpty();
    void pageChangeNeverWaitsForItsPictures();

private:
    GridWindow& open();
    QString folder() const { return slashed(m_dir->path()); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<GridWindow> m_grid;
};

void TestGrid::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestGrid::cleanup()
{
    m_grid.reset();
    m_dir.reset();
}

GridWindow& TestGrid::open()
{
    m_grid = std::make_unique<GridWindow>(folder());
    return *m_grid;
}

void TestGrid::lastPageHoldsOneSkin()
{
    QVERIFY(makeNumberedSkins(folder(), 25));
    GridWindow& grid = open();
    frmmain& w = grid.window;
    QCOMPARE(grid.loaded.size(), 12);

    w.Skin_Lst->setCurrentRow(24);
    const PageState& s = grid.state;
    QCOMPARE(s.Selected_Skin, QStringLiteral("Skin24"));
    QCOMPARE(s.Page_Last, 2);
    QCOMPARE(s.Page_Current, 2);
    QCOMPARE(s.Cell_Last, 0);
    QCOMPARE(s.Page_Shown, 2);
    QCOMPARE(grid.loaded.size(), 13);
    QCOMPARE(w.Skin_Name[0]->text(), QStringLiteral("Skin24"));
    QVERIFY(w.Skin_Name[0]->isEnabled());
    QVERIFY(grid.hasPicture(0));
    for (int i = 1; i < frmmain::cellCount; ++i) {
        QVERIFY2(w.Skin_Name[i]->text().isEmpty(), qPrintable(QString::number(i)));
        QVERIFY(!w.Skin_Name[i]->isEnabled());
        QVERIFY(!grid.hasPicture(i));
    }
    QCOMPARE(grid.window.selectedCell(), 0);

    // Back to the first page: the cells fill and enable again.
    w.Skin_Lst->setCurrentRow(4);
    QCOMPARE(grid.loaded.size(), 25);
    for (int i = 0; i < frmmain::cellCount; ++i) {
        QCOMPARE(w.Skin_Name[i]->text(), numberedSkin(i));
        QVERIFY(w.Skin_Name[i]->isEnabled());
        QVERIFY(grid.hasPicture(i));
    }
    QCOMPARE(grid.window.selectedCell(), 4);
}

void TestGrid::fullLastPage()
{
    QVERIFY(makeNumberedSkins(folder(), 24));
    GridWindow& grid = open();
    grid.window.Skin_Lst->setCurrentRow(23);
    QCOMPARE(grid.state.Page_Last, 1);
    QCOMPARE(grid.state.Page_Current, 1);
    QCOMPARE(grid.state.Cell_Last, 11);
    for (int i = 0; i < frmmain::cellCount; ++i) {
        QCOMPARE(grid.window.Skin_Name[i]->text(), numberedSkin(12 + i));
        QVERIFY(grid.window.Skin_Name[i]->isEnabled());
        QVERIFY(grid.hasPicture(i));
    }
    QCOMPARE(grid.window.selectedCell(), 11);
}

void TestGrid::onePageIsReadOnce()
{
    QVERIFY(makeNumberedSkins(folder(), 12));
    GridWindow& grid = open();
    frmmain& w = grid.window;
    QCOMPARE(grid.loaded.size(), 12);
    QCOMPARE(grid.state.Page_Shown, 0);
    QCOMPARE(grid.window.selectedCell(), 0);

    for (int row : { 11, 5, 0, 7 }) {
        w.Skin_Lst->setCurrentRow(row);
        QCOMPARE(grid.window.selectedCell(), row);
        QCOMPARE(grid.state.Selected_Skin, numberedSkin(row));
    }
    QVERIFY(grid.showActive());
    w.Skin_Lst->setFocus();
    QTest::keyClick(w.Skin_Lst, Qt::Key_Down);
    QCOMPARE(w.Skin_Lst->currentRow(), 8);
    QCOMPARE(grid.window.selectedCell(), 8);
    QTest::keyClick(w.Skin_Lst, Qt::Key_End);
    QCOMPARE(grid.window.selectedCell(), 11);
    QCOMPARE(grid.loaded.size(), 12);
}

void TestGrid::stepOntoTheNextPage()
{
    QVERIFY(makeNumberedSkins(folder(), 30));
    GridWindow& grid = open();
    frmmain& w = grid.window;
    w.Skin_Lst->setCurrentRow(11);
    QCOMPARE(grid.loaded.size(), 12);
    QCOMPARE(grid.window.selectedCell(), 11);

    w.Skin_Lst->setCurrentRow(12);
    QCOMPARE(grid.loaded.size(), 24);
    QCOMPARE(grid.state.Page_Shown, 1);
    for (int i = 0; i < frmmain::cellCount; ++i)
        QCOMPARE(w.Skin_Name[i]->text(), numberedSkin(12 + i));
    QCOMPARE(grid.window.selectedCell(), 0);
    QCOMPARE(grid.loaded.first(), folder() + "Skin00/main.bmp");
    QCOMPARE(grid.loaded.last(), folder() + "Skin23/main.bmp");

    // The cell shows the picture of its own skin.
    const QImage shown = w.Skin_Preview[3]->pixmap().toImage();
    QCOMPARE(shown.pixel(70, 30), numberedSkinColour(15).rgb());
}

void TestGrid::emptyList()
{
    GridWindow& grid = open();
    frmmain& w = grid.window;
    QCOMPARE(w.Skin_Lst->count(), 0);
    QCOMPARE(grid.window.selectedCell(), 0);

    // Another handler runs the selection change on the empty list.
    w.SelectSq->move(w.Skin_Preview[5]->pos());
    w.skinListSelectionChanged();
    const PageState& s = grid.state;
    QVERIFY(s.Selected_Skin.isEmpty());
    QCOMPARE(s.Page_Current, -1);
    QCOMPARE(s.Page_Last, -1);
    QCOMPARE(s.Cell_Last, 11);
    QCOMPARE(s.Page_Shown, -1);
    QVERIFY(grid.loaded.isEmpty());
    QCOMPARE(grid.window.selectedCell(), 0); // the first cell whose name is empty
}

void TestGrid::listEmptiedAfterAPageWasShown()
{
    QVERIFY(makeNumberedSkins(folder(), 3));
    GridWindow& grid = open();
    frmmain& w = grid.window;
    w.Skin_Lst->setCurrentRow(2);
    w.Skin_Lst->clear();
    w.skinListSelectionChanged();
    // Page -1 has no items: nothing may be shown or enabled from it.
    QCOMPARE(grid.state.Page_Shown, -1);
    for (int i = 0; i < frmmain::cellCount; ++i) {
        QVERIFY(w.Skin_Name[i]->text().isEmpty());
        QVERIFY(!w.Skin_Name[i]->isEnabled());
        QVERIFY(!grid.hasPicture(i));
    }
    QCOMPARE(grid.window.selectedCell(), 0);
    QCOMPARE(grid.loaded.size(), 3);
}

void TestGrid::skinWithoutBitmapShowsItsName()
{
    QVERIFY(makeSkin(folder(), "Alpha"));
    QVERIFY(makeSkin(folder(), "Beta", "Region.txt"));
    QVERIFY(makeSkin(folder(), "Gamma"));
    GridWindow& grid = open();
    frmmain& w = grid.window;
    QCOMPARE(w.Skin_Name[1]->text(), QStringLiteral("Beta"));
    QVERIFY(w.Skin_Name[1]->isEnabled());
    QVERIFY(!grid.hasPicture(1));
    QVERIFY(grid.hasPicture(0));
    QVERIFY(grid.hasPicture(2));
    QCOMPARE(grid.loaded.size(), 2);

    w.Skin_Lst->setCurrentRow(1);
    QCOMPARE(grid.window.selectedCell(), 1);
    QCOMPARE(grid.state.Selected_Skin, QStringLiteral("Beta"));
}

void TestGrid::hourglassDuringTheWorkOnly()
{
    QVERIFY(makeNumberedSkins(folder(), 13));
    GridWindow& grid = open();
    QList<Qt::CursorShape> during;
    grid.onLoad = [&during] {
        const QCursor* cursor = QApplication::overrideCursor();
        during.append(cursor ? cursor->shape() : Qt::ArrowCursor);
    };
    grid.window.Skin_Lst->setCurrentRow(12);
    QCOMPARE(during, QList<Qt::CursorShape> { Qt::WaitCursor });
    QVERIFY(!QApplication::overrideCursor());
    grid.window.Skin_Lst->setCurrentRow(0);
    QCOMPARE(during.size(), 13);
    QVERIFY(!QApplication::overrideCursor());
}

void TestGrid::realSkinsShowTheirPictures()
{
    QVERIFY(copySharedSkins(folder()));
    GridWindow& grid = open();
    frmmain& w = grid.window;
    const QStringList names = sharedSkinNames();
    QCOMPARE(w.Skin_Lst->count(), names.size());

    int withPicture = 0;
    for (int i = 0; i < names.size(); ++i) {
        const QString name = w.Skin_Name[i]->text();
        QVERIFY(names.contains(name));
        const bool hasBitmap = !SkinScan::findSkinFile(folder() + name + '/', "main.bmp").isEmpty();
        QCOMPARE(grid.hasPicture(i), hasBitmap);
        if (!hasBitmap)
            continue;
        ++withPicture;
        const QImage picture = w.Skin_Preview[i]->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(picture.size(), w.Skin_Preview[i]->contentsRect().size());
        bool opaque = false;
        bool varied = false;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                opaque = opaque || qAlpha(picture.pixel(x, y)) > 0;
                varied = varied || picture.pixel(x, y) != picture.pixel(0, 0);
            }
        }
        QVERIFY2(opaque, qPrintable(name));
        QVERIFY2(varied, qPrintable(name));
    }
    QCOMPARE(withPicture, names.size() - 1);

    int png = 0;
    while (png < frmmain::cellCount && w.Skin_Name[png]->text() != "base-2.91-png")
        ++png;
    QVERIFY2(png < frmmain::cellCount, "the skin listed by its region file shows its name");
    QVERIFY(!grid.hasPicture(png));
}

void TestGrid::exactNameWinsOverOtherCase()
{
    QVERIFY(copyTree(sharedSkinsFolder() + "/My_Funny_Valentine", folder() + "My_Funny_Valentine"));
    GridWindow& grid = open();
    frmmain& w = grid.window;
    QCOMPARE(grid.loaded, QStringList { folder() + "My_Funny_Valentine/main.bmp" });

    const QSize size = w.Skin_Preview[0]->contentsRect().size();
    const QImage shown = w.Skin_Preview[0]->pixmap().toImage();
    const QImage exact = PreviewImage::stretched(QImage(folder() + "My_Funny_Valentine/main.bmp"), size).toImage();
    const QImage other = PreviewImage::stretched(QImage(folder() + "My_Funny_Valentine/main.BMP"), size).toImage();
    QVERIFY(exact != other);
    QCOMPARE(shown, exact);
}

void TestGrid::damagedBitmapsLeaveTheCellEmpty()
{
    QFile rle(sharedSkinsFolder() + "/base-2.91/MAIN.BMP");
    QVERIFY(rle.open(QIODevice::ReadOnly));
    const QByteArray rleBytes = rle.readAll();
    QFile flat(sharedSkinsFolder() + "/My_Funny_Valentine/main.bmp");
    QVERIFY(flat.open(QIODevice::ReadOnly));
    const QByteArray flatBytes = flat.readAll();

    const QList<std::pair<QString, QByteArray>> damaged = {
        { "b-empty", QByteArray() },
        { "c-headers", flatBytes.left(54) },
        { "d-rle-cut", rleBytes.left(rleBytes.size() / 2) },
        { "e-pixels-cut", flatBytes.left(flatBytes.size() - 100) },
        { "f-text", "just some text" },
    };
    QVERIFY(makeSkin(folder(), "a-good"));
    for (const auto& [name, bytes] : damaged) {
        QVERIFY(makeSkin(folder(), name, QString()));
        QVERIFY(writeFile(folder() + name + "/main.bmp", bytes));
    }
    GridWindow& grid = open();
    frmmain& w = grid.window;
    QVERIFY(grid.hasPicture(0));
    for (int i = 1; i <= int(damaged.size()); ++i) {
        QCOMPARE(w.Skin_Name[i]->text(), damaged[i - 1].first);
        QVERIFY(w.Skin_Name[i]->isEnabled());
        QVERIFY2(!grid.hasPicture(i), qPrintable(damaged[i - 1].first));
    }
}

void TestGrid::pageChangeNeverWaitsForItsPictures()
{
    QVERIFY(makeNumberedSkins(folder(), 30));
    GridWindow& grid = open();
    frmmain& w = grid.window;
    PictureJobs::setSynchronous(false);
    // A read that takes as long as the test wants; it holds nothing of the window, which
    // may be gone before it ends.
    struct Gate
    {
        QSemaphore open;
        QAtomicInt started;
    };
    auto gate = std::make_shared<Gate>();
    w.loadPicture = [gate](const QString& path) {
        gate->started.ref();
        gate->open.acquire();
        gate->open.release();
        return PreviewImage::load(path);
    };

    w.Skin_Lst->setCurrentRow(12);
    QCOMPARE(w.Skin_Name[0]->text(), numberedSkin(12));
    QVERIFY(!grid.hasPicture(0));
    QVERIFY(w.picturesPending());
    QTRY_VERIFY(gate->started > 0);

    // The next page drops this one: its pictures never show, not even in cells it left empty.
    w.Skin_Lst->setCurrentRow(24);
    QCOMPARE(w.Skin_Name[5]->text(), numberedSkin(29));
    gate->open.release();
    QTRY_VERIFY(!w.picturesPending());
    QCoreApplication::processEvents();
    for (int i = 0; i < frmmain::cellCount; ++i)
        QCOMPARE(grid.hasPicture(i), i < 6);
    QCOMPARE(w.Skin_Preview[2]->pixmap().toImage().pixel(70, 30), numberedSkinColour(26).rgb());

    // The window goes while a read is under way; the read ends harmlessly.
    gate->open.acquire();
    const int before = gate->started;
    w.Skin_Lst->setCurrentRow(0);
    QTRY_VERIFY(gate->started > before);
    m_grid.reset();
    gate->open.release();
    QVERIFY(PictureJobs::finishAll(10000));
    QCoreApplication::processEvents();
}

QTEST_MAIN(TestGrid)
#include "tst_grid.moc"
