// SPDX-License-Identifier: GPL-3.0-or-later
// Hadrel at the scale of the whole skin archive: generates skin folders, measures the
// scan, the list, a page change and start-up on them, and prints one table.
#include "app/frmmain.h"
#include "app/previewcell.h"
#include "app/statuspanels.h"
#include "bench/cscan.h"
#include "bench/handoverbench.h"
#include "bench/hostile.h"
#include "bench/hostileskins.h"
#include "bench/indexbench.h"
#include "bench/machine.h"
#include "bench/searchbench.h"
#include "bench/skingen.h"
#include "bench/startupprobe.h"
#include "bench/winampbench.h"
#include "platform/store.h"
#include "skins/previewimage.h"
#include "skins/skinscan.h"
#include "skins/winamplook.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>
#include <unistd.h>

namespace {

QTextStream out(stdout);
QTextStream err(stderr);

struct Options
{
    int small = 10000;
    int large = 100000;
    int runs = 5;
    bool smoke = false;
    bool winampOnly = false;
    bool startup = true;
    bool scanOnly = false;
    bool indexOnly = false;
    QString binary;
    QString realSkins;
    QString work;
    QString report;
    QString shots;
};

using Machine::median;

// Wall clock, and the CPU time of this thread: all the work measured here runs on the
// one thread and never waits for the disk (the cache is warm), so on an idle machine the
// two agree, and on a busy one the CPU time still tells what the code costs.
struct Time
{
    double wall = 0;
    double cpu = 0;
};

double cpuMs(clockid_t clock)
{
    timespec ts;
    clock_gettime(clock, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// By default the CPU time of this thread; the pictures' work on worker threads is
// counted with the process's clock.
class Stopwatch
{
public:
    explicit Stopwatch(clockid_t clock = CLOCK_THREAD_CPUTIME_ID)
        : m_clock(clock)
        , m_cpu(cpuMs(clock))
    {
        m_wall.start();
    }
    Time elapsed() const { return { m_wall.nsecsElapsed() / 1e6, cpuMs(m_clock) - m_cpu }; }

private:
    QElapsedTimer m_wall;
    clockid_t m_clock;
    double m_cpu;
};

template<class F> Time timeOf(F&& f)
{
    const Stopwatch watch;
    f();
    return watch.elapsed();
}

template<class F> double timeMs(F&& f)
{
    return timeOf(f).wall;
}

Time median(const QList<Time>& times)
{
    QList<double> wall, cpu;
    for (const Time& t : times) {
        wall << t.wall;
        cpu << t.cpu;
    }
    return { median(wall), median(cpu) };
}

QString thousands(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

QString ms(double value)
{
    if (value <= 0)
        return QStringLiteral("–");
    return QString::number(value, 'f', value < 10 ? 2 : 1) + QStringLiteral(" ms");
}

QString ms(const Time& time)
{
    return ms(time.wall) + QStringLiteral(" (") + ms(time.cpu) + QLatin1Char(')');
}

// Ratios and targets go by CPU time, which other work on the machine does not stretch.
double cpuRatio(const Time& a, const Time& b)
{
    return b.cpu > 0 ? a.cpu / b.cpu : 0;
}

QString ratio(double value)
{
    return value > 0 ? QString::number(value, 'f', 2) + QStringLiteral(" ×") : QStringLiteral("–");
}

// One line of the table.
struct Row
{
    QString what;
    qint64 skins = 0;
    QString hadrel;
    QString baseline;
    QString ratio;
    QString target;
    QString met; // "yes", "no", or empty when the row has no target
};

// A page change timed to the end of the handler and to the end of its paint, and the
// baseline decoding the same files with QImage (none for archives).
struct PageTimes
{
    Time handler;
    Time painted;
    Time floor;
    int count = 0;
    bool measured = false;
};

class Bench
{
public:
    explicit Bench(const Options& options)
        : m_options(options)
    {
    }

    int run();

private:
    bool prepare();
    bool check(bool ok, const QString& what);
    Time measureScan(const QString& folder, const SkinGen::Made& made, const QString& what,
        BaselineCount (*floorScan)(const char*) = baselineScan);
    void measureList();
    void measureSearch();
    void measureHandOvers();
    void measureRescan(const QString& folder, const SkinGen::Made& made);
    void measureFollow();
    PageTimes measurePageChange(const QString& folder, bool details, bool look = false);
    void measureArchivePages();
    void measureLook();
    void measureLookPages();
    void measureHostile();
    void measureStartup();
    void measureHostileFolder();
    void measureWinamp();
    void measureIndex();
    void measureIndexedMemory(const QString& indexFile);
    QString writeConfig(const QString& name, const QString& skinFolder, bool lookGrid = false);
    void print();
    void removeTree();

    Options m_options;
    QTemporaryDir m_temp;
    QString m_root;
    SkinGen::Pool m_pool;
    SkinGen::Made m_small;
    SkinGen::Made m_large;
    SkinGen::Made m_exact;
    SkinGen::Made m_mixed; // as many skins as the large set, a third of them archives
    SkinGen::Made m_pageArchives;
    SkinGen::Made m_pageFolders;
    QString m_exactFolder;
    QString m_mixedFolder;
    QString m_pageArchivesFolder;
    QString m_pageFoldersFolder;
    QString m_smallFolder;
    QString m_largeFolder;
    double m_generateSeconds = 0;
    QString m_loadBefore;
    QList<Row> m_rows;
    QStringList m_notes;
    int m_failures = 0;
};

bool Bench::check(bool ok, const QString& what)
{
    if (!ok) {
        err << "FAIL: " << what << Qt::endl;
        ++m_failures;
    }
    return ok;
}

bool Bench::prepare()
{
    m_root = m_options.work.isEmpty() ? m_temp.path() : m_options.work;
    m_root = QDir(m_root).absolutePath() + QLatin1Char('/');
    // No run touches the real user's settings, the program started below included.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_root + QStringLiteral("config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(m_root + QStringLiteral("cache-home")));
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = m_root + QStringLiteral("runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    }

    QString error;
    for (const char* folder : { "pool", "small", "large", "exact", "mixed", "pages-wsz", "pages-dir", "empty", "winamp",
             "config", "hostile" })
        QDir().mkpath(m_root + QLatin1String(folder));
    if (!m_options.shots.isEmpty())
        QDir().mkpath(m_options.shots);
    if (!check(SkinGen::makePool(m_pool, m_root + QStringLiteral("pool"), m_options.realSkins, &error), error))
        return false;

    m_smallFolder = m_root + QStringLiteral("small/");
    m_largeFolder = m_root + QStringLiteral("large/");
    m_exactFolder = m_root + QStringLiteral("exact/");
    m_mixedFolder = m_root + QStringLiteral("mixed/");
    m_pageArchivesFolder = m_root + QStringLiteral("pages-wsz/");
    m_pageFoldersFolder = m_root + QStringLiteral("pages-dir/");
    err << "generating " << m_options.small << " and " << m_options.large << " skins in " << m_root << Qt::endl;
    m_generateSeconds = timeMs([&] {
        check(SkinGen::makeSkins(m_small, m_pool, m_smallFolder, m_options.small, 1, &error), error)
            && check(SkinGen::makeSkins(m_large, m_pool, m_largeFolder, m_options.large, 2, &error), error)
            && check(SkinGen::makeSkins(
                         m_exact, m_pool, m_exactFolder, m_options.small, 3, &error, SkinGen::Spelling::exact),
                error)
            && check(SkinGen::makeSkins(
                         m_mixed, m_pool, m_mixedFolder, m_options.large, 4, &error, SkinGen::Spelling::mixed, 33),
                error)
            && check(SkinGen::makePageTwins(m_pageArchives, m_pageFolders, m_pool, m_pageArchivesFolder,
                         m_pageFoldersFolder, m_options.smoke ? 120 : 1200, &error),
                error);
    }) / 1000;
    return m_failures == 0;
}

// The scan against the C floor, on a warm cache; the two take turns so that neither
// gets the quieter moments of the machine.
Time Bench::measureScan(
    const QString& folder, const SkinGen::Made& made, const QString& what, BaselineCount (*floorScan)(const char*))
{
    QStringList expected = made.skins;
    SkinScan::sortCaseBlind(expected);
    const QStringList listed = SkinScan::listSkins(folder);
    check(listed == expected,
        QStringLiteral("the scan of %1 skins lists %2 names, not the skins made")
            .arg(made.skins.size())
            .arg(listed.size()));
    const QByteArray path = QFile::encodeName(folder);
    const BaselineCount count = floorScan(path.constData());
    check(count.entries == made.skins.size() + made.nonSkins,
        QStringLiteral("the baseline saw %1 entries, %2 were made")
            .arg(count.entries)
            .arg(made.skins.size() + made.nonSkins));

    QList<Time> scan, floor;
    for (int i = 0; i < m_options.runs; ++i) {
        floor << timeOf([&] { floorScan(path.constData()); });
        scan << timeOf([&] { SkinScan::listSkins(folder); });
    }
    const Time s = median(scan);
    const Time b = median(floor);
    m_rows << Row { what, made.skins.size(), ms(s), ms(b), ratio(cpuRatio(s, b)), QStringLiteral("≤ 1.5 ×"),
        s.cpu <= 1.5 * b.cpu ? QStringLiteral("yes") : QStringLiteral("no") };
    return s;
}

// Sorting and filling the list the way the scan does, apart from the folder.
void Bench::measureList()
{
    QStringList shuffled = m_large.skins;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    PageState state;
    frmmain window(state, m_root);
    window.show();
    QApplication::processEvents();

    QList<Time> sort, fill;
    for (int i = 0; i < m_options.runs; ++i) {
        QStringList names = shuffled;
        sort << timeOf([&] { SkinScan::sortCaseBlind(names); });
        fill << timeOf([&] {
            {
                const QSignalBlocker blocker(window.Skin_Lst);
                window.Skin_Lst->clear();
                window.Skin_Lst->addItems(names);
            }
            QApplication::processEvents(); // lays the list out and paints it
        });
        check(window.Skin_Lst->count() == names.size(), QStringLiteral("the list holds every name"));
    }
    m_rows << Row { QStringLiteral("Sort the names case-blind (`SkinScan::sortCaseBlind`)"), m_large.skins.size(),
        ms(median(sort)), {}, {}, {}, {} };
    m_rows << Row { QStringLiteral("Fill `Skin_Lst`: clear, add, lay out, paint"), m_large.skins.size(),
        ms(median(fill)), {}, {}, {}, {} };
}

// The search window: one keystroke until painted, and folding the names after a scan.
void Bench::measureSearch()
{
    const SearchBench::Result r = SearchBench::measure(m_large.skins, m_options.runs);
    check(r.ok, QStringLiteral("the search window shows what the plain loop finds"));
    const Time key { r.keystroke.wall, r.keystroke.cpu }, loop { r.containsLoop.wall, r.containsLoop.cpu };
    const Time fold { r.fold.wall, r.fold.cpu }, sort { r.sort.wall, r.sort.cpu };
    m_rows << Row { QStringLiteral("Search: one keystroke (the first letter, %1 matches), filter and list until "
                                   "painted, against a plain `QString::contains` loop over the folded names")
                        .arg(thousands(r.matches)),
        m_large.skins.size(), ms(key), ms(loop), ratio(cpuRatio(key, loop)), QStringLiteral("≤ 16 ms"),
        key.cpu <= 16 ? QStringLiteral("yes") : QStringLiteral("no") };
    m_rows << Row { QStringLiteral("Search: fold the names after a scan (`SkinSearch::foldAll`), against the "
                                   "case-blind sort of the same names"),
        m_large.skins.size(), ms(fold), ms(sort), ratio(cpuRatio(fold, sort)), QStringLiteral("≤ 1.3 ×"),
        fold.cpu <= 1.3 * sort.cpu ? QStringLiteral("yes") : QStringLiteral("no") };
}

// Clients of the one-copy socket that send too much, never finish, or send too often.
void Bench::measureHandOvers()
{
    const HandOverBench::Result r = HandOverBench::measure(m_options.smoke);
    check(r.ok, QStringLiteral("every short hand-over was taken"));
    const auto row = [this, &r](const QString& what, const HandOverBench::Pass& pass) {
        const Time time { pass.wall, pass.cpu }, base { r.baseline.wall, r.baseline.cpu };
        m_rows << Row { what, 1, ms(time), ms(base), ratio(cpuRatio(time, base)), QStringLiteral("< 16 ms"),
            time.cpu < 16 ? QStringLiteral("yes") : QStringLiteral("no") };
    };
    const QString against = QStringLiteral(", against short hand-overs one after the other");
    row(QStringLiteral("One-copy socket: the longest pass of the event loop while a path of millions of characters "
                       "is handed over")
            + against,
        r.longPath);
    row(QStringLiteral("One-copy socket: the same while a message said to be 100 MB arrives in pieces") + against,
        r.endless);
    row(QStringLiteral("One-copy socket: the same while a path that is no skin is handed over again and again "
                       "(%1 boxes)")
                .arg(r.boxes)
            + against,
        r.many);
}

// What the user waits for after F5: the scan, the list, the first page and its paint.
void Bench::measureRescan(const QString& folder, const SkinGen::Made& made)
{
    PageState state;
    frmmain window(state, m_root);
    window.show();
    window.makeCurrentFolder(folder);
    window.Skin_Rescan();
    QApplication::processEvents();
    check(window.Skin_Lst->count() == made.skins.size(), QStringLiteral("Skin_Rescan lists every skin"));

    const QByteArray path = QFile::encodeName(folder);
    QList<Time> rescan, floor;
    for (int i = 0; i < m_options.runs; ++i) {
        floor << timeOf([&] { baselineScan(path.constData()); });
        rescan << timeOf([&] {
            window.Skin_Rescan();
            QApplication::processEvents();
        });
    }
    const Time r = median(rescan);
    const Time b = median(floor);
    const bool large = made.skins.size() >= 100000;
    m_rows << Row { QStringLiteral("`Skin_Rescan` on the shown window: scan, list, first page, paint")
            + (made.archives ? QStringLiteral(", a third of the skins archives") : QString()),
        made.skins.size(), ms(r), ms(b), ratio(cpuRatio(r, b)), large ? QStringLiteral("< 1 s") : QString(),
        large ? (r.cpu < 1000 ? QStringLiteral("yes") : QStringLiteral("no")) : QString() };
}

// Another program adds and removes skins spread over the whole list: the window's list,
// count and grid follow, against the rescan that F5 would run.
void Bench::measureFollow()
{
    PageState state;
    frmmain window(state, m_root);
    window.show();
    window.makeCurrentFolder(m_largeFolder);
    window.Skin_Rescan();
    QApplication::processEvents();
    const QLabel* count = window.WINAMP_Path->panel(QStringLiteral("skin"));
    const QString aside = m_root + QStringLiteral("aside/");
    QDir().mkpath(aside);
    const int added = 60, removed = 40;
    QStringList gone, copies;
    const qsizetype step = m_large.skins.size() / removed;
    for (int i = 0; i < removed; ++i)
        gone << m_large.skins.at(i * step + 1);
    for (int i = 0; i < added; ++i)
        copies << m_large.skins.at(i * step * removed / added) + QStringLiteral(" copy");
    const QByteArray picture = QFile::encodeName(m_pool.pictures.first().path);
    // Waits in the event loop: processEvents with a time would spin, and count as work.
    auto waitForCount = [&](qsizetype skins) {
        const QString text = QStringLiteral("Skin数:") + QString::number(skins);
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (count->text() == text)
                loop.quit();
        });
        poll.start(20);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        return check(count->text() == text, QStringLiteral("the list follows to %1").arg(text));
    };

    QList<Time> follow, rescan;
    for (int run = 0; run < m_options.runs; ++run) {
        for (const QString& name : std::as_const(gone))
            QDir().rename(m_largeFolder + name, aside + name);
        for (const QString& name : std::as_const(copies)) {
            QDir().mkdir(m_largeFolder + name);
            ::link(picture.constData(), QFile::encodeName(m_largeFolder + name + QStringLiteral("/main.bmp")).constData());
        }
        // The wall clock holds the time the changes gather; the thread's CPU time, the work.
        const Stopwatch watch;
        const bool followed = waitForCount(m_large.skins.size() + added - removed);
        follow << watch.elapsed();
        for (const QString& name : std::as_const(gone))
            QDir().rename(aside + name, m_largeFolder + name);
        for (const QString& name : std::as_const(copies))
            QDir(m_largeFolder + name).removeRecursively();
        if (!followed || !waitForCount(m_large.skins.size()))
            return;
        rescan << timeOf([&] {
            window.Skin_Rescan();
            QApplication::processEvents();
        });
    }
    const Time f = median(follow);
    const Time r = median(rescan);
    m_rows << Row { QStringLiteral("The list following another program's %1 changes (%2 skins added, %3 removed, "
                                   "spread over the list; gathered for 200 ms), on the shown window, against "
                                   "`Skin_Rescan` of it")
                        .arg(added + removed)
                        .arg(added)
                        .arg(removed),
        m_large.skins.size(), ms(f), ms(r), ratio(cpuRatio(f, r)), QStringLiteral("≤ 0.1 ×"),
        f.cpu <= 0.1 * r.cpu ? QStringLiteral("yes") : QStringLiteral("no") };
}

// Counts the paints a widget receives, so a page change is timed only when it painted.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

PageTimes Bench::measurePageChange(const QString& folder, bool details, bool look)
{
    PageState state;
    frmmain window(state, m_root);
    window.mnuLookGrid->setChecked(look);
    window.show();
    window.makeCurrentFolder(folder);
    window.Skin_Rescan();
    QApplication::processEvents();
    const int count = window.Skin_Lst->count();
    const int pages = (count + 11) / 12;
    const QString row = QStringLiteral("Page change");
    if (pages < 3) {
        m_notes << QStringLiteral("Page change: too few skins to change pages.");
        return {};
    }

    // Is the grid wired up? A page change must put item 12 into cell 0.
    window.Skin_Lst->setCurrentRow(12);
    QApplication::processEvents();
    if (window.Skin_Name[0]->text() != window.Skin_Lst->item(12)->text()) {
        m_rows << Row { row, count, QStringLiteral("not run"), {}, {}, QStringLiteral("≤ 1.3 ×, < 16 ms"), {} };
        m_notes << QStringLiteral("Page change not measured: the selection handling does not reload the preview "
                                  "grid in this build.");
        return {};
    }

    PaintCounter counter;
    window.Skin_Preview[0]->installEventFilter(&counter);
    const int samples = m_options.smoke ? 4 : 40;
    const QSize cell = window.Skin_Preview[0]->contentsRect().size();
    QList<Time> change, handler, floor;
    for (int k = 0; k < samples; ++k) {
        // Pages far apart, each different from the last, so each change reloads.
        const int page = 2 + int((qint64(k) * (pages - 3)) / samples);
        QStringList files;
        for (int i = 0; i < 12 && page * 12 + i < count; ++i) {
            const QString skin = folder + window.Skin_Lst->item(page * 12 + i)->text() + QLatin1Char('/');
            const QString file = SkinScan::findSkinFile(skin, QStringLiteral("main.bmp"));
            if (!file.isEmpty()) // archives have none: their page is compared with its twin folders
                files << file;
        }
        auto decode = [&] {
            for (const QString& file : files) {
                const QImage image(file);
                const QImage scaled = image.scaled(cell, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
                check(!scaled.isNull(), QStringLiteral("%1 decodes").arg(file));
            }
        };
        decode(); // the same warm cache for both
        const int paintsBefore = counter.paints;
        const Stopwatch watch;
        const Stopwatch process(CLOCK_PROCESS_CPUTIME_ID);
        window.Skin_Lst->setCurrentRow(page * 12 + 5);
        handler << watch.elapsed();
        // Complete: every picture read on the workers, handed over and painted.
        while (window.picturesPending())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QApplication::processEvents();
        change << process.elapsed();
        check(counter.paints > paintsBefore, QStringLiteral("the page change painted"));
        check(window.Skin_Name[0]->text() == window.Skin_Lst->item(page * 12)->text(),
            QStringLiteral("the page change shows its page"));
        const QString last = window.Skin_Name[11]->text();
        // A composed picture needs no file of the skin's own.
        check(last.isEmpty() || (!look && SkinScan::picturePath(folder, last).isEmpty())
                || !window.Skin_Preview[11]->pixmap().isNull(),
            QStringLiteral("the page change shows %1's picture").arg(last));
        floor << timeOf(decode);
    }
    const Time c = median(change);
    const Time b = median(floor);
    const Time h = median(handler);
    const PageTimes times { h, c, b, count, true };
    if (!details)
        return times;
    m_rows << Row { QStringLiteral("Page change: the selection handler (names, frame, 12 reads handed to the workers), "
                                   "against QImage decoding and scaling the same 12 files"),
        count, ms(h), ms(b), ratio(cpuRatio(h, b)), QStringLiteral("≤ 2 ms"),
        h.cpu <= 2 ? QStringLiteral("yes") : QStringLiteral("no") };
    m_rows << Row { QStringLiteral("Page change until every picture is painted: handler, reads on the workers, the "
                                   "window's paint (CPU time of the whole process)"),
        count, ms(c), ms(b), ratio(cpuRatio(c, b)), QStringLiteral("< 16 ms"),
        c.cpu < 16 ? QStringLiteral("yes") : QStringLiteral("no") };

    // Where the paint goes: each part drawn on its own, as the page change left it.
    QImage canvas(window.size(), QImage::Format_RGB32);
    auto paint = [&canvas](QWidget* widget) {
        QList<double> times;
        for (int i = 0; i < 5; ++i) {
            times << timeMs([&] {
                QPainter painter(&canvas);
                widget->render(&painter);
            });
        }
        return median(times);
    };
    double cells = 0, names = 0;
    for (int i = 0; i < frmmain::cellCount; ++i) {
        cells += paint(window.Skin_Preview[i]);
        names += paint(window.Skin_Name[i]);
    }
    m_notes << QStringLiteral("Painting after a page change, each part drawn alone: the list %1 (it scrolls to the "
                              "new item), the 12 name boxes %2, the 12 pictures %3.")
                   .arg(ms(paint(window.Skin_Lst)), ms(names), ms(cells));
    return times;
}

// Pages of twelve archives against the same pages unpacked, and one picture read out of
// an archive against the same picture read from its folder.
void Bench::measureArchivePages()
{
    const PageTimes folders = measurePageChange(m_pageFoldersFolder, false);
    const PageTimes archives = measurePageChange(m_pageArchivesFolder, false);
    if (!folders.measured || !archives.measured)
        return;
    // Judged by CPU time, as every ratio here; the wall clock, what the user waits for now
    // that the reads run beside the window, is in the row too.
    const double wallRatio = folders.painted.wall > 0 ? archives.painted.wall / folders.painted.wall : 0;
    const double cpu = cpuRatio(archives.painted, folders.painted);
    const bool met = archives.painted.cpu < 16 && cpu <= 1.5;
    m_rows << Row { QStringLiteral(
                        "Page change until every picture is painted, twelve archives (main.bmp read out of each), "
                        "against the same page of unpacked folders"),
        archives.count, ms(archives.painted), ms(folders.painted),
        ratio(cpu) + QStringLiteral(" CPU, ") + ratio(wallRatio) + QStringLiteral(" wall"),
        QStringLiteral("< 16 ms, ≤ 1.5 ×"), met ? QStringLiteral("yes") : QStringLiteral("no") };
    m_rows << Row { QStringLiteral("Page change: the selection handler alone, twelve archives"), archives.count,
        ms(archives.handler), {}, {}, QStringLiteral("≤ 2 ms"),
        archives.handler.cpu <= 2 ? QStringLiteral("yes") : QStringLiteral("no") };

    QStringList packed, unpacked;
    for (const QString& name : std::as_const(m_pageFolders.skins).mid(0, 6)) {
        packed << m_pageArchivesFolder + name + QStringLiteral(".wsz");
        unpacked << SkinScan::picturePath(m_pageFoldersFolder, name);
    }
    const int rounds = m_options.smoke ? 2 : 50;
    auto readAll = [&](const QStringList& files) {
        for (int i = 0; i < rounds; ++i) {
            for (const QString& file : files)
                check(!PreviewImage::load(file).isNull(), QStringLiteral("%1 shows a picture").arg(file));
        }
    };
    readAll(packed);
    readAll(unpacked);
    QList<Time> fromArchive, fromFolder;
    for (int run = 0; run < m_options.runs; ++run) {
        fromFolder << timeOf([&] { readAll(unpacked); });
        fromArchive << timeOf([&] { readAll(packed); });
    }
    const double pictures = double(rounds) * double(packed.size());
    const Time a = median(fromArchive);
    const Time f = median(fromFolder);
    m_rows << Row { QStringLiteral(
                        "One main.bmp read and decoded (`PreviewImage::load`) out of a real archive, against "
                        "the same picture in its folder"),
        qint64(packed.size()), ms(Time { a.wall / pictures, a.cpu / pictures }),
        ms(Time { f.wall / pictures, f.cpu / pictures }), ratio(cpuRatio(a, f)), {}, {} };
}

// The grid showing skins as Winamp draws them, against the bare grid on the same pages:
// of folders, then of archives.
void Bench::measureLookPages()
{
    const struct
    {
        QString folder;
        QString what;
    } sets[] = {
        { m_largeFolder, QString() },
        { m_pageArchivesFolder, QStringLiteral(", twelve archives") },
    };
    for (const auto& set : sets) {
        const PageTimes bare = measurePageChange(set.folder, false);
        const PageTimes look = measurePageChange(set.folder, false, true);
        if (!bare.measured || !look.measured)
            continue;
        m_rows << Row { QStringLiteral("Page change until painted, the grid showing skins as Winamp draws them%1, "
                                       "against the bare grid on the same pages")
                            .arg(set.what),
            look.count, ms(look.painted), ms(bare.painted), ratio(cpuRatio(look.painted, bare.painted)),
            QStringLiteral("< 33 ms"), look.painted.cpu < 33 ? QStringLiteral("yes") : QStringLiteral("no") };
    }
}

// The skin as Winamp draws it, from the real skins on a warm cache: one main window
// composed against reading and decoding main.bmp alone, and a page of twelve of each
// stretched into the grid's cells, as the grid's composed mode will show them.
void Bench::measureLook()
{
    QStringList folders;
    const QDir real(m_options.realSkins);
    for (const QString& name : real.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString folder = real.filePath(name) + QLatin1Char('/');
        if (!SkinScan::findSkinFile(folder, QStringLiteral("main.bmp")).isEmpty()
            || !SkinScan::findSkinFile(folder, QStringLiteral("region.txt")).isEmpty())
            folders << folder;
    }
    if (!check(!folders.isEmpty(), QStringLiteral("real skins in %1").arg(m_options.realSkins)))
        return;
    auto compose = [&](const QString& folder) {
        const QImage look = WinampLook::mainWindowOf(folder);
        check(look.size() == QSize(275, 116), QStringLiteral("%1 composes").arg(folder));
        return look;
    };
    auto bare = [&](const QString& folder) {
        return PreviewImage::load(SkinScan::findSkinFile(folder, QStringLiteral("main.bmp")));
    };
    const int samples = m_options.smoke ? 2 : 50;
    QList<Time> composed, plain;
    for (const QString& folder : std::as_const(folders)) {
        compose(folder);
        bare(folder);
        for (int i = 0; i < samples; ++i) {
            plain << timeOf([&] { bare(folder); });
            composed << timeOf([&] { compose(folder); });
        }
    }
    const Time c = median(composed);
    const Time b = median(plain);
    m_rows << Row { QStringLiteral("Compose one main window as Winamp draws it (`WinampLook::mainWindowOf`, every "
                                   "real skin), against reading and decoding its main.bmp alone"),
        folders.size(), ms(c), ms(b), ratio(cpuRatio(c, b)), QStringLiteral("< 2 ms"),
        c.cpu < 2 ? QStringLiteral("yes") : QStringLiteral("no") };

    // Twelve cells of the real skins in turn, stretched to a cell as the grid does.
    const QSize cell(146, 60);
    QList<Time> lookPage, barePage;
    for (int k = 0; k < samples; ++k) {
        barePage << timeOf([&] {
            for (int i = 0; i < 12; ++i)
                PreviewImage::stretched(bare(folders[(k + i) % folders.size()]), cell);
        });
        lookPage << timeOf([&] {
            for (int i = 0; i < 12; ++i)
                PreviewImage::stretched(compose(folders[(k + i) % folders.size()]), cell);
        });
    }
    const Time lp = median(lookPage);
    const Time bp = median(barePage);
    m_rows << Row { QStringLiteral("Twelve cells' pictures composed and stretched, against twelve bare main.bmp "
                                   "stretched (the grid's page change without its window)"),
        folders.size(), ms(lp), ms(bp), ratio(cpuRatio(lp, bp)), {}, {} };
}

// Hostile archives of a few kilobytes, composed as the look window composes them (all
// three windows, both regions), against a real skin's archive composed the same way.
void Bench::measureHostile()
{
    QString error;
    const QString realArchive = m_options.realSkins + QStringLiteral("/wsz/TopazAmp1-2.wsz");
    const QList<HostileSkins::Made> hostile = HostileSkins::make(
        m_root + QStringLiteral("hostile"), m_options.realSkins + QStringLiteral("/TopazAmp1-2/Main.bmp"), &error);
    if (!check(!hostile.isEmpty(), error))
        return;
    auto compose = [&](const QString& archive) {
        const QImage look = WinampLook::stacked(SkinFiles::ofSkin(archive, WinampLook::fileNames()));
        check(look.size() == QSize(275, 348), QStringLiteral("%1 composes").arg(archive));
    };
    const int samples = m_options.smoke ? 1 : 9;
    auto timeAll = [&](auto&& f) {
        f(); // warm
        QList<Time> times;
        for (int i = 0; i < samples; ++i)
            times << timeOf(f);
        return median(times);
    };
    const Time real = timeAll([&] { compose(realArchive); });
    for (const HostileSkins::Made& made : hostile) {
        const Time t = timeAll([&] { compose(made.path); });
        m_rows << Row { QStringLiteral("Compose the look window of a hostile archive (%1, %2 KB), against a real "
                                       "skin's archive")
                            .arg(made.what)
                            .arg(QFileInfo(made.path).size() / 1024),
            1, ms(t), ms(real), ratio(cpuRatio(t, real)), QStringLiteral("≤ 50 ms"),
            t.cpu <= 50 ? QStringLiteral("yes") : QStringLiteral("no") };
    }
    // The grid's picture of the bitmap bomb: its main.bmp claims as much.
    const Time preview = timeAll([&] { PreviewImage::load(hostile.first().path); });
    const Time realPreview = timeAll([&] { PreviewImage::load(realArchive); });
    m_rows << Row { QStringLiteral("The preview (`PreviewImage::load`) of the archive whose bitmaps claim 5792 × 5792 "
                                   "pixels, against a real skin's archive"),
        1, ms(preview), ms(realPreview), ratio(cpuRatio(preview, realPreview)), QStringLiteral("≤ 50 ms"),
        preview.cpu <= 50 ? QStringLiteral("yes") : QStringLiteral("no") };
}

QString Bench::writeConfig(const QString& name, const QString& skinFolder, bool lookGrid)
{
    const QString home = m_root + QStringLiteral("config-") + name;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home));
    const QString app = QStringLiteral("Hadrel");
    const QString section = QStringLiteral("Path");
    const RunError amp = Store::save(app, section, QStringLiteral("Amp"), m_root + QStringLiteral("winamp/"));
    const RunError slot = Store::save(app, section, QStringLiteral("0"), skinFolder);
    const RunError look = lookGrid
        ? Store::save(app, QStringLiteral("Settings"), QStringLiteral("WinampLook"), QStringLiteral("1"))
        : RunError();
    check(!amp && !slot && !look, QStringLiteral("settings for the start-up run"));
    qputenv("XDG_CONFIG_HOME", saved);
    return home;
}

void Bench::measureStartup()
{
    XvfbServer server;
    const QString problem = server.start();
    if (!problem.isEmpty()) {
        check(false, QStringLiteral("start-up not measured: %1").arg(problem));
        return;
    }
    struct Case
    {
        QString name;
        QString folder;
        qint64 skins;
        int runs;
    };
    const int runs = m_options.smoke ? 1 : 3;
    const QList<Case> cases = { { QStringLiteral("empty"), m_root + QStringLiteral("empty/"), 0, runs },
        { QStringLiteral("small"), m_smallFolder, m_small.skins.size(), runs },
        { QStringLiteral("large"), m_largeFolder, m_large.skins.size(), runs },
        { QStringLiteral("mixed"), m_mixedFolder, m_mixed.skins.size(), runs } };
    for (const Case& c : cases) {
        const QString home = writeConfig(c.name, c.folder);
        QList<double> shown;
        QList<double> peaks;
        QString title;
        for (int i = 0; i < c.runs; ++i) {
            const QString shot = m_options.shots.isEmpty() || i > 0
                ? QString()
                : m_options.shots + QStringLiteral("/startup-") + c.name + QStringLiteral(".png");
            const StartupRun run = runStartup(server.display(), m_options.binary, home, 60000, shot);
            if (!check(run.error.isEmpty(), QStringLiteral("start-up with %1 skins: %2").arg(c.skins).arg(run.error)))
                return;
            shown << run.shownMs;
            peaks << run.peakKb / 1024.0;
            title = run.title;
        }
        if (title != QStringLiteral("Hadrel - ") + c.folder) {
            m_notes << QStringLiteral("Start-up: the window's title was \"%1\", not \"Hadrel - %2\": the load step did "
                                      "not make the stored folder current in this build, so no skins were scanned.")
                           .arg(title, c.folder);
        }
        const double t = median(shown);
        const double peak = median(peaks);
        m_rows << Row { QStringLiteral("Start-up of `hadrel` under Xvfb until its window shows its first frame"),
            c.skins, ms(t), {}, {}, {}, {} };
        if (c.name == QLatin1String("mixed")) {
            m_rows.last().what += QStringLiteral(", a third of the skins archives");
            m_rows << Row { QStringLiteral(
                                "Peak resident memory of `hadrel` (VmHWM at its first frame), a third of the "
                                "skins archives"),
                c.skins, QString::number(peak, 'f', 1) + QStringLiteral(" MB"), {}, {}, QStringLiteral("< 150 MB"),
                peak < 150 ? QStringLiteral("yes") : QStringLiteral("no") };
        }
        if (c.name == QLatin1String("large")) {
            m_rows << Row { QStringLiteral("Peak resident memory of `hadrel` (VmHWM at its first frame)"), c.skins,
                QString::number(peak, 'f', 1) + QStringLiteral(" MB"), {}, {}, QStringLiteral("< 150 MB"),
                peak < 150 ? QStringLiteral("yes") : QStringLiteral("no") };
        }
    }
}

// One real skin beside hostile files: what each costs to show, in a child process of its
// own so that its peak memory is theirs alone, and the real program on them.
void Bench::measureHostileFolder()
{
    const QString folder = m_root + QStringLiteral("hostile-folder/");
    QDir().mkpath(folder);
    QString error;
    const QStringList made = Hostile::make(folder, m_options.realSkins + QStringLiteral("/XMMS-Turquoise/"), &error);
    if (!check(!made.isEmpty(), error))
        return;
    const QString kinds = QStringLiteral("one real skin and %1 hostile files").arg(made.size() - 1);

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--compose-each"), folder });
    // Today's hostile files can take minutes; the smoke run only asks whether it all works.
    const int limitMs = m_options.smoke ? 20000 : 120000;
    const int settleMs = m_options.smoke ? 10000 : 60000;
    if (!child.waitForFinished(limitMs)) {
        child.kill();
        child.waitForFinished(5000);
        m_notes << QStringLiteral("Hostile files: composing did not end within %1 s; what it finished is below.")
                       .arg(limitMs / 1000);
    }
    const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
    double peakKb = 0;
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != 2)
            continue;
        const QString name = QString::fromUtf8(fields[0]);
        const double value = fields[1].toDouble();
        if (name == QLatin1String("peak")) {
            peakKb = value;
            continue;
        }
        m_rows << Row { QStringLiteral("Preview, grid's look and the look window's picture of `%1`").arg(name), 1,
            ms(value), {}, {}, QStringLiteral("≤ 50 ms"), value <= 50 ? QStringLiteral("yes") : QStringLiteral("no") };
    }
    const double peak = peakKb / 1024;
    m_rows << Row { QStringLiteral("Peak resident memory composing every skin there (preview, grid's look, the look "
                                   "window's three windows), %1, a process of its own")
                        .arg(kinds),
        qint64(made.size()), QString::number(peak, 'f', 1) + QStringLiteral(" MB"), {}, {}, QStringLiteral("< 150 MB"),
        peak < 150 ? QStringLiteral("yes") : QStringLiteral("no") };

    if (!m_options.startup)
        return;
    XvfbServer server;
    const QString problem = server.start();
    if (!check(problem.isEmpty(), QStringLiteral("hostile start-up not measured: %1").arg(problem)))
        return;
    for (const bool look : { false, true }) {
        const QString home
            = writeConfig(look ? QStringLiteral("hostile-look") : QStringLiteral("hostile"), folder, look);
        const StartupRun run = runStartup(server.display(), m_options.binary, home, 60000, {}, settleMs);
        if (!check(run.error.isEmpty(), QStringLiteral("start-up on hostile files: %1").arg(run.error)))
            return;
        const QString grid
            = look ? QStringLiteral("the grid showing skins as Winamp draws them") : QStringLiteral("the bare grid");
        m_rows << Row { QStringLiteral("Start-up of `hadrel` on %1, %2, until its first frame").arg(kinds, grid),
            qint64(made.size()), ms(run.shownMs), {}, {}, QStringLiteral("< 1 s"),
            run.shownMs < 1000 ? QStringLiteral("yes") : QStringLiteral("no") };
        const double peak = run.peakKb / 1024.0;
        m_rows << Row { QStringLiteral("Peak resident memory of `hadrel` on %1, %2, once idle (%3)")
                            .arg(kinds, grid,
                                run.settledMs < 0
                                    ? QStringLiteral("still busy after %1 s").arg(settleMs / 1000)
                                    : QStringLiteral("idle %1 s after start").arg(run.settledMs / 1000, 0, 'f', 1)),
            qint64(made.size()), QString::number(peak, 'f', 1) + QStringLiteral(" MB"), {}, {},
            QStringLiteral("< 150 MB"), peak < 150 ? QStringLiteral("yes") : QStringLiteral("no") };
    }
}

void Bench::print()
{
    QString table;
    QTextStream t(&table);
    t << "Times: wall clock (CPU time of the thread), medians; ratios and targets by CPU time.\n\n";
    t << "| Measurement | Skins | Hadrel | Baseline | Ratio | Target | Met |\n";
    t << "|---|---:|---:|---:|---:|---|---|\n";
    for (const Row& r : std::as_const(m_rows)) {
        t << "| " << r.what << " | " << thousands(r.skins) << " | " << r.hadrel << " | " << r.baseline << " | "
          << r.ratio << " | " << r.target << " | " << r.met << " |\n";
    }
    t << "\n";
    t << "Machine: " << Machine::describe(m_root) << "; load average " << m_loadBefore << " before the measurements, "
      << Machine::loadAverage() << " after.\n\n";
    const auto describe = [](const SkinGen::Made& made) {
        QStringList kinds;
        for (auto it = made.kinds.cbegin(); it != made.kinds.cend(); ++it)
            kinds << QStringLiteral("%1 %2").arg(thousands(it.value()), it.key());
        return QStringLiteral("%1 skins (%2 only Region.txt, %3 with main.bmp in another case, %4 Japanese names; "
                              "pictures: %5) and %6 entries that are not skins")
            .arg(thousands(made.skins.size()), thousands(made.regionOnly), thousands(made.notExact),
                thousands(made.japanese), kinds.join(QStringLiteral(", ")), thousands(made.nonSkins));
    };
    t << "Folders: " << describe(m_large) << "; made with hard links to a pool of " << m_pool.pictures.size()
      << " bitmaps in " << QString::number(m_generateSeconds, 'f', 1)
      << " s (all sets). The set with archives: " << thousands(m_mixed.skins.size()) << " skins, "
      << thousands(m_mixed.archives) << " of them links to the " << m_pool.archives.size()
      << " real .wsz files; the pages of archives: " << thousands(m_pageArchives.skins.size())
      << " of them and their twin folders. Times are medians of " << m_options.runs << " runs on a warm cache.\n";
    for (const QString& note : std::as_const(m_notes))
        t << "\n" << note << "\n";
    t.flush();
    out << table;
    out.flush();
    if (!m_options.report.isEmpty()) {
        QFile file(m_options.report);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(table.toUtf8());
    }
}

// QDir::removeRecursively takes minutes over two million entries; rm -rf seconds.
void Bench::removeTree()
{
    for (const SkinGen::Made* made : { &m_small, &m_large, &m_exact, &m_mixed })
        SkinGen::restoreWritable(*made);
    err << "removing " << m_root << Qt::endl;
    if (QProcess::execute(QStringLiteral("rm"), { QStringLiteral("-rf"), QStringLiteral("--"), m_temp.path() }) == 0)
        m_temp.setAutoRemove(false);
}

void Bench::measureWinamp()
{
    if (!QFile::exists(QStringLiteral(HADREL_WINEPREFIX "/system.reg")))
        QProcess::execute(QStringLiteral("sh"), { QStringLiteral(HADREL_MAKE_WINEPREFIX), QStringLiteral(HADREL_WINEPREFIX) });
    const WinampBench::Result r
        = WinampBench::measure(QStringLiteral(HADREL_WINEPREFIX), QStringLiteral(HADREL_STANDIN), m_options.smoke ? 2 : 30);
    const QString what = QStringLiteral("「WINAMPで使う」 while Winamp runs (the stand-in under Wine), from the command "
                                        "until it has the skin");
    if (!r.notRun.isEmpty()) {
        m_rows << Row { what, 2, QStringLiteral("not run: ") + r.notRun, {}, {}, QStringLiteral("≤ round trip + 16 ms"), {} };
        return;
    }
    check(r.ok, QStringLiteral("an apply did not reach the running stand-in, or a request went unanswered"));
    const auto wall = [](double value) { return QString::number(value, 'f', 1) + QStringLiteral(" ms"); };
    m_rows << Row { what + QStringLiteral(": the first one, the helper and Wine starting, against one bare "
                                          "request's round trip"),
        2, wall(r.first), wall(r.roundTrip), {}, {}, {} };
    m_rows << Row { what + QStringLiteral(": later ones (median of %1), against one bare request's round trip "
                                          "(Hadrel, helper, Winamp and back; wall clock)")
                               .arg(r.runs),
        2, wall(r.later), wall(r.roundTrip), QStringLiteral("+ %1").arg(wall(r.later - r.roundTrip)),
        QStringLiteral("≤ round trip + 16 ms"), r.later <= r.roundTrip + 16 ? QStringLiteral("yes") : QStringLiteral("no") };
}

int Bench::run()
{
    if (!m_temp.isValid() && m_options.work.isEmpty()) {
        err << "cannot make a temporary folder" << Qt::endl;
        return 1;
    }
    if (m_options.winampOnly) {
        m_loadBefore = Machine::loadAverage();
        measureWinamp();
        print();
        return m_failures ? 1 : 0;
    }
    if (prepare()) {
        m_loadBefore = Machine::loadAverage();
        err << "scan..." << Qt::endl;
        const QString scan = QStringLiteral("Scan: `SkinScan::listSkins` against C (opendir, readdir, fstatat, open)");
        measureScan(m_smallFolder, m_small, scan);
        const Time folders = measureScan(m_largeFolder, m_large, scan);
        measureScan(m_exactFolder, m_exact,
            QStringLiteral("Scan as above, every skin with a main.bmp spelled so (the one name the floor opens)"));
        const Time mixed = measureScan(
            m_mixedFolder, m_mixed, QStringLiteral("Scan as above, a third of the skins archives (.wsz, .zip)"));
        measureScan(m_mixedFolder, m_mixed,
            QStringLiteral("Scan with a third of the skins archives, each one's directory read, against C (opendir, "
                           "readdir; each archive opened, its end record and directory read; fstatat of each "
                           "folder's main.bmp)"),
            baselineScanWithArchives);
        measureScan(m_mixedFolder, m_mixed,
            QStringLiteral("Scan as above, against the same C with each folder's own attributes read too (fstatat "
                           "of the folder, then of its main.bmp), as the rule for folders asks"),
            baselineScanWithArchivesAndAttributes);
        m_rows << Row { QStringLiteral("Scan with a third of the skins archives, against the same count of folders"),
            m_mixed.skins.size(), ms(mixed), ms(folders), ratio(cpuRatio(mixed, folders)), QStringLiteral("≤ 1.2 ×"),
            mixed.cpu <= 1.2 * folders.cpu ? QStringLiteral("yes") : QStringLiteral("no") };
        if (m_options.indexOnly) {
            m_rows.clear();
            err << "index..." << Qt::endl;
            measureIndex();
        }
        if (m_options.scanOnly || m_options.indexOnly) {
            print();
            if (m_options.work.isEmpty())
                removeTree();
            return m_failures ? 1 : 0;
        }
        err << "list..." << Qt::endl;
        measureList();
        err << "search..." << Qt::endl;
        measureSearch();
        err << "hand-overs..." << Qt::endl;
        measureHandOvers();
        err << "rescan..." << Qt::endl;
        measureRescan(m_smallFolder, m_small);
        measureRescan(m_largeFolder, m_large);
        measureRescan(m_mixedFolder, m_mixed);
        err << "follow..." << Qt::endl;
        measureFollow();
        err << "page change..." << Qt::endl;
        measurePageChange(m_largeFolder, true);
        measureArchivePages();
        err << "winamp look..." << Qt::endl;
        measureLook();
        measureLookPages();
        measureHostile();
        if (m_options.startup) {
            err << "start-up..." << Qt::endl;
            measureStartup();
        }
        err << "hostile files..." << Qt::endl;
        measureHostileFolder();
        err << "winamp running..." << Qt::endl;
        measureWinamp();
        err << "index..." << Qt::endl;
        measureIndex();
        print();
    }
    if (m_options.work.isEmpty())
        removeTree();
    if (m_failures)
        err << m_failures << " check(s) failed" << Qt::endl;
    return m_failures ? 1 : 0;
}

// The index of the large set with readmes added, and of the set with archives.
void Bench::measureIndex()
{
    const QString cache = m_root + QStringLiteral("cache/");
    QDir().mkpath(cache);
    QList<IndexBench::Measure> measures = IndexBench::measure(
        { { m_largeFolder, QString(), int(m_large.skins.size()) },
            { m_mixedFolder, QStringLiteral(", a third of the skins archives"), int(m_mixed.skins.size()) } },
        cache, m_root + QStringLiteral("readmes/"), m_options.runs, m_options.smoke, m_failures);
    measures << IndexBench::pageChangeWhileIndexing(m_largeFolder, cache, m_root, m_options.smoke, m_failures);
    for (const IndexBench::Measure& m : std::as_const(measures)) {
        const Time t { m.wall, m.cpu }, base { m.baseWall, m.baseCpu };
        m_rows << Row { m.what, m.skins, m.note.isEmpty() ? ms(t) : m.note, base.cpu > 0 ? ms(base) : QString(),
            base.cpu > 0 ? ratio(cpuRatio(t, base)) : QString(), m.target,
            m.met < 0 ? QString() : m.met ? QStringLiteral("yes") : QStringLiteral("no") };
    }
    measureIndexedMemory(cache + QStringLiteral("index-0.sqlite"));
}

// The real program started on the large set with its index already built there, as on any
// start after the first: its peak memory once the index is read and the program idle.
void Bench::measureIndexedMemory(const QString& indexFile)
{
    if (!m_options.startup)
        return;
    const QString cacheHome = qEnvironmentVariable("XDG_CACHE_HOME") + QStringLiteral("/hadrel/");
    QDir().mkpath(cacheHome);
    for (const QString& end : { QString(), QStringLiteral("-wal") }) {
        QFile::remove(cacheHome + QStringLiteral("index.sqlite") + end);
        if (QFileInfo::exists(indexFile + end))
            check(QFile::copy(indexFile + end, cacheHome + QStringLiteral("index.sqlite") + end),
                QStringLiteral("the index copied into the program's cache"));
    }
    XvfbServer server;
    const QString problem = server.start();
    if (!check(problem.isEmpty(), QStringLiteral("memory with the index not measured: %1").arg(problem)))
        return;
    const int settleMs = m_options.smoke ? 20000 : 120000;
    const StartupRun run = runStartup(server.display(), m_options.binary, writeConfig(QStringLiteral("indexed"), m_largeFolder), 60000, {}, settleMs);
    if (!check(run.error.isEmpty(), QStringLiteral("start-up with the index: %1").arg(run.error)))
        return;
    const double peak = run.peakKb / 1024.0;
    m_rows << Row { QStringLiteral("Peak resident memory of `hadrel` started with its index of the folder already built, "
                                   "once the index is read and the program idle (%1)")
                        .arg(run.settledMs < 0 ? QStringLiteral("still busy after %1 s").arg(settleMs / 1000)
                                               : QStringLiteral("idle %1 s after start").arg(run.settledMs / 1000, 0, 'f', 1)),
        m_large.skins.size(), QString::number(peak, 'f', 1) + QStringLiteral(" MB"), {}, {}, QStringLiteral("< 150 MB"),
        peak < 150 && run.settledMs >= 0 ? QStringLiteral("yes") : QStringLiteral("no") };
}

// The pictures of the README: every real skin's three windows as Winamp draws them.
int saveLooks(const QString& skins, const QString& folder)
{
    QDir().mkpath(folder);
    const QDir real(skins);
    int failures = 0;
    for (const QString& name : real.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString skin = real.filePath(name) + QLatin1Char('/');
        if (SkinScan::findSkinFile(skin, QStringLiteral("main.bmp")).isEmpty()
            && SkinScan::findSkinFile(skin, QStringLiteral("region.txt")).isEmpty())
            continue;
        const QString file = QDir(folder).filePath(QStringLiteral("look-%1.png").arg(name));
        const bool saved = WinampLook::stacked(SkinFiles::fromFolder(skin, WinampLook::fileNames())).save(file);
        (saved ? out : err) << (saved ? "" : "cannot write ") << file << Qt::endl;
        failures += !saved;
    }
    return failures ? 1 : 0;
}

// The child of the hostile-file run: every skin in folder read and composed as the
// preview, the grid's look and the look window do, one line each ("name<TAB>ms"), then
// the peak resident memory ("peak<TAB>KB").
int composeEach(const QString& folder)
{
    for (const QString& name : SkinScan::listSkins(folder)) {
        const Stopwatch watch;
        PreviewImage::load(SkinScan::picturePath(folder, name));
        WinampLook::mainWindowOfSkin(folder + name);
        WinampLook::stacked(SkinFiles::ofSkin(folder + name, WinampLook::fileNames()));
        out << name << '\t' << watch.elapsed().wall << '\n';
        // After each skin, so that a run stopped by the time limit still tells it.
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n')) {
                if (line.startsWith("VmHWM:"))
                    out << "peak\t" << line.mid(6).trimmed().split(' ').first() << '\n';
            }
        }
        out.flush();
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // The in-process measurements need no screen; the start-up run gets its own.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures Hadrel on generated skin folders."));
    parser.addHelpOption();
    const QCommandLineOption small(QStringLiteral("small"), QStringLiteral("Skins in the smaller set."),
        QStringLiteral("n"), QStringLiteral("10000"));
    const QCommandLineOption large(QStringLiteral("large"), QStringLiteral("Skins in the larger set."),
        QStringLiteral("n"), QStringLiteral("100000"));
    const QCommandLineOption runs(
        QStringLiteral("runs"), QStringLiteral("Runs per measurement."), QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption smoke(
        QStringLiteral("smoke"), QStringLiteral("200 skins, one run each: does it all work?"));
    const QCommandLineOption noStartup(QStringLiteral("no-startup"), QStringLiteral("Skip the start-up runs."));
    const QCommandLineOption scanOnly(QStringLiteral("scan-only"), QStringLiteral("Only the scan measurements."));
    const QCommandLineOption winampOnly(
        QStringLiteral("winamp-only"), QStringLiteral("Only the apply while Winamp runs (under Wine)."));
    const QCommandLineOption indexOnly(QStringLiteral("index-only"), QStringLiteral("Only the index measurements."));
    const QCommandLineOption binary(QStringLiteral("hadrel"), QStringLiteral("The hadrel binary."),
        QStringLiteral("path"), QStringLiteral(HADREL_BINARY));
    const QCommandLineOption realSkins(QStringLiteral("real-skins"), QStringLiteral("Folder of real skins to mix in."),
        QStringLiteral("folder"), QStringLiteral(HADREL_REAL_SKINS));
    const QCommandLineOption work(QStringLiteral("work"),
        QStringLiteral("Generate here (an empty folder) and keep it."), QStringLiteral("folder"));
    const QCommandLineOption report(
        QStringLiteral("report"), QStringLiteral("Also write the table to this file."), QStringLiteral("file"));
    const QCommandLineOption looks(QStringLiteral("look-pictures"),
        QStringLiteral("Only save each real skin as Winamp draws it, as look-<skin>.png in this folder."),
        QStringLiteral("folder"));
    const QCommandLineOption shots(QStringLiteral("screenshots"),
        QStringLiteral("Save the first frame of each start-up run in this folder."), QStringLiteral("folder"));
    const QCommandLineOption composeOnly(QStringLiteral("compose-each"),
        QStringLiteral("Only compose every skin in this folder and print the cost (the hostile-file run's child)."),
        QStringLiteral("folder"));
    parser.addOptions(
        { small, large, runs, smoke, noStartup, scanOnly, winampOnly, indexOnly, binary, realSkins, work, report, shots, looks, composeOnly });
    parser.process(app);
    if (parser.isSet(composeOnly))
        return composeEach(parser.value(composeOnly));
    if (parser.isSet(looks))
        return saveLooks(parser.value(realSkins), parser.value(looks));

    Options options;
    options.smoke = parser.isSet(smoke);
    options.small = options.smoke ? 200 : parser.value(small).toInt();
    options.large = options.smoke ? 200 : parser.value(large).toInt();
    options.runs = options.smoke ? 1 : std::max(1, parser.value(runs).toInt());
    options.startup = !parser.isSet(noStartup);
    options.scanOnly = parser.isSet(scanOnly);
    options.winampOnly = parser.isSet(winampOnly);
    options.indexOnly = parser.isSet(indexOnly);
    options.binary = parser.value(binary);
    options.realSkins = parser.value(realSkins);
    options.work = parser.value(work);
    options.report = parser.value(report);
    options.shots = parser.value(shots);
    if (options.small < 1 || options.large < 1) {
        err << "--small and --large take a number of skins" << Qt::endl;
        return 2;
    }
    return Bench(options).run();
}
