// SPDX-License-Identifier: GPL-3.0-or-later
#include "index/skinindex.h"

#include "index/indexfile.h"
#include "index/skinreader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QStandardPaths>
#include <QThread>

#include <sqlite3.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Committed this often, so that a stop or a crash loses little and readers see progress.
constexpr int rowsPerTransaction = 256;
constexpr int progressEveryMs = 100;

class Statement
{
public:
    Statement(sqlite3* db, const char* sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            m_statement = nullptr;
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    explicit operator bool() const { return m_statement != nullptr; }
    sqlite3_stmt* get() const { return m_statement; }

    void bind(int i, qint64 v) { sqlite3_bind_int64(m_statement, i, v); }
    void bind(int i, const QString& text)
    {
        const QByteArray bytes = text.toUtf8();
        sqlite3_bind_text(m_statement, i, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    }
    void bindBlob(int i, const void* data, int size) { sqlite3_bind_blob(m_statement, i, data, size, SQLITE_TRANSIENT); }
    // Steps once; true when a row came (or, for statements without rows, when it ran).
    bool step()
    {
        const int rc = sqlite3_step(m_statement);
        return rc == SQLITE_ROW || rc == SQLITE_DONE;
    }
    bool run()
    {
        const bool ok = sqlite3_step(m_statement) == SQLITE_DONE;
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
        return ok;
    }
    bool next() { return sqlite3_step(m_statement) == SQLITE_ROW; }
    qint64 integer(int i) const { return sqlite3_column_int64(m_statement, i); }
    QString text(int i) const
    {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_statement, i)),
            sqlite3_column_bytes(m_statement, i));
    }
    QByteArrayView blob(int i) const
    {
        return QByteArrayView(static_cast<const char*>(sqlite3_column_blob(m_statement, i)), sqlite3_column_bytes(m_statement, i));
    }

private:
    sqlite3_stmt* m_statement = nullptr;
};

struct Todo
{
    QString folder;
    QString name;
};

std::shared_ptr<const IndexSnapshot> loadSnapshot(sqlite3* db, const IndexFile::Connection& reader, const QStringList& folders)
{
    Statement select(db,
        "SELECT id, folder, name, archive, size, modified, skindate, contents, contenthash, lookhash, colours, "
        "thumbnail, readme FROM skins WHERE listed = 1");
    std::vector<SkinRecord> records;
    std::vector<QByteArray> thumbs;
    QHash<QString, QString> folderTexts; // one shared string per folder
    while (select && select.next()) {
        SkinRecord r;
        r.id = select.integer(0);
        const QString folder = select.text(1);
        if (!folders.contains(folder))
            continue;
        r.folder = folderTexts.value(folder, folder);
        folderTexts.insert(folder, r.folder);
        r.name = select.text(2);
        r.archive = select.integer(3) != 0;
        r.size = select.integer(4);
        r.modified = select.integer(5);
        r.skinDate = select.integer(6);
        r.contents = quint32(select.integer(7));
        const QByteArrayView hash = select.blob(8);
        if (hash.size() == qsizetype(r.contentHash.size()))
            std::copy(hash.begin(), hash.end(), r.contentHash.begin());
        r.lookHash = quint64(select.integer(9));
        const QByteArrayView colours = select.blob(10);
        for (int i = 0; i < SkinRecord::colourCount && (i + 1) * 4 <= colours.size(); ++i) {
            const auto* c = reinterpret_cast<const uchar*>(colours.data()) + i * 4;
            r.colours[size_t(i)] = qRgb(c[0], c[1], c[2]);
            r.shares[size_t(i)] = c[3];
        }
        thumbs.emplace_back(select.blob(11).toByteArray());
        r.readme = select.text(12);
        records.push_back(std::move(r));
    }
    // The folders in the order given, each's skins as the list sorts them.
    std::vector<int> order(records.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    auto folderRank = [&](const QString& folder) {
        const qsizetype at = folders.indexOf(folder);
        return at < 0 ? folders.size() : at;
    };
    std::vector<qsizetype> rank(records.size());
    for (size_t i = 0; i < records.size(); ++i)
        rank[i] = folderRank(records[i].folder);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        if (rank[size_t(a)] != rank[size_t(b)])
            return rank[size_t(a)] < rank[size_t(b)];
        const int c = records[size_t(a)].name.compare(records[size_t(b)].name, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : records[size_t(a)].name < records[size_t(b)].name;
    });
    std::vector<SkinRecord> sorted;
    sorted.reserve(records.size());
    QByteArray thumbnails(qsizetype(records.size()) * SkinRecord::thumbBytes, '\0');
    for (const int i : order) {
        const QByteArray& thumb = thumbs[size_t(i)];
        if (thumb.size() == SkinRecord::thumbBytes)
            std::copy(thumb.begin(), thumb.end(), thumbnails.begin() + qsizetype(sorted.size()) * SkinRecord::thumbBytes);
        sorted.push_back(std::move(records[size_t(i)]));
    }
    return std::make_shared<const IndexSnapshot>(std::move(sorted), std::move(thumbnails), reader);
}

} // namespace

class IndexWorker
{
public:
    IndexWorker(SkinIndex* owner, const QString& file)
        : m_owner(owner)
        , m_file(file)
    {
    }
    ~IndexWorker() { stop(); }

    void start(const QStringList& folders)
    {
        stop();
        m_stop = false;
        m_busy = true;
        const int generation = ++m_generation;
        m_thread = std::thread([this, folders, generation] {
            run(folders, generation);
            m_busy = false;
            post(generation, [](SkinIndex* index) { emit index->finished(); });
        });
    }

    void stop()
    {
        m_stop = true;
        {
            std::lock_guard lock(m_writerMutex);
            if (m_writer)
                sqlite3_interrupt(m_writer.get());
        }
        if (m_thread.joinable())
            m_thread.join();
    }

    bool busy() const { return m_busy; }
    bool readOnly() const { return m_readOnly; }

    std::shared_ptr<const IndexSnapshot> snapshot() const
    {
        std::lock_guard lock(m_snapshotMutex);
        return m_snapshot;
    }

private:
    // Delivered on the window's thread, unless a newer update has started meanwhile: a
    // stopped update's last signals arrive after the next one began.
    template<typename Emit> void post(int generation, Emit emitter)
    {
        SkinIndex* owner = m_owner;
        QMetaObject::invokeMethod(
            owner,
            [this, owner, emitter, generation] {
                if (generation == m_generation)
                    emitter(owner);
            },
            Qt::QueuedConnection);
    }

    void progress(int done, int total)
    {
        post(m_running, [done, total](SkinIndex* index) { emit index->progress(done, total); });
    }

    void publish(sqlite3* db, const QStringList& folders)
    {
        if (!m_reader)
            m_reader = IndexFile::openForReading(m_file);
        if (!db)
            db = m_reader.get();
        if (!db)
            return;
        auto snapshot = loadSnapshot(db, m_reader, folders);
        {
            std::lock_guard lock(m_snapshotMutex);
            m_snapshot = std::move(snapshot);
            m_snapshotFolders = folders;
        }
        m_snapshotCurrent = true;
        // A new snapshot is news whichever update made it.
        SkinIndex* owner = m_owner;
        QMetaObject::invokeMethod(owner, [owner] { emit owner->snapshotChanged(); }, Qt::QueuedConnection);
    }

    void open()
    {
        if (m_writer)
            return;
        if (!m_lock || !m_lock->held())
            m_lock = std::make_unique<IndexFile::WriterLock>(m_file);
        m_readOnly = !m_lock->held();
        if (m_readOnly)
            return;
        IndexFile::Connection writer = IndexFile::openForWriting(m_file, nullptr, &m_stop);
        std::lock_guard guard(m_writerMutex);
        m_writer = writer;
        m_reader.reset();
    }

    void run(const QStringList& given, int generation)
    {
        m_running = generation;
        QStringList folders;
        for (const QString& folder : given) {
            if (!folder.isEmpty() && !folders.contains(folder))
                folders.append(folder);
        }
        const bool first = !m_snapshot;
        open();
        if (m_stop)
            return;
        if (!m_writer) {
            publish(nullptr, folders);
            return;
        }
        if (first)
            publish(m_writer.get(), folders);
        update(m_writer.get(), folders);
    }

    void update(sqlite3* db, const QStringList& folders);

    SkinIndex* m_owner;
    QString m_file;
    std::thread m_thread;
    std::atomic<bool> m_stop { false };
    std::atomic<bool> m_busy { false };
    std::atomic<bool> m_readOnly { false };
    std::atomic<int> m_generation { 0 }; // of the latest update started
    int m_running = 0; // the generation the worker thread runs
    std::unique_ptr<IndexFile::WriterLock> m_lock;
    std::mutex m_writerMutex; // the writer is interrupted from the window's thread
    IndexFile::Connection m_writer;
    IndexFile::Connection m_reader;
    mutable std::mutex m_snapshotMutex;
    std::shared_ptr<const IndexSnapshot> m_snapshot;
    QStringList m_snapshotFolders; // in their order there
    bool m_snapshotCurrent = false; // nothing written to the file since it was loaded
};

void IndexWorker::update(sqlite3* db, const QStringList& folders)
{
    struct Known
    {
        qint64 id;
        qint64 stamp;
        QByteArray keyFile;
        bool seen = false;
    };
    // An update stopped in the middle of a commit may have left its transaction open.
    if (!sqlite3_get_autocommit(db))
        IndexFile::exec(db, "ROLLBACK");
    QHash<QString, QHash<QString, Known>> known;
    {
        Statement select(db, "SELECT id, folder, name, stamp, keyfile FROM skins");
        while (select && select.next())
            known[select.text(1)].insert(select.text(2),
                { select.integer(0), select.integer(3), QFile::encodeName(select.text(4)) });
    }
    if (m_stop)
        return;

    // What changed, from one stat or two per entry: the listing's own rule is applied only
    // to what is read again.
    std::vector<Todo> todo;
    int unchanged = 0;
    QStringList listed;
    for (const QString& folder : folders) {
        DIR* dir = opendir(QFile::encodeName(folder).constData());
        QHash<QString, Known>& inFolder = known[folder];
        // A folder that cannot be read now (a disk not mounted) keeps its rows for when it
        // comes back, out of the snapshot meanwhile.
        if (!dir) {
            for (Known& row : inFolder)
                row.seen = true;
            continue;
        }
        listed << folder;
        int seen = 0;
        while (const dirent* entry = readdir(dir)) {
            if ((++seen & 1023) == 0 && m_stop)
                break;
            if (entry->d_name[0] == '.')
                continue;
            const QByteArray raw(entry->d_name);
            const QString name = QFile::decodeName(raw);
            if (QFile::encodeName(name) != raw)
                continue;
            auto it = inFolder.find(name);
            if (it != inFolder.end()) {
                it->seen = true;
                if (SkinReader::stamp(dirfd(dir), raw, it->keyFile) == it->stamp) {
                    ++unchanged;
                    continue;
                }
            }
            todo.push_back({ folder, name });
        }
        closedir(dir);
        if (m_stop)
            return;
    }
    const int total = unchanged + int(todo.size());
    progress(unchanged, total);

    int gone = 0;
    for (auto folder = known.cbegin(); folder != known.cend(); ++folder) {
        for (auto it = folder->cbegin(); it != folder->cend(); ++it)
            gone += it->seen ? 0 : 1;
    }
    // Nothing to write: the snapshot in hand is the index.
    if (todo.empty() && gone == 0 && m_snapshot && m_snapshotCurrent && m_snapshotFolders == listed) {
        progress(total, total);
        return;
    }

    // From here on the file may hold more than the snapshot, until the next one is loaded.
    m_snapshotCurrent = false;
    bool ok = IndexFile::exec(db, "BEGIN");
    {
        Statement dropSkin(db, "DELETE FROM skins WHERE id = ?");
        Statement dropReadme(db, "DELETE FROM readmes WHERE rowid = ?");
        for (auto folder = known.cbegin(); ok && folder != known.cend(); ++folder) {
            for (auto it = folder->cbegin(); ok && it != folder->cend(); ++it) {
                if (it->seen)
                    continue;
                dropSkin.bind(1, it->id);
                dropReadme.bind(1, it->id);
                ok = dropSkin.run() && dropReadme.run();
            }
        }
    }
    ok = ok && IndexFile::exec(db, "COMMIT");
    if (!ok) {
        IndexFile::exec(db, "ROLLBACK");
        return;
    }

    // Readers on every core but the writer's own share, the writer here.
    std::mutex mutex;
    std::condition_variable ready, room;
    constexpr size_t maxWaiting = 64;
    // The writer wakes for this many at once, not for every skin.
    constexpr size_t batch = 16;
    std::deque<SkinReader::Read> results;
    std::atomic<size_t> next { 0 };
    std::atomic<int> running { 0 };
    const int threads = std::max(1, std::min(QThread::idealThreadCount(), int(todo.size())));
    std::vector<std::thread> readers;
    for (int t = 0; t < threads; ++t) {
        ++running;
        readers.emplace_back([&] {
            for (size_t i = next++; i < todo.size() && !m_stop; i = next++) {
                SkinReader::Read read = SkinReader::read(todo[i].folder, todo[i].name);
                read.record.folder = todo[i].folder;
                read.record.name = todo[i].name;
                std::unique_lock lock(mutex);
                // A reader far ahead of the writer waits, so memory stays bounded.
                room.wait(lock, [&] { return results.size() < maxWaiting || m_stop; });
                results.push_back(std::move(read));
                if (results.size() == batch)
                    ready.notify_one();
            }
            std::lock_guard lock(mutex);
            --running;
            ready.notify_one();
        });
    }

    Statement upsert(db,
        "INSERT INTO skins(folder, name, listed, stamp, keyfile, archive, size, modified, skindate, contents, "
        "contenthash, lookhash, colours, thumbnail, readme) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?) "
        "ON CONFLICT(folder, name) DO UPDATE SET listed = excluded.listed, stamp = excluded.stamp, "
        "keyfile = excluded.keyfile, archive = excluded.archive, size = excluded.size, modified = excluded.modified, "
        "skindate = excluded.skindate, contents = excluded.contents, contenthash = excluded.contenthash, "
        "lookhash = excluded.lookhash, colours = excluded.colours, thumbnail = excluded.thumbnail, "
        "readme = excluded.readme");
    // RETURNING would cost the upsert four times over: a new row's id is the last insert's,
    // a row updated is looked up.
    Statement findId(db, "SELECT id FROM skins WHERE folder = ? AND name = ?");
    Statement dropReadme(db, "DELETE FROM readmes WHERE rowid = ?");
    Statement addReadme(db, "INSERT INTO readmes(rowid, text) VALUES(?, ?)");
    ok = upsert && findId && dropReadme && addReadme;
    // A row past every id the file holds is new, and has no readme to drop.
    qint64 lastId = 0;
    {
        Statement last(db,
            "SELECT max(coalesce((SELECT max(id) FROM skins), 0), "
            "coalesce((SELECT rowid FROM readmes ORDER BY rowid DESC LIMIT 1), 0))");
        ok = ok && last && last.next();
        lastId = ok ? last.integer(0) : 0;
    }
    int done = unchanged;
    int inTransaction = 0;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    std::deque<SkinReader::Read> taken;
    while (ok && !m_stop) {
        if (taken.empty()) {
            std::unique_lock lock(mutex);
            ready.wait(lock, [&] { return results.size() >= batch || running == 0; });
            if (results.empty())
                break;
            taken.swap(results);
            room.notify_all();
        }
        const SkinReader::Read read = std::move(taken.front());
        taken.pop_front();
        if (inTransaction == 0)
            ok = IndexFile::exec(db, "BEGIN");
        const SkinRecord& r = read.record;
        upsert.bind(1, r.folder);
        upsert.bind(2, r.name);
        upsert.bind(3, read.listed ? 1 : 0);
        upsert.bind(4, read.stamp);
        upsert.bind(5, read.keyFile);
        upsert.bind(6, r.archive ? 1 : 0);
        upsert.bind(7, r.size);
        upsert.bind(8, r.modified);
        upsert.bind(9, r.skinDate);
        upsert.bind(10, qint64(r.contents));
        upsert.bindBlob(11, r.contentHash.data(), int(r.contentHash.size()));
        upsert.bind(12, qint64(r.lookHash));
        uchar colours[SkinRecord::colourCount * 4];
        for (int i = 0; i < SkinRecord::colourCount; ++i) {
            colours[i * 4] = uchar(qRed(r.colours[size_t(i)]));
            colours[i * 4 + 1] = uchar(qGreen(r.colours[size_t(i)]));
            colours[i * 4 + 2] = uchar(qBlue(r.colours[size_t(i)]));
            colours[i * 4 + 3] = r.shares[size_t(i)];
        }
        upsert.bindBlob(13, colours, int(sizeof colours));
        upsert.bindBlob(14, read.thumbnail.constData(), int(read.thumbnail.size()));
        upsert.bind(15, r.readme);
        sqlite3_set_last_insert_rowid(db, 0);
        ok = ok && upsert.run();
        qint64 id = ok ? sqlite3_last_insert_rowid(db) : 0;
        if (ok && id == 0) {
            findId.bind(1, r.folder);
            findId.bind(2, r.name);
            ok = findId.next();
            id = ok ? findId.integer(0) : 0;
            sqlite3_reset(findId.get());
        }
        if (ok && id <= lastId) {
            dropReadme.bind(1, id);
            ok = dropReadme.run();
        }
        if (ok && !read.readmeText.isEmpty()) {
            addReadme.bind(1, id);
            addReadme.bind(2, read.readmeText);
            ok = addReadme.run();
        }
        ++done;
        if (ok && ++inTransaction >= rowsPerTransaction) {
            ok = IndexFile::exec(db, "COMMIT");
            inTransaction = 0;
        }
        if (sinceProgress.elapsed() >= progressEveryMs) {
            progress(done, total);
            sinceProgress.restart();
        }
    }
    {
        std::lock_guard lock(mutex);
        m_stop = m_stop || !ok;
        room.notify_all();
    }
    for (std::thread& reader : readers)
        reader.join();
    if (inTransaction > 0 && !(ok && IndexFile::exec(db, "COMMIT")))
        IndexFile::exec(db, "ROLLBACK");
    if (m_stop)
        return;
    progress(total, total);
    publish(db, listed);
}

QString SkinIndex::defaultFile()
{
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty() || !QDir::isAbsolutePath(cache))
        cache = QDir::homePath() + QLatin1String("/.cache");
    return cache + QLatin1String("/hadrel/index.sqlite");
}

SkinIndex::SkinIndex(QObject* parent)
    : SkinIndex(defaultFile(), parent)
{
}

SkinIndex::SkinIndex(const QString& file, QObject* parent)
    : QObject(parent)
    , m_file(file)
    , m_worker(std::make_unique<IndexWorker>(this, file))
{
}

SkinIndex::~SkinIndex() = default;

void SkinIndex::update(const QStringList& folders)
{
    m_worker->start(folders);
}

void SkinIndex::stop()
{
    m_worker->stop();
}

bool SkinIndex::isBusy() const
{
    return m_worker->busy();
}

bool SkinIndex::isReadOnly() const
{
    return m_worker->readOnly();
}

std::shared_ptr<const IndexSnapshot> SkinIndex::snapshot() const
{
    static const auto empty = std::make_shared<const IndexSnapshot>();
    auto current = m_worker->snapshot();
    return current ? current : empty;
}
