// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/indexbench.h"

#include "app/frmmain.h"
#include "bench/searchbench.h"
#include "index/indexqueries.h"
#include "index/skinindex.h"
#include "skins/pagestate.h"
#include "platform/regularfile.h"
#include "skins/skinarchive.h"
#include "skins/skinfiles.h"
#include "skins/skinscan.h"
#include "skins/zipdirectory.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QStringEncoder>
#include <QThread>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace IndexBench {

namespace {

using Time = SearchBench::Times;

// The index works on threads of its own: the process's CPU time counts them all.
template<class F> Time timeOf(F&& f, clockid_t clock = CLOCK_PROCESS_CPUTIME_ID)
{
    return SearchBench::timeOf(std::forward<F>(f), clock);
}

Time median(QList<Time> times)
{
    std::sort(times.begin(), times.end(), [](const Time& a, const Time& b) { return a.cpu < b.cpu; });
    return times.isEmpty() ? Time() : times[times.size() / 2];
}

Measure row(const QString& what, qint64 skins, Time t, Time base, const QString& target, bool met)
{
    return { what, skins, t.wall, t.cpu, base.wall, base.cpu, {}, target, target.isEmpty() ? -1 : int(met) };
}

bool isReadName(const char* name)
{
    const size_t n = strlen(name);
    if (n < 4)
        return false;
    const char* e = name + n - 4;
    return strcasecmp(e, ".bmp") == 0 || strcasecmp(e, ".png") == 0 || strcasecmp(e, ".cur") == 0
        || strcasecmp(e, ".ani") == 0 || strcasecmp(e, ".txt") == 0;
}

qint64 readFile(int dirFd, const char* name, std::vector<char>& buffer)
{
    const int fd = openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return 0;
    qint64 total = 0;
    ssize_t n;
    while ((n = ::read(fd, buffer.data(), buffer.size())) > 0)
        total += n;
    ::close(fd);
    return total;
}

// An archive's directory, and every entry of the skin inflated: the files the index reads.
qint64 readArchive(const QByteArray& path)
{
    qint64 size = 0;
    const int fd = RegularFile::open(QFile::decodeName(path), &size);
    if (fd < 0)
        return 0;
    ZipDirectory::Directory directory;
    QList<ZipDirectory::SkinFile> files;
    qint64 bytes = 0;
    if (directory.read(fd, size, SkinArchive::maxEntries) == ZipDirectory::Status::ok
        && ZipDirectory::skinFiles(directory, files)) {
        for (const ZipDirectory::SkinFile& file : std::as_const(files)) {
            QByteArray out;
            if (ZipDirectory::readEntry(fd, size, directory.entries()[size_t(file.index)], SkinFiles::maxBytesEach, out))
                bytes += out.size();
        }
    }
    ::close(fd);
    return bytes;
}

// The floor under the index: on as many threads, each entry of the folders stat'ed, each
// archive's directory read and its entries inflated, each skin folder listed and its files of the kinds the index reads
// read whole. Nothing is decoded, hashed or stored.
qint64 floorRead(const QStringList& folders)
{
    std::vector<QByteArray> paths;
    for (const QString& folder : folders) {
        DIR* dir = opendir(QFile::encodeName(folder).constData());
        while (const dirent* entry = dir ? readdir(dir) : nullptr) {
            if (entry->d_name[0] != '.')
                paths.push_back(QFile::encodeName(folder) + entry->d_name);
        }
        if (dir)
            closedir(dir);
    }
    std::atomic<size_t> next { 0 };
    std::atomic<qint64> bytes { 0 };
    std::vector<std::thread> threads;
    for (int t = 0; t < std::max(1, QThread::idealThreadCount()); ++t) {
        threads.emplace_back([&] {
            std::vector<char> buffer(1 << 16);
            for (size_t i = next++; i < paths.size(); i = next++) {
                struct stat st;
                if (lstat(paths[i].constData(), &st) != 0)
                    continue;
                if (S_ISREG(st.st_mode)) {
                    bytes += readArchive(paths[i]);
                    continue;
                }
                DIR* dir = S_ISDIR(st.st_mode) ? opendir(paths[i].constData()) : nullptr;
                while (const dirent* entry = dir ? readdir(dir) : nullptr) {
                    struct stat file;
                    if (entry->d_name[0] != '.' && fstatat(dirfd(dir), entry->d_name, &file, AT_SYMLINK_NOFOLLOW) == 0
                        && S_ISREG(file.st_mode) && isReadName(entry->d_name))
                        bytes += readFile(dirfd(dir), entry->d_name, buffer);
                }
                if (dir)
                    closedir(dir);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    return bytes;
}

// Brings index up to date and waits for it, the window's loop running meanwhile.
bool waitForUpdate(SkinIndex& index, const QStringList& folders)
{
    QEventLoop loop;
    const auto connection = QObject::connect(&index, &SkinIndex::finished, &loop, &QEventLoop::quit);
    index.update(folders);
    loop.exec();
    QObject::disconnect(connection);
    return !index.isBusy();
}

qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

// The table and index of the skins, without the full-text table of the readmes.
qint64 recordBytes(const QString& file)
{
    sqlite3* db = nullptr;
    qint64 bytes = -1;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db,
                "SELECT sum(pgsize) FROM dbstat WHERE name IN ('skins', 'sqlite_autoindex_skins_1')", -1, &statement,
                nullptr)
                == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_ROW)
            bytes = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return bytes;
}

// A few hundred readmes, English and Japanese (some in CP932), linked into every skin folder.
int addReadmes(const QString& folder, const QString& pool)
{
    QDir().mkpath(pool);
    const int texts = 200;
    QStringList files;
    for (int i = 0; i < texts; ++i) {
        QString text = QStringLiteral("Skin %1 by author%1.\nMade with care; thanks to everyone. word%2 ").arg(i).arg(i, 3, 10, QLatin1Char('0'));
        if (i % 10 == 0)
            text += QStringLiteral("夜空に浮かぶ月光のスキンです。");
        if (i % 3 == 0)
            text += QStringLiteral("Classic steel winamp skin, equalizer and playlist included.");
        const QString path = pool + QStringLiteral("readme%1.txt").arg(i);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(i % 20 == 0 ? QByteArray(QStringEncoder("windows-31j").encode(text)) : text.toUtf8());
        files << path;
    }
    int linked = 0;
    DIR* dir = opendir(QFile::encodeName(folder).constData());
    while (const dirent* entry = dir ? readdir(dir) : nullptr) {
        if (entry->d_name[0] == '.' || entry->d_type != DT_DIR)
            continue;
        const QByteArray target = QFile::encodeName(folder) + entry->d_name + "/readme.txt";
        if (::link(QFile::encodeName(files[linked % texts]).constData(), target.constData()) == 0)
            ++linked;
    }
    if (dir)
        closedir(dir);
    return linked;
}

// 100 skins spread over the folder, each given a new main picture in a new file.
int changeSkins(const QString& folder, const QStringList& names, const QByteArray& picture, const QString& archive)
{
    int changed = 0;
    const qsizetype step = std::max<qsizetype>(1, names.size() / 100);
    // Spread out; where a skin cannot take a new picture (Region.txt alone), the next round fills in.
    for (qsizetype offset = 0; offset < step && changed < 100; ++offset) {
        for (qsizetype i = offset; i < names.size() && changed < 100; i += step) {
            const QString path = folder + names[i];
            if (QFileInfo(path).isFile()) {
                if (QFile::remove(path) && QFile::copy(archive, path))
                    ++changed;
                continue;
            }
            const QString main = SkinScan::findSkinFile(path + QLatin1Char('/'), QStringLiteral("main.bmp"));
            if (main.isEmpty())
                continue;
            QFile::remove(main);
            QFile out(main);
            QByteArray bytes = picture;
            bytes[bytes.size() - 1] = char(changed); // each a file of its own
            if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size())
                ++changed;
        }
    }
    return changed;
}

} // namespace

QList<Measure> measure(const QList<Set>& sets, const QString& cache, const QString& readmePool, int runs, bool smoke,
    int& failures)
{
    QList<Measure> rows;
    auto check = [&](bool ok, const char* what) {
        if (!ok) {
            fprintf(stderr, "FAIL: %s\n", what);
            ++failures;
        }
        return ok;
    };
    for (int s = 0; s < sets.size(); ++s) {
        const Set& set = sets[s];
        const QStringList folders { set.folder };
        const QString file = cache + QStringLiteral("index-%1.sqlite").arg(s);
        QFile::remove(file);
        const QStringList names = SkinScan::listSkins(set.folder);
        if (s == 0)
            check(addReadmes(set.folder, readmePool) > 0, "readmes linked into the skins");

        // The first whole index, once: at 100,000 skins it takes minutes. The floor twice,
        // the first warming the cache for both.
        floorRead(folders);
        const Time floor = timeOf([&] { floorRead(folders); });
        std::shared_ptr<const IndexSnapshot> snapshot;
        Time first;
        {
            SkinIndex index(file);
            first = timeOf([&] { check(waitForUpdate(index, folders), "the first index finishes"); });
            snapshot = index.snapshot();
            check(snapshot->size() == names.size(), "the index holds every listed skin");
        }
        rows << row(QStringLiteral("Index: the first whole index%1 (every skin read, its main window composed, hashed, "
                                   "stored), against a floor reading the same files on as many threads")
                        .arg(set.what),
            set.skins, first, floor, QStringLiteral("≤ 2 ×"), first.cpu <= 2 * floor.cpu);

        const qint64 bytes = recordBytes(file);
        Measure size;
        size.what = QStringLiteral("Index size per skin without its readme text (the skins table and its index)%1")
                        .arg(set.what);
        size.skins = set.skins;
        size.note = bytes > 0 ? QString::number(double(bytes) / std::max(1, snapshot->size()), 'f', 0) + QStringLiteral(" B")
                              : QStringLiteral("not measured");
        size.target = QStringLiteral("< 2 KB");
        size.met = bytes > 0 && bytes < 2048LL * snapshot->size();
        rows << size;

        SkinIndex index(file);
        const qint64 before = residentKb();
        check(waitForUpdate(index, folders), "the index opens");
        snapshot = index.snapshot();
        const qint64 after = residentKb();
        QList<Time> unchanged, scan;
        for (int i = 0; i < runs; ++i) {
            scan << timeOf([&] { SkinScan::listSkins(set.folder); });
            unchanged << timeOf([&] { waitForUpdate(index, folders); });
        }
        rows << row(QStringLiteral("Index: brought up to date, nothing changed%1 (every entry stat'ed), against the "
                                   "scan of the folder")
                        .arg(set.what),
            set.skins, median(unchanged), median(scan), QStringLiteral("< 1 ×"), median(unchanged).cpu < median(scan).cpu);

        const QByteArray picture = [] {
            QFile f(QStringLiteral(HADREL_REAL_SKINS "/TopazAmp1-2/Main.bmp"));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        check(changeSkins(set.folder, names, picture, QStringLiteral(HADREL_REAL_SKINS "/wsz/Paper-Amp.wsz")) == std::min<qsizetype>(100, names.size()),
            "100 skins changed");
        const Time changed = timeOf([&] { waitForUpdate(index, folders); });
        rows << row(QStringLiteral("Index: brought up to date after 100 skins changed%1").arg(set.what), set.skins,
            changed, {}, QStringLiteral("< 1 s"), changed.cpu < 1000);

        if (s != 0)
            continue;
        Measure memory;
        memory.what = QStringLiteral("Resident memory the index's snapshot adds to the window's process");
        memory.skins = set.skins;
        memory.note = QString::number((after - before) / 1024.0, 'f', 1) + QStringLiteral(" MB");
        rows << memory;

        snapshot = index.snapshot();
        const IndexSnapshot& snap = *snapshot;
        const QList<int> all = IndexQueries::allRows(snap);
        const int samples = smoke ? 2 : std::max(5, runs * 3);
        auto query = [&](const QString& what, auto&& f, bool target = true) {
            f();
            QList<Time> times;
            for (int i = 0; i < samples; ++i)
                times << timeOf(f, CLOCK_THREAD_CPUTIME_ID);
            const Time t = median(times);
            rows << row(QStringLiteral("Query: ") + what, snap.size(), t, {}, target ? QStringLiteral("< 16 ms") : QString(), t.cpu < 16);
        };
        int found = 0;
        query(QStringLiteral("a rare word in the readmes (\"word042\")"), [&] { found = int(IndexQueries::readmeMatches(snap, QStringLiteral("word042")).size()); });
        check(found > 0, "the rare word is found");
        query(QStringLiteral("a Japanese word inside readme text (\"月光\", a tenth of them)"),
            [&] { found = int(IndexQueries::readmeMatches(snap, QStringLiteral("月光")).size()); });
        check(found >= snap.size() / 20, "the Japanese word is found");
        query(QStringLiteral("content filter (equalizer and shaped window) over every skin"), [&] {
            IndexQueries::filtered(snap, { SkinContent::equalizer | SkinContent::region, 0, 0, 0 }, all);
        });
        query(QStringLiteral("every skin ordered by year"), [&] {
            QList<int> rows = all;
            IndexQueries::orderByYear(snap, rows, Qt::DescendingOrder);
        });
        query(QStringLiteral("groups of identical skins"), [&] { found = int(IndexQueries::identicalGroups(snap).size()); });
        check(found > 0, "identical skins are grouped");
        query(QStringLiteral("groups of look-alike skins, each match confirmed on the pictures"),
            [&] { found = int(IndexQueries::lookAlikeGroups(snap).size()); });
        check(found > 0, "look-alike skins are grouped");
        query(QStringLiteral("both kinds of groups merged, as each snapshot makes them once on the thread that reads "
                             "it: what a new snapshot costs more"),
            [&] { found = int(IndexQueries::duplicateGroups(snap).size()); }, false);
        query(QStringLiteral("the 100 skins whose pictures are nearest one skin's"), [&] { IndexQueries::nearestPictures(snap, 0, 100); });
        query(QStringLiteral("the 100 skins whose main colours are nearest a colour"),
            [&] { IndexQueries::nearestColours(snap, QColor(0, 128, 128), 100); });

        const SearchBench::Indexed windows = SearchBench::measureIndexed(index, set.folder, names, samples);
        check(windows.ok, "the windows on the index show every skin oldest first, and the groups");
        auto windowRow = [&](const QString& what, const SearchBench::Times& t, bool target) {
            const Time time { t.wall, t.cpu };
            rows << row(what, snap.size(), time, {}, target ? QStringLiteral("< 16 ms") : QString(), t.cpu < 16);
        };
        windowRow(QStringLiteral("Search window: 年順 clicked, every skin ordered by year, listed and painted"),
            windows.yearOrder, true);
        windowRow(QStringLiteral("Search window: 年順 clicked the first time after the index came (the snapshot's names "
                                 "folded and sorted first)"),
            windows.firstYearOrder, true);
        windowRow(QStringLiteral("「重複を探す」 asked: %1 groups found, listed, the first group's skins listed and painted")
                      .arg(windows.groups),
            windows.duplicates, true);
        windowRow(QStringLiteral("「重複を探す」 as above until the pictures in sight are read and painted (CPU time of "
                                 "the whole process)"),
            windows.duplicatesPictures, false);
    }
    return rows;
}

Measure pageChangeWhileIndexing(const QString& folder, const QString& cache, const QString& programFolder, bool smoke,
    int& failures)
{
    PageState state;
    frmmain window(state, programFolder);
    window.show();
    window.makeCurrentFolder(folder);
    window.Skin_Rescan();
    QApplication::processEvents();
    const int count = window.Skin_Lst->count();
    const int pages = (count + 11) / 12;
    const QString file = cache + QStringLiteral("index-pages.sqlite");
    QFile::remove(file);
    SkinIndex index(file);
    index.update({ folder });
    const int samples = smoke ? 4 : 40;
    QList<Time> handler;
    double worst = 0;
    for (int k = 0; k < samples && pages > 3; ++k) {
        const int page = 2 + int((qint64(k) * (pages - 3)) / samples);
        const Time t = timeOf([&] { window.Skin_Lst->setCurrentRow(page * 12 + 5); }, CLOCK_THREAD_CPUTIME_ID);
        handler << t;
        worst = std::max(worst, t.cpu);
        while (window.picturesPending())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QApplication::processEvents();
    }
    if (!index.isBusy() && !smoke) {
        fprintf(stderr, "FAIL: the index finished before the page changes did\n");
        ++failures;
    }
    // Quitting stops it at once.
    const Time stop = timeOf([&] { index.stop(); });
    const Time h = median(handler);
    Measure m = row(QStringLiteral("Page change while the index is being built: the handler (worst %1 ms; stopping "
                                   "the index at quit took %2 ms)")
                        .arg(worst, 0, 'f', 2)
                        .arg(stop.wall, 0, 'f', 1),
        count, h, {}, QStringLiteral("≤ 2 ms"), h.cpu <= 2);
    return m;
}

} // namespace IndexBench
