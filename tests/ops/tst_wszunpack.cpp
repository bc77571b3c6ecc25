// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/wszunpack.h"
#include "skins/skinarchive.h"
#include "skins/skinreadme.h"
#include "skins/skinscan.h"
#include "skins/winamplook.h"
#include "tests/support/testsupport.h"
#include "tests/support/zipwriter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <clocale>
#include <sys/stat.h>

using namespace TestSupport;
using WszUnpack::Problem;

Q_DECLARE_METATYPE(WszUnpack::Problem)

namespace {

// A skin folder holding one skin, an empty folder outside it, and a place for archives.
struct Sandbox
{
    QTemporaryDir dir;
    QString root() const { return slashed(dir.path()); }
    QString skins() const { return root() + "skins/"; }
    QString outside() const { return root() + "outside/"; }
    QString archive(const QString& name) const { return root() + "in/" + name; }

    bool make()
    {
        return dir.isValid() && makeSkin(skins(), "Existing") && QDir().mkpath(outside())
            && QDir().mkpath(root() + "in");
    }
};

} // namespace

class TestWszUnpack : public QObject
{
    Q_OBJECT
private slots:
    void unpacksRealArchivesByteForByte_data();
    void unpacksRealArchivesByteForByte();
    void archivesAreListedAndDrawnLikeTheirFolders_data();
    void archivesAreListedAndDrawnLikeTheirFolders();
    void keepsTheLastOfNamesEqualButForCase();
    void takesFilesByBaseNameAtAnyDepth();
    void refusesHostileArchives_data();
    void refusesHostileArchives();
    void countsTheBytesReallyWritten();
    void takesTheNextFreeName();
    void readsUnmarkedNamesInTheWindowsCodePage();
    void namesTheSkinAfterTheArchive_data();
    void namesTheSkinAfterTheArchive();
};

void TestWszUnpack::unpacksRealArchivesByteForByte_data()
{
    QTest::addColumn<QString>("skin");
    const QStringList archives = QDir(sharedSkinsFolder() + "/wsz").entryList({ "*.wsz" }, QDir::Files, QDir::Name);
    QVERIFY(archives.size() >= 6);
    for (const QString& archive : archives)
        QTest::newRow(qPrintable(archive)) << QFileInfo(archive).completeBaseName();
}

void TestWszUnpack::unpacksRealArchivesByteForByte()
{
    QFETCH(QString, skin);
    Sandbox box;
    QVERIFY(box.make());
    const QString archive = box.archive(skin + ".wsz");
    QVERIFY(QFile::copy(sharedSkinsFolder() + "/wsz/" + skin + ".wsz", archive));
    const QByteArray archiveBytes = readAll(archive);

    const WszUnpack::Result result = WszUnpack::unpack(archive, box.skins());
    QVERIFY2(result.ok(), qPrintable(result.error.description));
    QCOMPARE(result.skinName, skin);
    QCOMPARE(result.error.number, 0);

    // The published folders hold every entry; ours holds one file of each name ignoring
    // case of those Winamp takes (.bmp, .txt, .cur, .ini), flattened, each byte-identical
    // to one published under that name.
    const QString unpacked = box.skins() + skin + "/";
    const QString published = sharedSkinsFolder() + "/" + skin + "/";
    const QStringList written = tree(unpacked);
    QVERIFY(!written.isEmpty());
    QStringList foldedWritten;
    for (const QString& name : written) {
        QVERIFY2(QFileInfo(unpacked + name).isFile(), qPrintable(name + " is not a plain file"));
        const QByteArray bytes = readAll(unpacked + name);
        const QStringList spellings = tree(published).filter(QRegularExpression(
            "^" + QRegularExpression::escape(name) + "$", QRegularExpression::CaseInsensitiveOption));
        QVERIFY2(std::any_of(spellings.cbegin(), spellings.cend(),
                     [&](const QString& spelling) { return readAll(published + spelling) == bytes; }),
            qPrintable(name + " differs"));
        foldedWritten.append(name.toCaseFolded());
    }
    const QStringList publishedNames = tree(published).filter(
        QRegularExpression("\\.(bmp|txt|cur|ini)$", QRegularExpression::CaseInsensitiveOption));
    for (const QString& name : publishedNames)
        QVERIFY2(foldedWritten.contains(name.toCaseFolded()), qPrintable(name + " is missing"));
    QCOMPARE(foldedWritten.removeDuplicates(), 0);

    QCOMPARE(readAll(archive), archiveBytes);
    QCOMPARE(tree(box.skins()).filter(QRegularExpression("^\\.")), QStringList());
    QCOMPARE(tree(box.outside()), QStringList());
}

void TestWszUnpack::archivesAreListedAndDrawnLikeTheirFolders_data()
{
    // How each of the skin's files is stored, and what is stored before them.
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QStringList>("before");
    QTest::newRow("stray top file") << "Topaz/" << QStringList("file_id.diz");
    QTest::newRow("__MACOSX") << "Topaz/" << QStringList({ "__MACOSX/Topaz/._Main.bmp", "__MACOSX/._readme.txt" });
    QTest::newRow("two folders deep") << "skins/Topaz/" << QStringList();
    QTest::newRow("unsafe entry") << "../../" << QStringList("C:\\Topaz\\Main.bmp");
    QTest::newRow("two entries of one name") << "" << QStringList({ "MAIN.BMP", "Readme.TXT" });
}

void TestWszUnpack::archivesAreListedAndDrawnLikeTheirFolders()
{
    QFETCH(QString, prefix);
    QFETCH(QStringList, before);
    Sandbox box;
    QVERIFY(box.make());
    const QString real = sharedSkinsFolder() + "/TopazAmp1-2/";
    const QString archive = box.skins() + "Topaz.wsz";
    ZipWriter zip(archive);
    for (const QString& name : std::as_const(before))
        zip.addFile(name, "not the skin's");
    for (const QString& name : QDir(real).entryList(QDir::Files))
        zip.addFile(prefix + name, readAll(real + name));
    QVERIFY(zip.close());
    QVERIFY(SkinScan::isListedSkin(box.skins(), "Topaz.wsz"));
    const QImage look = WinampLook::stacked(SkinFiles::fromFolder(real, WinampLook::fileNames()));
    QCOMPARE(WinampLook::stacked(SkinFiles::ofSkin(archive, WinampLook::fileNames())), look);
    QCOMPARE(SkinReadme::read(archive, SkinReadme::find(archive)), readAll(real + "readme.txt"));
    const WszUnpack::Result result = WszUnpack::unpack(archive, box.skins());
    QVERIFY2(result.ok(), qPrintable(result.error.description));
    const QString unpacked = box.skins() + result.skinName + "/";
    QCOMPARE(WinampLook::stacked(SkinFiles::fromFolder(unpacked, WinampLook::fileNames())), look);
    QCOMPARE(tree(unpacked).size(), QDir(real).entryList(QDir::Files).size());
    QCOMPARE(tree(box.outside()), QStringList());
}

void TestWszUnpack::keepsTheLastOfNamesEqualButForCase()
{
    Sandbox box;
    QVERIFY(box.make());
    const QString archive = box.archive("My_Funny_Valentine.wsz");
    QVERIFY(QFile::copy(sharedSkinsFolder() + "/wsz/My_Funny_Valentine.wsz", archive));
    QVERIFY(WszUnpack::unpack(archive, box.skins()).ok());
    const QString skin = box.skins() + "My_Funny_Valentine/";
    const QString published = sharedSkinsFolder() + "/My_Funny_Valentine/";
    // The archive holds main.bmp before main.BMP and VisColor.txt before viscolor.txt:
    // the first spelling, the last one's bytes.
    QVERIFY(QFile::exists(skin + "main.bmp"));
    QVERIFY(!QFile::exists(skin + "main.BMP"));
    QVERIFY(readAll(published + "main.bmp") != readAll(published + "main.BMP"));
    QCOMPARE(readAll(skin + "main.bmp"), readAll(published + "main.BMP"));
    QVERIFY(QFile::exists(skin + "VisColor.txt"));
    QVERIFY(!QFile::exists(skin + "viscolor.txt"));

    // Folders are dropped: files of one base name in any folder are one file.
    const QString made = box.archive("Folders.zip");
    ZipWriter zip(made);
    zip.addFile("main.bmp", tinyBitmap());
    zip.addFile("Sub/a.txt", "first a");
    zip.addFile("SUB/A.TXT", "second a");
    zip.addFile("SUB/b.txt", "b");
    zip.addFile("region.TXT", "r");
    zip.addFile("Region.txt/c.txt", "c");
    zip.addFolder("MAIN.BMP/");
    QVERIFY(zip.close());
    const WszUnpack::Result result = WszUnpack::unpack(made, box.skins());
    QVERIFY2(result.ok(), qPrintable(result.error.description));
    const QString folders = box.skins() + "Folders/";
    QCOMPARE(tree(folders), QStringList({ "a.txt", "b.txt", "c.txt", "main.bmp", "region.TXT" }));
    QCOMPARE(readAll(folders + "a.txt"), QByteArray("second a"));
}

void TestWszUnpack::takesFilesByBaseNameAtAnyDepth()
{
    Sandbox box;
    QVERIFY(box.make());

    const QString nested = box.archive("Nested.wsz");
    ZipWriter one(nested);
    one.addFile("Top\\Main.bmp", tinyBitmap());
    one.addFile("Top\\Extra\\notes.txt", "n");
    one.addFile("./top/./pledit.txt", "p");
    one.addFile("__MACOSX/Top/._Main.bmp", "resource fork");
    QVERIFY(one.close());
    WszUnpack::Result result = WszUnpack::unpack(nested, box.skins());
    QVERIFY2(result.ok(), qPrintable(result.error.description));
    QCOMPARE(tree(box.skins() + "Nested"), QStringList({ "Main.bmp", "notes.txt", "pledit.txt" }));
    QCOMPARE(readAll(box.skins() + "Nested/Main.bmp"), tinyBitmap());

    // A file beside the folder, and one Winamp does not take.
    const QString beside = box.archive("Beside.wsz");
    ZipWriter two(beside);
    two.addFile("readme.txt", "r");
    two.addFile("file_id.diz", "d");
    two.addFile("Top/main.bmp", tinyBitmap());
    QVERIFY(two.close());
    result = WszUnpack::unpack(beside, box.skins());
    QCOMPARE(tree(box.skins() + "Beside"), QStringList({ "main.bmp", "readme.txt" }));
}

void TestWszUnpack::refusesHostileArchives_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<Problem>("problem");
    // Unsafe paths are only their base names, written inside; links and devices are left out.
    QTest::newRow("dot-dot") << "dot-dot" << Problem::None;
    QTest::newRow("dot-dot through a folder") << "deep dot-dot" << Problem::None;
    QTest::newRow("dot-dot with backslashes") << "backslash dot-dot" << Problem::None;
    QTest::newRow("absolute path") << "absolute" << Problem::None;
    QTest::newRow("drive letter") << "drive" << Problem::None;
    QTest::newRow("symbolic link") << "symlink" << Problem::None;
    QTest::newRow("device") << "device" << Problem::None;
    QTest::newRow("nested 2,100 folders deep") << "deep" << Problem::None;
    QTest::newRow("encrypted") << "encrypted" << Problem::Encrypted;
    QTest::newRow("too many entries") << "entries" << Problem::TooLarge;
    QTest::newRow("entry count wrapped around to 1") << "wrapped" << Problem::TooLarge;
    QTest::newRow("archive past the size limit") << "size" << Problem::TooLarge;
    QTest::newRow("zip64 with plain fields") << "zip64" << Problem::Zip64;
    QTest::newRow("too many bytes in one file") << "bytes" << Problem::TooLarge;
    QTest::newRow("too many bytes in all") << "bytes in all" << Problem::TooLarge;
    QTest::newRow("truncated") << "truncated" << Problem::Damaged;
    QTest::newRow("central directory cut") << "cut directory" << Problem::Damaged;
    QTest::newRow("not a zip") << "text" << Problem::NotZip;
    QTest::newRow("empty file") << "empty" << Problem::NotZip;
    QTest::newRow("no skin files") << "no skin" << Problem::NotASkin;
    QTest::newRow("main.bmp a folder") << "folder main" << Problem::NotASkin;
    QTest::newRow("nothing inside") << "no entries" << Problem::NotASkin;
}

void TestWszUnpack::refusesHostileArchives()
{
    QFETCH(QString, kind);
    QFETCH(Problem, problem);
    Sandbox box;
    QVERIFY(box.make());
    const QString archive = box.archive("Hostile.wsz");
    {
        ZipWriter zip(archive, nullptr, kind == "encrypted" ? "secret" : nullptr, kind == "zip64");
        if (kind != "no entries" && kind != "no skin" && kind != "folder main")
            zip.addFile("main.bmp", tinyBitmap());
        if (kind == "dot-dot") {
            zip.addFile("../evil.txt", "x");
        } else if (kind == "deep dot-dot") {
            zip.addFile("sub/../../../outside/evil.txt", "x");
        } else if (kind == "backslash dot-dot") {
            zip.addFile("..\\..\\outside\\evil.txt", "x");
        } else if (kind == "absolute") {
            zip.addFile(box.outside() + "evil.txt", "x");
        } else if (kind == "drive") {
            zip.addFile("C:\\evil.txt", "x");
        } else if (kind == "symlink") {
            zip.addSymlink("evil.txt", box.outside());
        } else if (kind == "device") {
            zip.addFile("evil.txt", {});
        } else if (kind == "deep") {
            zip.addFile(QString("evil.txt/").repeated(2100) + "evil.txt", "x");
        } else if (kind == "entries" || kind == "wrapped") {
            for (int i = 0; i < WszUnpack::maxEntries; ++i)
                zip.addFile(QStringLiteral("f%1.txt").arg(i), {});
        } else if (kind == "bytes") {
            zip.addZeros("huge.bmp", WszUnpack::maxBytes + 1);
        } else if (kind == "bytes in all") {
            for (int i = 0; i < 4; ++i)
                zip.addZeros(QStringLiteral("part%1.bmp").arg(i), WszUnpack::maxBytes / 4);
        } else if (kind == "no skin") {
            zip.addFile("readme.txt", "r");
            zip.addFile("pledit.txt", "p");
        } else if (kind == "folder main") {
            zip.addFolder("main.bmp/");
            zip.addFile("Region.txt/inside.txt", "x");
        } else if (kind == "truncated" || kind == "cut directory") {
            for (int i = 0; i < 8; ++i)
                zip.addFile(QStringLiteral("file%1.bmp").arg(i), tinyBitmap().repeated(50));
        }
        QVERIFY(zip.close());
    }
    if (kind == "device") {
        // Zip has no devices of its own, but a Unix mode in the attributes can claim one.
        QCOMPARE(patchZipEntry(archive, "evil.txt", ZipField::CentralAttributes, quint32(S_IFCHR | 0644) << 16), 1);
    } else if (kind == "wrapped") {
        QVERIFY(patchEndRecordCount(archive, 1));
    } else if (kind == "size") {
        QFile file(archive);
        QVERIFY(file.resize(SkinArchive::maxArchiveBytes + 1));
    } else if (kind == "truncated") {
        QFile file(archive);
        QVERIFY(file.resize(file.size() / 2));
    } else if (kind == "cut directory") {
        // Every entry whole, the directory that lists them cut short.
        QFile file(archive);
        QVERIFY(file.resize(file.size() - 30));
    } else if (kind == "text") {
        QVERIFY(writeFile(archive, "This is a readme, not an archive.\n"));
    } else if (kind == "empty") {
        QVERIFY(writeFile(archive, {}));
    }
    const QStringList before = tree(box.root());

    const WszUnpack::Result result = WszUnpack::unpack(archive, box.skins());
    QCOMPARE(result.problem, problem);
    if (problem == Problem::None) {
        const bool written = kind != "symlink" && kind != "device";
        QCOMPARE(
            tree(box.skins() + "Hostile"), written ? QStringList({ "evil.txt", "main.bmp" }) : QStringList("main.bmp"));
        QCOMPARE(tree(box.outside()), QStringList());
        return;
    }
    QVERIFY(result.skinName.isEmpty());
    QCOMPARE(result.error.number, 75);
    QVERIFY(!result.error.description.isEmpty());
    // No partial folder, no hidden working folder, nothing outside.
    QCOMPARE(tree(box.root()), before);
}

void TestWszUnpack::countsTheBytesReallyWritten()
{
    // An entry whose headers claim 1000 bytes while its data inflates past the limit.
    Sandbox box;
    QVERIFY(box.make());
    const QString archive = box.archive("Liar.wsz");
    ZipWriter zip(archive);
    zip.addFile("main.bmp", tinyBitmap());
    zip.addZeros("liar.bmp", WszUnpack::maxBytes + 4096);
    QVERIFY(zip.close());

    // Every copy of the size: the local header's and the central directory's.
    QCOMPARE(patchZipEntry(archive, "liar.bmp", ZipField::LocalSize, 1000)
            + patchZipEntry(archive, "liar.bmp", ZipField::CentralSize, 1000),
        2);

    const QStringList before = tree(box.root());
    const WszUnpack::Result result = WszUnpack::unpack(archive, box.skins());
    QVERIFY2(!result.ok(), "a liar's 64 MiB must not be unpacked");
    QCOMPARE(result.problem, Problem::Damaged); // data running past its size, never inflated
    QCOMPARE(tree(box.root()), before);
}

void TestWszUnpack::takesTheNextFreeName()
{
    Sandbox box;
    QVERIFY(box.make());
    const QString archive = box.archive("Green.wsz");
    ZipWriter zip(archive);
    zip.addFile("main.bmp", tinyBitmap());
    QVERIFY(zip.close());
    // An empty folder of that name is taken all the same, and is never replaced.
    QVERIFY(QDir().mkpath(box.skins() + "Green"));
    QVERIFY(writeFile(box.skins() + "Green (3)", "a file"));

    QCOMPARE(WszUnpack::unpack(archive, box.skins()).skinName, QStringLiteral("Green (2)"));
    QCOMPARE(WszUnpack::unpack(archive, box.skins()).skinName, QStringLiteral("Green (4)"));
    QCOMPARE(tree(box.skins() + "Green"), QStringList());
    QCOMPARE(readAll(box.skins() + "Green (3)"), QByteArray("a file"));
    QCOMPARE(readAll(box.skins() + "Green (4)/main.bmp"), tinyBitmap());
    QVERIFY(QFile::exists(archive));

    // A missing skin folder or archive: 53, and nothing made.
    const WszUnpack::Result noFolder = WszUnpack::unpack(archive, box.root() + "missing/");
    QCOMPARE(noFolder.error.number, 53);
    QCOMPARE(WszUnpack::unpack(box.archive("missing.wsz"), box.skins()).error.number, 53);
    QCOMPARE(WszUnpack::unpack(archive, QString()).error.number, 53);
    QVERIFY(!QFile::exists(box.root() + "missing"));
}

void TestWszUnpack::readsUnmarkedNamesInTheWindowsCodePage()
{
    Sandbox box;
    QVERIFY(box.make());
    const QString archive = box.archive("Japanese.wsz");
    const QString name = QStringLiteral("ソフト説明.txt"); // "ソ" is 0x83 0x5C: a "\" byte
    ZipWriter zip(archive, "CP932");
    zip.addFile("main.bmp", tinyBitmap());
    zip.addFile(name, "readme");
    QVERIFY(zip.close());
    QVERIFY2(readAll(archive).contains("\x83\x5c\x83\x74\x83\x67"), "the name is stored in CP932");

    // Whatever the user's locale: here the plain C locale, which knows no Japanese.
    const locale_t plainC = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    QVERIFY(plainC);
    const locale_t previous = uselocale(plainC);
    const WszUnpack::Result result = WszUnpack::unpack(archive, box.skins());
    uselocale(previous);
    freelocale(plainC);
    QVERIFY2(result.ok(), qPrintable(result.error.description));
    QCOMPARE(tree(box.skins() + "Japanese"), QStringList({ "main.bmp", name }));
}

void TestWszUnpack::namesTheSkinAfterTheArchive_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("skin");
    QTest::newRow("wsz") << "Green.wsz"
                         << "Green";
    QTest::newRow("upper case zip") << "Green.ZIP"
                                    << "Green";
    QTest::newRow("dots inside") << "Green v1.2.wsz"
                                 << "Green v1.2";
    QTest::newRow("blanks") << " Green Day .wsz"
                            << " Green Day ";
    QTest::newRow("japanese") << "緑のスキン.wsz"
                              << "緑のスキン";
    QTest::newRow("leading dot would hide it") << ".Green.wsz"
                                               << "Green";
    QTest::newRow("nothing but the extension") << ".wsz"
                                               << "Skin";
}

void TestWszUnpack::namesTheSkinAfterTheArchive()
{
    QFETCH(QString, file);
    QFETCH(QString, skin);
    Sandbox box;
    QVERIFY(box.make());
    const QString archive = box.archive(file);
    ZipWriter zip(archive);
    zip.addFile("Region.txt", "[Normal]\r\n");
    QVERIFY(zip.close());
    const WszUnpack::Result result = WszUnpack::unpack(archive, box.skins());
    QCOMPARE(result.skinName, skin);
    QVERIFY(QFileInfo(box.skins() + skin + "/Region.txt").isFile());
}

QTEST_MAIN(TestWszUnpack)
#include "tst_wszunpack.moc"
