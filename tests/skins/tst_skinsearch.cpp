// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/skinsearch.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

class TestSkinSearch : public QObject
{
    Q_OBJECT
private slots:
    void matching_data();
    void matching();
    void newestFirstGoesByModificationTime();
    void randomNeverRepeatsTheSelectedSkin();
};

void TestSkinSearch::matching_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("match");
    QTest::newRow("letter case") << "Green MACHINE"
                                 << "machine gr" << true;
    QTest::newRow("full-width letters typed") << "ABC Amp"
                                              << "ａｂｃ" << true;
    QTest::newRow("full-width letters in the name") << "ＡＢＣ Amp"
                                                    << "abc" << true;
    QTest::newRow("half-width kana in the name") << "ｽｷﾝ集"
                                                 << "スキン" << true;
    QTest::newRow("half-width kana typed") << "スキン集"
                                           << "ｽｷﾝ" << true;
    QTest::newRow("half-width voiced kana") << "ｸﾞﾘｰﾝ"
                                            << "グリーン" << true;
    QTest::newRow("hiragana typed") << "スキン集"
                                    << "すきん" << true;
    QTest::newRow("hiragana in the name") << "すきん"
                                          << "スキン" << true;
    QTest::newRow("several words in any order") << "Winamp Classic Blue"
                                                << "blue  win" << true;
    QTest::newRow("full-width space between words") << "Winamp Classic Blue"
                                                    << "blue　classic" << true;
    QTest::newRow("one word missing") << "Winamp Classic Blue"
                                      << "blue red" << false;
    QTest::newRow("no match") << "Paper-Amp"
                              << "xmms" << false;
    QTest::newRow("voiced is not unvoiced") << "カイド"
                                            << "ｶﾞ" << false;
    QTest::newRow("nothing typed") << "Paper-Amp"
                                   << " " << true;
}

void TestSkinSearch::matching()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(bool, match);
    QCOMPARE(SkinSearch::matches(SkinSearch::fold(name), SkinSearch::wordsOf(typed)), match);
    const QStringList folded = SkinSearch::foldAll({ "zzz", name });
    QCOMPARE(SkinSearch::filter(folded, SkinSearch::wordsOf(typed), { 1, 0 }).contains(1), match);
}

void TestSkinSearch::newestFirstGoesByModificationTime()
{
    QTemporaryDir dir;
    const QString folder = TestSupport::slashed(dir.path());
    const QStringList names { "Alpha", "beta.wsz", "Gamma", "Delta", "Gone" };
    const qint64 seconds[] = { 1000, 3000, 2000, 2000 };
    for (int i = 0; i < 4; ++i) {
        const QString path = folder + names[i];
        QVERIFY(names[i].endsWith(".wsz") ? TestSupport::writeFile(path, "PK") : QDir().mkdir(path));
        const timespec times[2] = { { seconds[i], 0 }, { seconds[i], 0 } };
        QVERIFY(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0);
    }
    // Equal times keep the list's order; a skin gone since the scan goes last.
    QCOMPARE(SkinSearch::newestFirst(folder, names), QList<int>({ 1, 2, 3, 0, 4 }));
}

void TestSkinSearch::randomNeverRepeatsTheSelectedSkin()
{
    QRandomGenerator random(7);
    QList<int> seen(4);
    for (int i = 0; i < 300; ++i)
        ++seen[SkinSearch::randomRow(4, 2, random)];
    QCOMPARE(seen[2], 0);
    QVERIFY2(seen[0] > 50 && seen[1] > 50 && seen[3] > 50, "each other row comes up");
    QCOMPARE(SkinSearch::randomRow(1, 0, random), 0);
    QCOMPARE(SkinSearch::randomRow(0, -1, random), -1);
}

QTEST_GUILESS_MAIN(TestSkinSearch)
#include "tst_skinsearch.moc"
