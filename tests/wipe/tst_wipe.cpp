// SPDX-License-Identifier: GPL-3.0-or-later
#include "store.h"
#include "testsupport.h"
#include "wipe.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the one message box showed.
struct Box
{
    int shown = 0;
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::Information;
    QMessageBox::StandardButtons buttons;
    int buttonCount = 0;
};

// Answers the next modal message box with its OK button, recording what it showed.
void answerWithOk(Box& box)
{
    QTimer::singleShot(0, qApp, [&box] {
        auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!shown)
            return;
        ++box.shown;
        box.caption = shown->windowTitle();
        box.text = shown->text();
        box.icon = shown->icon();
        box.buttons = shown->standardButtons();
        box.buttonCount = int(shown->buttons().size());
        if (QAbstractButton* ok = shown->button(QMessageBox::Ok))
            QTest::mouseClick(ok, Qt::LeftButton);
        else
            shown->reject();
    });
}

// An X server of our own for the real binary, on a display number it chooses itself.
class XServer
{
public:
    ~XServer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(5000);
        }
    }

    bool start()
    {
        m_process.setProgram(QStringLiteral("Xvfb"));
        m_process.setArguments({ QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
            QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("800x600x24") });
        m_process.start();
        if (!m_process.waitForStarted())
            return false;
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(10000))
                return false;
        }
        m_display = QLatin1Char(':') + QString::fromLatin1(m_process.readLine().trimmed());
        return m_display.size() > 1;
    }

    QString display() const { return m_display; }

    // Runs xdotool on this display; its output, or nothing when it failed.
    QString xdotool(const QStringList& arguments) const
    {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral("xdotool"), arguments);
        if (!tool.waitForFinished(10000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
            return {};
        return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    }

private:
    QProcess m_process;
    QString m_display;
};

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
    QVERIFY(!Store::save("Hadrel", "Path", "Amp", "/opt/winamp/"));
    QVERIFY(!Store::save("Hadrel", "Path", "0", "/home/me/スキン/"));
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
    QCOMPARE(Wipe::messageFor(outcome), message);
    QCOMPARE(Wipe::exitStatusFor(outcome), status);
}

void TestWipe::deletesMorvaneAndLeavesHadrel()
{
    fillStore(true);
    QVERIFY(QFile::exists(storeFile("Morvane")));

    Box box;
    answerWithOk(box);
    QCOMPARE(Wipe::run(), 0);

    QCOMPARE(box.shown, 1);
    QCOMPARE(box.caption, QStringLiteral("Hadrel Morvane の設定"));
    QCOMPARE(box.text, QStringLiteral("成功しました"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.buttonCount, 1);
    QVERIFY(!QFile::exists(storeFile("Morvane")));
    QCOMPARE(Store::get("Morvane", "Options", "Size", "gone"), QStringLiteral("gone"));
    QCOMPARE(contents(storeFile("Hadrel")), m_hadrelBefore);

    // A second run right after finds nothing.
    Box again;
    answerWithOk(again);
    QCOMPARE(Wipe::run(), 1);
    QCOMPARE(again.shown, 1);
    QCOMPARE(again.text, QStringLiteral("失敗しました"));
    QCOMPARE(contents(storeFile("Hadrel")), m_hadrelBefore);
}

void TestWipe::nothingToDeleteReportsFailure()
{
    // Only Hadrel's own settings: they stay, and there is nothing of Morvane to delete.
    fillStore(false);
    Box box;
    answerWithOk(box);
    QCOMPARE(Wipe::run(), 1);
    QCOMPARE(box.shown, 1);
    QCOMPARE(box.text, QStringLiteral("失敗しました"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(contents(storeFile("Hadrel")), m_hadrelBefore);

    // Not even a store folder.
    QVERIFY(QDir(Store::folder()).removeRecursively());
    Box empty;
    answerWithOk(empty);
    QCOMPARE(Wipe::run(), 1);
    QCOMPARE(empty.text, QStringLiteral("失敗しました"));
}

void TestWipe::anyOtherFailureIsUnexpected()
{
    fillStore(false);
    // A directory where the file should be cannot be removed as a file.
    QVERIFY(QDir().mkpath(storeFile("Morvane")));
    QVERIFY(TestSupport::writeFile(storeFile("Morvane") + "/inside", "keep"));

    Box box;
    answerWithOk(box);
    QCOMPARE(Wipe::run(), 2);
    QCOMPARE(box.shown, 1);
    QCOMPARE(box.text, QStringLiteral("予想外のエラーが発生しました"));
    QCOMPARE(box.caption, QStringLiteral("Hadrel Morvane の設定"));
    QCOMPARE(contents(storeFile("Morvane") + "/inside"), QByteArray("keep"));
    QCOMPARE(contents(storeFile("Hadrel")), m_hadrelBefore);
}

void TestWipe::realProgramUnderX_data()
{
    QTest::addColumn<QString>("morvane"); // "file", "none" or "directory"
    QTest::addColumn<int>("status");
    QTest::newRow("deleted") << QStringLiteral("file") << 0;
    QTest::newRow("nothing there") << QStringLiteral("none") << 1;
    QTest::newRow("other failure") << QStringLiteral("directory") << 2;
}

void TestWipe::realProgramUnderX()
{
    QFETCH(QString, morvane);
    QFETCH(int, status);
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("Xvfb or xdotool is not installed");

    fillStore(morvane == QLatin1String("file"));
    if (morvane == QLatin1String("directory"))
        QVERIFY(QDir().mkpath(storeFile("Morvane")));

    XServer x;
    QVERIFY2(x.start(), "Xvfb did not start");

    QProcess wipe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), x.display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home->path());
    wipe.setProcessEnvironment(env);
    wipe.start(QStringLiteral(HADRELWIPE_PATH), QStringList());
    QVERIFY2(wipe.waitForStarted(), qPrintable(wipe.errorString()));

    // The box appears; the program waits for it and does nothing else.
    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(window = x.xdotool({ QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("Morvane") }))
             .isEmpty(),
        30000);
    window = window.section(QLatin1Char('\n'), 0, 0);
    QCOMPARE(x.xdotool({ QStringLiteral("getwindowname"), window }), QStringLiteral("Hadrel Morvane の設定"));
    QCOMPARE(wipe.state(), QProcess::Running);

    // Return presses OK; a key sent before the box took the focus is lost, so send again.
    for (int i = 0; i < 40 && wipe.state() != QProcess::NotRunning; ++i) {
        x.xdotool({ QStringLiteral("windowfocus"), QStringLiteral("--sync"), window });
        x.xdotool({ QStringLiteral("key"), QStringLiteral("Return") });
        wipe.waitForFinished(500);
    }
    QCOMPARE(wipe.state(), QProcess::NotRunning);
    QCOMPARE(wipe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(wipe.exitCode(), status);

    QCOMPARE(QFileInfo(storeFile("Morvane")).isDir(), morvane == QLatin1String("directory"));
    QVERIFY(!QFileInfo(storeFile("Morvane")).isFile());
    QCOMPARE(contents(storeFile("Hadrel")), m_hadrelBefore);
}

QTEST_MAIN(TestWipe)
#include "tst_wipe.moc"
