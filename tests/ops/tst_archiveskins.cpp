// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/dropadd.h"
#include "ops/filecommands.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

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
    QCOMPARE(FileCommands::renamedName("Green", "Blue"), QString("Blue"));
    for (const char* unusable : { "", ".", "..", "a/b" })
        QCOMPARE(FileCommands::renameSkin(skins, renamed, unusable).number, 53);
}

void TestArchiveSkins::deleteMovesTheArchiveIntoTheTrash()
{
    QTemporaryDir dir;
    const QString skins = slashed(dir.path()) + "skins/";
    const QString trash = slashed(dir.path()) + "trash/";
    QVERIFY(QDir().mkpath(trash) && QDir().mkpath(skins));
    QVERIFY(writeFile(skins + "Green.wsz", "first"));
    QVERIFY(!FileCommands::deleteSkin(skins, "Green.wsz", trash));
    QVERIFY(writeFile(skins + "Green.wsz", "second"));
    QCOMPARE(FileCommands::deleteSkin(skins, "Green.wsz", trash).number, 58);
    QCOMPARE(readAll(trash + "Green.wsz"), QByteArray("first"));
    QCOMPARE(readAll(skins + "Green.wsz"), QByteArray("second"));
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
