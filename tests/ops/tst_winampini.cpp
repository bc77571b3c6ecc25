// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/codepage.h"
#include "ops/winampini.h"
#include "ops/wine.h"
#include "platform/store.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace TestSupport;

class TestWinampIni : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void rewritesTheFourLineExample();
    void rewritesOnlyTheFirstMatchingLines_data();
    void rewritesOnlyTheFirstMatchingLines();
    void missingFileIsNotCreated();
    void emptyFileIsLeftAlone();
    void readOnlyFileIsLeftAlone();
    void keepsModeAndLeavesNoTemporaryFile();
    void writesThroughASymbolicLink();
    void findsTheFileWithoutRegardToCase();
    void failedWriteLeavesTheOldFileWhole();
    void cwdIsTheFolderAsWineSeesIt();
    void codePageOfTheEnvironment_data();
    void codePageOfTheEnvironment();
    void writesInTheCodePageOrNotAtAll_data();
    void writesInTheCodePageOrNotAtAll();

private:
    QString ampFolder() const { return slashed(m_dir->path()) + "Winamp/"; }
    QString iniPath() const { return ampFolder() + "winamp.ini"; }
    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    QTemporaryDir* m_dir = nullptr;
};

void TestWinampIni::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(ampFolder()));
    // Hadrel's users are Japanese; the machine's own locale must not matter.
    QVERIFY(qunsetenv("LC_ALL") && qunsetenv("LC_CTYPE") && qputenv("LANG", "ja_JP.UTF-8"));
}

void TestWinampIni::cleanup()
{
    WinampIni::writeContents = [](QIODevice& device, const QByteArray& bytes) { return device.write(bytes); };
    delete m_dir;
    m_dir = nullptr;
}

void TestWinampIni::rewritesTheFourLineExample()
{
    QVERIFY(writeFile(iniPath(), "[Winamp]\r\ncwd=C:\\Other\\\r\nskin=Base\r\nvolume=200\r\n"));
    const RunError error = Winamp_Ini_Update(ampFolder(), "C:\\Skins\\", "Green");
    QCOMPARE(error.number, 0);
    QCOMPARE(read(iniPath()), QByteArray("[Winamp]\r\ncwd=C:\\Skins\\\r\nskin=Green\r\nvolume=200\r\n"));
}

void TestWinampIni::rewritesOnlyTheFirstMatchingLines_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("skin");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("skin line only") << QByteArray("[Winamp]\r\nskin=Old\r\n") << "New"
                                    << QByteArray("[Winamp]\r\nskin=New\r\n");
    QTest::newRow("neither line, LF ends")
        << QByteArray("[Winamp]\nvolume=1\n") << "New" << QByteArray("[Winamp]\r\nvolume=1\r\n");
    QTest::newRow("skinmode before skin")
        << QByteArray("skinmode=1\r\nskin=Base\r\n") << "New" << QByteArray("skin=New\r\nskin=Base\r\n");
    QTest::newRow("other letter case") << QByteArray("Cwd=a\r\nSKIN=b\r\n") << "New"
                                       << QByteArray("Cwd=a\r\nSKIN=b\r\n");
    QTest::newRow("raw line, no blanks skipped, short lines") << QByteArray(
        " cwd=a\r\ncw\r\nski\r\n\tskin=b\r\n") << "New" << QByteArray(" cwd=a\r\ncw\r\nski\r\n\tskin=b\r\n");
    QTest::newRow("two cwd lines") << QByteArray("cwd=a\r\ncwd=b\r\n") << "New"
                                   << QByteArray("cwd=/skins/\r\ncwd=b\r\n");
    QTest::newRow("prefix without =") << QByteArray("cwdx\r\nskinny\r\n") << "New"
                                      << QByteArray("cwd=/skins/\r\nskin=New\r\n");
    QTest::newRow("empty skin") << QByteArray("skin=Old\r\n") << "" << QByteArray("skin=\r\n");
    QTest::newRow("last line without terminator")
        << QByteArray("a=1\r\nskin=Old") << "New" << QByteArray("a=1\r\nskin=New\r\n");
    QTest::newRow("only CR ends") << QByteArray("[Winamp]\rcwd=x\rskin=y\rz=1\r") << "New"
                                  << QByteArray("[Winamp]\r\ncwd=/skins/\r\nskin=New\r\nz=1\r\n");
    QTest::newRow("blank lines and mixed ends")
        << QByteArray("\r\na\n\rb\r\r\nc") << "New" << QByteArray("\r\na\r\n\r\nb\r\n\r\nc\r\n");
    QTest::newRow("a lone empty line") << QByteArray("\r\n") << "New" << QByteArray("\r\n");
    QTest::newRow("bytes that are not UTF-8 and control characters")
        << QByteArrayLiteral("title=\x83\x45\x83\x42\x83\x93\xff\xfe\r\nskin=x\r\nctl=\x01\x1b\x7f\t\0z\r\n") << "New"
        << QByteArrayLiteral("title=\x83\x45\x83\x42\x83\x93\xff\xfe\r\nskin=New\r\nctl=\x01\x1b\x7f\t\0z\r\n");
    QTest::newRow("japanese skin name") << QByteArray("skin=x\r\n") << "緑のスキン"
                                        << QByteArray("skin=\x97\xce\x82\xcc\x83\x58\x83\x4c\x83\x93\r\n");
}

void TestWinampIni::rewritesOnlyTheFirstMatchingLines()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, skin);
    QFETCH(QByteArray, after);
    QVERIFY(writeFile(iniPath(), before));
    QCOMPARE(Winamp_Ini_Update(ampFolder(), "/skins/", skin).number, 0);
    QCOMPARE(read(iniPath()), after);
}

void TestWinampIni::missingFileIsNotCreated()
{
    QCOMPARE(Winamp_Ini_Update(ampFolder(), "/skins/", "Green").number, 53);
    QVERIFY(!QFileInfo::exists(iniPath()));

    // An empty Winamp folder must not write a winamp.ini wherever the program runs.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    QVERIFY(writeFile(m_dir->filePath("winamp.ini"), "skin=Old\r\n"));
    const RunError error = Winamp_Ini_Update(QString(), "/skins/", "Green");
    QDir::setCurrent(previous);
    QVERIFY(error.failed());
    QCOMPARE(read(m_dir->filePath("winamp.ini")), QByteArray("skin=Old\r\n"));

    // A dangling link is a missing file too, and nothing appears at its target.
    QVERIFY(QFile::link(m_dir->filePath("gone.ini"), iniPath()));
    QCOMPARE(Winamp_Ini_Update(ampFolder(), "/skins/", "Green").number, 53);
    QVERIFY(!QFileInfo::exists(m_dir->filePath("gone.ini")));
}

void TestWinampIni::emptyFileIsLeftAlone()
{
    QVERIFY(writeFile(iniPath(), ""));
    struct stat before;
    QCOMPARE(stat(QFile::encodeName(iniPath()).constData(), &before), 0);
    QVERIFY(Winamp_Ini_Update(ampFolder(), "/skins/", "Green").failed());
    struct stat after;
    QCOMPARE(stat(QFile::encodeName(iniPath()).constData(), &after), 0);
    QCOMPARE(after.st_size, 0);
    QCOMPARE(after.st_ino, before.st_ino);
}

void TestWinampIni::readOnlyFileIsLeftAlone()
{
    const QByteArray contents("cwd=old\r\nskin=Old\r\n");
    QVERIFY(writeFile(iniPath(), contents));
    QCOMPARE(chmod(QFile::encodeName(iniPath()).constData(), 0444), 0);
    // Root may write anything; the owner-write bit still decides.
    const RunError error = Winamp_Ini_Update(ampFolder(), "/skins/", "Green");
    QVERIFY2(error.failed(), geteuid() == 0 ? "run as root" : "run as a user");
    QCOMPARE(error.number, 75);
    QCOMPARE(read(iniPath()), contents);
    QCOMPARE(QFileInfo(iniPath()).permissions() & QFile::WriteOwner, QFile::Permissions());
}

void TestWinampIni::keepsModeAndLeavesNoTemporaryFile()
{
    QVERIFY(writeFile(iniPath(), "skin=Old\r\n"));
    QCOMPARE(chmod(QFile::encodeName(iniPath()).constData(), 0604), 0);
    // Root editing a user's winamp.ini must not take it over.
    const bool root = geteuid() == 0;
    if (root)
        QCOMPARE(chown(QFile::encodeName(iniPath()).constData(), 4321, 4322), 0);
    QCOMPARE(Winamp_Ini_Update(ampFolder(), "/skins/", "Green").number, 0);

    struct stat st;
    QCOMPARE(stat(QFile::encodeName(iniPath()).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0604));
    if (root) {
        QCOMPARE(st.st_uid, uid_t(4321));
        QCOMPARE(st.st_gid, gid_t(4322));
    }
    QCOMPARE(read(iniPath()), QByteArray("skin=Green\r\n"));
    QCOMPARE(QDir(ampFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { "winamp.ini" });
}

void TestWinampIni::writesThroughASymbolicLink()
{
    const QString realFolder = slashed(m_dir->path()) + "real/";
    QVERIFY(QDir().mkpath(realFolder));
    QVERIFY(writeFile(realFolder + "winamp.ini", "cwd=old\r\nskin=Old\r\n"));
    QCOMPARE(chmod(QFile::encodeName(realFolder + "winamp.ini").constData(), 0600), 0);
    QCOMPARE(symlink("../real/winamp.ini", QFile::encodeName(iniPath()).constData()), 0);

    QCOMPARE(Winamp_Ini_Update(ampFolder(), "/skins/", "Green").number, 0);
    QVERIFY2(QFileInfo(iniPath()).isSymLink(), "the link is kept");
    QCOMPARE(QFile::symLinkTarget(iniPath()), realFolder + "winamp.ini");
    QCOMPARE(read(realFolder + "winamp.ini"), QByteArray("cwd=/skins/\r\nskin=Green\r\n"));
    QCOMPARE(QFileInfo(realFolder + "winamp.ini").permissions() & 0x7777,
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

void TestWinampIni::findsTheFileWithoutRegardToCase()
{
    QVERIFY(writeFile(ampFolder() + "Winamp.INI", "skin=Old\r\n"));
    QCOMPARE(Winamp_Ini_Update(ampFolder(), "/skins/", "Green").number, 0);
    QCOMPARE(read(ampFolder() + "Winamp.INI"), QByteArray("skin=Green\r\n"));
    QVERIFY(!QFileInfo::exists(iniPath()));
}

void TestWinampIni::failedWriteLeavesTheOldFileWhole()
{
    const QByteArray contents("[Winamp]\r\ncwd=old\r\nskin=Old\r\nvolume=200\r\n");
    QVERIFY(writeFile(iniPath(), contents));
    // The disk fills up half-way through the new file.
    WinampIni::writeContents = [](QIODevice& device, const QByteArray& bytes) -> qint64 {
        device.write(bytes.left(bytes.size() / 2));
        return -1;
    };
    const RunError error = Winamp_Ini_Update(ampFolder(), "/skins/", "Green");
    QCOMPARE(error.number, 75);
    QCOMPARE(read(iniPath()), contents);
    QCOMPARE(QDir(ampFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { "winamp.ini" });
}

void TestWinampIni::cwdIsTheFolderAsWineSeesIt()
{
    // A fake prefix: z: is the root, c: its drive_c, as winecfg leaves them.
    const QString prefix = slashed(m_dir->path()) + "wine prefix/";
    QVERIFY(QDir().mkpath(prefix + "dosdevices"));
    QVERIFY(QDir().mkpath(prefix + "drive_c/Program Files/Winamp"));
    QVERIFY(QDir().mkpath(prefix + "drive_c/Skins/緑"));
    QCOMPARE(symlink("/", QFile::encodeName(prefix + "dosdevices/z:").constData()), 0);
    QCOMPARE(symlink("../drive_c", QFile::encodeName(prefix + "dosdevices/c:").constData()), 0);
    QCOMPARE(symlink("/dev/ttyS0", QFile::encodeName(prefix + "dosdevices/com1").constData()), 0);
    const QString amp = prefix + "drive_c/Program Files/Winamp/";
    QVERIFY(writeFile(amp + "winamp.ini", "cwd=old\r\nskin=Old\r\n"));

    const QString outside = slashed(m_dir->path()) + "my skins/";
    QVERIFY(QDir().mkpath(outside));
    QString expected = QFileInfo(outside).canonicalFilePath() + "/";
    expected.replace('/', '\\');
    QCOMPARE(Winamp_Ini_Update(amp, outside, "Green").number, 0);
    QCOMPARE(read(amp + "winamp.ini"), "cwd=Z:" + QFile::encodeName(expected) + "\r\nskin=Green\r\n");

    QCOMPARE(Winamp_Ini_Update(amp, prefix + "drive_c/Skins/緑/", "Green").number, 0);
    QCOMPARE(read(amp + "winamp.ini"), QByteArray("cwd=C:\\Skins\\\x97\xce\\\r\nskin=Green\r\n"));
    // The second byte of ソ is a backslash too: the one that ends the path is still there.
    QVERIFY(QDir().mkpath(prefix + "drive_c/スキン集/ソ"));
    QCOMPARE(Winamp_Ini_Update(amp, prefix + "drive_c/スキン集/ソ/", "Green").number, 0);
    QCOMPARE(
        read(amp + "winamp.ini"), QByteArray("cwd=C:\\\x83\x58\x83\x4c\x83\x93\x8f\x57\\\x83\x5c\\\r\nskin=Green\r\n"));

    QCOMPARE(Wine::prefixOf(amp), QDir::cleanPath(prefix));
    QCOMPARE(Wine::windowsFolder(Wine::prefixOf(amp), prefix + "drive_c/"), "C:\\");
    QCOMPARE(Wine::windowsFolder(Wine::prefixOf(amp), prefix + "drive_cx/"),
        "Z:" + QString(QFileInfo(prefix).canonicalFilePath() + "/drive_cx/").replace('/', '\\'));

    // Outside a prefix the folder goes in as it stands.
    QVERIFY(Wine::prefixOf(ampFolder()).isEmpty());
    QCOMPARE(WinampIni::cwdValue(ampFolder(), outside), outside);
}

void TestWinampIni::codePageOfTheEnvironment_data()
{
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("codePage");

    const QList<std::pair<const char*, int>> locales { { "ja_JP.UTF-8", 932 }, { "ja_JP.eucJP", 932 },
        { "ko_KR.UTF-8", 949 }, { "zh_CN.UTF-8", 936 }, { "zh_TW.UTF-8", 950 }, { "zh_HK", 950 },
        { "ru_RU.UTF-8", 1251 }, { "sr_RS", 1251 }, { "sr_RS@latin", 1250 }, { "uz_UZ", 1254 },
        { "uz_UZ.UTF-8@cyrillic", 1251 }, { "pl_PL.UTF-8", 1250 }, { "el_GR", 1253 }, { "tr_TR", 1254 },
        { "he_IL", 1255 }, { "fa_IR", 1256 }, { "lv_LV", 1257 }, { "vi_VN", 1258 }, { "th_TH", 874 },
        { "en_US.UTF-8", 1252 }, { "de_DE@euro", 1252 }, { "C", 1252 }, { "POSIX", 1252 } };
    for (const auto& [locale, codePage] : locales)
        QTest::newRow(locale) << QStringLiteral("LANG=") + locale << QString() << codePage;

    QTest::newRow("nothing set") << "" << QString() << 1252;
    QTest::newRow("LC_ALL first") << "LC_ALL=ru_RU LC_CTYPE=ja_JP LANG=ko_KR" << QString() << 1251;
    QTest::newRow("then LC_CTYPE") << "LC_CTYPE=ja_JP LANG=ko_KR" << QString() << 932;
    QTest::newRow("empty counts as unset") << "LC_ALL= LC_CTYPE= LANG=el_GR" << QString() << 1253;
    QTest::newRow("stored number wins") << "LANG=ja_JP.UTF-8" << QString(" 1252 ") << 1252;
    QTest::newRow("stored word ignored") << "LANG=ja_JP.UTF-8" << QString("sjis") << 932;
    QTest::newRow("stored UTF-8 ignored") << "LANG=ja_JP.UTF-8" << QString("65001") << 932;
}

void TestWinampIni::codePageOfTheEnvironment()
{
    QFETCH(QString, environment);
    QFETCH(QString, stored);
    QFETCH(int, codePage);
    QProcessEnvironment variables;
    for (const QString& assignment : environment.split(' ', Qt::SkipEmptyParts))
        variables.insert(assignment.section('=', 0, 0), assignment.section('=', 1));
    QCOMPARE(WineCodePage::forWinamp(stored, variables), codePage);
}

void TestWinampIni::writesInTheCodePageOrNotAtAll_data()
{
    QTest::addColumn<QByteArray>("lang");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("skin");
    QTest::addColumn<QByteArray>("skinBytes"); // empty: refused, with this message
    QTest::addColumn<QString>("message");

    const auto row = [](const char* name, const char* lang, const QString& stored, const QString& folder,
                         const QString& skin, const QByteArray& bytes, const QString& message = {}) {
        QTest::newRow(name) << QByteArray(lang) << stored << folder << skin << bytes << message;
    };
    const QByteArray japanese("\x93\xfa\x96\x7b\x8c\xea\x83\x58\x83\x4c\x83\x93");
    row("ja", "ja_JP.UTF-8", {}, "/skins/", "日本語スキン", japanese);
    row("en", "en_US.UTF-8", {}, "/skins/", "Café", "Caf\xe9");
    row("store over the locale", "en_US.UTF-8", "932", "/skins/", "日本語スキン", japanese);

    const QString sentence = "「%1」はWinampが読める文字(コードページ %2)で書けない文字を含んでいます。";
    // WAVE DASH has no CP932 pair; Windows would write the one of FULLWIDTH TILDE.
    row("wave dash", "ja_JP.UTF-8", {}, "/skins/", "波〜", {}, sentence.arg("波〜", "932"));
    row("line break", "ja_JP.UTF-8", {}, "/skins/", "a\nvolume=0", {}, sentence.arg("a␊volume=0", "932"));
    row("control in the folder", "en_US.UTF-8", {}, "/sk\x1bins/", "Green", {}, sentence.arg("/sk␛ins/", "1252"));
    row("kana under 1252", "en_US.UTF-8", {}, "/skins/", "スキン", {}, sentence.arg("スキン", "1252"));
}

void TestWinampIni::writesInTheCodePageOrNotAtAll()
{
    QFETCH(QByteArray, lang);
    QFETCH(QString, stored);
    QFETCH(QString, folder);
    QFETCH(QString, skin);
    QFETCH(QByteArray, skinBytes);
    QFETCH(QString, message);
    QVERIFY(qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path())) && qputenv("LANG", lang));
    if (!stored.isNull())
        QVERIFY(!Store::save("Hadrel", "Winamp", "CodePage", stored).failed());

    const QByteArray contents("[Winamp]\r\ncwd=old\r\nskin=Old\nvolume=200");
    QVERIFY(writeFile(iniPath(), contents));
    const RunError error = Winamp_Ini_Update(ampFolder(), folder, skin);
    if (skinBytes.isEmpty()) {
        QCOMPARE(WinampIni::messageLines(error), QStringList({ message, "名前を変えてから使ってください。" }));
        QCOMPARE(read(iniPath()), contents);
    } else {
        QCOMPARE(error.number, 0);
        QCOMPARE(read(iniPath()), "[Winamp]\r\ncwd=/skins/\r\nskin=" + skinBytes + "\r\nvolume=200\r\n");
    }
}

QTEST_GUILESS_MAIN(TestWinampIni)
#include "tst_winampini.moc"
