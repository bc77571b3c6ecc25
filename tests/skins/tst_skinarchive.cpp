// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/previewimage.h"
#include "skins/skinarchive.h"
#include "skins/skinscan.h"
#include "tests/support/testsupport.h"
#include "tests/support/zipwriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace TestSupport;

class TestSkinArchive : public QObject
{
    Q_OBJECT
private slots:
    void picturesOfRealArchivesMatchTheirFolders();
    void readsBackslashNamesOutOfTheOneTopFolder();
    void hostileArchivesGiveNothing();
    void inflatesOnlyTheLastOfNamesEqualButForCase();
};

void TestSkinArchive::picturesOfRealArchivesMatchTheirFolders()
{
    // Flat and nested, MAIN.BMP and Main.bmp, and main.bmp before a different main.BMP.
    const QString shared = slashed(sharedSkinsFolder());
    const QStringList archives = QDir(shared + "wsz").entryList({ "*.wsz" }, QDir::Files);
    QCOMPARE(archives.size(), 6);
    for (const QString& archive : archives) {
        const QImage packed = PreviewImage::load(shared + "wsz/" + archive);
        const QString folder = QFileInfo(archive).completeBaseName();
        // Of main.bmp and main.BMP the archive's last is taken, the folder's exact spelling.
        const QImage unpacked = PreviewImage::load(
            folder == "My_Funny_Valentine" ? shared + folder + "/main.BMP" : SkinScan::picturePath(shared, folder));
        QVERIFY2(!packed.isNull(), qPrintable(archive));
        QVERIFY2(packed == unpacked, qPrintable(archive));
    }
}

void TestSkinArchive::readsBackslashNamesOutOfTheOneTopFolder()
{
    QTemporaryDir dir;
    const QString nested = dir.filePath("nested.wsz");
    ZipWriter one(nested);
    one.addFile("Top\\Extra\\main.bmp", "deeper");
    one.addFile("Top\\MAIN.BMP", "upper");
    one.addFile("Top\\main.bmp", "exact");
    one.addFile("top\\Region.TXT", "region");
    QVERIFY(one.close());
    const auto files = SkinArchive::readFiles(nested, { "main.bmp", "region.txt", "pledit.txt" }, 1024);
    QCOMPARE(files.value("main.bmp"), QByteArray("exact"));
    QCOMPARE(files.value("region.txt"), QByteArray("region"));
    QCOMPARE(files.size(), 2);

    // Beside a file at the top, a folder is looked into all the same.
    const QString flat = dir.filePath("flat.zip");
    ZipWriter two(flat);
    two.addFile("readme.txt", "r");
    two.addFile("Sub/main.bmp", tinyBitmap());
    QVERIFY(two.close());
    QCOMPARE(SkinArchive::readFiles(flat, { "main.bmp" }, 1024).value("main.bmp"), tinyBitmap());
}

void TestSkinArchive::hostileArchivesGiveNothing()
{
    QTemporaryDir dir;
    const QString bomb = dir.filePath("bomb.wsz");
    ZipWriter zeros(bomb);
    zeros.addZeros("main.bmp", SkinArchive::maxPictureBytes + 1);
    QVERIFY(zeros.close());
    const QString locked = dir.filePath("locked.wsz");
    ZipWriter secret(locked, nullptr, "secret");
    secret.addFile("main.bmp", tinyBitmap());
    QVERIFY(secret.close());
    const QString deep = dir.filePath("deep.wsz");
    ZipWriter nested(deep);
    nested.addFile("main.bmp", tinyBitmap());
    nested.addFile(QString("d/").repeated(40) + "x.txt", "x");
    QVERIFY(nested.close());
    ZipWriter zip64(dir.filePath("zip64.wsz"), nullptr, nullptr, true);
    zip64.addFile("main.bmp", tinyBitmap());
    QVERIFY(zip64.close());
    // The count wrapped around: the records are counted, and past the limit refused.
    const QString wrapped = dir.filePath("wrapped.wsz");
    ZipWriter many(wrapped);
    many.addFile("main.bmp", tinyBitmap());
    for (int i = 0; i < SkinArchive::maxEntries; ++i)
        many.addFile(QStringLiteral("f%1").arg(i), {});
    QVERIFY(many.close());
    QVERIFY(patchEndRecordCount(wrapped, 1));
    const QByteArray real = readAll(sharedSkinsFolder() + "/wsz/Paper-Amp.wsz");
    QVERIFY(writeFile(dir.filePath("cut.wsz"), real.left(real.size() - 100)));
    QVERIFY(writeFile(dir.filePath("text.wsz"), "not a zip"));
    for (const char* name :
        { "bomb.wsz", "locked.wsz", "zip64.wsz", "wrapped.wsz", "cut.wsz", "text.wsz", "missing.wsz" })
        QVERIFY2(PreviewImage::load(dir.filePath(name)).isNull(), name);
    // A name deeper than any skin's is only its base name: the skin beside it shows.
    QVERIFY(!PreviewImage::load(deep).isNull());
}

void TestSkinArchive::inflatesOnlyTheLastOfNamesEqualButForCase()
{
    // The exact spelling first, then bombs, then the picture: only the last is inflated.
    QTemporaryDir dir;
    const QString many = dir.filePath("many.wsz");
    ZipWriter one(many);
    one.addFile("main.bmp", "first, spelled exactly");
    for (int i = 0; i < 3; ++i)
        one.addZeros("main.bmp", SkinArchive::maxPictureBytes + 1);
    one.addFile("Main.BMP", tinyBitmap());
    QVERIFY(one.close());
    QCOMPARE(SkinArchive::mainBitmap(many), tinyBitmap());

    // The last is taken even when it cannot be read: no earlier one stands in for it.
    const QString spoiled = dir.filePath("spoiled.wsz");
    ZipWriter two(spoiled);
    two.addFile("main.bmp", tinyBitmap());
    two.addZeros("MAIN.BMP", SkinArchive::maxPictureBytes + 1);
    QVERIFY(two.close());
    QVERIFY(SkinArchive::mainBitmap(spoiled).isEmpty());

    // What one archive may inflate in all is capped.
    const QString big = dir.filePath("big.wsz");
    ZipWriter three(big);
    QStringList names;
    for (const char* name : { "a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp" }) {
        names << name;
        three.addZeros(name, SkinArchive::maxPictureBytes);
    }
    QVERIFY(three.close());
    QCOMPARE(SkinArchive::readFiles(big, names, SkinArchive::maxPictureBytes).size(),
        SkinArchive::maxInflatedBytes / SkinArchive::maxPictureBytes);
}

QTEST_GUILESS_MAIN(TestSkinArchive)
#include "tst_skinarchive.moc"
