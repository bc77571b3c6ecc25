// SPDX-License-Identifier: GPL-3.0-or-later
#include "index/indexqueries.h"
#include "index/skinindex.h"
#include "index/skinreader.h"
#include "skins/previewimage.h"
#include "tests/support/testsupport.h"
#include "tests/support/zipwriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>
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
    void groupsAndYearsOfMadeUpRecords();
    void onlyWhatChangedIsReadAgain();
    void aDamagedFileIsSetAsideAndBuiltAgain();
    void aSecondCopyOnlyReads();
    void aStoppedUpdateCarriesOnNextTime();
    void aFolderAwayKeepsItsRowsForItsReturn();
    void aPipeOrALinkAmongTheFilesIsNotRead();

private:
    std::shared_ptr<const IndexSnapshot> build(SkinIndex& index);
    void compareWithFullLoad(const IndexSnapshot& built);
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

// An update's snapshot holds what loading the whole file gives, row for row.
void TestSkinIndex::compareWithFullLoad(const IndexSnapshot& built)
{
    SkinIndex whole(file()); // only reads: the other index holds the file
    const auto full = build(whole);
    QVERIFY(full && whole.isReadOnly());
    QCOMPARE(built.size(), full->size());
    for (int r = 0; r < full->size(); ++r) {
        const SkinRecord &a = built.at(r), &b = full->at(r);
        QCOMPARE(a.folder + a.name, b.folder + b.name);
        QVERIFY(a.id == b.id && a.archive == b.archive && a.size == b.size && a.modified == b.modified
            && a.skinDate == b.skinDate && a.contents == b.contents && a.contentHash == b.contentHash
            && a.lookHash == b.lookHash && a.colours == b.colours && a.shares == b.shares && a.readme == b.readme);
        QCOMPARE(built.thumbnail(r).toByteArray(), full->thumbnail(r).toByteArray());
        QVERIFY(std::equal(built.colourLab(r), built.colourLab(r) + SkinRecord::colourCount * 3, full->colourLab(r)));
        QCOMPARE(built.rowOf(a.folder, a.name), r);
        QCOMPARE(built.rowOfId(a.id), r);
    }
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

// What real skins seldom show: hashes alike in their first half, ties and unknown years,
// hashes alike whose pictures differ, a date in a year's last second.
void TestSkinIndex::groupsAndYearsOfMadeUpRecords()
{
    const auto date = [](int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(12, 0), Qt::UTC).toSecsSinceEpoch(); };
    const std::array<qint64, 6> dates = { 0, date(2000, 1, 1), date(1999, 5, 5), 0, date(2000, 1, 1), date(2003, 3, 3) };
    const std::array<quint64, 6> looks = { 0, ~0ull, 0x7, 0x00ff00ff00ff00ff, ~0ull ^ 1, 0x0f0f0f0f0f0f0f0f };
    const std::array<char, 6> tails = { 'a', 'b', 'a', 'c', 'b', 'd' }; // the first eight bytes all alike
    std::vector<SkinRecord> records(6);
    for (size_t i = 0; i < records.size(); ++i) {
        records[i].id = qint64(i) + 1;
        records[i].contents = SkinContent::mainWindow;
        records[i].skinDate = dates[i];
        records[i].lookHash = looks[i];
        records[i].contentHash.fill(7);
        records[i].contentHash[15] = quint8(tails[i]);
    }
    QByteArray thumbnails(6 * SkinRecord::thumbBytes, '\0');
    thumbnails.replace(4 * SkinRecord::thumbBytes, SkinRecord::thumbBytes, QByteArray(SkinRecord::thumbBytes, '\xff'));
    const IndexSnapshot snapshot(std::move(records), thumbnails, {});

    QCOMPARE(IndexQueries::identicalGroups(snapshot), (QList<QList<int>> { { 0, 2 }, { 1, 4 } }));
    QCOMPARE(IndexQueries::lookAlikeGroups(snapshot), (QList<QList<int>> { { 0, 2 } }));
    QList<int> rows = IndexQueries::allRows(snapshot);
    IndexQueries::orderByYear(snapshot, rows, Qt::AscendingOrder);
    QCOMPARE(rows, (QList<int> { 2, 1, 4, 5, 0, 3 }));
    IndexQueries::orderByYear(snapshot, rows, Qt::DescendingOrder);
    QCOMPARE(rows, (QList<int> { 5, 1, 4, 2, 0, 3 }));
    SkinRecord last;
    last.skinDate = QDateTime(QDate(2000, 12, 31), QTime(23, 59, 59), Qt::UTC).toSecsSinceEpoch();
    QCOMPARE(last.year(), 2000);
    QCOMPARE(snapshot.at(2).year(), 1999);
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
    const QString a = m_folders + "a/", b = m_folders + "b/";
    // Rewritten in place: the folder's own times stay as they were.
    QVERIFY(writeBitmap(a + "TopazAmp1-2/Main.bmp", Qt::red));
    QVERIFY(writeFile(a + "TopazAmp1-2/readme.txt", "Zanzibar"));
    QVERIFY(QDir(a + "yaxay-crwhobbesw").removeRecursively());
    QVERIFY(makeSkin(a, "new one", "main.bmp", Qt::blue));
    // Sorted in case-blind, and an archive that is no skin any more.
    QVERIFY(QFile::copy(sharedSkinsFolder() + "/wsz/Paper-Amp.wsz", b + "PAPER-AMP-copy.wsz"));
    const QByteArray program = readAll(b + "withprogram.wsz");
    QVERIFY(writeFile(b + "withprogram.wsz", "not a zip"));
    QSignalSpy progress(&index, &SkinIndex::progress);
    const auto after = build(index);
    QVERIFY(after);
    QCOMPARE(progress.first().at(0).toInt(), before->size() - 3); // unchanged, counted at once
    QCOMPARE(after->size(), before->size());
    QCOMPARE(after->rowOf(a, "yaxay-crwhobbesw"), -1);
    QCOMPARE(after->rowOf(b, "withprogram.wsz"), -1);
    QCOMPARE(after->rowOf(b, "PAPER-AMP-copy.wsz") + 1, after->rowOf(b, "Paper-Amp.wsz"));
    const int topaz = after->rowOf(a, "TopazAmp1-2");
    QVERIFY(after->at(topaz).lookHash != before->at(before->rowOf(a, "TopazAmp1-2")).lookHash);
    QCOMPARE(after->at(topaz).id, before->at(before->rowOf(a, "TopazAmp1-2")).id);
    // Its readme read again is found once, under its own row, and the old one no more.
    QCOMPARE(IndexQueries::readmeMatches(*after, "Zanzibar"), QList<int>({ topaz }));
    QVERIFY(!IndexQueries::readmeMatches(*after, "McLarnon").contains(topaz));
    QCOMPARE(IndexQueries::nearestColours(*after, Qt::blue, 1).first().row, after->rowOf(a, "new one"));
    compareWithFullLoad(*after);
    if (QTest::currentTestFailed())
        return;

    // Once more from what this update left: the new skin changed, one gone, one back.
    QVERIFY(writeBitmap(a + "new one/main.bmp", Qt::green));
    QVERIFY(QFile::remove(b + "PAPER-AMP-copy.wsz"));
    QVERIFY(writeFile(b + "withprogram.wsz", program));
    progress.clear();
    const auto again = build(index);
    QVERIFY(again);
    QCOMPARE(progress.first().at(0).toInt(), after->size() - 2);
    QCOMPARE(again->size(), before->size());
    QCOMPARE(IndexQueries::nearestColours(*again, Qt::green, 1).first().row, again->rowOf(a, "new one"));
    compareWithFullLoad(*again);
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
// Neither is opened as a skin file: the skin reads as if they were not there, and at once.
void TestSkinIndex::aPipeOrALinkAmongTheFilesIsNotRead()
{
    QTemporaryDir dir;
    const QString folder = slashed(dir.path());
    QVERIFY(copyTree(sharedSkinsFolder() + "/base-2.91", folder + "plain"));
    QVERIFY(QFile::remove(folder + "plain/TEXT.BMP") && QFile::remove(folder + "plain/CBUTTONS.BMP"));
    QVERIFY(copyTree(folder + "plain", folder + "odd"));
    QCOMPARE(mkfifo(QFile::encodeName(folder + "odd/text.bmp").constData(), 0644), 0);
    QCOMPARE(symlink(QFile::encodeName(sharedSkinsFolder() + "/base-2.91/CBUTTONS.BMP").constData(),
                 QFile::encodeName(folder + "odd/cbuttons.bmp").constData()),
        0);
    const SkinReader::Read plain = SkinReader::read(folder, "plain"), odd = SkinReader::read(folder, "odd");
    QVERIFY(plain.listed && odd.listed);
    QCOMPARE(odd.record.contentHash, plain.record.contentHash);
    QCOMPARE(odd.record.lookHash, plain.record.lookHash);
    QCOMPARE(odd.record.size, plain.record.size);
    QCOMPARE(odd.bytesRead, plain.bytesRead);
}

#include "tst_skinindex.moc"

