// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/programentry.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>

class TestProgramEntry : public QObject
{
    Q_OBJECT
private slots:
    void qtTextsComeOutJapanese();
    void realProgramsAnswerTheCommandLine();
};

void TestProgramEntry::qtTextsComeOutJapanese()
{
    // Without the file Qt's texts stay as they are, and nothing stops.
    const QTemporaryDir empty;
    QVERIFY(!ProgramEntry::installJapanese(*qApp, empty.path()));
    QVERIFY(ProgramEntry::installJapanese(*qApp));
    QCOMPARE(QCoreApplication::translate("QLineEdit", "&Paste"), QStringLiteral("貼り付け(&P)"));
}

void TestProgramEntry::realProgramsAnswerTheCommandLine()
{
    const QString version = QStringLiteral(" バージョン " HADREL_VERSION "\n");
    // Program, argument, platform (none: no display at all), exit status, how standard output
    // begins. A path that is neither skin nor folder is told without a display too.
    const std::tuple<const char*, const char*, const char*, int, QString> rows[]
        = { { HADREL_BINARY, "--help", "", 0, "使い方: hadrel [オプション] [PATH]\n" },
              { HADREL_BINARY, "/nonexistent/Skin.wsz", "", 2, {} },
              { HADREL_BINARY, "--version", "", 0, "hadrel" + version }, { HADREL_BINARY, "--bogus", "", 2, {} },
              { HADRELWIPE_PATH, "-h", "", 0, "使い方: hadrelwipe [オプション]\n" },
              { HADRELWIPE_PATH, "-v", "", 0, "hadrelwipe" + version }, { HADRELWIPE_PATH, "-x", "offscreen", 2, {} } };
    const QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.path());
    env.insert("XDG_RUNTIME_DIR", home.path()); // else Qt warns on stderr
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    for (const auto& [program, argument, platform, status, out] : rows) {
        env.insert("QT_QPA_PLATFORM", platform);
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, { argument });
        QVERIFY2(process.waitForFinished(30000), argument);
        const QString output = QString::fromUtf8(process.readAllStandardOutput());
        const QString error = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitCode(), status);
        QVERIFY2(status ? output.isEmpty() : output.startsWith(out), qPrintable(output));
        QVERIFY2(status ? error.count('\n') == 1 && error.contains(argument) : error.isEmpty(), qPrintable(error));
    }
}

QTEST_GUILESS_MAIN(TestProgramEntry)
#include "tst_programentry.moc"
