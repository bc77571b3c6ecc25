// SPDX-License-Identifier: GPL-3.0-or-later
#include "index/indexqueries.h"
#include "index/skinindex.h"
#include "skins/previewimage.h"
#include "tests/support/testsupport.h"
#include "tests/support/zipwriter.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <utime.h>

using namespace TestSupport;

class TestSkinIndex : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void theBaseSkinsVariantsAreFoundAlike();
    void readmeWordsFiltersAndYears();
    void colours();
    void onlyWhatChangedIsReadAgain();
    void aDamagedFileIsSetAsideAndBuiltAgain();
    void aSecondCopyOnlyReads();
    void aStoppedUpdateCarriesOnNextTime();
    void aFolderAwayKeepsItsRowsForItsReturn();

private:
    std::shared_ptr<const IndexSnapshot> build(SkinIndex& index);
    QString row(const IndexSnapshot& snapshot, int r) const { return snapshot.at(r).name; }
    QStringList names(const IndexSnapshot& snapshot, const QList<int>& rows) const;
    QStringList folders() const { return { m_folders + "a/", m_folders + "b/" }; }
    QString file() const { return m_cache.path() + "/hadrel/index.sqlite"; }

    QTemporaryDir m_cache, m_dir;
    QString m_folders;
};

std::shared_ptr<const IndexSnapshot> TestSkinIndex::build(SkinIndex& index)
{
    QSignalSpy finished(&index, &SkinIndex::finished);
    index.update(folders());
    if (!finished.wait(60000))
        return nullptr;
    return index.snapshot();
}

QStringList TestSkinIndex::names(const IndexSnapshot& snapshot, const QList<int>& rows) const
{
    QStringList out;
    for (const int r : rows)
        out << snapshot.at(r).name;
    return out;
}

void setYear(const QString& folder, int year)
{
    const QDateTime when(QDate(year, 6, 1), QTime(12, 0), Qt::UTC);
    const utimbuf times { when.toSecsSinceEpoch(), when.toSecsSinceEpoch() };
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        utime(QFile::encodeName(folder + "/" + name).constData(), &times);
}

void TestSkinIndex::initTestCase()
{
    m_folders = slashed(m_dir.path());
    const QString a = m_folders + "a/", b = m_folders + "b/";
    QVERIFY(QDir().mkpath(a) && QDir().mkpath(b));
    QVERIFY(copySharedSkins(a));
    QDir(a + "wsz").removeRecursively();
    for (const QString& name : QDir(sharedSkinsFolder() + "/wsz").entryList(QDir::Files))
        QVERIFY(QFile::copy(sharedSkinsFolder() + "/wsz/" + name, b + name));
    // The base skin once more, one bitmap a shade lighter, as a re-save would leave it.
    QVERIFY(copyTree(sharedSkinsFolder() + "/base-2.91", b + "base-recoloured"));
    QImage buttons = PreviewImage::decodeBmp(readAll(b + "base-recoloured/CBUTTONS.BMP")).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < buttons.height(); ++y)
        for (int x = 0; x < buttons.width(); ++x)
            buttons.setPixel(x, y, QColor(buttons.pixel(x, y)).lighter(106).rgb());
    QVERIFY(buttons.save(b + "base-recoloured/CBUTTONS.BMP", "BMP"));
    // A readme in CP932, and a program.
    QVERIFY(copyTree(sharedSkinsFolder() + "/TopazAmp1-2", b + "Topaz-jp"));
    const QByteArray cp932 = QStringEncoder("windows-31j").encode(QStringLiteral("このスキンは桜の季節に作りました。\r\nenjoy!"));
    QVERIFY(cp932.contains("\x8d\xf7") && writeFile(b + "Topaz-jp/readme.txt", cp932));
    QVERIFY(writeFile(b + "Topaz-jp/setup.EXE", "MZ"));
    ZipWriter zip(b + "withprogram.wsz");
    zip.addFile("main.bmp", tinyBitmap());
    zip.addFile("extras/Setup.Exe", "MZ");
    QVERIFY(zip.close());
    setYear(a + "Paper-Amp", 2005);
    setYear(b + "Topaz-jp", 2011);
}

void TestSkinIndex::theBaseSkinsVariantsAreFoundAlike()
{
    SkinIndex index(file());
    const auto snapshot = build(index);
    QVERIFY(snapshot);
    QCOMPARE(snapshot->size(), 8 + 6 + 3);
    const int base = snapshot->rowOf(m_folders + "a/", "base-2.91");
    QVERIFY(base >= 0);
    const quint32 all = SkinContent::mainWindow | SkinContent::equalizer | SkinContent::playlist | SkinContent::region
        | SkinContent::cursors | SkinContent::gen | SkinContent::video;
    QCOMPARE(snapshot->at(base).contents & (all | SkinContent::programs | SkinContent::avs), all);

    // The folder and its published archive hold the same files.
    const QList<QList<int>> identical = IndexQueries::identicalGroups(*snapshot);
    QStringList baseTwins;
    for (const QList<int>& group : identical) {
        if (group.contains(base))
            baseTwins = names(*snapshot, group);
    }
    QCOMPARE(baseTwins, QStringList({ "base-2.91", "base-2.91.wsz" }));

    // Looks alike: those two, the PNG edition and the lightened copy; nothing else.
    QStringList alike;
    for (const QList<int>& group : IndexQueries::lookAlikeGroups(*snapshot)) {
        if (group.contains(base))
            alike = names(*snapshot, group);
    }
    alike.sort();
    QCOMPARE(alike, QStringList({ "base-2.91", "base-2.91-png", "base-2.91.wsz", "base-recoloured" }));

    QStringList nearest;
    for (const IndexQueries::Nearest& n : IndexQueries::nearestPictures(*snapshot, base, 5))
        nearest << snapshot->at(n.row).name;
    QCOMPARE(nearest.size(), 5);
    nearest = nearest.mid(0, 3);
    nearest.sort();
    QCOMPARE(nearest, QStringList({ "base-2.91-png", "base-2.91.wsz", "base-recoloured" }));
}

void TestSkinIndex::readmeWordsFiltersAndYears()
{
    SkinIndex index(file());
    const auto snapshot = build(index);
    QVERIFY(snapshot);
    // A word inside Japanese text, a single character, hiragana typed for katakana, and
    // an English word's beginning.
    for (const char* word : { "季節", "桜", "すきん", "ENJ" })
        QCOMPARE(names(*snapshot, IndexQueries::readmeMatches(*snapshot, QString::fromUtf8(word))), QStringList("Topaz-jp"));
    QCOMPARE(names(*snapshot, IndexQueries::readmeMatches(*snapshot, "dinosaur kingdom")), QStringList("CR2JPN-DinoCity"));
    QVERIFY(IndexQueries::readmeMatches(*snapshot, "dinosaur 季節").isEmpty());
    QVERIFY(IndexQueries::readmeMatches(*snapshot, "\" * (").isEmpty());

    const QList<int> rows = IndexQueries::allRows(*snapshot);
    QCOMPARE(names(*snapshot, IndexQueries::filtered(*snapshot, { SkinContent::programs, 0, 0, 0 }, rows)),
        QStringList({ "Topaz-jp", "withprogram.wsz" }));
    const QStringList shaped = names(*snapshot, IndexQueries::filtered(*snapshot, { SkinContent::region, 0, 0, 0 }, rows));
    QVERIFY(shaped.contains("Paper-Amp") && !shaped.contains("TopazAmp1-2"));
    // The year a folder's files carry, and the one an archive's entries kept since 1999.
    QCOMPARE(names(*snapshot, IndexQueries::filtered(*snapshot, { 0, 0, 2004, 2006 }, rows)), QStringList("Paper-Amp"));
    QCOMPARE(names(*snapshot, IndexQueries::filtered(*snapshot, { 0, 0, 1990, 1999 }, rows)),
        QStringList({ "Paper-Amp.wsz", "TopazAmp1-2.wsz" }));

    QList<int> byYear = rows;
    IndexQueries::orderByYear(*snapshot, byYear, Qt::AscendingOrder);
    QCOMPARE(names(*snapshot, byYear.mid(0, 3)), QStringList({ "TopazAmp1-2.wsz", "Paper-Amp.wsz", "withprogram.wsz" }));
    IndexQueries::orderByYear(*snapshot, byYear, Qt::DescendingOrder);
    for (int i = 1; i < byYear.size(); ++i)
        QVERIFY(snapshot->at(byYear[i - 1]).skinDate >= snapshot->at(byYear[i]).skinDate);
}

void TestSkinIndex::colours()
{
    SkinIndex index(file());
    const auto snapshot = build(index);
    QVERIFY(snapshot);
    // Nearest first by the colours that cover the most of the main window.
    const QList<IndexQueries::Nearest> white = IndexQueries::nearestColours(*snapshot, Qt::white, 3);
    QCOMPARE(names(*snapshot, { white[0].row, white[1].row }), QStringList({ "Paper-Amp", "Paper-Amp.wsz" }));
    QVERIFY(white[0].distance <= white[1].distance && white[1].distance < white[2].distance);
    QCOMPARE(row(*snapshot, IndexQueries::nearestColours(*snapshot, QColor(0x50, 0x90, 0xd0), 1).first().row),
        QString("CR2JPN-DinoCity"));
}

void TestSkinIndex::onlyWhatChangedIsReadAgain()
{
    SkinIndex index(file());
    auto before = build(index);
    QVERIFY(before);
    const QString a = m_folders + "a/";
    // Rewritten in place: the folder's own times stay as they were.
    QVERIFY(writeBitmap(a + "TopazAmp1-2/Main.bmp", Qt::red));
    QVERIFY(writeFile(a + "TopazAmp1-2/readme.txt", "Zanzibar"));
    QVERIFY(QDir(a + "yaxay-crwhobbesw").removeRecursively());
    QVERIFY(makeSkin(a, "new one", "main.bmp", Qt::blue));
    QSignalSpy progress(&index, &SkinIndex::progress);
    const auto after = build(index);
    QVERIFY(after);
    QCOMPARE(progress.first().at(0).toInt(), before->size() - 2); // unchanged, counted at once
    QCOMPARE(after->size(), before->size());
    QCOMPARE(after->rowOf(a, "yaxay-crwhobbesw"), -1);
    const int topaz = after->rowOf(a, "TopazAmp1-2");
    QVERIFY(after->at(topaz).lookHash != before->at(before->rowOf(a, "TopazAmp1-2")).lookHash);
    QCOMPARE(after->at(topaz).id, before->at(before->rowOf(a, "TopazAmp1-2")).id);
    // Its readme read again is found once, under its own row, and the old one no more.
    QCOMPARE(IndexQueries::readmeMatches(*after, "Zanzibar"), QList<int>({ topaz }));
    QVERIFY(!IndexQueries::readmeMatches(*after, "McLarnon").contains(topaz));
    QCOMPARE(IndexQueries::nearestColours(*after, Qt::blue, 1).first().row, after->rowOf(a, "new one"));
}

void TestSkinIndex::aDamagedFileIsSetAsideAndBuiltAgain()
{
    int skins = 0;
    {
        SkinIndex index(file());
        skins = build(index)->size();
    }
    {
    QFile::remove(file() + "-wal");
    QFile damaged(file());
    QVERIFY(damaged.open(QIODevice::ReadWrite));
    damaged.seek(100);
    damaged.write(QByteArray(int(damaged.size()) - 100, '\x5a'));
    damaged.close();
    SkinIndex index(file());
    const auto snapshot = build(index);
    QVERIFY(snapshot);
    QCOMPARE(snapshot->size(), skins);
    QVERIFY(QFile::exists(file() + ".damaged"));
    }

    QVERIFY(QFile::remove(file()));
    SkinIndex again(file());
    QCOMPARE(build(again)->size(), skins);
}

void TestSkinIndex::aSecondCopyOnlyReads()
{
    SkinIndex first(file());
    QVERIFY(build(first));
    SkinIndex second(file());
    const auto snapshot = build(second);
    QVERIFY(second.isReadOnly() && !first.isReadOnly());
    QCOMPARE(snapshot->size(), first.snapshot()->size());
}

void TestSkinIndex::aStoppedUpdateCarriesOnNextTime()
{
    QFile::remove(file());
    SkinIndex index(file());
    index.update(folders());
    index.stop();
    QVERIFY(!index.isBusy());
    const auto snapshot = build(index);
    QVERIFY(snapshot);
    QCOMPARE(snapshot->size(), 8 + 6 + 3);
}

void TestSkinIndex::aFolderAwayKeepsItsRowsForItsReturn()
{
    SkinIndex index(file());
    const auto before = build(index);
    const QString b = m_folders + "b/";
    const qint64 id = before->at(before->rowOf(b, "Topaz-jp")).id;
    QVERIFY(QDir().rename(b, m_folders + "away"));
    const auto away = build(index);
    QVERIFY(QDir().rename(m_folders + "away", b));
    QCOMPARE(away->size(), 8);
    QCOMPARE(away->rowOf(b, "Topaz-jp"), -1);
    QSignalSpy progress(&index, &SkinIndex::progress);
    const auto back = build(index);
    QCOMPARE(back->size(), before->size());
    QCOMPARE(progress.first().at(0).toInt(), before->size()); // none read again
    QCOMPARE(back->at(back->rowOf(b, "Topaz-jp")).id, id);
}

QTEST_GUILESS_MAIN(TestSkinIndex)
#include "tst_skinindex.moc"
