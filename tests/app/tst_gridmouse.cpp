// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/bigview.h"
#include "app/winamplookview.h"
#include "settings/settingskeys.h"
#include "tests/support/gridwindow.h"
#include "tests/support/zipwriter.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <QWheelEvent>

#include <memory>

using namespace TestSupport;

namespace {

const QStringList mainEntries = {
    QStringLiteral("このﾌｫﾙﾀﾞを開く(&O)"),
    QStringLiteral("Skinを追加する"),
    QStringLiteral("-"),
    QStringLiteral("Hadrelの終了(&X)"),
    QStringLiteral("元に戻す(&Z)"),
};
const QStringList contextEntries = {
    QStringLiteral("削除(&D)"),
    QStringLiteral("名前の変更(&R)"),
    QStringLiteral("-"),
    QStringLiteral("WINAMPで使う(&U)"),
    QStringLiteral("このSkinでWINAMPを起動する(&E)"),
    QStringLiteral("Winampでの見た目(&L)"),
    QStringLiteral("Readmeを読む(&M)"),
    QStringLiteral("似ているSkinを探す(&I)"),
};

// A turn of the wheel as the window system delivers it: to the widget under the pointer,
// passed on to its parents while none takes it.
void wheel(QWidget* over, int angle)
{
    QWheelEvent event(QPointF(5, 5), over->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, angle), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    // Only a spontaneous event is passed on, and sendEvent would clear that.
    QSpontaneKeyEvent::setSpontaneous(&event);
    QApplication::instance()->notify(over, &event);
}

} // namespace

class TestGridMouse : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void clickSelectsTheCellsSkin();
    void clickWithoutAMatchKeepsTheSelection();
    void clickPicksTheFirstEqualEntry();
    void doubleClickOpensTheEnlargedView_data();
    void doubleClickOpensTheEnlargedView();
    void rightButtonShowsTheContextMenu_data();
    void rightButtonShowsTheContextMenu();
    void chosenCommandRunsInTheContextState();
    void lookCommandShowsTheFramedSkin_data();
    void lookCommandShowsTheFramedSkin();
    void wheelAndKeysCrossPages();

private:
    GridWindow& open(int skins);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<GridWindow> m_grid;
};

void TestGridMouse::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestGridMouse::cleanup()
{
    m_grid.reset();
    m_dir.reset();
}

GridWindow& TestGridMouse::open(int skins)
{
    makeNumberedSkins(m_dir->path(), skins);
    m_grid = std::make_unique<GridWindow>(m_dir->path());
    if (!m_grid->showActive())
        QTest::qFail("the main window never became active", __FILE__, __LINE__);
    return *m_grid;
}

void TestGridMouse::clickSelectsTheCellsSkin()
{
    GridWindow& grid = open(5);
    frmmain& w = grid.window;
    w.Skin_Name[0]->setFocus();
    QVERIFY(w.Skin_Name[0]->hasFocus());

    QTest::mouseClick(w.Skin_Preview[3], Qt::LeftButton);
    QCOMPARE(w.Skin_Lst->currentRow(), 3);
    QVERIFY(w.Skin_Lst->currentItem()->isSelected());
    QCOMPARE(grid.state.Selected_Skin, QStringLiteral("Skin03"));
    QCOMPARE(grid.window.selectedCell(), 3);
    QVERIFY(w.findChild<QWidget*>(QStringLiteral("PreviewGrid"))->hasFocus());

    QTest::mouseClick(w.Skin_Preview[3], Qt::LeftButton);
    QCOMPARE(w.Skin_Lst->currentRow(), 3);
    QCOMPARE(grid.window.selectedCell(), 3);
    QCOMPARE(grid.loaded.size(), 5);
}

void TestGridMouse::clickWithoutAMatchKeepsTheSelection()
{
    GridWindow& grid = open(5);
    frmmain& w = grid.window;
    // A name box that gains the focus selects its skin: focus it first.
    w.Skin_Name[4]->setFocus();
    w.Skin_Lst->setCurrentRow(1);

    // An empty cell.
    QTest::mouseClick(w.Skin_Preview[8], Qt::LeftButton);
    QCOMPARE(w.Skin_Lst->currentRow(), 1);
    QCOMPARE(grid.window.selectedCell(), 1);
    QVERIFY(w.findChild<QWidget*>(QStringLiteral("PreviewGrid"))->hasFocus());

    // A name being edited, differing from its entry in case only.
    w.Skin_Name[2]->setText(QStringLiteral("skin02"));
    QTest::mouseClick(w.Skin_Preview[2], Qt::LeftButton);
    QCOMPARE(w.Skin_Lst->currentRow(), 1);
    QCOMPARE(grid.window.selectedCell(), 1);
    QVERIFY(w.findChild<QWidget*>(QStringLiteral("PreviewGrid"))->hasFocus());

    // The frame is put back on the selected skin's cell first, wherever it stood.
    w.SelectSq->move(w.Skin_Preview[10]->pos());
    QTest::mouseClick(w.Skin_Preview[9], Qt::LeftButton);
    QCOMPARE(grid.window.selectedCell(), 1);
}

void TestGridMouse::clickPicksTheFirstEqualEntry()
{
    GridWindow& grid = open(5);
    frmmain& w = grid.window;
    {
        const QSignalBlocker blocker(w.Skin_Lst);
        w.Skin_Lst->addItem(QStringLiteral("Skin02"));
        w.Skin_Lst->insertItem(0, QStringLiteral("Skin02"));
    }
    QTest::mouseClick(w.Skin_Preview[2], Qt::LeftButton);
    QCOMPARE(w.Skin_Lst->currentRow(), 0);
    QCOMPARE(grid.state.Selected_Skin, QStringLiteral("Skin02"));
}

void TestGridMouse::doubleClickOpensTheEnlargedView_data()
{
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("shown");
    QTest::newRow("filled cell") << 2 << "Skin02";
    QTest::newRow("empty cell: the skin selected before") << 7 << "Skin04";
}

void TestGridMouse::doubleClickOpensTheEnlargedView()
{
    QFETCH(int, cell);
    QFETCH(QString, shown);
    GridWindow& grid = open(5);
    frmmain& w = grid.window;
    w.Skin_Lst->setCurrentRow(4);

    QString caption;
    bool picture = false;
    whenOpen(this, [&](QWidget* open) {
        auto* view = qobject_cast<Big_View*>(open);
        if (!view) {
            open->close();
            return;
        }
        caption = view->windowTitle();
        picture = !view->Big_Skin->pixmap().isNull();
        view->Close_Button->click();
    });
    doubleClick(w.Skin_Preview[cell]);
    QCOMPARE(caption, QStringLiteral("拡大表示 - ") + shown);
    QVERIFY(picture);
    QCOMPARE(w.Skin_Lst->currentItem()->text(), shown);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestGridMouse::rightButtonShowsTheContextMenu_data()
{
    QTest::addColumn<int>("skins");
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("selected"); // the row selected once the menu is up
    QTest::newRow("another skin's cell") << 5 << 3 << 3;
    QTest::newRow("the selected skin's cell") << 5 << 1 << 1;
    QTest::newRow("empty cell") << 5 << 9 << 1;
    QTest::newRow("empty list") << 0 << 0 << -1;
}

void TestGridMouse::rightButtonShowsTheContextMenu()
{
    QFETCH(int, skins);
    QFETCH(int, cell);
    QFETCH(int, selected);
    GridWindow& grid = open(skins);
    frmmain& w = grid.window;
    if (skins > 0)
        w.Skin_Lst->setCurrentRow(1);
    const int framed = w.selectedCell();
    QCOMPARE(visibleEntries(w.FileMenu), mainEntries);

    QList<QSignalSpy*> spies;
    spies.append(new QSignalSpy(w.Open_, &QAction::triggered));
    for (QAction* action : w.file)
        spies.append(new QSignalSpy(action, &QAction::triggered));

    QWidget* popup = nullptr;
    QStringList during;
    int rowDuring = -2;
    whenOpen(this, [&](QWidget* open) {
        popup = open;
        during = visibleEntries(w.FileMenu);
        rowDuring = w.Skin_Lst->currentRow();
        QTest::keyClick(open, Qt::Key_Escape);
    });
    QTest::mousePress(w.Skin_Preview[cell], Qt::RightButton);
    QTest::mouseRelease(w.Skin_Preview[cell], Qt::RightButton);

    QCOMPARE(popup, w.FileMenu);
    QCOMPARE(during, contextEntries);
    QCOMPARE(visibleEntries(w.FileMenu), mainEntries);
    QVERIFY(!w.file[1]->isVisible());
    // A skin under the pointer is selected before the menu comes up; an empty cell leaves
    // the framed skin.
    QCOMPARE(rowDuring, selected);
    QCOMPARE(w.selectedCell(), selected < 0 ? framed : selected);
    for (QSignalSpy* spy : std::as_const(spies))
        QCOMPARE(spy->count(), 0);
    qDeleteAll(spies);
}

void TestGridMouse::chosenCommandRunsInTheContextState()
{
    GridWindow& grid = open(3);
    frmmain& w = grid.window;
    QStringList whileRunning;
    int runs = 0;
    connect(w.file[3], &QAction::triggered, this, [&] {
        ++runs;
        whileRunning = visibleEntries(w.FileMenu);
    });
    whenOpen(this, [](QWidget* open) {
        QTest::keyClick(open, Qt::Key_Down);
        QTest::keyClick(open, Qt::Key_Down);
        QTest::keyClick(open, Qt::Key_Return);
    });
    QTest::mousePress(w.Skin_Preview[0], Qt::RightButton);
    QTest::mouseRelease(w.Skin_Preview[0], Qt::RightButton);
    QCOMPARE(runs, 1);
    QCOMPARE(whileRunning, contextEntries);
    QCOMPARE(visibleEntries(w.FileMenu), mainEntries);
    QVERIFY(!QApplication::activePopupWidget());
}

void TestGridMouse::lookCommandShowsTheFramedSkin_data()
{
    QTest::addColumn<bool>("archive");
    QTest::newRow("folder") << false;
    QTest::newRow("archive") << true;
}

void TestGridMouse::lookCommandShowsTheFramedSkin()
{
    QFETCH(bool, archive);
    const QString folder = slashed(m_dir->path());
    QVERIFY(makeSkin(folder, "Aqua") && makeSkin(folder, "Red", "main.bmp", Qt::red));
    const QByteArray red = readAll(folder + "Red/main.bmp");
    if (archive) {
        ZipWriter zip(folder + "Red.wsz");
        zip.addFile("Red/MAIN.BMP", red); // in a folder, in capitals, as real ones are
        QVERIFY(zip.close() && QDir(folder + "Red").removeRecursively());
    }
    m_grid = std::make_unique<GridWindow>(folder);
    QTest::mouseClick(m_grid->window.Skin_Preview[1], Qt::LeftButton);
    WinampLookView::availableHeight = [](const QWidget*) { return 1050; }; // room for 2x
    QString title;
    QImage shown;
    whenOpen(this, [&](QWidget* popup) {
        whenOpen(this, [&](QWidget* view) {
            title = view->windowTitle();
            if (auto* look = qobject_cast<WinampLookView*>(view)) {
                shown = look->Look_Picture->pixmap().toImage();
                QTest::keyClick(look, Qt::Key_1); // remembered for the next opening
            }
            view->close();
        });
        QTest::keyClick(popup, Qt::Key_L);
    });
    QTest::mousePress(m_grid->window.Skin_Preview[1], Qt::RightButton);
    QCOMPARE(title, QStringLiteral("Winampでの見た目 - Red") + (archive ? ".wsz" : ""));
    const QImage look = WinampLook::stacked(SkinFiles({ { QStringLiteral("main.bmp"), red } }));
    QCOMPARE(shown.convertToFormat(look.format()), look.scaled(look.size() * 2));
    QCOMPARE(SettingsKeys::read(SettingsKeys::lookScale), QStringLiteral("1"));
    QFile::remove(SettingsKeys::file());
}

void TestGridMouse::wheelAndKeysCrossPages()
{
    GridWindow& grid = open(30);
    frmmain& w = grid.window;
    QTest::mouseClick(w.Skin_Preview[11], Qt::LeftButton);
    QWidget* keys = QApplication::focusWidget();
    QVERIFY(keys && keys->isAncestorOf(w.Skin_Preview[0]));
    auto shows = [&w](int row, int cell) {
        return w.Skin_Lst->currentRow() == row && w.selectedCell() == cell
            && w.Skin_Name[cell]->text() == numberedSkin(row) && w.Skin_Name[0]->text() == numberedSkin(row - cell);
    };

    QTest::keyClick(keys, Qt::Key_Right);
    QVERIFY(shows(12, 0));
    QTest::keyClick(keys, Qt::Key_Up);
    QVERIFY(shows(9, 9));
    QTest::keyClick(keys, Qt::Key_Down);
    QTest::keyClick(keys, Qt::Key_Down);
    QVERIFY(shows(15, 3));
    QTest::keyClick(keys, Qt::Key_End);
    QVERIFY(shows(29, 5));
    QVERIFY(!w.Skin_Name[6]->isEnabled());
    QTest::keyClick(keys, Qt::Key_Right);
    QVERIFY(shows(29, 5));
    QTest::keyClick(keys, Qt::Key_Home);
    QVERIFY(shows(0, 0));
    QTest::keyClick(keys, Qt::Key_Left);
    QVERIFY(shows(0, 0));

    // Half notches add up; the wheel toward the user turns on, the same cell or the last.
    QTest::keyClick(keys, Qt::Key_Right);
    wheel(w.Skin_Preview[4], -60);
    QVERIFY(shows(1, 1));
    wheel(w.Skin_Preview[4], -60);
    QVERIFY(shows(13, 1));
    QTest::keyClick(keys, Qt::Key_Right);
    QTest::keyClick(keys, Qt::Key_Right);
    QTest::keyClick(keys, Qt::Key_Right);
    QTest::keyClick(keys, Qt::Key_Right);
    QTest::keyClick(keys, Qt::Key_Right);
    wheel(w.Skin_Name[2], -120);
    QVERIFY(shows(29, 5));
    wheel(w.Skin_Name[2], -120);
    QVERIFY(shows(29, 5));
    wheel(w.Skin_Preview[0], 240);
    QVERIFY(shows(5, 5));

    // A name box being edited keeps the keys it uses.
    w.Skin_Name[1]->setFocus();
    QVERIFY(shows(1, 1));
    QTest::keyClick(w.Skin_Name[1], Qt::Key_End);
    QTest::keyClick(w.Skin_Name[1], Qt::Key_Home);
    QVERIFY(shows(1, 1));

    QString caption;
    whenOpen(this, [&](QWidget* open) {
        caption = open->windowTitle();
        open->close();
    });
    keys->setFocus();
    QTest::keyClick(keys, Qt::Key_Return);
    QCOMPARE(caption, QStringLiteral("拡大表示 - Skin01"));
}

QTEST_MAIN(TestGridMouse)
#include "tst_gridmouse.moc"
