// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/bigview.h"
#include "app/picturejobs.h"
#include "tests/support/gridwindow.h"

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace TestSupport;

namespace {

// What one opening of the enlarged view showed, read while it was open.
struct Seen
{
    QPointer<Big_View> view;
    QString caption;
    QImage picture;
    bool modal = false;
    bool buttonFocused = false;
    QWidget* owner = nullptr;
};

} // namespace

class TestBigView : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void designState();
    void onlyTheButtonOrTheCloseBoxCloses();
    void listDoubleClickShowsThatSkin();
    void mainWindowTakesNoInputMeanwhile();
    void everyOpeningStartsAfresh();
    void noEntrySelected();

private:
    GridWindow& open(int skins);
    // Runs open, reads the view it opens, then closes it with its button.
    Seen openAndRead(const std::function<void()>& open, const std::function<void(Big_View*)>& meanwhile = {});

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<GridWindow> m_grid;
};

void TestBigView::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestBigView::cleanup()
{
    m_grid.reset();
    m_dir.reset();
}

GridWindow& TestBigView::open(int skins)
{
    makeNumberedSkins(m_dir->path(), skins);
    m_grid = std::make_unique<GridWindow>(m_dir->path());
    if (!m_grid->showActive())
        QTest::qFail("the main window never became active", __FILE__, __LINE__);
    return *m_grid;
}

Seen TestBigView::openAndRead(const std::function<void()>& open, const std::function<void(Big_View*)>& meanwhile)
{
    Seen seen;
    whenOpen(this, [&](QWidget* widget) {
        auto* view = qobject_cast<Big_View*>(widget);
        if (!view) {
            widget->close();
            return;
        }
        seen.view = view;
        seen.caption = view->windowTitle();
        seen.picture = view->Big_Skin->pixmap().toImage();
        seen.modal = view->isModal() && QApplication::activeModalWidget() == view;
        seen.owner = view->parentWidget();
        // The window system activates the new window a moment after it shows.
        seen.buttonFocused = QTest::qWaitFor([view] { return view->Close_Button->hasFocus(); }, 5000);
        if (meanwhile)
            meanwhile(view);
        view->Close_Button->click();
    });
    open();
    return seen;
}

void TestBigView::designState()
{
    Big_View view;
    QCOMPARE(view.windowTitle(), QStringLiteral("拡大"));
    QVERIFY(view.isModal());
    QCOMPARE(view.minimumSize(), QSize(414, 209));
    QCOMPARE(view.maximumSize(), QSize(414, 209));
    QVERIFY(!(view.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(view.windowFlags() & Qt::WindowCloseButtonHint);
    QCOMPARE(view.Big_Skin->geometry(), QRect(0, 0, 413, 174));
    QVERIFY(view.Big_Skin->hasScaledContents());
    QVERIFY(view.Big_Skin->pixmap().isNull());
    QCOMPARE(view.Close_Button->geometry(), QRect(162, 177, 97, 31));
    QCOMPARE(view.Close_Button->text(), QStringLiteral("閉じる(&C)"));
    QVERIFY(!view.Close_Button->isDefault());

    // Any picture fills the whole box, whatever its shape.
    QImage square(30, 30, QImage::Format_RGB32);
    square.fill(Qt::red);
    PictureJobs::setSynchronous(true);
    view.loadPicture([square] { return square; });
    QCOMPARE(view.Big_Skin->pixmap().size(), view.Big_Skin->contentsRect().size());
    view.loadPicture([] { return QImage(); });
    PictureJobs::setSynchronous(false);
    QVERIFY(view.Big_Skin->pixmap().isNull());
}

void TestBigView::onlyTheButtonOrTheCloseBoxCloses()
{
    Big_View view;
    int answered = 0;

    whenOpen(this, [&](QWidget* open) {
        QTest::keyClick(open, Qt::Key_Escape);
        QTest::keyClick(view.Close_Button, Qt::Key_Escape);
        answered += view.isVisible() ? 1 : 0;
        QTest::keyClick(&view, Qt::Key_C, Qt::AltModifier);
    });
    view.exec();
    QCOMPARE(answered, 1);
    QVERIFY(!view.isVisible());

    whenOpen(this, [&](QWidget*) {
        ++answered;
        view.close(); // the title bar's close box
    });
    view.exec();
    QCOMPARE(answered, 2);

    whenOpen(this, [&](QWidget*) {
        ++answered;
        QTest::mouseClick(view.Close_Button, Qt::LeftButton);
    });
    view.exec();
    QCOMPARE(answered, 3);
}

void TestBigView::listDoubleClickShowsThatSkin()
{
    GridWindow& grid = open(4);
    frmmain& w = grid.window;
    const QRect row2 = w.Skin_Lst->visualItemRect(w.Skin_Lst->item(2));
    const Seen seen = openAndRead([&] { doubleClick(w.Skin_Lst->viewport(), row2.center()); });

    QCOMPARE(seen.caption, QStringLiteral("拡大表示 - Skin02"));
    QVERIFY(seen.modal);
    QVERIFY(seen.buttonFocused);
    QCOMPARE(seen.picture.size(), QSize(411, 172));
    QCOMPARE(seen.picture.pixel(200, 80), numberedSkinColour(2).rgb());
    QCOMPARE(grid.loaded.last(), slashed(m_dir->path()) + "Skin02/main.bmp");
    QVERIFY2(!seen.view, "closing the view unloads it");
}

void TestBigView::mainWindowTakesNoInputMeanwhile()
{
    GridWindow& grid = open(4);
    frmmain& w = grid.window;
    // Through the window system, which is where a modal window blocks input.
    QWindow* window = w.windowHandle();
    auto clickCell = [&](int cell) {
        const QPoint centre = w.Skin_Preview[cell]->mapTo(&w, w.Skin_Preview[cell]->rect().center());
        QTest::mouseClick(window, Qt::LeftButton, {}, centre);
    };
    clickCell(3);
    QCOMPARE(w.Skin_Lst->currentRow(), 3);

    int rowMeanwhile = -1;
    const Seen seen = openAndRead([&] { w.skinListDoubleClicked(); },
        [&](Big_View*) {
            clickCell(1);
            QTest::keyClick(window, Qt::Key_Down);
            rowMeanwhile = w.Skin_Lst->currentRow();
        });
    QCOMPARE(seen.caption, QStringLiteral("拡大表示 - Skin03"));
    QCOMPARE(seen.owner, &w);
    QVERIFY(seen.modal);
    QCOMPARE(rowMeanwhile, 3);
}

void TestBigView::everyOpeningStartsAfresh()
{
    GridWindow& grid = open(2);
    frmmain& w = grid.window;
    QVERIFY(makeSkin(m_dir->path(), "Skin01b", "Region.txt"));
    w.Skin_Rescan();
    w.Skin_Lst->setCurrentRow(1);

    const Seen first = openAndRead([&] { w.previewDoubleClicked(1); });
    QCOMPARE(first.caption, QStringLiteral("拡大表示 - Skin01"));
    QVERIFY(!first.picture.isNull());
    QVERIFY(!first.view);

    w.Skin_Lst->setCurrentRow(2);
    const Seen second = openAndRead([&] { w.previewDoubleClicked(2); });
    QCOMPARE(second.caption, QStringLiteral("拡大表示 - Skin01b"));
    QVERIFY2(second.picture.isNull(), "no trace of the first picture");
    QVERIFY(!second.view);
}

void TestBigView::noEntrySelected()
{
    // The skin folder's own main.bmp is no skin's picture.
    QVERIFY(writeBitmap(m_dir->filePath("main.bmp"), Qt::yellow));
    GridWindow& grid = open(2);
    frmmain& w = grid.window;
    w.Skin_Lst->setCurrentRow(-1);
    const int loads = grid.loaded.size();

    const Seen seen = openAndRead([&] { w.skinListDoubleClicked(); });
    QCOMPARE(seen.caption, QStringLiteral("拡大表示 - "));
    QVERIFY(seen.picture.isNull());
    QCOMPARE(grid.loaded.size(), loads);
}

QTEST_MAIN(TestBigView)
#include "tst_bigview.moc"
