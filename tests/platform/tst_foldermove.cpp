// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/foldermove.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace TestSupport;

static dev_t deviceOf(const QString& path)
{
    struct stat st
    {
    };
    stat(QFile::encodeName(path).constData(), &st);
    return st.st_dev;
}

class TestFolderMove : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void plainNames_data();
    void plainNames();
    void movesAndRenamesWithContents();
    void missingThingsAre53();
    void neverReplacesAnything_data();
    void neverReplacesAnything();
    void otherFileSystemIs74();
    void otherFailuresAre75();
    void namesThatAreNotPlainNeverReachTheDisk();

private:
    QString root() const { return slashed(m_dir->path()); }
    QTemporaryDir* m_dir = nullptr;
};

void TestFolderMove::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
}

void TestFolderMove::cleanup()
{
    delete m_dir;
    m_dir = nullptr;
}

void TestFolderMove::plainNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("plain");
    QTest::newRow("name") << "Green" << true;
    QTest::newRow("blanks and japanese") << " 緑 の skin " << true;
    QTest::newRow("hidden") << ".Green" << true;
    QTest::newRow("three dots") << "..." << true;
    QTest::newRow("backslash") << "a\\b" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("dot dot") << ".." << false;
    QTest::newRow("slash") << "a/b" << false;
    QTest::newRow("parent path") << "../x" << false;
    QTest::newRow("trailing slash") << "Green/" << false;
    QTest::newRow("nul") << QString("a") + QChar(0) + "b" << false;
}

void TestFolderMove::plainNames()
{
    QFETCH(QString, name);
    QFETCH(bool, plain);
    QCOMPARE(FolderMove::isPlainName(name), plain);
}

void TestFolderMove::movesAndRenamesWithContents()
{
    QVERIFY(makeSkin(root() + "skins", "Green"));
    QVERIFY(QDir().mkpath(root() + "trash"));

    QCOMPARE(FolderMove::moveFolder(root() + "skins/Green", root() + "skins/green").number, 0);
    QVERIFY(QFileInfo::exists(root() + "skins/green/main.bmp"));
    QVERIFY(!QFileInfo::exists(root() + "skins/Green"));

    // Trailing separators on either side name the same folders.
    QCOMPARE(FolderMove::moveInto(root() + "skins/green/", root() + "trash/", "緑").number, 0);
    QVERIFY(QFileInfo::exists(root() + "trash/緑/main.bmp"));
    QCOMPARE(QDir(root() + "skins").entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void TestFolderMove::missingThingsAre53()
{
    QVERIFY(makeSkin(root(), "Green"));
    QVERIFY(writeFile(root() + "file", "x"));

    QCOMPARE(FolderMove::moveFolder(root() + "Missing", root() + "Blue").number, 53);
    QCOMPARE(FolderMove::moveFolder(root() + "Green", root() + "no/such/Blue").number, 53);
    QCOMPARE(FolderMove::moveFolder(root() + "file/Green", root() + "Blue").number, 53);
    QCOMPARE(FolderMove::moveFolder(root() + "Green", root() + "file/Blue").number, 53);
    QCOMPARE(FolderMove::moveFolder(QString(), root() + "Blue").number, 53);
    QCOMPARE(FolderMove::moveFolder(root() + "Green", QString()).number, 53);
    const RunError error = FolderMove::moveFolder(root() + "Missing", root() + "Blue");
    QCOMPARE(error.description, QStringLiteral("ファイルが見つかりません。"));
    QVERIFY(QFileInfo::exists(root() + "Green/main.bmp"));
}

void TestFolderMove::neverReplacesAnything_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("empty folder") << "Empty";
    QTest::newRow("skin") << "Blue";
    QTest::newRow("file") << "file";
    QTest::newRow("dangling link") << "link";
    QTest::newRow("itself") << "Green";
}

void TestFolderMove::neverReplacesAnything()
{
    QFETCH(QString, target);
    QVERIFY(makeSkin(root(), "Green", "main.bmp", Qt::green));
    QVERIFY(makeSkin(root(), "Blue", "main.bmp", Qt::blue));
    QVERIFY(QDir().mkpath(root() + "Empty"));
    QVERIFY(writeFile(root() + "file", "x"));
    QVERIFY(QFile::link(root() + "nowhere", root() + "link"));
    const QStringList before = QDir(root()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);

    const RunError error = FolderMove::moveFolder(root() + "Green", root() + target);
    QCOMPARE(error.number, 58);
    QCOMPARE(error.description, QStringLiteral("既に同名のファイルが存在しています。"));
    QCOMPARE(QDir(root()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), before);
    QVERIFY(QFileInfo::exists(root() + "Green/main.bmp"));
    QVERIFY(QFileInfo(root() + "Empty").isDir());
    QVERIFY(QFileInfo(root() + "link").isSymLink());
}

void TestFolderMove::otherFileSystemIs74()
{
    QTemporaryDir other(QStringLiteral("/dev/shm/hadrel-XXXXXX"));
    if (!other.isValid())
        QSKIP("no /dev/shm here");
    if (deviceOf(other.path()) == deviceOf(m_dir->path()))
        QSKIP("/dev/shm and the temporary folder share a file system");
    QVERIFY(makeSkin(other.path(), "Green"));
    const RunError error = FolderMove::moveFolder(slashed(other.path()) + "Green", root() + "Green");
    QCOMPARE(error.number, 74);
    QCOMPARE(error.description, QStringLiteral("異なるドライブ間で名前を変更することはできません。"));
    QVERIFY(QFileInfo::exists(slashed(other.path()) + "Green/main.bmp"));
    QVERIFY(!QFileInfo::exists(root() + "Green"));
}

void TestFolderMove::otherFailuresAre75()
{
    QVERIFY(makeSkin(root(), "Green"));
    const RunError error = FolderMove::moveFolder(root() + "Green", root() + "Green/inside/Green");
    QCOMPARE(error.number, 53); // the folder in between is missing
    QVERIFY(QDir().mkpath(root() + "Green/inside"));
    const RunError intoItself = FolderMove::moveFolder(root() + "Green", root() + "Green/inside/Green");
    QCOMPARE(intoItself.number, 75);
    QCOMPARE(intoItself.description, QStringLiteral("パス名またはファイル名が無効です。"));
    QVERIFY(QFileInfo::exists(root() + "Green/main.bmp"));
}

void TestFolderMove::namesThatAreNotPlainNeverReachTheDisk()
{
    QVERIFY(makeSkin(root() + "skins", "Green"));
    const QString skins = root() + "skins/";
    for (const QString& name : { QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("../Green"),
             QStringLiteral("a/b"), QStringLiteral("/tmp") }) {
        QCOMPARE(FolderMove::moveInto(skins + "Green", skins, name).number, 53);
    }
    QCOMPARE(QDir(root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList { "skins" });
    QCOMPARE(QDir(skins).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList { "Green" });
}

QTEST_GUILESS_MAIN(TestFolderMove)
#include "tst_foldermove.moc"
