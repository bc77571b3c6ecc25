// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/programstart.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace TestSupport;

class TestProgramStart : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void startsFromPathWithArgumentsWhole();
    void passesTheEnvironmentGiven();
    void missingOrUnrunnableProgramIs53();
    void desktopOpenerGetsThePathUnsplit();

private:
    QString bin() const { return slashed(m_dir->path()) + "bin/"; }
    // A program that records its arguments (one per line, in brackets) and $MARK.
    bool installRecorder(const QString& name, const QString& folder);
    QString recorded(const QString& folder, const QString& name) const;

    QTemporaryDir* m_dir = nullptr;
    QByteArray m_path;
};

bool TestProgramStart::installRecorder(const QString& name, const QString& folder)
{
    return TestSupport::installRecorder(folder, name, QStringLiteral("MARK"));
}

QString TestProgramStart::recorded(const QString& folder, const QString& name) const
{
    return TestSupport::recorded(folder, name);
}

void TestProgramStart::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(bin()));
    m_path = qgetenv("PATH");
    QVERIFY(qputenv("PATH", QFile::encodeName(bin())));
    QVERIFY(qunsetenv("MARK"));
}

void TestProgramStart::cleanup()
{
    qputenv("PATH", m_path);
    delete m_dir;
    m_dir = nullptr;
}

void TestProgramStart::startsFromPathWithArgumentsWhole()
{
    QVERIFY(installRecorder("recorder", bin()));
    const QStringList arguments = { "/a b/c  d/", "", "-x", "*", "$HOME", "'q\"", "緑" };
    QCOMPARE(ProgramStart::startDetached("recorder", arguments).number, 0);
    QTRY_VERIFY(!recorded(bin(), "recorder").isEmpty());
    QCOMPARE(recorded(bin(), "recorder"), "[/a b/c  d/]\n[]\n[-x]\n[*]\n[$HOME]\n['q\"]\n[緑]\nMARK=unset\n");

    // A program named by its path is run from there, blanks and all.
    const QString elsewhere = slashed(m_dir->path()) + "other place/";
    QVERIFY(installRecorder("recorder", elsewhere));
    QCOMPARE(ProgramStart::startDetached(elsewhere + "recorder", {}).number, 0);
    QTRY_VERIFY(!recorded(elsewhere, "recorder").isEmpty());
    QCOMPARE(recorded(elsewhere, "recorder"), "MARK=unset\n");
}

void TestProgramStart::passesTheEnvironmentGiven()
{
    QVERIFY(installRecorder("recorder", bin()));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("MARK", "set here");
    QCOMPARE(ProgramStart::startDetached("recorder", { "x" }, environment).number, 0);
    QTRY_VERIFY(!recorded(bin(), "recorder").isEmpty());
    QCOMPARE(recorded(bin(), "recorder"), "[x]\nMARK=set here\n");
}

void TestProgramStart::missingOrUnrunnableProgramIs53()
{
    QCOMPARE(ProgramStart::startDetached("no-such-program-here", {}).number, 53);
    QCOMPARE(ProgramStart::startDetached(bin() + "missing", {}).number, 53);
    QVERIFY(writeFile(bin() + "plain", "#!/bin/sh\n"));
    QCOMPARE(ProgramStart::startDetached("plain", {}).number, 53);
    QVERIFY(QDir().mkpath(bin() + "folder"));
    QCOMPARE(ProgramStart::startDetached(bin() + "folder", {}).number, 53);
}

void TestProgramStart::desktopOpenerGetsThePathUnsplit()
{
    QCOMPARE(ProgramStart::openWithDesktop("/tmp/").number, 53);
    QVERIFY(installRecorder("xdg-open", bin()));
    const QString path = "/home/me/My Skins/緑  x/";
    QCOMPARE(ProgramStart::openWithDesktop(path).number, 0);
    QTRY_VERIFY(!recorded(bin(), "xdg-open").isEmpty());
    QCOMPARE(recorded(bin(), "xdg-open"), "[" + path + "]\nMARK=unset\n");
}

QTEST_GUILESS_MAIN(TestProgramStart)
#include "tst_programstart.moc"
