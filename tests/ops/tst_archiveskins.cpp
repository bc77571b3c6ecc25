// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/dropadd.h"
#include "ops/filecommands.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace TestSupport;

// Skins kept as archives, renamed, deleted and unpacked where they lie.
class TestArchiveSkins : public QObject
{
    Q_OBJECT
private slots:
    void renameKeepsTheExtension_data();
    void renameKeepsTheExtension();
    void deleteMovesTheArchiveIntoTheTrash();
    void unpacksBesideTheArchive();
    void dropStopsBeforeTheNextItem();
};

void TestArchiveSkins::renameKeepsTheExtension_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("renamed");
    QTest::newRow("no extension") << "Blue"
                                  << "Blue.wsz";
    QTest::newRow("its own extension") << "Blue.ZIP"
                                       << "Blue.ZIP";
    QTest::newRow("another dot") << "Blue.v2"
                                 << "Blue.v2.wsz";
    QTest::newRow("the extension alone") << "Green"
                                         << "Green.wsz";
}

void TestArchiveSkins::renameKeepsTheExtension()
{
    QFETCH(QString, typed);
    QFETCH(QString, renamed);
    QTemporaryDir dir;
    const QString skins = slashed(dir.path());
    QVERIFY(writeFile(skins + "Green.wsz", "PK"));
    QVERIFY(!FileCommands::renameSkin(skins, "Green.wsz", typed));
    QCOMPARE(tree(skins), QStringList { renamed });
    // A folder named like an archive is no archive: it takes exactly what was typed.
    QVERIFY(makeSkin(skins, "Teal.wsz"));
    QVERIFY(!FileCommands::renameSkin(skins, "Teal.wsz", "Navy"));
    QVERIFY(QFileInfo::exists(skins + "Navy/main.bmp"));
    for (const char* unusable : { "", ".", "..", "a/b" })
        QCOMPARE(FileCommands::renameSkin(skins, renamed, unusable).number, 53);
}

void TestArchiveSkins::deleteMovesTheArchiveIntoTheTrash()
{
    QTemporaryDir dir;
    const QString skins = slashed(dir.path()) + "skins 100%/";
    // A fresh account: not even the data folder exists yet.
    QVERIFY(qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path() + "/data")));
    QVERIFY(QDir().mkpath(skins));
    for (const char* contents : { "first", "second" }) {
        QVERIFY(writeFile(skins + "Green.wsz", contents));
        QVERIFY(!FileCommands::deleteSkin(skins, "Green.wsz"));
    }
    QCOMPARE(tree(skins), QStringList());
    // Both in the trash, nothing replaced, each naming where it came from, escaped.
    const QString trash = slashed(dir.path()) + "data/Trash/";
    QCOMPARE(tree(trash + "files").size(), 2);
    for (const QString& name : QDir(trash + "info").entryList(QDir::Files)) {
        QVERIFY(
            readAll(trash + "info/" + name).contains("\nPath=" + QUrl::toPercentEncoding(skins, "/") + "Green.wsz\n"));
        QVERIFY(QFileInfo::exists(trash + "files/" + name.chopped(10)));
    }
    QCOMPARE(QDir(trash + "info").entryList(QDir::Files).size(), 2);
}

void TestArchiveSkins::unpacksBesideTheArchive()
{
    QTemporaryDir dir;
    const QString skins = slashed(dir.path());
    QVERIFY(QFile::copy(sharedSkinsFolder() + "/wsz/Paper-Amp.wsz", skins + "Paper-Amp.wsz"));
    QVERIFY(makeSkin(skins, "Paper-Amp"));
    const WszUnpack::Result result = FileCommands::unpackArchive(skins, "Paper-Amp.wsz");
    QCOMPARE(result.skinName, QString("Paper-Amp (2)"));
    QVERIFY(QFile::exists(skins + "Paper-Amp (2)/main.bmp"));
    QVERIFY(QFile::exists(skins + "Paper-Amp.wsz"));
    QCOMPARE(FileCommands::unpackArchive(skins, "../Paper-Amp.wsz").error.number, 53);
}

void TestArchiveSkins::dropStopsBeforeTheNextItem()
{
    QTemporaryDir dir;
    const QString root = slashed(dir.path());
    QVERIFY(QDir().mkpath(root + "skins"));
    for (const char* name : { "One", "Two", "Three" })
        QVERIFY(makeSkin(root + "in", name));
    QStringList told;
    const QList<DropAdd::Added> added
        = DropAdd::addDropped({ root + "in/One", root + "in/notes.txt", root + "in/Two", root + "in/Three" },
            root + "skins/", [&told](int index, int count, const QString& name) {
                told << QStringLiteral("%1/%2 %3").arg(index).arg(count).arg(name);
                return index < 1;
            });
    QCOMPARE(told, QStringList({ "0/3 One", "1/3 Two" }));
    QCOMPARE(added.size(), 1);
    QCOMPARE(tree(root + "skins"), QStringList({ "One", "One/main.bmp" }));
}

QTEST_GUILESS_MAIN(TestArchiveSkins)
#include "tst_archiveskins.moc"
