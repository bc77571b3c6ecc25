// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmmain.h"
#include "app/previewcell.h"
#include "app/statuspanels.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace TestSupport;

class TestFrmMain : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void windowIsFixedAndCaptioned();
    void controlsStandWhereDesigned();
    void statusPanelsByKey();
    void menuTree();
    void menuBarFileMenuShowsItsEntries();
    void tabOrder();
    void f5ReachesRefresh();
    void pageChangeWhileANameBoxHasTheFocus();
    void scanListsRealSkins();
    void scanSelectsFirstThroughTheList();
    void scanOfEmptyFolder();
    void scanRestoresThePointer();

private:
    PageState m_state;
    frmmain* m_window = nullptr;
    QTemporaryDir* m_dir = nullptr;
};

void TestFrmMain::init()
{
    m_state = PageState();
    m_dir = new QTemporaryDir;
    m_window = new frmmain(m_state, m_dir->path());
}

void TestFrmMain::cleanup()
{
    delete m_window;
    m_window = nullptr;
    delete m_dir;
    m_dir = nullptr;
}

void TestFrmMain::windowIsFixedAndCaptioned()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Hadrel"));
    QCOMPARE(m_window->centralWidget()->size() + QSize(0, m_window->statusBar()->height()), QSize(630, 382));
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    QCOMPARE(m_window->width(), 630);
    const Qt::WindowFlags flags = m_window->windowFlags();
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowSystemMenuHint);
    QVERIFY(!m_window->windowIcon().isNull());

    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_window->resize(900, 700);
    QCOMPARE(m_window->width(), 630);
    QCOMPARE(m_window->centralWidget()->size(), QSize(630, 364));
}

void TestFrmMain::controlsStandWhereDesigned()
{
    QCOMPARE(m_window->Skin_Lst->geometry(), QRect(3, 0, 142, 364));
    // Where a control stands in the client area, whatever holds it.
    const auto inClient = [this](const QWidget* widget) {
        return QRect(widget->mapTo(m_window->centralWidget(), QPoint(0, 0)), widget->size());
    };
    const int lefts[3] = { 153, 312, 471 };
    const int tops[4] = { 6, 96, 186, 279 };
    for (int i = 0; i < 12; ++i) {
        const QRect picture(lefts[i % 3], tops[i / 3], 146, 60);
        QCOMPARE(inClient(m_window->Skin_Preview[i]), picture);
        QCOMPARE(inClient(m_window->Skin_Name[i]), QRect(picture.left(), picture.bottom() + 1, 145, 19));
        QVERIFY(m_window->Skin_Preview[i]->hasScaledContents());
        QCOMPARE(m_window->Skin_Preview[i]->objectName(), QStringLiteral("Skin_Preview_%1").arg(i));
        QCOMPARE(m_window->Skin_Name[i]->objectName(), QStringLiteral("Skin_Name_%1").arg(i));
    }
    QCOMPARE(m_window->Skin_Name[0]->palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(inClient(m_window->SelectSq), QRect(153, 6, 148, 82));
    QVERIFY(m_window->SelectSq->testAttribute(Qt::WA_TransparentForMouseEvents));
    QVERIFY(m_window->Skin_Lst->uniformItemSizes());
    QVERIFY(!m_window->Skin_Lst->isSortingEnabled());
}

void TestFrmMain::statusPanelsByKey()
{
    StatusPanels* bar = m_window->WINAMP_Path;
    QCOMPARE(bar->height(), 18);
    QLabel* path = bar->panel("path");
    QLabel* skin = bar->panel("skin");
    QVERIFY(path && skin);
    QCOMPARE(path->text(), QStringLiteral(" "));
    QCOMPARE(path->toolTip(), QStringLiteral("現在のSkinフォルダ"));
    QCOMPARE(skin->text(), QStringLiteral("Skin数:"));
    QCOMPARE(skin->toolTip(), QStringLiteral("Skinの数"));
    QCOMPARE(skin->width(), 96);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QVERIFY2(path->x() < skin->x(), "path stands left of skin");
    QVERIFY2(path->width() > 400, "path takes the rest of the bar");
    QCOMPARE(m_window->currentFolder(), QString());
}

void TestFrmMain::menuTree()
{
    const QList<QAction*> top = m_window->menuBar()->actions();
    QCOMPARE(top.size(), 3);
    QCOMPARE(top[0]->text(), QStringLiteral("ﾌｧｲﾙ(&F)"));
    QCOMPARE(top[1]->text(), QStringLiteral("表示(&V)"));
    QCOMPARE(top[2]->text(), QStringLiteral("ﾍﾙﾌﾟ(&H)"));

    struct Entry
    {
        QString caption;
        bool visible;
        bool enabled;
        bool separator;
        bool checkable = false;
    };
    auto check = [](QMenu* menu, const QList<Entry>& expected) {
        const QList<QAction*> actions = menu->actions();
        QCOMPARE(actions.size(), expected.size());
        for (int i = 0; i < actions.size(); ++i) {
            const QString where = QStringLiteral("%1 entry %2").arg(menu->title()).arg(i);
            QVERIFY2(actions[i]->isSeparator() == expected[i].separator, qPrintable(where));
            if (!expected[i].separator)
                QVERIFY2(actions[i]->text() == expected[i].caption, qPrintable(where + ": " + actions[i]->text()));
            QVERIFY2(actions[i]->isVisible() == expected[i].visible, qPrintable(where));
            // Qt reports a hidden action as disabled; it comes back enabled when shown.
            if (expected[i].visible)
                QVERIFY2(actions[i]->isEnabled() == expected[i].enabled, qPrintable(where));
            QVERIFY2(!actions[i]->isChecked(), qPrintable(where));
            QVERIFY2(actions[i]->isCheckable() == expected[i].checkable, qPrintable(where));
        }
    };
    check(m_window->FileMenu,
        { { "このﾌｫﾙﾀﾞを開く(&O)", true, true, false }, { "Skinを追加する", true, true, false },
            { "-", false, true, true }, { "削除(&D)", false, true, false }, { "名前の変更(&R)", false, true, false },
            { "-", true, true, true }, { "WINAMPで使う(&U)", false, true, false },
            { "このSkinでWINAMPを起動する(&E)", false, true, false }, { "Hadrelの終了(&X)", true, true, false },
            { "Winampでの見た目(&L)", false, true, false }, { "ﾌｫﾙﾀﾞに展開(&X)", false, true, false },
            { "元に戻す(&Z)", true, false, false }, { "Readmeを読む(&M)", false, true, false }, { "似ているSkinを探す(&I)", false, true, false } });
    check(m_window->ViewMenu,
        { { "最新の情報に更新(&R)", true, true, false }, { "登録フォルダ(&R)", true, true, false },
            { "-", true, true, true }, { "Hadrel設定(&O)...", true, true, false }, { "-", true, true, true },
            { "Winampでの見た目で表示(&W)", true, true, false, true }, { "-", true, true, true },
            { "Skinを探す(&S)...", true, true, false }, { "ランダムに選ぶ(&N)", true, true, false },
            { "重複を探す(&D)...", true, true, false } });
    check(m_window->RegMenu,
        { { "", true, true, false }, { "", true, false, false }, { "", true, false, false }, { "", true, false, false },
            { "", true, false, false } });
    check(m_window->mnuHelp,
        { { "目次(&C)", true, true, false }, { "-", true, true, true },
            { "Hadrelについて(&A)...", true, true, false } });

    // The arrays hold the entries by their indices.
    QCOMPARE(m_window->FileMenu->actions().mid(1, 8), QList<QAction*>(m_window->file.begin(), m_window->file.end()));
    QCOMPARE(m_window->view[1]->menu(), m_window->RegMenu);
    QCOMPARE(m_window->RegMenu->actions(), QList<QAction*>(m_window->Reg.begin(), m_window->Reg.end()));
    QCOMPARE(m_window->view[0]->shortcut(), QKeySequence(Qt::Key_F5));
}

void TestFrmMain::menuBarFileMenuShowsItsEntries()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_window->FileMenu->popup(QPoint(10, 10));
    QTRY_VERIFY(m_window->FileMenu->isVisible());
    QStringList shown;
    for (QAction* action : m_window->FileMenu->actions()) {
        if (!m_window->FileMenu->actionGeometry(action).isEmpty())
            shown << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    m_window->FileMenu->close();
    QCOMPARE(shown, (QStringList { "このﾌｫﾙﾀﾞを開く(&O)", "Skinを追加する", "-", "Hadrelの終了(&X)", "元に戻す(&Z)" }));
}

void TestFrmMain::tabOrder()
{
    QWidget* w = m_window->Skin_Lst;
    for (int i = 0; i < 12; ++i) {
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus)
            w = w->nextInFocusChain();
        QCOMPARE(w, static_cast<QWidget*>(m_window->Skin_Name[i]));
    }
    for (PreviewCell* cell : m_window->Skin_Preview)
        QCOMPARE(cell->focusPolicy(), Qt::NoFocus);
}

void TestFrmMain::f5ReachesRefresh()
{
    QTemporaryDir skins;
    QVERIFY(makeSkin(skins.path(), "One"));
    m_window->makeCurrentFolder(slashed(skins.path()));
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));

    QSignalSpy spy(m_window->view[0], &QAction::triggered);
    QVERIFY(makeSkin(skins.path(), "Two"));
    // From the list and from a name box alike.
    m_window->Skin_Lst->setFocus();
    QTest::keyClick(m_window->Skin_Lst, Qt::Key_F5);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(m_window->Skin_Lst->count(), 2);
    QVERIFY(makeSkin(skins.path(), "Three"));
    m_window->Skin_Name[4]->setFocus();
    QTest::keyClick(m_window->Skin_Name[4], Qt::Key_F5);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(m_window->Skin_Lst->count(), 3);
}

void TestFrmMain::pageChangeWhileANameBoxHasTheFocus()
{
    QTemporaryDir skins;
    for (int i = 0; i < 30; ++i)
        QVERIFY(makeSkin(skins.path(), QStringLiteral("Skin%1").arg(i, 2, 10, QLatin1Char('0')), QString()));
    for (int i = 0; i < 30; ++i)
        QVERIFY(writeFile(skins.path() + QStringLiteral("/Skin%1/Region.txt").arg(i, 2, 10, QLatin1Char('0')), "1"));
    m_window->makeCurrentFolder(slashed(skins.path()));
    m_window->Skin_Rescan();
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));

    QListWidget* list = m_window->Skin_Lst;
    m_window->Skin_Name[3]->setFocus();
    QTRY_VERIFY(m_window->Skin_Name[3]->hasFocus());
    QCOMPARE(list->currentItem()->text(), QStringLiteral("Skin03"));

    // The rebuilt grid disables the focused box; the focus passing along the boxes that
    // still show the old page is nobody choosing one of their skins.
    list->setCurrentRow(15);
    QCOMPARE(list->currentRow(), 15);
    QCOMPARE(m_window->state().Page_Shown, 1);
    QCOMPARE(m_window->Skin_Name[3]->text(), QStringLiteral("Skin15"));
    QCOMPARE(m_window->SelectSq->pos(), m_window->Skin_Preview[3]->pos());
    QTest::keyClick(list, Qt::Key_F5);
    QCOMPARE(list->currentRow(), 0);
    QVERIFY(QDir(skins.path()).exists("Skin03"));
}

void TestFrmMain::scanListsRealSkins()
{
    QTemporaryDir skins;
    QVERIFY(copySharedSkins(skins.path()));
    m_window->makeCurrentFolder(slashed(skins.path()));
    QCOMPARE(m_window->windowTitle(), "Hadrel - " + slashed(skins.path()));
    m_window->Skin_Rescan();
    QCOMPARE(m_window->Skin_Lst->count(), 8);
    QCOMPARE(m_window->Skin_Lst->item(0)->text(), QStringLiteral("base-2.91"));
    QCOMPARE(m_window->Skin_Lst->item(7)->text(), QStringLiteral("yaxay-crwhobbesw"));
    QCOMPARE(m_window->WINAMP_Path->panel("skin")->text(), QStringLiteral("Skin数:8"));
    QCOMPARE(m_window->Skin_Lst->currentRow(), 0);
}

void TestFrmMain::scanSelectsFirstThroughTheList()
{
    QTemporaryDir skins;
    for (const char* name : { "b", "A", "c" })
        QVERIFY(makeSkin(skins.path(), name));
    m_window->makeCurrentFolder(slashed(skins.path()));
    m_window->Skin_Lst->addItem("stale"); // whatever the list held goes
    m_window->Skin_Lst->setCurrentRow(0);
    QSignalSpy spy(m_window->Skin_Lst, &QListWidget::currentRowChanged);
    m_state.Page_Current = 5;
    m_state.Cell_Last = 3;
    m_state.Page_Shown = 5;
    m_window->Skin_Rescan();
    // Emptying the list is not a selection change; selecting item 0 is, exactly once.
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 0);
    QCOMPARE(m_window->Skin_Lst->count(), 3);
    QCOMPARE(m_window->Skin_Lst->item(0)->text(), QStringLiteral("A"));
    QCOMPARE(m_window->Skin_Lst->item(1)->text(), QStringLiteral("b"));
    QCOMPARE(m_window->Skin_Lst->item(2)->text(), QStringLiteral("c"));
    QCOMPARE(m_window->SelectSq->pos(), m_window->Skin_Preview[0]->pos());
}

void TestFrmMain::scanOfEmptyFolder()
{
    QTemporaryDir skins;
    m_window->makeCurrentFolder(slashed(skins.path()));
    m_window->SelectSq->move(m_window->Skin_Preview[5]->pos());
    for (auto* name : m_window->Skin_Name)
        name->setText("old");
    QSignalSpy spy(m_window->Skin_Lst, &QListWidget::currentRowChanged);
    m_window->Skin_Rescan();
    QCOMPARE(spy.count(), 0);
    QCOMPARE(m_window->Skin_Lst->count(), 0);
    QCOMPARE(m_window->WINAMP_Path->panel("skin")->text(), QStringLiteral("Skin数:0"));
    QCOMPARE(m_window->SelectSq->pos(), m_window->Skin_Preview[0]->pos());
    for (auto* name : m_window->Skin_Name)
        QCOMPARE(name->text(), QString());
    QCOMPARE(m_state.Page_Shown, -1);
    QCOMPARE(m_state.Page_Current, 0);
    QCOMPARE(m_state.Cell_Last, 11);

    // No folder at all.
    m_window->makeCurrentFolder(QString());
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Hadrel - "));
    m_window->Skin_Rescan();
    QCOMPARE(m_window->WINAMP_Path->panel("skin")->text(), QStringLiteral("Skin数:0"));
}

void TestFrmMain::scanRestoresThePointer()
{
    QTemporaryDir skins;
    QVERIFY(makeSkin(skins.path(), "One"));
    bool hourglassDuringScan = false;
    connect(m_window->Skin_Lst, &QListWidget::currentRowChanged, this, [&] {
        hourglassDuringScan
            = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    });
    m_window->makeCurrentFolder(slashed(skins.path()));
    m_window->Skin_Rescan();
    QVERIFY(hourglassDuringScan);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    m_window->makeCurrentFolder(slashed(skins.path()) + "missing/");
    m_window->Skin_Rescan();
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
