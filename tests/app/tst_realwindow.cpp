// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/store.h"
#include "tests/support/realwindow.h"
#include "tests/support/storehelpers.h"
#include "tests/support/testsupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace TestStore;

using namespace TestSupport;

namespace {

// The visible windows whose title matches, looked up once.
QStringList visibleWindows(RealWindowSession& session, const QString& titlePattern)
{
    QString ids;
    if (!session.xdotool({ "search", "--onlyvisible", "--name", titlePattern }, &ids))
        return {}; // xdotool fails when nothing matches
    return ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TestRealWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void showsTheMainWindowAndQuitsFromTheMenu();
    void storedFolderIsInTheTitleAndPositionApplied();
    void emptyStoreAsksForSettingsFirst();
    void failedExitSaveIsReportedAndTheProgramEnds();
};

void TestRealWindow::initTestCase()
{
    const QString missing = RealWindowSession::missingTools();
    if (!missing.isEmpty())
        QSKIP(qPrintable("not installed here: " + missing + " (scripts/setup installs them)"));
}

void TestRealWindow::showsTheMainWindowAndQuitsFromTheMenu()
{
    QTemporaryDir config;
    QTemporaryDir skins;
    QVERIFY(copySharedSkins(skins.path()));
    // A stored Winamp folder and slot 0: no first-run dialog.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QVERIFY(saved("Amp", slashed(skins.path())));
    QVERIFY(saved("0", slashed(skins.path())));

    RealWindowSession session;
    QVERIFY(session.startServer());
    QVERIFY(session.startProgram(HADREL_BINARY, config.path()));
    const QString id = session.waitForWindow(QStringLiteral("^Hadrel"));
    QVERIFY2(!id.isEmpty(), qPrintable(session.programOutput()));
    QVERIFY(session.windowName(id).startsWith(QStringLiteral("Hadrel")));

    QString geometry;
    QVERIFY(session.xdotool({ "getwindowgeometry", id }, &geometry));
    QVERIFY2(geometry.contains(QStringLiteral("Geometry: 630x")), qPrintable(geometry));

    QVERIFY(session.screenshot(QStringLiteral(HADREL_SCREENSHOTS "/main-window.png")));

    // Quit through the File menu, as a user would.
    QVERIFY(session.quitFromFileMenu(id));
    QCOMPARE(session.waitForExit(), 0);
}

void TestRealWindow::storedFolderIsInTheTitleAndPositionApplied()
{
    QTemporaryDir config;
    QTemporaryDir skins;
    QVERIFY(copySharedSkins(skins.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QVERIFY(saved("Amp", "/opt/winamp"));
    QVERIFY(saved("0", skins.path())); // no trailing slash
    QVERIFY(!Store::save("Hadrel", "Settings", "MainLeft", "1500"));
    QVERIFY(!Store::save("Hadrel", "Settings", "MainTop", "750"));

    RealWindowSession session;
    QVERIFY(session.startServer());
    QVERIFY(session.startProgram(HADREL_BINARY, config.path()));
    const QString id = session.waitForWindow(QStringLiteral("^Hadrel - "));
    QVERIFY2(!id.isEmpty(), qPrintable(session.programOutput()));
    QCOMPARE(session.windowName(id), "Hadrel - " + slashed(skins.path()));
    // Any first-run dialog would have come and gone before the main window was shown.
    QVERIFY(visibleWindows(session, QStringLiteral("^Hadrel設定$")).isEmpty());

    // No window manager adds a frame here, so the window sits at the stored twips / 15.
    QString geometry;
    QVERIFY(session.xdotool({ "getwindowgeometry", id }, &geometry));
    QVERIFY2(geometry.contains(QStringLiteral("Position: 100,50")), qPrintable(geometry));

    QVERIFY(session.quitFromFileMenu(id));
    QCOMPARE(session.waitForExit(), 0);
    QCOMPARE(stored("0", {}), slashed(skins.path()));
    QCOMPARE(stored("Amp", {}), QStringLiteral("/opt/winamp/"));
}

void TestRealWindow::emptyStoreAsksForSettingsFirst()
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));

    RealWindowSession session;
    QVERIFY(session.startServer());
    QVERIFY(session.startProgram(HADREL_BINARY, config.path()));
    const QString dialog = session.waitForWindow(QStringLiteral("^Hadrel設定$"));
    QVERIFY2(!dialog.isEmpty(), qPrintable(session.programOutput()));
    // The main window is not shown while the first-run dialog is open.
    QVERIFY(visibleWindows(session, QStringLiteral("^Hadrel( - .*)?$")).isEmpty());
    QVERIFY(session.screenshot(QStringLiteral(HADREL_SCREENSHOTS "/first-run-settings.png")));

    // Cancel with Escape: the main window comes up as designed.
    QVERIFY(session.focus(dialog));
    QVERIFY(session.key(QStringLiteral("Escape")));
    const QString id = session.waitForWindow(QStringLiteral("^Hadrel$"));
    QVERIFY2(!id.isEmpty(), qPrintable(session.programOutput()));

    QVERIFY(session.quitFromFileMenu(id));
    QCOMPARE(session.waitForExit(), 0);
    // The exit wrote the six values, empty.
    QCOMPARE(stored("Amp"), QString());
    QCOMPARE(stored("4"), QString());
}

void TestRealWindow::failedExitSaveIsReportedAndTheProgramEnds()
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    // A directory where the store's file belongs: it can be neither read nor written.
    QVERIFY(QDir().mkpath(Store::fileFor("Hadrel")));

    RealWindowSession session;
    QVERIFY(session.startServer());
    QVERIFY(session.startProgram(HADREL_BINARY, config.path()));
    // First a box titled Hadrel says so, before the window shows.
    const QString told = session.waitForWindow(QStringLiteral("^Hadrel$"));
    QVERIFY2(!told.isEmpty(), qPrintable(session.programOutput()));
    QVERIFY(session.focus(told) && session.key(QStringLiteral("Return")) && session.waitForWindowGone(told));
    const QString id = session.waitForWindow(QStringLiteral("^Hadrel$"));
    QVERIFY2(!id.isEmpty(), qPrintable(session.programOutput()));

    QVERIFY(session.quitFromFileMenu(id));
    // The report is a box of its own, titled Hadrel, over the closing window.
    QString box;
    QDeadlineTimer deadline(10000);
    while (box.isEmpty() && !deadline.hasExpired()) {
        QString ids;
        if (session.xdotool({ "search", "--onlyvisible", "--name", "^Hadrel$" }, &ids)) {
            for (const QString& candidate : ids.split(QLatin1Char('\n'))) {
                if (candidate.trimmed() != id)
                    box = candidate.trimmed();
            }
        }
        QTest::qWait(100);
    }
    QVERIFY2(!box.isEmpty(), qPrintable(session.programOutput()));
    QVERIFY(session.programRunning());
    QVERIFY(session.screenshot(QStringLiteral(HADREL_SCREENSHOTS "/settings-not-saved.png")));
    QVERIFY(session.focus(box));
    QVERIFY(session.key(QStringLiteral("Return")));
    QCOMPARE(session.waitForExit(), 0);
}

QTEST_GUILESS_MAIN(TestRealWindow)
#include "tst_realwindow.moc"
