// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmmain.h"
#include "app/handedpaths.h"
#include "app/quitsignals.h"
#include "app/startup.h"
#include "app/statuspanels.h"
#include "platform/store.h"
#include "settings/optfrm.h"
#include "tests/support/boxrecorder.h"
#include "tests/support/modalanswer.h"
#include "tests/support/storehelpers.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <tuple>

#include <csignal>
#include <sys/stat.h>

using namespace TestStore;

namespace {

QStringList storedKeys(const QString& file)
{
    QSettings ini(file, QSettings::IniFormat);
    QStringList keys = ini.allKeys();
    keys.sort();
    return keys;
}

const QStringList sixKeys { "Path/0", "Path/1", "Path/2", "Path/3", "Path/4", "Path/Amp" };

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void splashCoversTheLoadStep();
    void firstRunOkScansTheChosenFolder();
    void firstRunCancelLeavesTheWindowAsDesigned();
    void firstRunOffersTheWinampFoldersOfThePrefixes();
    void storedFoldersAreScannedWithoutAsking();
    void emptySlotZeroScansTheEmptyPath();
    void loadFailuresAreClassified_data();
    void loadFailuresAreClassified();
    void otherFailuresAreShownToTheUser();
    void unreadableStoreIsSaidAndKept_data();
    void unreadableStoreIsSaidAndKept();
    void aSignalEndsAsTheCloseDoes();
    void exitSavesTheSixValuesNormalised();
    void firstRunSaveFailureIsReportedAtExit();
    void positionComesFromTwips_data();
    void positionComesFromTwips();
    void windowIsPlacedWhereTheStoreSays();
    void skinFromOutsideIsOfferedACopy();

private:
    frmmain& makeWindow();
    QString skinsFolder() const { return m_shared.filePath("skins"); }

    QTemporaryDir m_shared; // the skins, copied once: no test changes them
    std::unique_ptr<QTemporaryDir> m_temp;
    PageState m_state;
    std::unique_ptr<frmmain> m_window;
};

void TestStartup::initTestCase()
{
    QVERIFY(m_shared.isValid());
    QVERIFY(QDir().mkpath(skinsFolder()));
    QVERIFY(TestSupport::copySharedSkins(skinsFolder()));
}

void TestStartup::init()
{
    m_temp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_temp->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_temp->filePath("config")));
}

void TestStartup::cleanup()
{
    m_window.reset();
    m_temp.reset();
}

frmmain& TestStartup::makeWindow()
{
    m_state = PageState();
    m_window = std::make_unique<frmmain>(m_state, m_temp->filePath("program"));
    return *m_window;
}

// Records which of the start-up windows were shown, painted and gone, in order.
class StartupTrace : public QObject
{
public:
    QStringList events;
    bool splashAliveAtMainShow = true;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QString name = watched->objectName();
        if (name == QLatin1String("frmSplash") || name == QLatin1String("frmmain")) {
            if (event->type() == QEvent::Show) {
                events << name + " shown";
                if (name == QLatin1String("frmmain")) {
                    const QWidgetList windows = QApplication::topLevelWidgets();
                    splashAliveAtMainShow = std::any_of(windows.cbegin(), windows.cend(),
                        [](QWidget* w) { return w->objectName() == QLatin1String("frmSplash"); });
                }
            } else if (event->type() == QEvent::Paint && !events.contains(name + " painted"))
                events << name + " painted";
        }
        return false;
    }
};

void TestStartup::splashCoversTheLoadStep()
{
    // First run: the load step asks for the folders while the splash is on screen.
    StartupTrace trace;
    qApp->installEventFilter(&trace);
    bool splashUp = false;
    answerModal<Opt_Frm>([&](Opt_Frm* dialog) {
        trace.events << QStringLiteral("load step asks");
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget* w : windows) {
            if (w->objectName() == QLatin1String("frmSplash"))
                splashUp = w->isVisible() && !w->isEnabled();
            if (w->objectName() == QLatin1String("frmmain"))
                QVERIFY(!w->isVisible());
        }
        dialog->cmdCancel->click();
    });
    m_state = PageState();
    QCOMPARE(m_state.Page_Shown, -1);
    std::unique_ptr<frmmain> window = Startup::start(m_state, m_temp->filePath("program"));
    qApp->removeEventFilter(&trace);

    QVERIFY(splashUp);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Hadrel"));
    const QStringList expected = { "frmSplash shown", "frmSplash painted", "load step asks", "frmmain shown" };
    QStringList seen = trace.events;
    seen.removeAll(QStringLiteral("frmmain painted"));
    QCOMPARE(seen, expected);
    QVERIFY2(!trace.splashAliveAtMainShow, "the splash is destroyed before the window shows");
}

void TestStartup::firstRunOkScansTheChosenFolder()
{
    frmmain& window = makeWindow();
    bool asked = false;
    const QString skins = skinsFolder();
    answerModal<Opt_Frm>([&](Opt_Frm* dialog) {
        asked = true;
        // Before the main window is shown, over it, with every field empty.
        QVERIFY(!window.isVisible());
        QCOMPARE(dialog->parentWidget(), &window);
        for (const QLineEdit* field : dialog->folderFields())
            QVERIFY(field->text().isEmpty());
        QTest::keyClicks(dialog->Amp_Path, "/wine/drive_c/Program Files/Winamp");
        QTest::keyClicks(dialog->Skin_Path[0], skins);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
    });
    BoxRecorder boxes;
    window.load();
    QVERIFY(asked);
    // Nothing of Winamp there: said once, and the folder kept as the user chose.
    QCOMPARE(boxes.seen.size(), 1);
    QVERIFY(boxes.texts().first().contains("winamp.iniもwinamp.exeもありません"));

    QCOMPARE(window.windowTitle(), "Hadrel - " + skins + "/");
    QCOMPARE(window.currentFolder(), skins + "/");
    QCOMPARE(window.Skin_Lst->count(), TestSupport::sharedSkinNames().size());
    QCOMPARE(storedKeys(Store::fileFor("Hadrel")), sixKeys);
    QCOMPARE(stored("Amp"), QStringLiteral("/wine/drive_c/Program Files/Winamp/"));
    QCOMPARE(window.ampPath(), QStringLiteral("/wine/drive_c/Program Files/Winamp/"));
}

void TestStartup::firstRunOffersTheWinampFoldersOfThePrefixes()
{
    const QByteArray home = qgetenv("HOME");
    QVERIFY(qputenv("HOME", QFile::encodeName(m_temp->filePath("home"))));
    const QString shelved = m_temp->filePath("home/.local/share/wineprefixes/winamp/drive_c/Program Files (x86)/Winamp/");
    QVERIFY(QDir().mkpath(shelved) && TestSupport::writeFile(shelved + "WINAMP.EXE", "MZ"));
    // A folder without the program is no Winamp folder.
    QVERIFY(QDir().mkpath(m_temp->filePath("home/.wine/drive_c/Program Files/Winamp")));
    frmmain& window = makeWindow();
    int asked = 0;
    answerModal<Opt_Frm>([&](Opt_Frm* dialog) {
        ++asked;
        QVERIFY(dialog->Amp_Found->isVisibleTo(dialog));
        QCOMPARE(dialog->Amp_Found->count(), 2);
        QCOMPARE(dialog->Amp_Found->itemText(1), shelved);
        QTest::keyClicks(dialog->Amp_Path, "/mistyped");
        // Chosen again from what was found, after the box about the mistyped one.
        Messages::setNextAnswer(QMessageBox::No);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QVERIFY(dialog->isVisible());
        dialog->Amp_Found->setCurrentIndex(1);
        emit dialog->Amp_Found->activated(1);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
    });
    window.load();
    qputenv("HOME", home);
    QCOMPARE(asked, 1);
    QCOMPARE(Messages::takeAnswered().size(), 1);
    QCOMPARE(stored("Amp"), shelved);
}

void TestStartup::firstRunCancelLeavesTheWindowAsDesigned()
{
    frmmain& window = makeWindow();
    int asked = 0;
    answerModal<Opt_Frm>([&asked](Opt_Frm* dialog) {
        ++asked;
        QTest::keyClicks(dialog->Amp_Path, "/typed/but/cancelled");
        dialog->cmdCancel->click();
    });
    window.load();
    QCOMPARE(asked, 1);
    QCOMPARE(window.windowTitle(), QStringLiteral("Hadrel"));
    QVERIFY(window.currentFolder().isEmpty());
    QCOMPARE(window.Skin_Lst->count(), 0);
    QVERIFY(!QFile::exists(Store::fileFor("Hadrel")));

    // The exit writes the six values empty, so the next start asks again.
    window.show();
    QVERIFY(window.close());
    QCOMPARE(storedKeys(Store::fileFor("Hadrel")), sixKeys);
    QCOMPARE(stored("Amp"), QString());

    frmmain& next = makeWindow();
    answerModal<Opt_Frm>([&asked](Opt_Frm* dialog) {
        ++asked;
        dialog->reject();
    });
    next.load();
    QCOMPARE(asked, 2);
}

void TestStartup::storedFoldersAreScannedWithoutAsking()
{
    store("Amp", "/opt/winamp");
    store("0", skinsFolder()); // stored without its trailing slash
    store("2", "/more/skins//");
    frmmain& window = makeWindow();
    ModalWatcher<QDialog> dialogs([](QDialog* dialog) { dialog->reject(); });
    window.load();
    QCoreApplication::processEvents();
    QCOMPARE(dialogs.count(), 0);

    const QString current = skinsFolder() + "/";
    QCOMPARE(window.windowTitle(), "Hadrel - " + current);
    QCOMPARE(window.currentFolder(), current);
    QCOMPARE(window.Skin_Lst->count(), TestSupport::sharedSkinNames().size());
    QCOMPARE(window.Skin_Lst->currentRow(), 0);
    QCOMPARE(window.Reg[0]->text(), current);
    QCOMPARE(window.Reg[2]->text(), QStringLiteral("/more/skins/"));
    QVERIFY(window.Reg[2]->isEnabled());
    QVERIFY(!window.Reg[1]->isEnabled());
    // The working copy exists, hidden; the store is as it was.
    QVERIFY(window.settings().existing());
    QVERIFY(!window.settings().existing()->isVisible());
    QCOMPARE(stored("0"), skinsFolder());
    QCOMPARE(window.ampPath(), QStringLiteral("/opt/winamp/"));
}

void TestStartup::emptySlotZeroScansTheEmptyPath()
{
    store("Amp", "/opt/winamp/");
    store("1", skinsFolder());
    frmmain& window = makeWindow();
    window.load();
    QCOMPARE(window.windowTitle(), QStringLiteral("Hadrel - "));
    QVERIFY(window.currentFolder().isEmpty());
    QCOMPARE(window.Skin_Lst->count(), 0);
    QCOMPARE(window.WINAMP_Path->panel("skin")->text(), QStringLiteral("Skin数:0"));
}

void TestStartup::loadFailuresAreClassified_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("rescannedAndSaved");
    // Not an INI file (380): the user is told, what could be read is used and kept.
    QTest::newRow("malformed store") << "[Path\nAmp=/opt/winamp\n0=" + QFile::encodeName(skinsFolder()) << false;
    // Unreadable (75): a link to a file not there yet; rescanned and saved through it.
    QTest::newRow("unreadable store") << QByteArray() << true;
}

void TestStartup::loadFailuresAreClassified()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, rescannedAndSaved);
    QVERIFY(QDir().mkpath(Store::folder()));
    const QString target = m_temp->filePath("elsewhere/Hadrel.ini");
    QVERIFY(QDir().mkpath(m_temp->filePath("elsewhere")));
    if (content.isEmpty())
        QVERIFY(QFile::link(target, Store::fileFor("Hadrel")));
    else
        QVERIFY(TestSupport::writeFile(Store::fileFor("Hadrel"), content));

    frmmain& window = makeWindow();
    QStringList boxes;
    ModalWatcher<QDialog> dialogs([&boxes](QDialog* dialog) {
        boxes << dialog->property("text").toString(); // a message box's text, else nothing
        dialog->reject();
    });
    window.load();
    QCoreApplication::processEvents();
    const QString skinCount = window.WINAMP_Path->panel("skin")->text();
    if (rescannedAndSaved) {
        QCOMPARE(boxes, QStringList());
        QCOMPARE(window.windowTitle(), QStringLiteral("Hadrel"));
        QCOMPARE(window.Skin_Lst->count(), 0);
        QCOMPARE(skinCount, QStringLiteral("Skin数:0"));
        QCOMPARE(storedKeys(target), sixKeys);
    } else {
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].contains(Store::fileFor("Hadrel") + ".damaged"), qPrintable(boxes[0]));
        QCOMPARE(TestSupport::readAll(Store::fileFor("Hadrel") + ".damaged"), content);
        QCOMPARE(window.Skin_Lst->count(), TestSupport::sharedSkinNames().size());
        QCOMPARE(window.ampPath(), QStringLiteral("/opt/winamp/"));
        // Nothing read is lost at exit, and the user is not asked again.
        window.show();
        QVERIFY(window.close());
        QCOMPARE(stored("Amp"), QStringLiteral("/opt/winamp/"));
        QCOMPARE(stored("0"), skinsFolder() + "/");
        QCOMPARE(boxes.size(), 1);
    }
}

void TestStartup::otherFailuresAreShownToTheUser()
{
    frmmain& window = makeWindow();
    Messages::setNextAnswer();
    window.loadFailed(RunError::fromNumber(Error::FileNotFound));
    const QList<Messages::Box> shown = Messages::takeAnswered();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].text,
        QStringLiteral("53\nファイルが見つかりません。\n") + Store::fileFor("Hadrel") + "\n製作者に連絡してね(^^;");
    QCOMPARE(shown[0].icon, Messages::Icon::None);
    QCOMPARE(shown[0].title, QStringLiteral("Hadrel"));
    QCOMPARE(shown[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    // The two quiet classes ask nothing.
    ModalWatcher<QDialog> dialogs([](QDialog* dialog) { dialog->reject(); });
    window.loadFailed(RunError::none());
    window.loadFailed(RunError::fromNumber(Error::InvalidPropertyValue));
    QCoreApplication::processEvents();
    QCOMPARE(dialogs.count(), 0);
}

void TestStartup::unreadableStoreIsSaidAndKept_data()
{
    QTest::addColumn<QString>("kind");
    // Opening a FIFO for reading waits for a writer: a hang, were it ever opened.
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("folder") << "folder";
    QTest::newRow("larger than a store") << "large";
}

void TestStartup::unreadableStoreIsSaidAndKept()
{
    QFETCH(QString, kind);
    QVERIFY(QDir().mkpath(Store::folder()));
    const QString file = Store::fileFor("Hadrel");
    const QByteArray large = "[Path]\nAmp=/opt/winamp/\n" + QByteArray(Store::maxFileBytes, ';');
    if (kind == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    else if (kind == "folder")
        QVERIFY(QDir().mkpath(file + "/inside"));
    else
        QVERIFY(TestSupport::writeFile(file, large));
    const auto kept = [&] { return std::make_tuple(QFileInfo(file).lastModified(), QFileInfo(file).size()); };
    const auto before = kept();
    QCOMPARE(Store::readStatus("Hadrel").number, Error::PathAccess);
    QCOMPARE(Store::get("Hadrel", "Path", "Amp", "default"), QStringLiteral("default"));
    QCOMPARE(Store::save("Hadrel", "Path", "Amp", "/x/").number, Error::PathAccess);

    frmmain& window = makeWindow();
    BoxRecorder boxes;
    window.load();
    // Said before the window shows, naming the file; no first-run dialog on top.
    QCOMPARE(boxes.seen.size(), 1);
    QVERIFY2(boxes.seen[0].text.contains("\n" + file), qPrintable(boxes.seen[0].text));
    QCOMPARE(window.windowTitle(), QStringLiteral("Hadrel"));
    window.show();
    QVERIFY(window.close());
    QCOMPARE(boxes.seen.size(), 2); // the save at exit did not happen, and says so
    QVERIFY(kept() == before);
}

void TestStartup::aSignalEndsAsTheCloseDoes()
{
    store("Amp", "/opt/winamp");
    store("0", skinsFolder());
    frmmain& window = makeWindow();
    window.load();
    window.show();
    QuitSignals quitSignals;
    quitSignals.setWindow(&window);
    // Sent while the settings dialog holds a folder typed and not confirmed: the dialog is
    // cancelled, the stored values are saved as the close saves them.
    answerModal<Opt_Frm>([](Opt_Frm* dialog) {
        dialog->Amp_Path->setText("/typed/");
        ::raise(SIGTERM);
    });
    window.view[3]->trigger();
    QTRY_VERIFY(!window.isVisible());
    QCOMPARE(stored("Amp"), QStringLiteral("/opt/winamp/"));
    QCOMPARE(stored("0"), skinsFolder() + "/");
}

void TestStartup::exitSavesTheSixValuesNormalised()
{
    store("Amp", "/opt/winamp");
    store("0", skinsFolder() + "///");
    store("4", "/");
    frmmain& window = makeWindow();
    window.load();
    window.show();
    QVERIFY(window.close());
    QCOMPARE(storedKeys(Store::fileFor("Hadrel")), sixKeys);
    QCOMPARE(stored("Amp"), QStringLiteral("/opt/winamp/"));
    QCOMPARE(stored("0"), skinsFolder() + "/");
    QCOMPARE(stored("4"), QString());
}

void TestStartup::firstRunSaveFailureIsReportedAtExit()
{
    // The store's folder is a file: nothing can be saved.
    QVERIFY(QDir().mkpath(m_temp->filePath("config")));
    QVERIFY(TestSupport::writeFile(Store::folder(), "not a folder"));
    frmmain& window = makeWindow();
    const QString skins = skinsFolder();
    answerModal<Opt_Frm>([&skins](Opt_Frm* dialog) {
        QTest::keyClicks(dialog->Amp_Path, "/opt/winamp");
        QTest::keyClicks(dialog->Skin_Path[0], skins);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
    });
    {
        // Within the load step the failure is the quiet class 75: rescanned, tried again.
        // The only box asks about the Winamp folder, which holds no Winamp.
        Messages::setNextAnswer(QMessageBox::Yes);
        BoxRecorder boxes;
        window.load();
        QCOMPARE(Messages::takeAnswered().size(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(boxes.seen.size(), 0);
    }
    QCOMPARE(window.currentFolder(), skins + "/");
    QCOMPARE(window.Skin_Lst->count(), TestSupport::sharedSkinNames().size());
    QCOMPARE(window.ampPath(), QStringLiteral("/opt/winamp"));

    window.show();
    BoxRecorder boxes;
    QVERIFY(window.close());
    const QStringList reports = boxes.texts();
    QVERIFY(!window.isVisible());
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports[0].contains(QStringLiteral("設定を保存できませんでした")), qPrintable(reports[0]));
    QVERIFY2(reports[0].contains(Store::folder()), qPrintable(reports[0]));
}

void TestStartup::positionComesFromTwips_data()
{
    QTest::addColumn<QString>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("default") << "1000" << 66;
    QTest::newRow("whole pixels") << "1500" << 100;
    QTest::newRow("blanks around") << " 750 " << 50;
    QTest::newRow("negative") << "-150" << -10;
    QTest::newRow("fraction") << "1515.9" << 101;
    QTest::newRow("empty") << "" << 66;
    QTest::newRow("words") << "left" << 66;
    QTest::newRow("trailing junk") << "300px" << 66;
    QTest::newRow("not finite") << "inf" << 66;
    QTest::newRow("absurdly large") << "1e300" << 66;
}

void TestStartup::positionComesFromTwips()
{
    QFETCH(QString, twips);
    QFETCH(int, pixels);
    QCOMPARE(Startup::pixelsFromTwips(twips), pixels);
}

void TestStartup::windowIsPlacedWhereTheStoreSays()
{
    frmmain& window = makeWindow();
    window.show();
    Startup::placeWindow(window);
    QCOMPARE(window.pos(), QPoint(66, 66));

    QVERIFY(!Store::save("Hadrel", "Settings", "MainLeft", "3000"));
    QVERIFY(!Store::save("Hadrel", "Settings", "MainTop", "nonsense"));
    Startup::placeWindow(window);
    QCOMPARE(window.pos(), QPoint(200, 66));
    // Read only: closing writes the folders, never the position.
    QVERIFY(window.close());
    QCOMPARE(Store::get("Hadrel", "Settings", "MainTop", "<gone>"), QStringLiteral("nonsense"));
    QCOMPARE(Store::get("Hadrel", "Settings", "MainLeft", "<gone>"), QStringLiteral("3000"));
}

void TestStartup::skinFromOutsideIsOfferedACopy()
{
    const QString first = m_temp->filePath("first/"), third = m_temp->filePath("third/");
    const QString outside = m_temp->filePath("Downloads/");
    QVERIFY(TestSupport::makeSkin(first, "Kept") && QDir().mkpath(third) && QDir().mkpath(outside));
    QVERIFY(QFile::copy(TestSupport::sharedSkinsFolder() + "/wsz/Paper-Amp.wsz", outside + "Paper-Amp.wsz"));
    QVERIFY(TestSupport::copyTree(TestSupport::sharedSkinsFolder() + "/TopazAmp1-2", outside + "Topaz"));
    store("Amp", "/opt/winamp/");
    store("0", first);
    store("2", third);
    // Answers the offer with the registered folder of that row, or declines it; notes what
    // the window showed behind it.
    QString behind;
    const auto answer = [&behind](int row, bool copy) {
        answerModal<QDialog>([&behind, row, copy](QDialog* box) {
            const auto* window = qobject_cast<frmmain*>(box->parentWidget());
            behind = window->currentFolder() + window->Skin_Lst->currentItem()->text();
            box->findChild<QComboBox*>()->setCurrentIndex(row);
            box->findChild<QDialogButtonBox*>()->buttons().value(copy ? 0 : 1)->click();
        });
    };

    answer(1, true);
    m_window = Startup::start(m_state, m_temp->filePath("program"), OpenPath::resolve(outside + "Paper-Amp.wsz"));
    QTRY_COMPARE(m_window->currentFolder(), third);
    QCOMPARE(behind, outside + "Paper-Amp.wsz");
    QCOMPARE(m_window->Skin_Lst->currentItem()->text(), QStringLiteral("Paper-Amp.wsz"));
    QCOMPARE(TestSupport::readAll(third + "Paper-Amp.wsz"), TestSupport::readAll(outside + "Paper-Amp.wsz"));

    // A folder, handed over by a later start, into the first folder: copied whole, not moved.
    HandedPaths handed;
    handed.setWindow(m_window.get());
    answer(0, true);
    handed.receive(outside + "Topaz");
    QTRY_COMPARE(m_window->currentFolder(), first);
    QCOMPARE(m_window->Skin_Lst->currentItem()->text(), QStringLiteral("Topaz"));
    QCOMPARE(TestSupport::tree(first + "Topaz"), TestSupport::tree(outside + "Topaz"));

    // A second copy of the same name is refused and said; a declined offer copies nothing.
    BoxRecorder boxes;
    answer(1, true);
    handed.receive(outside + "Paper-Amp.wsz");
    QTRY_COMPARE(boxes.seen.size(), 1);
    QVERIFY(boxes.texts()[0].contains("既に"));
    QCOMPARE(m_window->currentFolder(), outside);
    behind.clear();
    answer(0, false);
    handed.receive(outside + "Paper-Amp.wsz");
    QTRY_VERIFY(!behind.isEmpty());
    QVERIFY(!QFile::exists(first + "Paper-Amp.wsz"));
    QCOMPARE(TestSupport::tree(m_temp->filePath("Downloads")).size(), TestSupport::tree(first + "Topaz").size() + 2);

    // A skin of a registered folder opens there without asking.
    ModalWatcher<QDialog> dialogs([](QDialog* dialog) { dialog->reject(); });
    handed.receive(first + "Kept");
    QTRY_COMPARE(m_window->currentFolder(), first);
    QCOMPARE(dialogs.count(), 0);
    QCOMPARE(m_window->Skin_Lst->currentItem()->text(), QStringLiteral("Kept"));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
