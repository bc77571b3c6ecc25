// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/skinscan.h"
#include "tests/support/testsupport.h"
#include "tests/support/zipwriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace TestSupport;

class TestSkinScan : public QObject
{
    Q_OBJECT
private slots:
    void fileExists();
    void listsOnlyPlainDirectoriesWithSkinFiles();
    void findsSkinFilesWithoutRegardToCase();
    void dotEntriesNeverCount();
    void sortsWithoutRegardToCase();
    void skipsNamesThatDoNotRoundTrip();
    void emptyOrMissingFolderListsNothing();
    void listsEveryRealSkin();
    void findSkinFilePrefersTheExactName();
    void findsEverySpellingOfTheSkinFiles();
    void sortAgreesWithQStringCaseBlindOrder();
    void listsOnlyArchivesThatAreSkins();
    void mainBitmapFolderOrLinkToOneIsNoSkin();

private:
    QTemporaryDir m_dir;
    QString folder() const { return slashed(m_dir.path()); }
};

void TestSkinScan::fileExists()
{
    QTemporaryDir dir;
    const QString root = slashed(dir.path());
    QVERIFY(writeFile(root + "file.txt", "x"));
    QVERIFY(writeFile(root + "empty.txt", ""));
    QVERIFY(QDir().mkpath(root + "folder"));

    QVERIFY(SkinScan::File_Exists(root + "file.txt"));
    QVERIFY2(SkinScan::File_Exists(root + "empty.txt"), "an empty file still opens");
    QVERIFY2(SkinScan::File_Exists(root + "file.txt/"), "one trailing separator is dropped");
    QVERIFY(!SkinScan::File_Exists(root + "file.txt//"));
    QVERIFY(!SkinScan::File_Exists(root + "missing.txt"));
    QVERIFY2(!SkinScan::File_Exists(root + "folder"), "a directory is not a file");
    QVERIFY(!SkinScan::File_Exists(root + "folder/"));
    QVERIFY(!SkinScan::File_Exists(QString()));
    QVERIFY(!SkinScan::File_Exists(QStringLiteral("/")));
    QVERIFY(!SkinScan::File_Exists(root + "file.txt/inside"));
}

void TestSkinScan::listsOnlyPlainDirectoriesWithSkinFiles()
{
    QTemporaryDir dir;
    const QString root = slashed(dir.path());
    QVERIFY(makeSkin(root, "Plain"));
    QVERIFY(makeSkin(root, "RegionOnly", "Region.txt"));
    QVERIFY(makeSkin(root, ".Hidden"));
    QVERIFY(makeSkin(root, "ReadOnly"));
    QVERIFY(QFile::setPermissions(root + "ReadOnly",
        QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup));
    QVERIFY(makeSkin(root, "Target"));
    QVERIFY(QFile::link(root + "Target", root + "Linked"));
    QVERIFY(makeSkin(root, "Empty", QString()));
    QVERIFY(makeSkin(root, "OtherFiles", "readme.txt"));
    QVERIFY(makeSkin(root, "FolderNamedMain", QString()));
    QVERIFY(QDir().mkpath(root + "FolderNamedMain/main.bmp"));
    QVERIFY(makeSkin(root, "FolderNamedMainWithRegion", "Region.txt"));
    QVERIFY(QDir().mkpath(root + "FolderNamedMainWithRegion/main.bmp"));
    QVERIFY(writeFile(root + "PlainFile", "main.bmp"));
    QVERIFY(makeSkin(root, "Nested", QString()));
    QVERIFY(makeSkin(root + "Nested", "Inner"));
    // A group-writable folder without the owner bit is still read-only to the owner.
    QVERIFY(makeSkin(root, "GroupOnly"));
    QVERIFY(QFile::setPermissions(root + "GroupOnly",
        QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::WriteGroup | QFileDevice::ReadGroup
            | QFileDevice::ExeGroup));

    const QStringList expected = { "FolderNamedMainWithRegion", "Plain", "RegionOnly", "Target" };
    QCOMPARE(SkinScan::listSkins(root), expected);

    QFile::setPermissions(root + "ReadOnly", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(root + "GroupOnly", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestSkinScan::findsSkinFilesWithoutRegardToCase()
{
    QTemporaryDir dir;
    const QString root = slashed(dir.path());
    QVERIFY(makeSkin(root, "Upper", "MAIN.BMP"));
    QVERIFY(makeSkin(root, "Mixed", "Main.bmp"));
    QVERIFY(makeSkin(root, "RegionUpper", "REGION.TXT"));
    QVERIFY(makeSkin(root, "RegionLower", "region.txt"));
    QVERIFY(makeSkin(root, "WrongName", "main.bmp.bak"));
    QVERIFY(makeSkin(root, "MainFolderUpper", QString()));
    QVERIFY(QDir().mkpath(root + "MainFolderUpper/MAIN.BMP"));
    const QStringList expected = { "Mixed", "RegionLower", "RegionUpper", "Upper" };
    QCOMPARE(SkinScan::listSkins(root), expected);
}

void TestSkinScan::dotEntriesNeverCount()
{
    // Region.txt beside the listed folder and in its parent does not make "." or ".." a skin.
    QTemporaryDir dir;
    const QString parent = slashed(dir.path());
    QVERIFY(writeFile(parent + "Region.txt", "1"));
    QVERIFY(writeFile(parent + "main.bmp", "1"));
    QVERIFY(QDir().mkpath(parent + "skins"));
    QVERIFY(writeFile(parent + "skins/Region.txt", "1"));
    QVERIFY(writeFile(parent + "skins/main.bmp", "1"));
    QCOMPARE(SkinScan::listSkins(parent + "skins/"), QStringList());
}

void TestSkinScan::sortsWithoutRegardToCase()
{
    QTemporaryDir dir;
    const QString root = slashed(dir.path());
    for (const char* name : { "c", "b", "A", "_under", "Zed", "alpha", "Beta", "10", "9", "日本語", "a" })
        QVERIFY(makeSkin(root, name));
    const QStringList expected = { "10", "9", "_under", "A", "a", "alpha", "b", "Beta", "c", "Zed", "日本語" };
    QCOMPARE(SkinScan::listSkins(root), expected);
}

void TestSkinScan::skipsNamesThatDoNotRoundTrip()
{
    QTemporaryDir dir;
    const QString root = slashed(dir.path());
    QVERIFY(makeSkin(root, "Good"));
    // Latin-1 "é" is not valid UTF-8: the program could never address this folder again.
    const QByteArray bad = QFile::encodeName(root) + QByteArray("Caf\xe9");
    QCOMPARE(mkdir(bad.constData(), 0755), 0);
    const QByteArray bmp = bad + "/main.bmp";
    const int fd = open(bmp.constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY(fd >= 0);
    close(fd);
    QCOMPARE(SkinScan::listSkins(root), QStringList { "Good" });
}

void TestSkinScan::emptyOrMissingFolderListsNothing()
{
    QTemporaryDir dir;
    QCOMPARE(SkinScan::listSkins(slashed(dir.path())), QStringList());
    QCOMPARE(SkinScan::listSkins(slashed(dir.path()) + "missing/"), QStringList());
    // An empty current folder would mean the working directory: it lists nothing.
    QVERIFY(makeSkin(dir.path(), "InWorkingDir"));
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QStringList names = SkinScan::listSkins(QString());
    QDir::setCurrent(cwd);
    QCOMPARE(names, QStringList());
    // A file given as the folder.
    QVERIFY(writeFile(slashed(dir.path()) + "file", "x"));
    QCOMPARE(SkinScan::listSkins(slashed(dir.path()) + "file/"), QStringList());
}

void TestSkinScan::listsEveryRealSkin()
{
    QTemporaryDir dir;
    QVERIFY(copySharedSkins(dir.path()));
    const QStringList expected = { "base-2.91", "base-2.91-png", "CR2JPN-DinoCity", "My_Funny_Valentine", "Paper-Amp",
        "TopazAmp1-2", "XMMS-Turquoise", "yaxay-crwhobbesw" };
    QCOMPARE(SkinScan::listSkins(slashed(dir.path())), expected);
}

void TestSkinScan::findSkinFilePrefersTheExactName()
{
    QTemporaryDir dir;
    QVERIFY(copySharedSkins(dir.path()));
    const QString root = slashed(dir.path());
    QCOMPARE(SkinScan::findSkinFile(root + "My_Funny_Valentine/", "main.bmp"), root + "My_Funny_Valentine/main.bmp");
    QCOMPARE(SkinScan::findSkinFile(root + "base-2.91/", "main.bmp"), root + "base-2.91/MAIN.BMP");
    QCOMPARE(SkinScan::findSkinFile(root + "TopazAmp1-2/", "main.bmp"), root + "TopazAmp1-2/Main.bmp");
    QCOMPARE(SkinScan::findSkinFile(root + "base-2.91-png/", "main.bmp"), QString());
    QCOMPARE(SkinScan::findSkinFile(root + "base-2.91-png/", "Region.txt"), root + "base-2.91-png/REGION.TXT");
    QCOMPARE(SkinScan::findSkinFile(root + "missing/", "main.bmp"), QString());
}

void TestSkinScan::findsEverySpellingOfTheSkinFiles()
{
    // Spellings the scan does not try by name are found by listing the skin folder;
    // folders that carry a skin file's name never count, whichever way it is found.
    QTemporaryDir dir;
    const QString root = slashed(dir.path());
    QVERIFY(makeSkin(root, "OddMain", "mAiN.BmP"));
    QVERIFY(makeSkin(root, "OddRegion", "rEgIoN.tXt"));
    QVERIFY(makeSkin(root, "UpperStem", "MAIN.bmp"));
    QVERIFY(makeSkin(root, "FolderThenFile", "main.BMP"));
    QVERIFY(QDir().mkpath(root + "FolderThenFile/MAIN.BMP"));
    QVERIFY(makeSkin(root, "OnlyFolders", QString()));
    for (const char* folder : { "Main.bmp", "MAIN.BMP", "maIN.bmp", "REGION.TXT" })
        QVERIFY(QDir().mkpath(root + "OnlyFolders/" + folder));
    QVERIFY(makeSkin(root, "LinkedMain", QString()));
    QVERIFY(writeFile(root + "elsewhere.bmp", "BM"));
    QVERIFY(QFile::link(root + "elsewhere.bmp", root + "LinkedMain/Main.BMP"));
    QVERIFY(makeSkin(root, "DanglingLink", QString()));
    QVERIFY(QFile::link(root + "missing.bmp", root + "DanglingLink/MAIN.BMP"));
    // So many long-named files that the one that counts is almost surely listed past the
    // first read of the listing.
    QVERIFY(makeSkin(root, "Crowded", QString()));
    const QString longName = QStringLiteral("Crowded/%1-") + QString(200, QLatin1Char('x'));
    for (int i = 0; i < 500; ++i)
        QVERIFY(writeFile(root + longName.arg(i), "x"));
    QVERIFY(writeFile(root + "Crowded/MaIn.bMp", "BM"));

    const QStringList expected = { "Crowded", "FolderThenFile", "LinkedMain", "OddMain", "OddRegion", "UpperStem" };
    QCOMPARE(SkinScan::listSkins(root), expected);
}

void TestSkinScan::sortAgreesWithQStringCaseBlindOrder()
{
    // Names from pieces that fold in every way Qt knows: ASCII either side of the
    // letters, Latin-1, Greek final sigma, the Kelvin sign that folds to "k", full-width
    // and half-width forms, Japanese, a letter beyond the BMP that folds (Deseret) and
    // lone surrogates, which sort by their code unit.
    QStringList pieces = { "a", "A", "k", "K", "_", "@", "[", "9", "z", "Z", "é", "É", "ß", "ẞ", "σ", "ς", "Σ",
        "\u212a", "Ａ", "ａ", "ｱ", "ア", "桜", "😀", "𐐀", "𐐨", "\uffff", "ÿ", "Ÿ" };
    for (char16_t unit : { u'\xd801', u'\xdc00' })
        pieces << QString(QChar(unit));
    std::mt19937 random(11);
    QStringList names;
    for (int n = 0; n < 3000; ++n) {
        QString name;
        const int length = int(random() % 6);
        for (int i = 0; i < length; ++i)
            name += pieces.at(qsizetype(random() % pieces.size()));
        names << name;
    }
    QStringList expected = names;
    std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    QStringList sorted = names;
    SkinScan::sortCaseBlind(sorted);
    QCOMPARE(sorted, expected);
}

void TestSkinScan::listsOnlyArchivesThatAreSkins()
{
    QTemporaryDir dir;
    const QString root = slashed(dir.path());
    const QString published = sharedSkinsFolder() + "/wsz/";
    auto copy = [&](const QString& from, const QString& to) {
        return QFile::copy(published + from, root + to)
            && QFile::setPermissions(root + to, QFile::ReadOwner | QFile::WriteOwner);
    };
    auto zip = [&](const QString& name, const QStringList& files) {
        ZipWriter writer(root + name);
        for (const QString& file : files)
            writer.addFile(file, "x");
        return writer.close();
    };
    QVERIFY(makeSkin(root, "green"));
    QVERIFY(copy("base-2.91.wsz", "Base.wsz")); // flat
    QVERIFY(copy("Paper-Amp.wsz", "Paper.ZIP")); // in one top-level folder
    QVERIFY(copy("TopazAmp1-2.wsz", ".hidden.wsz"));
    QVERIFY(copy("TopazAmp1-2.wsz", "ReadOnly.wsz"));
    QVERIFY(QFile::setPermissions(root + "ReadOnly.wsz", QFile::ReadOwner));
    QVERIFY(QFile::link(root + "Base.wsz", root + "Linked.wsz"));
    const QByteArray real = readAll(published + "yaxay-crwhobbesw.wsz");
    QVERIFY(writeFile(root + "Damaged.wsz", real.left(real.size() - 40)));
    QVERIFY(writeFile(root + "empty.wsz", ""));
    QVERIFY(zip("Modern.zip", { "skin.xml", "player.png", "xml/player-elements.xml" }));
    QVERIFY(zip("PngOnly.wsz", { "main.png", "eqmain.png" }));
    QVERIFY(zip("PngRegion.wsz", { "MAIN.png", "REGION.TXT" }));
    // Files count by base name at any depth, as Winamp unpacks them; a Mac's forks never.
    QVERIFY(zip("TwoFolders.wsz", { "a/main.bmp", "b/readme.txt" }));
    QVERIFY(zip("Deep.wsz", { "top/skin/main.bmp" }));
    QVERIFY(zip("FileBeside.wsz", { "readme.txt", "top/main.bmp" }));
    QVERIFY(zip("MacFork.wsz", { "__MACOSX/main.bmp", "skin/main.png" }));
    QVERIFY(mkfifo(QFile::encodeName(root + "x.wsz").constData(), 0644) == 0);
    QVERIFY(QDir().mkpath(root + "Folder.zip"));

    const QStringList skins { "Base.wsz", "Deep.wsz", "FileBeside.wsz", "green", "Paper.ZIP", "PngRegion.wsz",
        "TwoFolders.wsz" };
    QCOMPARE(SkinScan::listSkins(root), skins);
    for (const QString& name :
        QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        QVERIFY2(SkinScan::isListedSkin(root, name) == skins.contains(name), qPrintable(name));
}

void TestSkinScan::mainBitmapFolderOrLinkToOneIsNoSkin()
{
    // Without subfolders of its own a folder's link count is 2, yet main.bmp can still
    // lead to a folder through a link.
    QTemporaryDir dir;
    const QString root = slashed(dir.path());
    QVERIFY(QDir().mkpath(root + "elsewhere"));
    for (const char* name : { "main.bmp", "MAIN.BMP", "Main.bmp", "mAIN.bmp", "Region.txt" }) {
        QVERIFY(makeSkin(root, QStringLiteral("Linked ") + name, QString()));
        QVERIFY(QFile::link(root + "elsewhere", root + "Linked " + name + "/" + name));
    }
    QVERIFY(makeSkin(root, "LinkedFile", QString()));
    QVERIFY(writeFile(root + "picture.bmp", "BM"));
    QVERIFY(QFile::link(root + "picture.bmp", root + "LinkedFile/main.bmp"));
    QCOMPARE(SkinScan::listSkins(root), QStringList { "LinkedFile" });
}

QTEST_GUILESS_MAIN(TestSkinScan)
#include "tst_skinscan.moc"
