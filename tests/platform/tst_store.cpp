// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestStore : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void liesUnderXdgConfigHome();
    void roundTrips_data();
    void roundTrips();
    void missingGivesDefault();
    void applicationsAreKeptApart();
    void removeOutcomes();
    void writeFailureIsReported();
    void readStatusClassifies();

private:
    QTemporaryDir* m_home = nullptr;
};

void TestStore::init()
{
    delete m_home;
    m_home = new QTemporaryDir;
    QVERIFY(m_home->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->path()));
}

void TestStore::liesUnderXdgConfigHome()
{
    QCOMPARE(Store::fileFor("Hadrel"), m_home->path() + "/hadrel-store/Hadrel.ini");
    QVERIFY(!Store::save("Hadrel", "Path", "Amp", "/x/"));
    QVERIFY(QFile::exists(m_home->path() + "/hadrel-store/Hadrel.ini"));
}

void TestStore::roundTrips_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << QString();
    QTest::newRow("backslashes") << QStringLiteral("C:\\Program Files\\Winamp\\");
    QTest::newRow("double backslashes") << QStringLiteral("\\\\server\\share\\\\");
    QTest::newRow("japanese") << QStringLiteral("/home/me/スキン/ﾌｧｲﾙ/");
    QTest::newRow("blanks") << QStringLiteral("  leading and trailing  ");
    QTest::newRow("equals") << QStringLiteral("a=b=c");
    QTest::newRow("semicolon") << QStringLiteral("a;b ; c");
    QTest::newRow("hash") << QStringLiteral("#not a comment");
    QTest::newRow("quotes") << QStringLiteral("\"quoted\" and 'single'");
    QTest::newRow("comma") << QStringLiteral("a, b, c");
    QTest::newRow("at sign") << QStringLiteral("@Variant(x)");
    QTest::newRow("brackets") << QStringLiteral("[Path]");
}

void TestStore::roundTrips()
{
    QFETCH(QString, value);
    QVERIFY(!Store::save("Hadrel", "Path", "0", value));
    QCOMPARE(Store::get("Hadrel", "Path", "0", "default"), value);
}

void TestStore::missingGivesDefault()
{
    QCOMPARE(Store::get("Hadrel", "Settings", "MainLeft", "1000"), QStringLiteral("1000"));
    QVERIFY(!Store::save("Hadrel", "Path", "Amp", "/amp/"));
    QCOMPARE(Store::get("Hadrel", "Settings", "MainLeft", "1000"), QStringLiteral("1000"));
    QCOMPARE(Store::get("Hadrel", "Path", "1", "fallback"), QStringLiteral("fallback"));
    QCOMPARE(Store::get("Nobody", "Path", "Amp", "none"), QStringLiteral("none"));
}

void TestStore::applicationsAreKeptApart()
{
    QVERIFY(!Store::save("Hadrel", "Path", "Amp", "/hadrel/"));
    QVERIFY(!Store::save("Morvane", "Path", "Amp", "/morvane/"));
    QCOMPARE(Store::get("Hadrel", "Path", "Amp"), QStringLiteral("/hadrel/"));
    QCOMPARE(Store::get("Morvane", "Path", "Amp"), QStringLiteral("/morvane/"));
    QCOMPARE(Store::remove("Morvane").number, 0);
    QCOMPARE(Store::get("Hadrel", "Path", "Amp"), QStringLiteral("/hadrel/"));
    QCOMPARE(Store::get("Morvane", "Path", "Amp", "gone"), QStringLiteral("gone"));
}

void TestStore::removeOutcomes()
{
    QCOMPARE(Store::remove("Morvane").number, 5);
    QVERIFY(!Store::save("Morvane", "A", "b", "c"));
    QCOMPARE(Store::remove("Morvane").number, 0);
    QCOMPARE(Store::remove("Morvane").number, 5);
    // Something that cannot be removed as a file.
    QVERIFY(QDir().mkpath(Store::fileFor("Morvane")));
    QCOMPARE(Store::remove("Morvane").number, 75);
}

void TestStore::writeFailureIsReported()
{
    QVERIFY(QDir().mkpath(Store::fileFor("Hadrel")));
    const RunError error = Store::save("Hadrel", "Path", "Amp", "/x/");
    QCOMPARE(error.number, 75);
    QVERIFY(!error.description.isEmpty());
    // A store folder that is a file.
    QVERIFY(QDir(Store::fileFor("Hadrel")).removeRecursively());
    QVERIFY(QDir(Store::folder()).removeRecursively());
    QFile blocker(Store::folder());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QCOMPARE(Store::save("Hadrel", "Path", "Amp", "/x/").number, 75);
}

void TestStore::readStatusClassifies()
{
    QCOMPARE(Store::readStatus("Hadrel").number, 0);
    QVERIFY(!Store::save("Hadrel", "Path", "Amp", "/x/"));
    QCOMPARE(Store::readStatus("Hadrel").number, 0);
    QVERIFY(QFile::remove(Store::fileFor("Hadrel")));
    QVERIFY(QDir().mkpath(Store::fileFor("Hadrel")));
    QCOMPARE(Store::readStatus("Hadrel").number, 75);
}

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
