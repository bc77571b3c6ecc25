// SPDX-License-Identifier: GPL-3.0-or-later
#include "programentry.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestProgramEntry : public QObject
{
    Q_OBJECT
private slots:
    void qtTextsComeOutJapanese();
    void realProgramsAnswerTheCommandLine_data();
    void realProgramsAnswerTheCommandLine();
};

void TestProgramEntry::qtTextsComeOutJapanese()
{
    // Without the file Qt's texts stay as they are, and nothing stops.
    const QTemporaryDir empty;
    QVERIFY(!ProgramEntry::installJapanese(*QCoreApplication::instance(), empty.path()));
    QCOMPARE(QCoreApplication::translate("QLineEdit", "&Paste"), QStringLiteral("&Paste"));
    QVERIFY(ProgramEntry::installJapanese(*QCoreApplication::instance()));
    QCOMPARE(QCoreApplication::translate("QLineEdit", "&Paste"), QStringLiteral("貼り付け(&P)"));
}

void TestProgramEntry::realProgramsAnswerTheCommandLine_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // how standard output begins
    const QString hadrel = QStringLiteral(HADREL_BINARY);
    const QString wipe = QStringLiteral(HADRELWIPE_PATH);
    const QString version = QStringLiteral(" バージョン " HADREL_VERSION "\n");
    QTest::newRow("hadrel help") << hadrel << "--help" << 0 << "使い方: hadrel [オプション]\n";
    QTest::newRow("hadrel version") << hadrel << "--version" << 0 << "hadrel" + version;
    QTest::newRow("hadrelwipe help") << wipe << "-h" << 0 << "使い方: hadrelwipe [オプション]\n";
    QTest::newRow("hadrelwipe version") << wipe << "-v" << 0 << "hadrelwipe" + version;
    QTest::newRow("hadrel unknown") << hadrel << "--bogus" << 2 << QString();
    QTest::newRow("hadrelwipe unknown") << wipe << "-x" << 2 << QString();
}

void TestProgramEntry::realProgramsAnswerTheCommandLine()
{
    QFETCH(QString, program);
    QFETCH(QString, argument);
    QFETCH(int, status);
    QFETCH(QString, out);
    const QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path()); // else Qt warns on stderr
    // Help and version need no display; a mistake is found once Qt has taken its own options.
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        env.remove(QLatin1String(name));
    if (status != 0)
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, { argument });
    QVERIFY2(process.waitForFinished(30000), "the program opened something and waited");
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    const QString error = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);
    if (status == 0) {
        QVERIFY2(output.startsWith(out), qPrintable(output));
        QVERIFY2(error.isEmpty(), qPrintable(error));
    } else {
        QVERIFY(output.isEmpty());
        QCOMPARE(error.count(QLatin1Char('\n')), 1);
        QVERIFY2(error.contains(argument), qPrintable(error));
    }
}

QTEST_GUILESS_MAIN(TestProgramEntry)
#include "tst_programentry.moc"
