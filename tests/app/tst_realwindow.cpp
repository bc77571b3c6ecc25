// SPDX-License-Identifier: GPL-3.0-or-later
#include "realwindow.h"
#include "store.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QTest>

using namespace TestSupport;

class TestRealWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void showsTheMainWindowAndQuitsFromTheMenu();
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
    QVERIFY(!Store::save("Hadrel", "Path", "Amp", slashed(skins.path())));
    QVERIFY(!Store::save("Hadrel", "Path", "0", slashed(skins.path())));

    RealWindowSession session;
    QVERIFY(session.startServer());
    QVERIFY(session.startProgram(HADREL_BINARY, config.path()));
    const QString id = session.waitForWindow(QStringLiteral("^Hadrel"));
    QVERIFY2(!id.isEmpty(), qPrintable(session.programOutput()));
    QVERIFY(session.windowName(id).startsWith(QStringLiteral("Hadrel")));

    QString geometry;
    QVERIFY(session.xdotool({"getwindowgeometry", id}, &geometry));
    QVERIFY2(geometry.contains(QStringLiteral("Geometry: 630x")), qPrintable(geometry));

    QVERIFY(session.screenshot(QStringLiteral(HADREL_SCREENSHOTS "/main-window.png")));

    // Quit through the File menu, as a user would.
    QVERIFY(session.focus(id));
    QVERIFY(session.key(QStringLiteral("alt+f")));
    QTest::qWait(300);
    QVERIFY(session.key(QStringLiteral("x")));
    QCOMPARE(session.waitForExit(), 0);
}

QTEST_GUILESS_MAIN(TestRealWindow)
#include "tst_realwindow.moc"
