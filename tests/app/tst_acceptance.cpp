// SPDX-License-Identifier: GPL-3.0-or-later
// The real program in a real X server, used as a person uses it: keys and clicks from
// outside, the files on disk and the window titles as the judge.
#include "platform/store.h"
#include "tests/support/realwindow.h"
#include "tests/support/storehelpers.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPoint>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace TestStore;

using namespace TestSupport;

namespace {

// The client area's fixed layout in pixels; the menu bar sits above it.
constexpr int clientHeight = 382;
constexpr int cellLefts[3] = { 153, 312, 471 };
constexpr int cellTops[4] = { 6, 96, 186, 279 };
constexpr int pictureWidth = 146;
constexpr int pictureHeight = 60;
constexpr int nameHeight = 19;

constexpr int timeoutMs = 10000;

QString screenshotFile(const QString& journey)
{
    return QStringLiteral(HADREL_SCREENSHOTS "/acceptance-") + journey + QStringLiteral(".png");
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isDir(const QString& path)
{
    return QFileInfo(path).isDir();
}

// One run of the program on its own X server; the session ends both on every path out.
class Journey
{
public:
    RealWindowSession session;
    QString main; // the main window's id
    int menuHeight = 0;

    // Starts the program and waits for its main window with exactly this title.
    QString start(const QString& binary, const QString& config, const QString& title, const QStringList& arguments = {})
    {
        if (!session.startServer())
            return QStringLiteral("no X server");
        if (!session.startProgram(binary, config, {}, arguments))
            return QStringLiteral("the program did not start");
        return findMain(title);
    }

    QString findMain(const QString& title)
    {
        main = session.waitForWindow(QStringLiteral("^Hadrel"));
        if (main.isEmpty())
            return QStringLiteral("no main window: ") + session.programOutput();
        if (!session.waitForTitle(main, title))
            return QStringLiteral("title is \"%1\", not \"%2\"").arg(session.windowName(main), title);
        QString shell;
        if (!session.xdotool({ "getwindowgeometry", "--shell", main }, &shell))
            return QStringLiteral("no geometry");
        const QStringList lines = shell.split(QLatin1Char('\n'));
        for (const QString& line : lines) {
            if (line.startsWith(QLatin1String("HEIGHT=")))
                menuHeight = line.mid(7).toInt() - clientHeight;
        }
        if (menuHeight <= 0)
            return QStringLiteral("odd geometry: ") + shell;
        return {};
    }

    QPoint pictureCentre(int cell) const
    {
        return { cellLefts[cell % 3] + pictureWidth / 2, menuHeight + cellTops[cell / 3] + pictureHeight / 2 };
    }

    QPoint nameCentre(int cell) const
    {
        return { cellLefts[cell % 3] + pictureWidth / 2,
            menuHeight + cellTops[cell / 3] + pictureHeight + nameHeight / 2 };
    }

    // Presses the keys of a blank-separated sequence one after the other.
    bool keys(const QString& sequence)
    {
        QStringList arguments { QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60") };
        arguments << sequence.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        return session.xdotool(arguments);
    }

    bool click(QPoint at, int button = 1) { return session.clickAt(main, at.x(), at.y(), button); }

    // Runs the input and returns the pop-up menu (or dialog) it opened.
    template<typename Input> QString opening(Input input)
    {
        const QStringList known = session.programWindows();
        if (!input())
            return {};
        return session.waitForNewWindow(known);
    }

    QString openMenu(const QString& keys)
    {
        if (!session.focus(main))
            return {};
        return opening([&] { return session.key(keys); });
    }

    QString openContextMenu(int cell)
    {
        return opening([&] { return click(pictureCentre(cell), 3); });
    }

    // Double-clicks a picture and reads the title of the enlarged view it opens, which
    // names the skin selected in the list; then closes the view.
    QString enlargedTitle(int cell)
    {
        const QPoint at = pictureCentre(cell);
        const QString view = opening([&] {
            return session.xdotool({ "mousemove", "--window", main, QString::number(at.x()), QString::number(at.y()),
                "click", "--repeat", "2", "--delay", "80", "1" });
        });
        if (view.isEmpty())
            return QStringLiteral("<no enlarged view>");
        const QString title = session.windowName(view);
        // Its close button has the focus; Escape would not close it.
        if (!session.focus(view) || !session.key(QStringLiteral("alt+c")) || !session.waitForWindowGone(view))
            return QStringLiteral("<enlarged view did not close>");
        return title;
    }

    // Hadrelの終了(&X) from the menu bar's File menu; true when the program ended well.
    bool quit()
    {
        if (openMenu(QStringLiteral("alt+f")).isEmpty())
            return false;
        return session.key(QStringLiteral("x")) && session.waitForExit() == 0;
    }
};

// A Winamp 2 configuration as Winamp writes it: CR LF lines.
const QByteArray winampIni = "[Winamp]\r\n"
                             "utf8=1\r\n"
                             "outname=out_wave.dll\r\n"
                             "cwd=C:\\Program Files\\Winamp\\\r\n"
                             "skin=base-2.91\r\n"
                             "volume=200\r\n"
                             "skinmode=1\r\n"
                             "\r\n"
                             "[in_mp3]\r\n"
                             "skin_dir=whatever\r\n";

} // namespace

class TestAcceptance : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void firstRunAsksForFoldersThenListsTheSkins();
    void applyFromTheContextMenuRewritesOnlyCwdAndSkin();
    void startWinampRunsItUnderWineInItsPrefix();
    void renameInTheNameBoxRenamesTheFolder();
    void deleteFromTheContextMenuMovesTheSkinIntoTheTrash();
    void registeredFoldersAndRefreshFromTheViewMenu();
    void quitFromTheFileMenuStoresAllSixFolders();
    void aSkinOnTheCommandLineIsShownSelectedOnItsPage();
    void aSecondStartHandsItsPathToTheFirst();
    void neitherSkinNorFolderIsRefusedInABox();

private:
    // A fresh store and folders for one journey.
    bool prepare(QTemporaryDir& root);
    // Winamp in a Wine prefix, with the skins in its Skins folder (slot 0).
    bool prepareWine(QTemporaryDir& root);

    QString m_prefix;

    QString m_config;
    QString m_skins;
    QString m_winamp;
};

void TestAcceptance::initTestCase()
{
    const QString missing = RealWindowSession::missingTools();
    if (!missing.isEmpty())
        QSKIP(qPrintable("not installed here: " + missing + " (scripts/setup installs them)"));
}

bool TestAcceptance::prepare(QTemporaryDir& root)
{
    m_config = root.filePath(QStringLiteral("config"));
    m_skins = root.filePath(QStringLiteral("skins"));
    m_winamp = root.filePath(QStringLiteral("winamp"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config));
    return root.isValid() && QDir().mkpath(m_config) && QDir().mkpath(m_skins) && QDir().mkpath(m_winamp)
        && copySharedSkins(m_skins) && writeFile(m_winamp + QStringLiteral("/winamp.ini"), winampIni);
}

void TestAcceptance::firstRunAsksForFoldersThenListsTheSkins()
{
    QTemporaryDir root;
    QVERIFY(prepare(root));

    Journey journey;
    RealWindowSession& session = journey.session;
    QVERIFY(session.startServer());
    QVERIFY(session.startProgram(HADREL_BINARY, m_config));
    const QString dialog = session.waitForWindow(QStringLiteral("^Hadrel設定$"));
    QVERIFY2(!dialog.isEmpty(), qPrintable(session.programOutput()));
    // Only the splash stands behind it: the main window comes after the dialog.
    QString shown;
    QVERIFY(!session.xdotool({ "search", "--onlyvisible", "--name", "^Hadrel( - .*)?$" }, &shown));
    QVERIFY2(shown.isEmpty(), qPrintable(shown));

    // OK has the focus; the Winamp folder is next, then its browse button, then slot 0.
    QVERIFY(session.focus(dialog));
    QVERIFY(session.key(QStringLiteral("Tab")));
    QVERIFY(session.type(m_winamp));
    QVERIFY(journey.keys(QStringLiteral("Tab Tab")));
    QVERIFY(session.type(m_skins));
    QVERIFY(session.screenshot(screenshotFile(QStringLiteral("first-run"))));
    QVERIFY(journey.keys(QStringLiteral("shift+Tab shift+Tab shift+Tab Return")));

    const QString error = journey.findMain("Hadrel - " + slashed(m_skins));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(session.waitForWindowGone(dialog));
    QCOMPARE(stored("Amp", {}), slashed(m_winamp));
    QCOMPARE(stored("0", {}), slashed(m_skins));
    for (const char* slot : { "1", "2", "3", "4" })
        QCOMPARE(stored(slot), QString());

    // The list holds the folder's skins in order.
    QCOMPARE(journey.enlargedTitle(0), QStringLiteral("拡大表示 - base-2.91"));
    QCOMPARE(journey.enlargedTitle(7), QStringLiteral("拡大表示 - yaxay-crwhobbesw"));
    QVERIFY(session.screenshot(screenshotFile(QStringLiteral("first-run-main"))));
    QVERIFY(journey.quit());
}

bool TestAcceptance::prepareWine(QTemporaryDir& root)
{
    if (!prepare(root))
        return false;
    // As Winamp's own Skins folder lies in the prefix's C: drive.
    m_prefix = root.filePath(QStringLiteral("wine"));
    m_winamp = m_prefix + QStringLiteral("/drive_c/Program Files/Winamp");
    m_skins = m_winamp + QStringLiteral("/Skins");
    return QDir().mkpath(m_prefix + QStringLiteral("/dosdevices"))
        && QFile::link(QStringLiteral("../drive_c"), m_prefix + QStringLiteral("/dosdevices/c:"))
        && QFile::link(QStringLiteral("/"), m_prefix + QStringLiteral("/dosdevices/z:")) && QDir().mkpath(m_skins)
        && copySharedSkins(m_skins) && writeFile(m_winamp + QStringLiteral("/winamp.ini"), winampIni)
        && saved("Amp", slashed(m_winamp)) && saved("0", slashed(m_skins));
}

void TestAcceptance::applyFromTheContextMenuRewritesOnlyCwdAndSkin()
{
    QTemporaryDir root;
    QVERIFY(prepareWine(root));
    // The skin folder lies in the prefix's C: drive: it is written as Winamp sees it.
    const QString ini = m_winamp + QStringLiteral("/winamp.ini");

    Journey journey;
    const QString error = journey.start(HADREL_BINARY, m_config, "Hadrel - " + slashed(m_skins));
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QVERIFY(journey.click(journey.pictureCentre(2))); // CR2JPN-DinoCity
    const QString menu = journey.openContextMenu(2);
    QVERIFY2(!menu.isEmpty(), "no context menu");
    QVERIFY(journey.session.screenshot(screenshotFile(QStringLiteral("apply-menu"))));
    // WINAMPで使う(&U). Without wine a running Winamp could not be told: a box says so.
    const QString box = journey.opening([&] { return journey.session.key(QStringLiteral("u")); });
    QVERIFY2(!box.isEmpty(), "no box about the running Winamp");

    QByteArray expected = winampIni;
    expected.replace("cwd=C:\\Program Files\\Winamp\\\r\n", "cwd=C:\\Program Files\\Winamp\\Skins\\\r\n");
    expected.replace("skin=base-2.91\r\n", "skin=CR2JPN-DinoCity\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(fileBytes(ini), expected, timeoutMs);
    QVERIFY(journey.session.waitForWindowGone(menu));
    QVERIFY(journey.session.screenshot(screenshotFile(QStringLiteral("apply"))));
    QVERIFY(journey.session.focus(box) && journey.session.key(QStringLiteral("Return")));
    QVERIFY(journey.session.waitForWindowGone(box));
    QVERIFY(journey.quit());
    QCOMPARE(fileBytes(ini), expected);
}

void TestAcceptance::startWinampRunsItUnderWineInItsPrefix()
{
    QTemporaryDir root;
    QVERIFY(prepareWine(root));
    // Installers write the program's name in any case.
    QVERIFY(writeFile(m_winamp + QStringLiteral("/winamp.exe"), "MZ"));
    // A wine of our own, first on the PATH, writes down how it was started.
    const QString bin = root.filePath(QStringLiteral("bin"));
    const QString record = root.filePath(QStringLiteral("wine-started"));
    QVERIFY(QDir().mkpath(bin));
    // It cannot run our helper: Winamp is taken as not running, and started.
    const QByteArray script = "#!/bin/sh\n"
                              "case \"$1\" in *hadrel-winamp.exe) exit 1 ;; esac\n"
                              "printf '%s\\n' \"$WINEPREFIX\" \"$@\" >\"$0.part\"\n"
                              "/bin/mv \"$0.part\" \""
        + QFile::encodeName(record) + "\"\n";
    QVERIFY(writeFile(bin + QStringLiteral("/wine"), script));
    QVERIFY(
        QFile::setPermissions(bin + QStringLiteral("/wine"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), bin);

    Journey journey;
    RealWindowSession& session = journey.session;
    QVERIFY(session.startServer());
    QVERIFY(session.startProgram(HADREL_BINARY, m_config, environment));
    const QString error = journey.findMain("Hadrel - " + slashed(m_skins));
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QVERIFY(journey.click(journey.pictureCentre(6))); // XMMS-Turquoise
    QVERIFY2(!journey.openContextMenu(6).isEmpty(), "no context menu");
    QVERIFY(session.key(QStringLiteral("e"))); // このSkinでWINAMPを起動する(&E)

    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(record), timeoutMs);
    QCOMPARE(QString::fromLocal8Bit(fileBytes(record)),
        m_prefix + QLatin1Char('\n') + m_winamp + QStringLiteral("/winamp.exe\n"));
    // The skin was applied before the start.
    QVERIFY(fileBytes(m_winamp + QStringLiteral("/winamp.ini")).contains("\r\nskin=XMMS-Turquoise\r\n"));
    QVERIFY(session.programRunning()); // Hadrel does not wait for Winamp
    QVERIFY(journey.quit());
}

void TestAcceptance::renameInTheNameBoxRenamesTheFolder()
{
    QTemporaryDir root;
    QVERIFY(prepare(root));
    QVERIFY(saved("Amp", slashed(m_winamp)));
    QVERIFY(saved("0", slashed(m_skins)));

    Journey journey;
    const QString error = journey.start(HADREL_BINARY, m_config, "Hadrel - " + slashed(m_skins));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    RealWindowSession& session = journey.session;

    // Paper-Amp is cell 4; the new name sorts last.
    QVERIFY(journey.click(journey.nameCentre(4)));
    QVERIFY(session.key(QStringLiteral("ctrl+a")));
    QVERIFY(session.type(QStringLiteral("Zebra Paper (2)")));
    QVERIFY(session.key(QStringLiteral("Return")));

    const QString renamed = m_skins + QStringLiteral("/Zebra Paper (2)");
    QTRY_VERIFY_WITH_TIMEOUT(isDir(renamed), timeoutMs);
    QVERIFY(!QFileInfo::exists(m_skins + QStringLiteral("/Paper-Amp")));
    QVERIFY(QFileInfo::exists(renamed + QStringLiteral("/main.bmp")));
    QVERIFY(session.screenshot(screenshotFile(QStringLiteral("rename"))));

    // The list was rebuilt: the renamed skin is its last entry, the last filled cell.
    QCOMPARE(journey.enlargedTitle(7), QStringLiteral("拡大表示 - Zebra Paper (2)"));
    QCOMPARE(journey.enlargedTitle(4), QStringLiteral("拡大表示 - TopazAmp1-2"));
    QVERIFY(journey.quit());
    QVERIFY(isDir(renamed));
}

void TestAcceptance::deleteFromTheContextMenuMovesTheSkinIntoTheTrash()
{
    QTemporaryDir root;
    QVERIFY(prepare(root));
    QVERIFY(saved("Amp", slashed(m_winamp)));
    QVERIFY(saved("0", slashed(m_skins)));

    Journey journey;
    const QString error = journey.start(HADREL_BINARY, m_config, "Hadrel - " + slashed(m_skins));
    QVERIFY2(error.isEmpty(), qPrintable(error));

    // The right button on base-2.91-png, with the first skin framed: that one goes.
    QVERIFY2(!journey.openContextMenu(1).isEmpty(), "no context menu");
    QVERIFY(journey.session.key(QStringLiteral("d"))); // 削除(&D)

    // Into the desktop's trash of the program's home, where a file manager restores it from.
    const QString trash = journey.session.dataHome() + QStringLiteral("/Trash/");
    const QString trashed = trash + QStringLiteral("files/base-2.91-png");
    QTRY_VERIFY_WITH_TIMEOUT(isDir(trashed), timeoutMs);
    QVERIFY(!QFileInfo::exists(m_skins + QStringLiteral("/base-2.91-png")));
    QVERIFY(QFileInfo::exists(trashed + QStringLiteral("/REGION.TXT")));
    QVERIFY(QFileInfo::exists(trashed + QStringLiteral("/MAIN.png")));
    QTRY_VERIFY_WITH_TIMEOUT(fileBytes(trash + QStringLiteral("info/base-2.91-png.trashinfo"))
                                 .contains("\nPath=" + QUrl::toPercentEncoding(m_skins, "/") + "/base-2.91-png\n"),
        timeoutMs);
    QVERIFY(journey.session.screenshot(screenshotFile(QStringLiteral("delete"))));

    // The list lost the skin: the next one has moved up into its cell.
    QCOMPARE(journey.enlargedTitle(1), QStringLiteral("拡大表示 - CR2JPN-DinoCity"));
    QVERIFY(journey.quit());
}

void TestAcceptance::registeredFoldersAndRefreshFromTheViewMenu()
{
    QTemporaryDir root;
    QVERIFY(prepare(root));
    const QString second = root.filePath(QStringLiteral("second"));
    QVERIFY(makeSkin(second, QStringLiteral("Blue"), QStringLiteral("main.bmp"), Qt::blue));
    QVERIFY(makeSkin(second, QStringLiteral("Green"), QStringLiteral("MAIN.BMP"), Qt::green));
    QVERIFY(saved("Amp", slashed(m_winamp)));
    QVERIFY(saved("0", slashed(m_skins)));
    QVERIFY(saved("1", second)); // no trailing slash

    Journey journey;
    const QString error = journey.start(HADREL_BINARY, m_config, "Hadrel - " + slashed(m_skins));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    RealWindowSession& session = journey.session;

    // 表示 > 登録フォルダ > the second entry.
    const QString menu = journey.openMenu(QStringLiteral("alt+v"));
    QVERIFY2(!menu.isEmpty(), "no View menu");
    const QString submenu = journey.opening([&] { return journey.keys(QStringLiteral("Down Right")); });
    QVERIFY2(!submenu.isEmpty(), "no submenu of registered folders");
    QVERIFY(session.screenshot(screenshotFile(QStringLiteral("view-menu"))));
    QVERIFY(journey.keys(QStringLiteral("Down Return")));
    QVERIFY(session.waitForTitle(journey.main, "Hadrel - " + slashed(second)));
    QCOMPARE(journey.enlargedTitle(0), QStringLiteral("拡大表示 - Blue"));

    // A skin that appears on disk behind the program's back shows after F5; the rescan
    // selects the first skin, which it now is.
    QVERIFY(makeSkin(second, QStringLiteral("Aqua"), QStringLiteral("main.bmp"), Qt::cyan));
    QVERIFY(session.focus(journey.main));
    QVERIFY(session.key(QStringLiteral("F5")));
    QCOMPARE(journey.enlargedTitle(0), QStringLiteral("拡大表示 - Aqua"));
    QCOMPARE(journey.enlargedTitle(2), QStringLiteral("拡大表示 - Green"));
    QCOMPARE(session.windowName(journey.main), "Hadrel - " + slashed(second));
    QVERIFY(session.screenshot(screenshotFile(QStringLiteral("registered-folder"))));

    QVERIFY(journey.quit());
    // Which folder was current is not stored: the next run starts with slot 0 again.
    QCOMPARE(stored("0", {}), slashed(m_skins));
    QCOMPARE(stored("1", {}), slashed(second));
}

void TestAcceptance::quitFromTheFileMenuStoresAllSixFolders()
{
    QTemporaryDir root;
    QVERIFY(prepare(root));
    // As another version or a hand edit may have left them: no trailing slash, several
    // of them, and three slots missing.
    QVERIFY(saved("Amp", m_winamp));
    QVERIFY(saved("0", m_skins + QStringLiteral("///")));
    QVERIFY(saved("2", m_winamp));

    Journey journey;
    const QString error = journey.start(HADREL_BINARY, m_config, "Hadrel - " + slashed(m_skins));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(journey.session.screenshot(screenshotFile(QStringLiteral("quit"))));
    QVERIFY(journey.quit());

    QCOMPARE(stored("Amp"), slashed(m_winamp));
    QCOMPARE(stored("0"), slashed(m_skins));
    QCOMPARE(stored("1"), QString());
    QCOMPARE(stored("2"), slashed(m_winamp));
    QCOMPARE(stored("3"), QString());
    QCOMPARE(stored("4"), QString());
    // The window's position is read, never written.
    QCOMPARE(Store::get("Hadrel", "Settings", "MainLeft", "<missing>"), QStringLiteral("<missing>"));
    QCOMPARE(Store::get("Hadrel", "Settings", "MainTop", "<missing>"), QStringLiteral("<missing>"));
}

void TestAcceptance::aSkinOnTheCommandLineIsShownSelectedOnItsPage()
{
    QTemporaryDir root;
    QVERIFY(prepareWine(root));
    // Thirteen skins fill the first page; the archive is the second skin of the second.
    const QString more = root.filePath(QStringLiteral("more"));
    for (int i = 0; i < 13; ++i)
        QVERIFY(makeSkin(more, QStringLiteral("skin%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("main.bmp")));
    QVERIFY(QFile::copy(sharedSkinsFolder() + QStringLiteral("/wsz/Paper-Amp.wsz"), more + QStringLiteral("/zz.wsz")));

    Journey journey;
    const QString error = journey.start(HADREL_BINARY, m_config, "Hadrel - " + slashed(more), { more + "/zz.wsz" });
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // Outside the registered folders: a copy is offered over the window, and declined.
    const QString offer = journey.session.waitForNewWindow({ journey.main });
    QVERIFY(!offer.isEmpty() && journey.session.focus(offer) && journey.session.key(QStringLiteral("Escape")));
    QVERIFY(journey.session.waitForWindowGone(offer));
    // The context menu acts on the framed skin: the one given.
    QVERIFY2(!journey.openContextMenu(1).isEmpty(), "no context menu");
    // WINAMPで使う(&U); the box that no wine could tell a running Winamp is closed.
    const QString box = journey.opening([&] { return journey.session.key(QStringLiteral("u")); });
    QVERIFY(journey.session.focus(box) && journey.session.key(QStringLiteral("Return")));
    QTRY_VERIFY_WITH_TIMEOUT(
        fileBytes(m_winamp + QStringLiteral("/winamp.ini")).contains("\r\nskin=zz.wsz\r\n"), timeoutMs);
    QCOMPARE(journey.enlargedTitle(1), QStringLiteral("拡大表示 - zz.wsz"));
    QVERIFY(journey.quit());
    QCOMPARE(stored("0"), slashed(m_skins)); // the registered folders are not touched
}

void TestAcceptance::aSecondStartHandsItsPathToTheFirst()
{
    QTemporaryDir root;
    QVERIFY(prepareWine(root));
    const QString other = root.filePath(QStringLiteral("other"));
    QVERIFY(makeSkin(other, QStringLiteral("Lone")));

    // A folder that is no skin shows itself.
    Journey journey;
    RealWindowSession& session = journey.session;
    QString error = journey.start(HADREL_BINARY, m_config, "Hadrel - " + slashed(other), { other });
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QString errors;
    const int status = session.runAnother(HADREL_BINARY, m_config, { m_skins + "/XMMS-Turquoise/" }, &errors);
    QVERIFY2(status == 0, qPrintable(QString::number(status) + errors));
    QVERIFY(session.waitForTitle(journey.main, "Hadrel - " + slashed(m_skins)));
    QCOMPARE(journey.enlargedTitle(6), QStringLiteral("拡大表示 - XMMS-Turquoise"));

    // A copy that died leaves its lock and socket behind; the next start runs all the same.
    session.killProgram();
    QVERIFY(session.startProgram(HADREL_BINARY, m_config));
    error = journey.findMain("Hadrel - " + slashed(m_skins));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(journey.quit());
}

void TestAcceptance::neitherSkinNorFolderIsRefusedInABox()
{
    QTemporaryDir root;
    QVERIFY(prepareWine(root));
    const QString file = m_winamp + QStringLiteral("/winamp.ini");
    const QString errors = root.filePath(QStringLiteral("errors"));
    RealWindowSession session;
    QVERIFY(session.startServer());
    // Its standard error into a file of ours, as a terminal would show it.
    QVERIFY(session.startProgram(QStringLiteral("/bin/sh"), m_config, {},
        { QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$1\" 2>\"$2\""), HADREL_BINARY, file, errors }));
    const QString box = session.waitForWindow(QStringLiteral("^Hadrel$"));
    QVERIFY2(!box.isEmpty(), qPrintable(session.programOutput()));
    QVERIFY(session.focus(box));
    QVERIFY(session.key(QStringLiteral("Return")));
    QCOMPARE(session.waitForExit(), 2);
    const QString lines = QString::fromUtf8(fileBytes(errors));
    QVERIFY2(lines.endsWith(QStringLiteral("はSkinでもフォルダでもありません。\n")) && lines.contains(file),
        qPrintable(lines));
}

QTEST_GUILESS_MAIN(TestAcceptance)
#include "tst_acceptance.moc"
