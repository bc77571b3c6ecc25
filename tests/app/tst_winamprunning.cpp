// SPDX-License-Identifier: GPL-3.0-or-later
// A running Winamp under real Wine: a stand-in with Winamp's window and messages, on an X
// server of the test's own, in the prefix the build makes once for these tests.
#include "app/frmmain.h"
#include "app/previewcell.h"
#include "tests/support/boxrecorder.h"
#include "tests/support/realwindow.h"
#include "tests/support/storehelpers.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace TestStore;
using namespace TestSupport;

namespace {

constexpr int wineMs = 30000;

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestWinampRunning : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void applyAndStartSwitchTheRunningWinamp();
    void onlyTheInMemoryWayWorks();
    void theSkinInUseRenamedOrDeleted();
    void withoutWineTheBoxSaysSo();

private:
    QString log() const { return QString::fromLatin1(fileBytes(m_amp + "standin.log")); }
    // The stand-in's own commands, run as a second copy beside it.
    bool standIn(const QString& command);
    // Selects the listed skin, as a click on it does.
    void select(const QString& name);
    QString windowsSkin(const QString& name) const;

    RealWindowSession m_x;
    QTemporaryDir* m_winamp = nullptr; // inside the prefix
    QTemporaryDir* m_skinDir = nullptr; // on Z:, as a user's skins usually are
    QString m_amp;
    QString m_skins;
    PageState m_state;
    frmmain* m_window = nullptr;
};

void TestWinampRunning::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("wine")).isEmpty())
        QSKIP("wine is not installed (scripts/setup installs it)");
    QVERIFY2(QFile::exists(HADREL_TEST_WINEPREFIX "/system.reg"), "the tests' Wine prefix was not made");
    QVERIFY2(m_x.startServer(), "no X server for Wine's windows");
    qputenv("DISPLAY", m_x.display().toLatin1());
    qputenv("WINEDEBUG", "-all");
    qputenv("WINEDLLOVERRIDES", "mscoree,mshtml=");
}

void TestWinampRunning::init()
{
    m_winamp = new QTemporaryDir(HADREL_TEST_WINEPREFIX "/drive_c/hadrel-XXXXXX");
    m_skinDir = new QTemporaryDir;
    m_amp = slashed(m_winamp->path()) + "Winamp/";
    m_skins = slashed(m_skinDir->path()) + "skins/";
    QVERIFY(QDir().mkpath(m_amp));
    QVERIFY(QFile::copy(HADREL_STANDIN, m_amp + "Winamp.exe"));
    QVERIFY(writeFile(m_amp + "winamp.ini", "[Winamp]\r\ncwd=C:\\\r\nskin=\r\nvolume=200\r\n"));
    for (const char* name : { "Aqua", "Blue", "Green" })
        QVERIFY(makeSkin(m_skins, name));
    QVERIFY(saved("Amp", m_amp));
    m_state = PageState();
    m_window = new frmmain(m_state, slashed(m_skinDir->path()) + "program");
    m_window->makeCurrentFolder(m_skins);
    m_window->Skin_Rescan();
}

void TestWinampRunning::cleanup()
{
    // Whatever a failed test left running in the prefix goes with it.
    standIn("/close");
    delete m_window;
    m_window = nullptr;
    delete m_winamp;
    delete m_skinDir;
}

bool TestWinampRunning::standIn(const QString& command)
{
    QProcess wine;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("WINEPREFIX", HADREL_TEST_WINEPREFIX);
    wine.setProcessEnvironment(environment);
    wine.start("wine", { m_amp + "Winamp.exe", command });
    return wine.waitForFinished(wineMs) && wine.exitCode() == 0;
}

void TestWinampRunning::select(const QString& name)
{
    const QList<QListWidgetItem*> found = m_window->Skin_Lst->findItems(name, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    m_window->Skin_Lst->setCurrentItem(found.first());
    QCOMPARE(m_state.Selected_Skin, name);
}

QString TestWinampRunning::windowsSkin(const QString& name) const
{
    return "Z:" + QString(m_skins + name).replace('/', '\\');
}

void TestWinampRunning::applyAndStartSwitchTheRunningWinamp()
{
    BoxRecorder boxes;
    // Not running: started once, with the skin written first.
    select("Aqua");
    m_window->file[6]->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(log().contains("active"), wineMs);
    QVERIFY(log().startsWith("started Aqua\r\n"));
    QTRY_COMPARE_WITH_TIMEOUT(m_window->skinInUse(), QString("Aqua"), wineMs);

    select("Blue");
    m_window->file[5]->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(log().contains("copydata " + windowsSkin("Blue") + "\r\n"), wineMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->skinInUse(), QString("Blue"), wineMs);

    // Running: switched and brought forward, no second copy.
    QVERIFY(standIn("/minimize"));
    const int activations = log().count("active");
    select("Green");
    m_window->file[6]->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(log().contains("copydata " + windowsSkin("Green") + "\r\n"), wineMs);
    QTRY_VERIFY_WITH_TIMEOUT(log().count("active") > activations, wineMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->skinInUse(), QString("Green"), wineMs);
    QCOMPARE(log().count("started"), 1);

    // What it writes back when it quits is the skin applied last.
    QVERIFY(standIn("/close"));
    QTRY_VERIFY_WITH_TIMEOUT(log().contains("exit "), wineMs);
    QVERIFY(fileBytes(m_amp + "winamp.ini").contains(("skin=" + windowsSkin("Green") + "\r\n").toLatin1()));
    m_window->Skin_Rescan();
    QCOMPARE(m_window->skinInUse(), QString("Green"));
    QCOMPARE(boxes.texts(), QStringList());
}

void TestWinampRunning::onlyTheInMemoryWayWorks()
{
    QVERIFY(writeFile(m_amp + "memory-only", ""));
    m_window->file[6]->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(log().contains("active"), wineMs);
    BoxRecorder boxes;
    select("Blue");
    m_window->file[5]->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(log().contains("memory " + windowsSkin("Blue") + "\r\n"), wineMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->skinInUse(), QString("Blue"), wineMs);
    QVERIFY(!log().contains("copydata"));
    QCOMPARE(boxes.texts(), QStringList());
}

void TestWinampRunning::theSkinInUseRenamedOrDeleted()
{
    select("Blue");
    m_window->file[5]->trigger();
    QCOMPARE(m_window->skinInUse(), QString("Blue"));

    NameBox* box = m_window->Skin_Name[1];
    QCOMPARE(box->text(), QString("Blue"));
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    QTest::mouseClick(box, Qt::LeftButton);
    box->selectAll();
    QTest::keyClicks(box, "Navy");
    QTest::keyClick(box, Qt::Key_Return);
    QTRY_VERIFY(fileBytes(m_amp + "winamp.ini").contains("\r\nskin=Navy\r\n"));
    QCOMPARE(m_window->skinInUse(), QString("Navy"));

    // Deleting it asks first; No keeps it.
    select("Navy");
    Messages::setNextAnswer(QMessageBox::No);
    m_window->file[2]->trigger();
    const QList<Messages::Box> asked = Messages::takeAnswered();
    QCOMPARE(asked.size(), 1);
    QVERIFY(asked.first().text.contains("Winampは標準のSkinに戻ります"));
    QVERIFY(QFileInfo::exists(m_skins + "Navy"));

    Messages::setNextAnswer(QMessageBox::Yes);
    m_window->file[2]->trigger();
    QCOMPARE(Messages::takeAnswered().size(), 1);
    QVERIFY(!QFileInfo::exists(m_skins + "Navy"));
    QVERIFY(fileBytes(m_amp + "winamp.ini").contains("\r\nskin=\r\n"));
    QCOMPARE(m_window->skinInUse(), QString());
}

void TestWinampRunning::withoutWineTheBoxSaysSo()
{
    const QByteArray path = qgetenv("PATH");
    QVERIFY(qputenv("PATH", QFile::encodeName(m_skinDir->path())));
    BoxRecorder boxes;
    select("Green");
    m_window->file[5]->trigger();
    QTRY_COMPARE(boxes.seen.size(), 1);
    qputenv("PATH", path);
    QVERIFY(boxes.texts().first().contains("Wineで補助プログラムを起動できませんでした"));
    QVERIFY(boxes.texts().first().contains("終了するときに自分のSkinを書き戻します"));
    QVERIFY(fileBytes(m_amp + "winamp.ini").contains("\r\nskin=Green\r\n"));
}

QTEST_MAIN(TestWinampRunning)
#include "tst_winamprunning.moc"
