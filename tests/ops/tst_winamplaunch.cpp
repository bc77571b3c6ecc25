// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/winamplaunch.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace TestSupport;

// Recording stand-ins for wine and xdg-open, first on PATH: each writes its arguments,
// one per line in brackets, and its WINEPREFIX into <name>.log beside itself.
class TestWinampLaunch : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void startsWinampUnderWine();
    void setsTheWinePrefixOfTheWinampFolder();
    void findsWinampExeWithoutRegardToCase();
    void failsWithoutWinampExeOrWine();
    void updatesTheIniBeforeStartingAndStartsAllTheSame();
    void opensTheFolderWhole();

private:
    bool installRecorder(const QString& name);
    QString log(const QString& name) const;
    QString bin() const { return slashed(m_dir->path()) + "bin/"; }

    QTemporaryDir* m_dir = nullptr;
    QByteArray m_path;
};

bool TestWinampLaunch::installRecorder(const QString& name)
{
    return TestSupport::installRecorder(bin(), name, QStringLiteral("WINEPREFIX"));
}

QString TestWinampLaunch::log(const QString& name) const
{
    return recorded(bin(), name);
}

void TestWinampLaunch::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(bin()));
    m_path = qgetenv("PATH");
    // Only the recorders: no real wine or xdg-open is reached, installed or not.
    QVERIFY(qputenv("PATH", QFile::encodeName(bin())));
    QVERIFY(qunsetenv("WINEPREFIX"));
}

void TestWinampLaunch::cleanup()
{
    qputenv("PATH", m_path);
    delete m_dir;
    m_dir = nullptr;
}

void TestWinampLaunch::startsWinampUnderWine()
{
    QVERIFY(installRecorder("wine"));
    const QString amp = slashed(m_dir->path()) + "Program Files/Win amp/";
    QVERIFY(QDir().mkpath(amp));
    QVERIFY(writeFile(amp + "Winamp.exe", "MZ"));

    QCOMPARE(WinampLaunch::startWinamp(amp).number, 0);
    QTRY_VERIFY(!log("wine").isEmpty());
    QCOMPARE(log("wine"), "[" + amp + "Winamp.exe]\nWINEPREFIX=unset\n");
}

void TestWinampLaunch::setsTheWinePrefixOfTheWinampFolder()
{
    QVERIFY(installRecorder("wine"));
    const QString prefix = slashed(m_dir->path()) + "prefix";
    const QString amp = prefix + "/drive_c/Program Files/Winamp/";
    QVERIFY(QDir().mkpath(prefix + "/dosdevices"));
    QVERIFY(QDir().mkpath(amp));
    QVERIFY(writeFile(amp + "Winamp.exe", "MZ"));

    QCOMPARE(WinampLaunch::startWinamp(amp).number, 0);
    QTRY_VERIFY(!log("wine").isEmpty());
    QCOMPARE(log("wine"), "[" + amp + "Winamp.exe]\nWINEPREFIX=" + prefix + "\n");
}

void TestWinampLaunch::findsWinampExeWithoutRegardToCase()
{
    QVERIFY(installRecorder("wine"));
    const QString amp = slashed(m_dir->path()) + "Winamp/";
    QVERIFY(QDir().mkpath(amp + "winamp.exe.d"));
    QVERIFY(writeFile(amp + "WINAMP.EXE", "MZ"));

    // A folder path without its trailing "/" still finds the program inside it.
    QCOMPARE(WinampLaunch::startWinamp(amp.chopped(1)).number, 0);
    QTRY_VERIFY(!log("wine").isEmpty());
    QCOMPARE(log("wine"), "[" + amp + "WINAMP.EXE]\nWINEPREFIX=unset\n");
}

void TestWinampLaunch::failsWithoutWinampExeOrWine()
{
    const QString amp = slashed(m_dir->path()) + "Winamp/";
    QVERIFY(QDir().mkpath(amp + "Winamp.exe")); // a folder of that name is no program
    QVERIFY(installRecorder("wine"));
    QCOMPARE(WinampLaunch::startWinamp(amp).number, 53);
    QCOMPARE(WinampLaunch::startWinamp(QString()).number, 53);

    QVERIFY(QDir(amp + "Winamp.exe").removeRecursively());
    QVERIFY(writeFile(amp + "Winamp.exe", "MZ"));
    QVERIFY(QFile::remove(bin() + "wine"));
    QCOMPARE(WinampLaunch::startWinamp(amp).number, 53);

    // Nothing was started by any of them.
    QVERIFY(!QFileInfo::exists(bin() + "wine.log"));
}

void TestWinampLaunch::updatesTheIniBeforeStartingAndStartsAllTheSame()
{
    QVERIFY(installRecorder("wine"));
    const QString amp = slashed(m_dir->path()) + "Winamp/";
    QVERIFY(QDir().mkpath(amp));
    QVERIFY(writeFile(amp + "Winamp.exe", "MZ"));

    // No winamp.ini: Winamp starts with its old configuration, after the caller heard why.
    QList<int> heard;
    const auto hear = [&](const RunError& error) {
        QVERIFY(log("wine").isEmpty());
        heard.append(error.number);
    };
    QCOMPARE(WinampLaunch::applyAndStart(amp, "/skins/", "Green", hear).number, 0);
    QCOMPARE(heard, QList<int> { 53 });
    QTRY_VERIFY(!log("wine").isEmpty());
    QVERIFY(!QFileInfo::exists(amp + "winamp.ini"));

    // Without wine the configuration is updated all the same.
    QVERIFY(QFile::remove(bin() + "wine"));
    QVERIFY(writeFile(amp + "winamp.ini", "cwd=old\r\nskin=Old\r\n"));
    QCOMPARE(WinampLaunch::applyAndStart(amp, "/skins/", "Green").number, 53);
    QFile ini(amp + "winamp.ini");
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), QByteArray("cwd=/skins/\r\nskin=Green\r\n"));
}

void TestWinampLaunch::opensTheFolderWhole()
{
    QCOMPARE(WinampLaunch::openFolder("/skins/").number, 53); // no xdg-open on PATH

    QVERIFY(installRecorder("xdg-open"));
    const QString folder = slashed(m_dir->path()) + "my skins  (2)/ -x/";
    QVERIFY(QDir().mkpath(folder));
    QCOMPARE(WinampLaunch::openFolder(folder).number, 0);
    QTRY_VERIFY(!log("xdg-open").isEmpty());
    QCOMPARE(log("xdg-open"), "[" + folder + "]\nWINEPREFIX=unset\n");

    QCOMPARE(WinampLaunch::openFolder(QString()).number, 53);
}

QTEST_GUILESS_MAIN(TestWinampLaunch)
#include "tst_winamplaunch.moc"
