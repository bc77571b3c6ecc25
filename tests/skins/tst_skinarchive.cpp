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
};

void TestSkinArchive::picturesOfRealArchivesMatchTheirFolders()
{
    // Flat and nested, MAIN.BMP and Main.bmp, and main.bmp beside a different main.BMP.
    const QString shared = slashed(sharedSkinsFolder());
    const QStringList archives = QDir(shared + "wsz").entryList({ "*.wsz" }, QDir::Files);
    QCOMPARE(archives.size(), 6);
    for (const QString& archive : archives) {
        const QImage packed = PreviewImage::load(shared + "wsz/" + archive);
        const QImage unpacked
            = PreviewImage::load(SkinScan::picturePath(shared, QFileInfo(archive).completeBaseName()));
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

    // Beside a file at the top, a folder is not looked into.
    const QString flat = dir.filePath("flat.zip");
    ZipWriter two(flat);
    two.addFile("readme.txt", "r");
    two.addFile("Sub/main.bmp", tinyBitmap());
    QVERIFY(two.close());
    QVERIFY(SkinArchive::readFiles(flat, { "main.bmp" }, 1024).isEmpty());
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
    nested.addFile(QString("d/").repeated(SkinArchive::maxEntryDepth) + "x.txt", "x");
    QVERIFY(nested.close());
    const QByteArray real = readAll(sharedSkinsFolder() + "/wsz/Paper-Amp.wsz");
    QVERIFY(writeFile(dir.filePath("cut.wsz"), real.left(real.size() - 100)));
    QVERIFY(writeFile(dir.filePath("text.wsz"), "not a zip"));
    for (const char* name : { "bomb.wsz", "locked.wsz", "deep.wsz", "cut.wsz", "text.wsz", "missing.wsz" })
        QVERIFY2(PreviewImage::load(dir.filePath(name)).isNull(), name);
}

QTEST_GUILESS_MAIN(TestSkinArchive)
#include "tst_skinarchive.moc"
