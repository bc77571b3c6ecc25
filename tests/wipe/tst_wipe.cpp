// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/messages.h"
#include "platform/store.h"
#include "tests/support/realwindow.h"
#include "tests/support/storehelpers.h"
#include "tests/support/testsupport.h"
#include "wipe/wipe.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <memory>

using namespace TestStore;

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The one box a run showed, answered from the queue.
Messages::Box onlyBox()
{
    const QList<Messages::Box> shown = Messages::takeAnswered();
    if (shown.size() != 1)
        qFatal("expected one message box, got %d", int(shown.size()));
    return shown.first();
}

} // namespace

class TestWipe : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void messageAndExitStatusForEachOutcome_data();
    void messageAndExitStatusForEachOutcome();
    void deletesMorvaneAndLeavesHadrel();
    void nothingToDeleteReportsFailure();
    void anyOtherFailureIsUnexpected();
    void realProgramUnderX_data();
    void realProgramUnderX();

private:
    QString storeFile(const QString& application) const { return Store::fileFor(application); }
    void fillStore(bool withMorvane);

    std::unique_ptr<QTemporaryDir> m_home;
    QByteArray m_hadrelBefore;
};

void TestWipe::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->path()));
}

void TestWipe::cleanup()
{
    m_home.reset();
}

void TestWipe::fillStore(bool withMorvane)
{
    QVERIFY(saved("Amp", "/opt/winamp/"));
    QVERIFY(saved("0", "/home/me/スキン/"));
    QVERIFY(!Store::save("Hadrel", "Settings", "MainLeft", "1500"));
    if (withMorvane) {
        QVERIFY(!Store::save("Morvane", "Path", "Amp", "C:\\Winamp\\"));
        QVERIFY(!Store::save("Morvane", "Options", "Size", "2"));
        QVERIFY(!Store::save("Morvane", "Options", "Last", ""));
    }
    m_hadrelBefore = contents(storeFile("Hadrel"));
    QVERIFY(m_hadrelBefore.contains("MainLeft"));
}

void TestWipe::messageAndExitStatusForEachOutcome_data()
{
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("status");
    QTest::newRow("deleted") << 0 << QStringLiteral("成功しました") << 0;
    QTest::newRow("nothing there") << 5 << QStringLiteral("失敗しました") << 1;
    QTest::newRow("access error") << 75 << QStringLiteral("予想外のエラーが発生しました") << 2;
    QTest::newRow("file not found") << 53 << QStringLiteral("予想外のエラーが発生しました") << 2;
    QTest::newRow("negative") << -1 << QStringLiteral("予想外のエラーが発生しました") << 2;
}

void TestWipe::messageAndExitStatusForEachOutcome()
{
    QFETCH(int, outcome);
    QFETCH(QString, message);
    QFETCH(int, status);
    const RunError error = RunError::fromNumber(Error::Number(outcome));
    QCOMPARE(Wipe::messageFor(error), message);
    QCOMPARE(Wipe::exitStatusFor(error), status);
}

void TestWipe::deletesMorvaneAndLeavesHadrel()
{
    fillStore(true);
    QVERIFY(QFile::exists(storeFile("Morvane")));

    Messages::setNextAnswer();
    QCOMPARE(Wipe::run(), 0);

    const Messages::Box box = onlyBox();
    QCOMPARE(box.title, QStringLiteral("Hadrel Morvane の設定"));
    QCOMPARE(box.text, QStringLiteral("成功しました"));
    QCOMPARE(box.icon, Messages::Icon::None);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!QFile::exists(storeFile("Morvane")));
    QCOMPARE(Store::get("Morvane", "Options", "Size", "gone"), QStringLiteral("gone"));
    QCOMPARE(contents(storeFile("Hadrel")), m_hadrelBefore);

    // A second run right after finds nothing.
    Messages::setNextAnswer();
    QCOMPARE(Wipe::run(), 1);
    QCOMPARE(onlyBox().text, QStringLiteral("失敗しました\n") + storeFile("Morvane") + ": " + qt_error_string(ENOENT));
    QCOMPARE(contents(storeFile("Hadrel")), m_hadrelBefore);
}

void TestWipe::nothingToDeleteReportsFailure()
{
    // Only Hadrel's own settings: they stay, and there is nothing of Morvane to delete.
    fillStore(false);
    Messages::setNextAnswer();
    QCOMPARE(Wipe::run(), 1);
    const Messages::Box box = onlyBox();
    QCOMPARE(box.text.section('\n', 0, 0), QStringLiteral("失敗しました"));
    QCOMPARE(box.icon, Messages::Icon::None);
    QCOMPARE(contents(storeFile("Hadrel")), m_hadrelBefore);

    // Not even a store folder.
    QVERIFY(QDir(Store::folder()).removeRecursively());
    Messages::setNextAnswer();
    QCOMPARE(Wipe::run(), 1);
    QCOMPARE(onlyBox().text.section('\n', 0, 0), QStringLiteral("失敗しました"));
}

void TestWipe::anyOtherFailureIsUnexpected()
{
    fillStore(false);
    // A directory where the file should be cannot be removed as a file.
    QVERIFY(QDir().mkpath(storeFile("Morvane")));
    QVERIFY(TestSupport::writeFile(storeFile("Morvane") + "/inside", "keep"));

    Messages::setNextAnswer();
    QCOMPARE(Wipe::run(), 2);
    const Messages::Box box = onlyBox();
    // The file concerned, and why it could not go.
    QCOMPARE(box.text,
        QStringLiteral("予想外のエラーが発生しました\n") + storeFile("Morvane") + ": " + qt_error_string(EISDIR));
    QCOMPARE(box.title, QStringLiteral("Hadrel Morvane の設定"));
    QCOMPARE(contents(storeFile("Morvane") + "/inside"), QByteArray("keep"));
    QCOMPARE(contents(storeFile("Hadrel")), m_hadrelBefore);
}

void TestWipe::realProgramUnderX_data()
{
    QTest::addColumn<QString>("morvane"); // "file", "none" or "directory"
    QTest::addColumn<int>("expected");
    QTest::newRow("deleted") << QStringLiteral("file") << 0;
    QTest::newRow("nothing there") << QStringLiteral("none") << 1;
    QTest::newRow("other failure") << QStringLiteral("directory") << 2;
}

void TestWipe::realProgramUnderX()
{
    QFETCH(QString, morvane);
    QFETCH(int, expected);
    if (const QString missing = RealWindowSession::missingTools(); !missing.isEmpty())
        QSKIP(qPrintable(missing + QStringLiteral(" not installed")));

    fillStore(morvane == QLatin1String("file"));
    if (morvane == QLatin1String("directory"))
        QVERIFY(QDir().mkpath(storeFile("Morvane")));

    RealWindowSession session;
    QVERIFY2(session.startServer(), "Xvfb did not start");
    QVERIFY(session.startProgram(QStringLiteral(HADRELWIPE_PATH), m_home->path()));

    // The box appears; the program waits for it and does nothing else.
    const QString box = session.waitForWindow(QStringLiteral("Morvane"), 30000);
    QVERIFY2(!box.isEmpty(), qPrintable(session.programOutput()));
    QCOMPARE(session.windowName(box), QStringLiteral("Hadrel Morvane の設定"));
    QVERIFY(session.programRunning());

    // Return presses OK once the box has the focus.
    QVERIFY(session.focus(box));
    QVERIFY(session.key(QStringLiteral("Return")));
    const int status = session.waitForExit(10000);
    QVERIFY2(!session.programRunning(), "the message box was not answered");
    QCOMPARE(status, expected);

    QCOMPARE(QFileInfo(storeFile("Morvane")).isDir(), morvane == QLatin1String("directory"));
    QVERIFY(!QFileInfo(storeFile("Morvane")).isFile());
    QCOMPARE(contents(storeFile("Hadrel")), m_hadrelBefore);
}

QTEST_MAIN(TestWipe)
#include "tst_wipe.moc"
