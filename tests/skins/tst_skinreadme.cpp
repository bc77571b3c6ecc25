// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/skinreadme.h"
#include "tests/support/testsupport.h"
#include "tests/support/zipwriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace TestSupport;

class TestSkinReadme : public QObject
{
    Q_OBJECT
private slots:
    void decoding_data();
    void decoding();
    void theReadmeOfAFolder();
    void theReadmeOfAnArchive();
};

void TestSkinReadme::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("UTF-8") << QByteArray("スキンの説明\r\nline 2") << "スキンの説明\nline 2";
    QTest::newRow("UTF-8 with a byte order mark") << QByteArray("\xef\xbb\xbfGr\xc3\xbcn\r") << "Grün\n";
    QTest::newRow("CP932") << QByteArray("\x83\x58\x83\x4c\x83\x93\x82\xcc\x90\xe0\x96\xbe\r\nby me")
                           << "スキンの説明\nby me";
    // Valid CP932 too, but nothing Japanese in it: the Western reading.
    QTest::newRow("CP1252 that CP932 reads") << QByteArray("(c) \xa9 2001, \xae") << "(c) © 2001, ®";
    // "é" and the letter after it read as one kanji, "©" as one kana: alone, each.
    QTest::newRow("CP1252 with lone kanji in CP932")
        << QByteArray("clich\xe9s \xa9 2004, \xe9t\xe9") << "clichés © 2004, été";
    QTest::newRow("CP932 with a Western sign") << QByteArray("\x90\xe0\x96\xbe \xa9") << "説明 ｩ";
    QTest::newRow("half-width kana") << QByteArray("\xbd\xb7\xdd") << "ｽｷﾝ";
    QTest::newRow("CP1252") << QByteArray("Caf\xe9 \x96 na\xefve\r\r") << "Café – naïve\n\n";
    QTest::newRow("none") << QByteArray() << "";
}

void TestSkinReadme::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(SkinReadme::decode(bytes), text);
}

void TestSkinReadme::theReadmeOfAFolder()
{
    QTemporaryDir dir;
    const QString skin = slashed(dir.path()) + "Skin";
    QVERIFY(makeSkin(dir.path(), "Skin"));
    QVERIFY(writeFile(skin + "/pledit.txt", QByteArray(500, 'p')));
    QVERIFY(writeFile(skin + "/Region.TXT", QByteArray(500, 'r')));
    QCOMPARE(SkinReadme::find(skin), QString());
    QCOMPARE(SkinReadme::read(skin, SkinReadme::find(skin)), QByteArray());

    QVERIFY(writeFile(skin + "/notes.txt", QByteArray(300, 'n')));
    QVERIFY(writeFile(skin + "/big.txt", QByteArray(400, 'b')));
    QCOMPARE(SkinReadme::find(skin), "big.txt");
    QVERIFY(writeFile(skin + "/ReadMe.TXT", "read me"));
    QCOMPARE(SkinReadme::find(skin), "ReadMe.TXT");
    QCOMPARE(SkinReadme::read(skin, "ReadMe.TXT"), "read me");

    // A real skin's: its © is no half-width kana.
    QVERIFY(copyTree(sharedSkinsFolder() + "/CR2JPN-DinoCity", slashed(dir.path()) + "Dino"));
    const QString dino = slashed(dir.path()) + "Dino";
    QCOMPARE(SkinReadme::find(dino), "README.txt");
    const QString text = SkinReadme::decode(SkinReadme::read(dino, "README.txt"));
    QVERIFY(text.contains("DINOCITY") && text.contains("©") && !text.contains("\r"));

    // Only the first megabyte of a huge one.
    QVERIFY(writeFile(skin + "/ReadMe.TXT", QByteArray(SkinReadme::maxBytes + 10, 'x')));
    QCOMPARE(SkinReadme::read(skin, "ReadMe.TXT").size(), SkinReadme::maxBytes);
}

void TestSkinReadme::theReadmeOfAnArchive()
{
    QTemporaryDir dir;
    const QString archive = slashed(dir.path()) + "Japan.wsz";
    {
        // Zipped on a Japanese Windows: names in CP932, as such skins ship them.
        ZipWriter zip(archive, "CP932");
        // Files go by base name whatever their folder, the last entry of a name counting.
        zip.addFile("Japan/deeper/説明.txt", "an earlier one of the same name");
        zip.addFile("Japan/main.bmp", tinyBitmap());
        zip.addFile("Japan/viscolor.txt", QByteArray(900, '0'));
        zip.addFile("Japan/説明.txt", "\x90\xe0\x96\xbe\x8f\x91");
        QVERIFY(zip.close());
    }
    QCOMPARE(SkinReadme::find(archive), "説明.txt");
    QCOMPARE(SkinReadme::decode(SkinReadme::read(archive, "説明.txt")), "説明書");
}

QTEST_GUILESS_MAIN(TestSkinReadme)
#include "tst_skinreadme.moc"
