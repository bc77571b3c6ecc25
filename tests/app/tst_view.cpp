// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmmain.h"
#include "app/previewcell.h"
#include "app/statuspanels.h"
#include "tests/support/storehelpers.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace TestSupport;

namespace {

QStringList listed(const QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

// What a user sees of the View menu: captions, enabled, checkable and checked states.
QStringList menuLook(const frmmain& w)
{
    QStringList look;
    for (const QMenu* menu : { w.ViewMenu, w.RegMenu }) {
        const auto actions = menu->actions();
        for (const QAction* a : actions)
            look << QStringLiteral("%1|%2|%3|%4")
                        .arg(a->text())
                        .arg(a->isEnabled())
                        .arg(a->isCheckable())
                        .arg(a->isChecked());
    }
    return look;
}

} // namespace

class TestView : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void f5RefreshesFromAnywhere_data();
    void f5RefreshesFromAnywhere();
    void refreshFromTheMenuStartsAtTheFirstPage();
    void registeredFolderBecomesCurrentWithOneSeparator_data();
    void registeredFolderBecomesCurrentWithOneSeparator();
    void choosingTheCurrentFolderRescansIt();
    void enabledEntryWithEmptyCaptionEmptiesTheFolder();
    void disabledEntriesCannotBeChosen();
    void submenuEntryAndSeparatorDoNothing();
    void winampLookIsShownInTheGridAndRemembered();

private:
    // Opens View > 登録フォルダ with the mouse and clicks entry i, as a user would.
    void clickRegisteredFolder(int i);
    // Sets a Reg caption the way loading the settings does: a folder enables its entry.
    void registerFolder(int i, const QString& folder);
    QString makeFolder(const QString& name, const QStringList& skins);
    void showActive();

    PageState m_state;
    std::unique_ptr<frmmain> m_window;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestView::init()
{
    m_state = PageState();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_window = std::make_unique<frmmain>(m_state, m_dir->path() + QStringLiteral("/program"));
}

void TestView::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

QString TestView::makeFolder(const QString& name, const QStringList& skins)
{
    const QString folder = slashed(m_dir->path() + QLatin1Char('/') + name);
    if (!QDir().mkpath(folder))
        return {};
    for (const QString& skin : skins) {
        if (!makeSkin(folder, skin))
            return {};
    }
    return folder;
}

void TestView::registerFolder(int i, const QString& folder)
{
    m_window->Reg[i]->setText(folder);
    if (!folder.isEmpty())
        m_window->Reg[i]->setEnabled(true);
}

void TestView::showActive()
{
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestView::clickRegisteredFolder(int i)
{
    QMenuBar* bar = m_window->menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(m_window->ViewMenu->menuAction()).center());
    QTRY_VERIFY(m_window->ViewMenu->isVisible());
    QMenu* view = m_window->ViewMenu;
    QTest::mouseClick(view, Qt::LeftButton, {}, view->actionGeometry(m_window->view[1]).center());
    QTRY_VERIFY(m_window->RegMenu->isVisible());
    QMenu* reg = m_window->RegMenu;
    QTest::mouseClick(reg, Qt::LeftButton, {}, reg->actionGeometry(m_window->Reg[i]).center());
    // A chosen entry closes the menus; a disabled one leaves them open, so close them.
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

void TestView::f5RefreshesFromAnywhere_data()
{
    QTest::addColumn<QString>("focus");
    QTest::newRow("skin list") << QStringLiteral("Skin_Lst");
    QTest::newRow("name box of another cell") << QStringLiteral("Skin_Name_5");
    QTest::newRow("the window itself") << QString();
}

void TestView::f5RefreshesFromAnywhere()
{
    QFETCH(QString, focus);
    const QString folder = makeFolder(QStringLiteral("skins"), { QStringLiteral("Beta"), QStringLiteral("alpha") });
    m_window->makeCurrentFolder(folder);
    m_window->Skin_Rescan();
    QCOMPARE(listed(m_window->Skin_Lst), QStringList({ QStringLiteral("alpha"), QStringLiteral("Beta") }));
    showActive();

    // The folder changes behind the program's back.
    QVERIFY(makeSkin(folder, QStringLiteral("Gamma")));
    QVERIFY(QDir(folder + QStringLiteral("alpha")).removeRecursively());
    m_window->Skin_Lst->setCurrentRow(1);

    QWidget* target = focus.isEmpty() ? static_cast<QWidget*>(m_window.get()) : m_window->findChild<QWidget*>(focus);
    QVERIFY2(target, qPrintable(focus));
    target->setFocus();
    QTest::keyClick(target, Qt::Key_F5);

    QCOMPARE(listed(m_window->Skin_Lst), QStringList({ QStringLiteral("Beta"), QStringLiteral("Gamma") }));
    QCOMPARE(m_window->Skin_Lst->currentRow(), 0);
    QCOMPARE(m_window->WINAMP_Path->panel(QStringLiteral("skin"))->text(), QStringLiteral("Skin数:2"));
    QCOMPARE(m_window->currentFolder(), folder);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Hadrel - ") + folder);
}

void TestView::refreshFromTheMenuStartsAtTheFirstPage()
{
    QStringList skins;
    for (int i = 0; i < 30; ++i)
        skins << QStringLiteral("skin%1").arg(i, 2, 10, QLatin1Char('0'));
    const QString folder = makeFolder(QStringLiteral("many"), skins);
    m_window->makeCurrentFolder(folder);
    m_window->Skin_Rescan();
    m_state.Page_Current = 2;
    m_state.Cell_Last = 5;
    m_state.Page_Shown = 2;
    m_window->Skin_Lst->setCurrentRow(27);
    const QStringList lookBefore = menuLook(*m_window);

    m_window->view[0]->trigger();

    QCOMPARE(m_state.Page_Current, 0);
    QCOMPARE(m_state.Cell_Last, 11);
    QCOMPARE(m_window->Skin_Lst->count(), 30);
    QCOMPARE(m_window->Skin_Lst->currentRow(), 0);
    QCOMPARE(m_window->currentFolder(), folder);
    QCOMPARE(menuLook(*m_window), lookBefore);
}

void TestView::registeredFolderBecomesCurrentWithOneSeparator_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("trailing");
    QTest::newRow("first entry, no separator") << 0 << QString();
    QTest::newRow("second entry, one separator") << 1 << QStringLiteral("/");
    QTest::newRow("last entry, several separators") << 4 << QStringLiteral("///");
}

void TestView::registeredFolderBecomesCurrentWithOneSeparator()
{
    QFETCH(int, entry);
    QFETCH(QString, trailing);
    const QString start = makeFolder(QStringLiteral("start"), { QStringLiteral("old") });
    const QString other = makeFolder(QStringLiteral("other skins"), { QStringLiteral("b"), QStringLiteral("A") });
    QVERIFY(!start.isEmpty() && !other.isEmpty());
    registerFolder(0, start);
    QString caption = other;
    caption.chop(1);
    caption += trailing;
    registerFolder(entry, caption);
    m_window->makeCurrentFolder(start);
    m_window->Skin_Rescan();
    m_state.Page_Shown = 0;
    const QStringList lookBefore = menuLook(*m_window);
    const QString storeBefore = QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).absolutePath();
    showActive();

    clickRegisteredFolder(entry);

    QCOMPARE(m_window->currentFolder(), other);
    QCOMPARE(m_window->WINAMP_Path->panel(QStringLiteral("path"))->text(), other);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Hadrel - ") + other);
    QCOMPARE(listed(m_window->Skin_Lst), QStringList({ QStringLiteral("A"), QStringLiteral("b") }));
    QCOMPARE(m_window->Skin_Lst->currentRow(), 0);
    QCOMPARE(m_state.Page_Current, 0);
    // The menu looks as it did: same captions, no check mark, nothing moved.
    QCOMPARE(menuLook(*m_window), lookBefore);
    QCOMPARE(m_window->Reg[entry]->text(), caption);
    // The choice is not stored.
    QVERIFY(!QFileInfo::exists(storeBefore + QStringLiteral("/hadrel-store/Hadrel.ini")));
}

void TestView::choosingTheCurrentFolderRescansIt()
{
    const QString folder = makeFolder(QStringLiteral("skins"), { QStringLiteral("one"), QStringLiteral("two") });
    registerFolder(0, folder);
    m_window->makeCurrentFolder(folder);
    m_window->Skin_Rescan();
    m_window->Skin_Lst->setCurrentRow(1);
    m_state.Page_Current = 1;
    m_window->setWindowTitle(QStringLiteral("changed"));
    QVERIFY(makeSkin(folder, QStringLiteral("three")));
    showActive();

    clickRegisteredFolder(0);

    QCOMPARE(listed(m_window->Skin_Lst),
        QStringList({ QStringLiteral("one"), QStringLiteral("three"), QStringLiteral("two") }));
    QCOMPARE(m_window->Skin_Lst->currentRow(), 0);
    QCOMPARE(m_state.Page_Current, 0);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Hadrel - ") + folder);
}

void TestView::enabledEntryWithEmptyCaptionEmptiesTheFolder()
{
    const QString folder = makeFolder(QStringLiteral("skins"), { QStringLiteral("one") });
    m_window->makeCurrentFolder(folder);
    m_window->Skin_Rescan();
    QCOMPARE(m_window->Skin_Lst->count(), 1);
    // A folder cleared in the settings during this run leaves its entry enabled.
    registerFolder(2, folder);
    registerFolder(2, QString());
    QVERIFY(m_window->Reg[2]->isEnabled());
    showActive();

    clickRegisteredFolder(2);

    QCOMPARE(m_window->currentFolder(), QString());
    QCOMPARE(m_window->WINAMP_Path->panel(QStringLiteral("path"))->text(), QString());
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Hadrel - "));
    QCOMPARE(m_window->Skin_Lst->count(), 0);
    QCOMPARE(m_window->WINAMP_Path->panel(QStringLiteral("skin"))->text(), QStringLiteral("Skin数:0"));

    // Reg(0) is enabled from the start, empty until a first folder is registered.
    m_window->makeCurrentFolder(folder);
    m_window->Skin_Rescan();
    clickRegisteredFolder(0);
    QCOMPARE(m_window->currentFolder(), QString());
    QCOMPARE(m_window->Skin_Lst->count(), 0);
}

void TestView::disabledEntriesCannotBeChosen()
{
    const QString folder = makeFolder(QStringLiteral("skins"), { QStringLiteral("one") });
    const QString other = makeFolder(QStringLiteral("other"), { QStringLiteral("two") });
    m_window->makeCurrentFolder(folder);
    m_window->Skin_Rescan();
    showActive();

    for (int i = 1; i < 5; ++i) {
        QVERIFY2(!m_window->Reg[i]->isEnabled(), qPrintable(QString::number(i)));
        // Even a caption would not make a disabled entry choosable.
        m_window->Reg[i]->setText(other);
        clickRegisteredFolder(i);
        QCOMPARE(m_window->currentFolder(), folder);
        QCOMPARE(listed(m_window->Skin_Lst), QStringList({ QStringLiteral("one") }));
    }
    // And an enabled one with the same caption is chosen, so the clicks above did arrive.
    registerFolder(3, other);
    clickRegisteredFolder(3);
    QCOMPARE(m_window->currentFolder(), other);
}

void TestView::submenuEntryAndSeparatorDoNothing()
{
    const QString folder = makeFolder(QStringLiteral("skins"), { QStringLiteral("one"), QStringLiteral("two") });
    m_window->makeCurrentFolder(folder);
    m_window->Skin_Rescan();
    m_window->Skin_Lst->setCurrentRow(1);
    m_state.Page_Current = 3;
    m_state.Page_Shown = 3;
    QVERIFY(makeSkin(folder, QStringLiteral("three")));
    const QString title = m_window->windowTitle();
    const QStringList lookBefore = menuLook(*m_window);

    m_window->view[1]->trigger();
    m_window->view[2]->trigger();

    // No rescan: the new skin is not listed, selection and page stay.
    QCOMPARE(listed(m_window->Skin_Lst), QStringList({ QStringLiteral("one"), QStringLiteral("two") }));
    QCOMPARE(m_window->Skin_Lst->currentRow(), 1);
    QCOMPARE(m_state.Page_Current, 3);
    QCOMPARE(m_state.Page_Shown, 3);
    QCOMPARE(m_window->windowTitle(), title);
    QCOMPARE(m_window->currentFolder(), folder);
    QCOMPARE(menuLook(*m_window), lookBefore);
}

void TestView::winampLookIsShownInTheGridAndRemembered()
{
    const QString name = QStringLiteral("base-2.91-png__20180401_b982a9e0");
    const QString folder = makeFolder(QStringLiteral("skins"), { name });
    const auto forget = qScopeGuard([] { QFile::remove(SettingsKeys::file()); }); // the others expect none
    TestStore::store(QStringLiteral("Amp"), folder);
    TestStore::store(QStringLiteral("0"), folder);
    m_window->mnuLookGrid->trigger();

    // The next start shows the composed main window at once, not the bare main.bmp.
    PageState state;
    frmmain next(state, m_dir->path());
    next.load();
    const PreviewCell* cell = next.Skin_Preview[0];
    QTRY_COMPARE(cell->pixmap().toImage(),
        PreviewImage::stretched(WinampLook::mainWindowOfSkin(folder + name), cell->contentsRect().size()).toImage());
    // A name longer than its box shows its beginning, as a Windows text box does.
    QCOMPARE(next.Skin_Name[0]->cursorPosition(), 0);

    // Stored in a section of its own; [Settings] is only read, and read for it only while
    // the new key is missing, as earlier versions left it.
    const auto stored = [](const char* section, const char* key) {
        return Store::get(QStringLiteral("Hadrel"), QLatin1String(section), QLatin1String(key), QStringLiteral("-"));
    };
    QCOMPARE(stored("Look", "Grid"), QStringLiteral("1"));
    QCOMPARE(stored("Settings", "WinampLook"), QStringLiteral("-"));
    QFile::remove(SettingsKeys::file());
    QVERIFY(!Store::save(
        QStringLiteral("Hadrel"), QStringLiteral("Settings"), QStringLiteral("WinampLook"), QStringLiteral("1")));
    TestStore::store(QStringLiteral("Amp"), folder);
    frmmain older(state, m_dir->path());
    older.load();
    QVERIFY(older.mnuLookGrid->isChecked());
}

QTEST_MAIN(TestView)
#include "tst_view.moc"
