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
#include <bit>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <dirent.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <fcntl.h>
#include <unistd.h>

namespace {

// Committed this often, so that a stop or a crash loses little and readers see progress;
// no oftener, as each commit writes again every page of the names' index its rows touched.
constexpr int commitEveryMs = 2000;
constexpr int progressEveryMs = 100;

class Statement
{
public:
    Statement(sqlite3* db, const char* sql)
    {
        // A stop interrupts the preparing too: such a statement runs nothing and has failed.
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK) {
            sqlite3_finalize(m_statement);
            m_statement = nullptr;
            m_failed = true;
        }
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
        if (!m_statement)
            return false;
        const bool ok = sqlite3_step(m_statement) == SQLITE_DONE;
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
        return ok;
    }
    bool next()
    {
        const int rc = sqlite3_step(m_statement);
        m_failed = m_failed || (rc != SQLITE_ROW && rc != SQLITE_DONE);
        return rc == SQLITE_ROW;
    }
    // A step failed, interrupted by a stop or worse: what came is not all there is.
    bool failed() const { return m_failed; }
    qint64 integer(int i) const { return sqlite3_column_int64(m_statement, i); }
    // A text column's UTF-8 as it stands.
    QByteArrayView bytes(int i) const
    {
        return QByteArrayView(reinterpret_cast<const char*>(sqlite3_column_text(m_statement, i)),
            sqlite3_column_bytes(m_statement, i));
    }
    QString text(int i) const { return QString::fromUtf8(bytes(i)); }
    QByteArrayView blob(int i) const
    {
        return QByteArrayView(static_cast<const char*>(sqlite3_column_blob(m_statement, i)), sqlite3_column_bytes(m_statement, i));
    }

private:
    sqlite3_stmt* m_statement = nullptr;
    bool m_failed = false;
};

struct Todo
{
    QString folder;
    QString name;
};

// The skins the file holds and their stamps, as raw bytes the way the listing spells
// them: an update that finds nothing changed decodes no name. The worker keeps it from
// one update to the next while it alone writes the file.
class KnownStamps
{
public:
    struct Row
    {
        qint64 id = 0;
        qint64 stamp = 0;
        quint32 nameAt = 0; // in m_bytes, the key file's bytes right after
        quint32 nameLength = 0;
        quint32 keyLength = 0;
        quint16 folder = 0;
        bool seen = false;
        bool dropped = false; // its row is gone from the file
    };

    bool load(sqlite3* db)
    {
        *this = KnownStamps();
        Statement select(db, "SELECT id, folder, name, stamp, keyfile FROM skins");
        if (!select)
            return false;
        while (select.next())
            append(select.bytes(1), select.bytes(2), select.integer(0), select.integer(3), select.bytes(4));
        rehash();
        return !select.failed();
    }

    // The folder as the file spells it, or -1 when no row is of it.
    int folderOf(QByteArrayView folder) const
    {
        for (int i = 0; i < int(m_folders.size()); ++i) {
            if (m_folders[i] == folder)
                return i;
        }
        return -1;
    }

    Row* find(int folder, QByteArrayView name)
    {
        if (folder < 0 || m_slots.empty())
            return nullptr;
        for (size_t at = slotOf(quint16(folder), name); m_slots[at] >= 0; at = (at + 1) & (m_slots.size() - 1)) {
            Row& row = m_rows[size_t(m_slots[at])];
            if (!row.dropped && row.folder == folder && nameOf(row) == name)
                return &row;
        }
        return nullptr;
    }

    // The row as the file now holds it, after an update wrote it.
    void set(QByteArrayView folder, QByteArrayView name, qint64 id, qint64 stamp, QByteArrayView keyFile)
    {
        Row* row = find(folderOf(folder), name);
        if (row && keyFileOf(*row) == keyFile) {
            row->id = id;
            row->stamp = stamp;
            return;
        }
        if (row)
            row->dropped = true;
        append(folder, name, id, stamp, keyFile);
        if (m_rows.size() * 2 > m_slots.size())
            rehash();
        else
            place(m_rows.size() - 1);
    }

    QByteArrayView keyFileOf(const Row& row) const
    {
        return QByteArrayView(m_bytes).sliced(qsizetype(row.nameAt + row.nameLength), qsizetype(row.keyLength));
    }
    std::vector<Row>& rows() { return m_rows; }

private:
    void append(QByteArrayView folder, QByteArrayView name, qint64 id, qint64 stamp, QByteArrayView keyFile)
    {
        int at = m_lastFolder >= 0 && m_folders[size_t(m_lastFolder)] == folder ? m_lastFolder : folderOf(folder);
        if (at < 0) {
            m_folders.push_back(folder.toByteArray());
            at = int(m_folders.size()) - 1;
        }
        m_lastFolder = at;
        m_rows.push_back({ id, stamp, quint32(m_bytes.size()), quint32(name.size()), quint32(keyFile.size()), quint16(at) });
        m_bytes.append(name).append(keyFile);
    }
    // Leaves out the dropped rows, with their bytes.
    void rehash()
    {
        QByteArray bytes;
        bytes.reserve(m_bytes.size());
        size_t kept = 0;
        for (Row row : m_rows) {
            if (row.dropped)
                continue;
            const quint32 at = quint32(bytes.size());
            bytes.append(QByteArrayView(m_bytes).sliced(qsizetype(row.nameAt), qsizetype(row.nameLength + row.keyLength)));
            row.nameAt = at;
            m_rows[kept++] = row;
        }
        m_rows.resize(kept);
        m_bytes = bytes;
        m_slots.assign(std::bit_ceil(m_rows.size() * 2 + 16), -1);
        for (size_t i = 0; i < m_rows.size(); ++i)
            place(i);
    }
    void place(size_t row)
    {
        size_t at = slotOf(m_rows[row].folder, nameOf(m_rows[row]));
        while (m_slots[at] >= 0)
            at = (at + 1) & (m_slots.size() - 1);
        m_slots[at] = qint32(row);
    }
    QByteArrayView nameOf(const Row& row) const
    {
        return QByteArrayView(m_bytes).sliced(qsizetype(row.nameAt), qsizetype(row.nameLength));
    }
    size_t slotOf(quint16 folder, QByteArrayView name) const { return qHash(name, folder) & (m_slots.size() - 1); }

    std::vector<QByteArray> m_folders; // UTF-8, as the file holds them
    int m_lastFolder = -1;
    std::vector<Row> m_rows;
    QByteArray m_bytes;
    std::vector<qint32> m_slots; // open addressing: a row's index, or -1
};

// The columns a snapshot's record is read from, from first on.
constexpr const char* recordColumns = "id, folder, name, archive, size, modified, skindate, contents, contenthash, "
                                      "lookhash, colours, thumbnail, readme";

void readRecord(const Statement& select, SkinRecord& r, QByteArray& thumbnail)
{
    r.id = select.integer(0);
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
    thumbnail = select.blob(11).toByteArray();
    r.readme = select.text(12);
}

// The folders in the order given, each's skins as the list sorts them.
struct SnapshotOrder
{
    const QStringList& folders;

    qsizetype rank(const QString& folder) const
    {
        const qsizetype at = folders.indexOf(folder);
        return at < 0 ? folders.size() : at;
    }
    static bool before(qsizetype rankA, const QString& a, qsizetype rankB, const QString& b)
    {
        if (rankA != rankB)
            return rankA < rankB;
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    }
    bool operator()(const SkinRecord& a, const SkinRecord& b) const
    {
        return before(rank(a.folder), a.name, rank(b.folder), b.name);
    }
};

// A thumbnail of another size (none) is left black.
void copyThumbnail(const QByteArray& thumb, QByteArray& thumbnails, size_t row)
{
    char* to = thumbnails.data() + qsizetype(row) * SkinRecord::thumbBytes;
    if (thumb.size() == SkinRecord::thumbBytes)
        std::copy(thumb.begin(), thumb.end(), to);
    else
        std::fill(to, to + SkinRecord::thumbBytes, '\0');
}

// One shared string for texts many records hold alike (a folder, "readme.txt").
void share(QHash<QString, QString>& texts, QString& text)
{
    const auto it = texts.constFind(text);
    if (it != texts.cend())
        text = *it;
    else
        texts.insert(text, text);
}

std::shared_ptr<const IndexSnapshot> loadSnapshot(sqlite3* db, const IndexFile::Connection& reader, const QStringList& folders)
{
    // Counted first, so that nothing grows by doubling on the way: the peak is the snapshot.
    qint64 expected = 0;
    {
        Statement count(db, "SELECT count(*) FROM skins WHERE listed = 1");
        if (count && count.next())
            expected = std::max<qint64>(0, count.integer(0));
    }
    Statement select(db, QByteArray("SELECT ").append(recordColumns).append(" FROM skins WHERE listed = 1").constData());
    std::vector<SkinRecord> records;
    records.reserve(size_t(expected));
    QByteArray thumbnails;
    thumbnails.reserve(qsizetype(expected) * SkinRecord::thumbBytes);
    std::vector<qsizetype> rank;
    rank.reserve(size_t(expected));
    const SnapshotOrder order { folders };
    QHash<QString, QString> folderTexts, readmeTexts;
    QByteArray thumb;
    while (select && select.next()) {
        SkinRecord r;
        r.folder = select.text(1);
        if (!folders.contains(r.folder))
            continue;
        share(folderTexts, r.folder);
        readRecord(select, r, thumb);
        share(readmeTexts, r.readme);
        thumbnails.resize(thumbnails.size() + SkinRecord::thumbBytes);
        copyThumbnail(thumb, thumbnails, records.size());
        rank.push_back(order.rank(r.folder));
        records.push_back(std::move(r));
    }
    if (select.failed())
        return nullptr;
    std::vector<int> sortedRows(records.size());
    for (size_t i = 0; i < sortedRows.size(); ++i)
        sortedRows[i] = int(i);
    std::sort(sortedRows.begin(), sortedRows.end(), [&](int a, int b) {
        return SnapshotOrder::before(rank[size_t(a)], records[size_t(a)].name, rank[size_t(b)], records[size_t(b)].name);
    });
    // Put in order where they are, a cycle at a time: no second copy of every record and
    // thumbnail.
    std::vector<bool> placed(records.size(), false);
    char* thumbAt = thumbnails.data();
    std::array<char, SkinRecord::thumbBytes> held;
    for (size_t start = 0; start < records.size(); ++start) {
        if (placed[start] || size_t(sortedRows[start]) == start)
            continue;
        SkinRecord record = std::move(records[start]);
        std::copy_n(thumbAt + start * SkinRecord::thumbBytes, SkinRecord::thumbBytes, held.data());
        size_t to = start;
        for (size_t from = size_t(sortedRows[to]); from != start; to = from, from = size_t(sortedRows[to])) {
            records[to] = std::move(records[from]);
            std::copy_n(thumbAt + from * SkinRecord::thumbBytes, SkinRecord::thumbBytes, thumbAt + to * SkinRecord::thumbBytes);
            placed[to] = true;
        }
        records[to] = std::move(record);
        std::copy_n(held.data(), SkinRecord::thumbBytes, thumbAt + to * SkinRecord::thumbBytes);
        placed[to] = true;
    }
    return std::make_shared<const IndexSnapshot>(std::move(records), std::move(thumbnails), reader);
}

// Whether written rows are few enough among rows to be looked up one by one: past that,
// reading them all again costs less.
bool fewChanges(size_t written, size_t rows)
{
    return written <= rows / 8 + 256;
}

// What changed in the file since previous was loaded: the rows of gone deleted, those of
// written read again.
struct Changes
{
    std::vector<qint64> gone;
    const std::vector<Todo>* written = nullptr;
};

// The snapshot a full load would give, from previous (loaded for the same folders) and
// the rows that changed since: the unchanged records, thumbnails and colours are reused.
std::shared_ptr<const IndexSnapshot> changedSnapshot(sqlite3* db, const IndexSnapshot& previous,
    const IndexFile::Connection& reader, const QStringList& folders, const Changes& changes)
{
    std::vector<bool> dropped(size_t(previous.size()), false);
    for (const qint64 id : changes.gone) {
        const int row = previous.rowOfId(id);
        if (row >= 0)
            dropped[size_t(row)] = true;
    }
    Statement select(db,
        QByteArray("SELECT ").append(recordColumns).append(" FROM skins WHERE folder = ? AND name = ? AND listed = 1").constData());
    if (!select)
        return nullptr;
    std::vector<SkinRecord> added;
    std::vector<QByteArray> thumbs;
    for (const Todo& todo : *changes.written) {
        const int row = previous.rowOf(todo.folder, todo.name);
        if (row >= 0)
            dropped[size_t(row)] = true;
        select.bind(1, todo.folder);
        select.bind(2, todo.name);
        if (select.next()) {
            SkinRecord r;
            r.folder = todo.folder;
            thumbs.emplace_back();
            readRecord(select, r, thumbs.back());
            added.push_back(std::move(r));
        }
        sqlite3_reset(select.get());
    }
    if (select.failed())
        return nullptr;
    const SnapshotOrder order { folders };
    std::vector<int> addedOrder(added.size());
    for (size_t i = 0; i < addedOrder.size(); ++i)
        addedOrder[i] = int(i);
    std::sort(addedOrder.begin(), addedOrder.end(), [&](int a, int b) { return order(added[size_t(a)], added[size_t(b)]); });

    // The previous rows kept, each added record put in where the order puts it.
    const size_t kept = size_t(std::count(dropped.begin(), dropped.end(), false));
    const size_t total = kept + added.size();
    std::vector<SkinRecord> records;
    records.reserve(total);
    // Every byte is written below.
    QByteArray thumbnails(qsizetype(total) * SkinRecord::thumbBytes, Qt::Uninitialized);
    std::vector<float> lab;
    lab.reserve(total * SkinRecord::colourCount * 3);
    constexpr size_t labPerRow = SkinRecord::colourCount * 3;
    const std::vector<SkinRecord>& old = previous.records();
    // The rows kept are copied a run at a time: most of them in a few long runs.
    int from = 0;
    auto keep = [&](int end) {
        while (from < end) {
            for (; from < end && dropped[size_t(from)]; ++from) { }
            int run = from;
            for (; run < end && !dropped[size_t(run)]; ++run) { }
            if (run == from)
                continue;
            const QByteArrayView thumbs = QByteArrayView(previous.thumbnail(from).data(), qsizetype(run - from) * SkinRecord::thumbBytes);
            std::copy(thumbs.begin(), thumbs.end(), thumbnails.data() + qsizetype(records.size()) * SkinRecord::thumbBytes);
            lab.insert(lab.end(), previous.colourLab(from), previous.colourLab(from) + size_t(run - from) * labPerRow);
            records.insert(records.end(), old.begin() + from, old.begin() + run);
            from = run;
        }
    };
    for (const int i : addedOrder) {
        SkinRecord& r = added[size_t(i)];
        const auto at = std::lower_bound(old.begin(), old.end(), r, order);
        keep(int(at - old.begin()));
        copyThumbnail(thumbs[size_t(i)], thumbnails, records.size());
        IndexSnapshot::colourLabOf(r, lab);
        records.push_back(std::move(r));
    }
    keep(int(old.size()));
    return std::make_shared<const IndexSnapshot>(std::move(records), std::move(thumbnails), reader, std::move(lab));
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

    // changes, when the snapshot in hand was loaded for these folders and the file has
    // changed only by them since, lets the new one be built from it.
    void publish(sqlite3* db, const QStringList& folders, const Changes* changes = nullptr)
    {
        if (!m_reader)
            m_reader = IndexFile::openForReading(m_file);
        if (!db)
            db = m_reader.get();
        if (!db)
            return;
        std::shared_ptr<const IndexSnapshot> snapshot;
        if (changes && m_snapshot && fewChanges(changes->written->size(), size_t(m_snapshot->size())))
            snapshot = changedSnapshot(db, *m_snapshot, m_reader, folders, *changes);
        if (!snapshot)
            snapshot = loadSnapshot(db, m_reader, folders);
        // A stop interrupts the reading: what came may be a part.
        if (!snapshot || m_stop)
            return;
        {
            std::lock_guard lock(m_snapshotMutex);
            m_snapshot = std::move(snapshot);
            m_snapshotFolders = folders;
        }
        m_snapshotCurrent = true;
#ifdef __GLIBC__
        // The reading's passing blocks would otherwise stay with the window for good.
        malloc_trim(0);
#endif
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
    bool knowWritten(sqlite3* db, const std::vector<Todo>& written);

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
    KnownStamps m_known; // the file's stamps, while m_knownCurrent
    bool m_knownCurrent = false;
};

void IndexWorker::update(sqlite3* db, const QStringList& folders)
{
    // An update stopped in the middle of a commit may have left its transaction open.
    if (!sqlite3_get_autocommit(db))
        IndexFile::exec(db, "ROLLBACK");
    if (!m_knownCurrent && !m_known.load(db))
        return;
    m_knownCurrent = true;
    KnownStamps& known = m_known;
    for (KnownStamps::Row& row : known.rows())
        row.seen = false;
    if (m_stop)
        return;

    // What changed, from one stat or two per entry: the listing's own rule is applied only
    // to what is read again.
    std::vector<Todo> todo;
    int unchanged = 0;
    QStringList listed;
    for (const QString& folder : folders) {
        DIR* dir = opendir(QFile::encodeName(folder).constData());
        const int inFolder = known.folderOf(folder.toUtf8());
        // A folder that cannot be read now (a disk not mounted) keeps its rows for when it
        // comes back, out of the snapshot meanwhile.
        if (!dir) {
            for (KnownStamps::Row& row : known.rows())
                row.seen = row.seen || row.folder == inFolder;
            continue;
        }
        listed << folder;
        int seen = 0;
        while (const dirent* entry = readdir(dir)) {
            if ((++seen & 1023) == 0 && m_stop)
                break;
            if (entry->d_name[0] == '.')
                continue;
            // The file spells a name as the listing does: a name found there is one that
            // survives the trip through QString.
            const QByteArrayView raw(entry->d_name);
            if (KnownStamps::Row* row = known.find(inFolder, raw)) {
                row->seen = true;
                if (SkinReader::stamp(dirfd(dir), raw, known.keyFileOf(*row)) == row->stamp) {
                    ++unchanged;
                    continue;
                }
            }
            const QByteArray bytes = raw.toByteArray();
            const QString name = QFile::decodeName(bytes);
            if (QFile::encodeName(name) == bytes)
                todo.push_back({ folder, name });
        }
        closedir(dir);
        if (m_stop)
            return;
    }
    const int total = unchanged + int(todo.size());
    progress(unchanged, total);

    Changes changes;
    changes.written = &todo;
    for (KnownStamps::Row& row : known.rows()) {
        if (!row.seen && !row.dropped)
            changes.gone.push_back(row.id);
    }
    // Nothing to write: the snapshot in hand is the index.
    const bool current = m_snapshot && m_snapshotCurrent && m_snapshotFolders == listed;
    if (todo.empty() && changes.gone.empty() && current) {
        progress(total, total);
        return;
    }

    // From here on the file may hold more than the snapshot and the stamps in hand, until
    // the update is over.
    m_snapshotCurrent = false;
    m_knownCurrent = false;
    bool ok = IndexFile::exec(db, "BEGIN");
    {
        Statement dropSkin(db, "DELETE FROM skins WHERE id = ?");
        Statement dropReadme(db, "DELETE FROM readmes WHERE rowid = ?");
        for (auto id = changes.gone.cbegin(); ok && id != changes.gone.cend(); ++id) {
            dropSkin.bind(1, *id);
            dropReadme.bind(1, *id);
            ok = dropSkin.run() && dropReadme.run();
        }
    }
    ok = ok && IndexFile::exec(db, "COMMIT");
    if (!ok) {
        IndexFile::exec(db, "ROLLBACK");
        return;
    }
    for (KnownStamps::Row& row : known.rows())
        row.dropped = row.dropped || !row.seen;

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
    QElapsedTimer sinceProgress, sinceCommit;
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
        if (inTransaction == 0) {
            ok = IndexFile::exec(db, "BEGIN");
            sinceCommit.start();
        }
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
        ++inTransaction;
        if (ok && sinceCommit.elapsed() >= commitEveryMs) {
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
    m_knownCurrent = knowWritten(db, todo);
    publish(db, listed, current ? &changes : nullptr);
}

// Brings the stamps in hand up to date with the rows written, read back as the file holds
// them; false when that would cost more than loading them all again next time.
bool IndexWorker::knowWritten(sqlite3* db, const std::vector<Todo>& written)
{
    if (!fewChanges(written.size(), m_known.rows().size()))
        return false;
    Statement select(db, "SELECT id, stamp, keyfile, name FROM skins WHERE folder = ? AND name = ?");
    if (!select)
        return false;
    for (const Todo& todo : written) {
        select.bind(1, todo.folder);
        select.bind(2, todo.name);
        if (!select.next())
            return false;
        m_known.set(todo.folder.toUtf8(), select.bytes(3), select.integer(0), select.integer(1), select.bytes(2));
        sqlite3_reset(select.get());
    }
    return true;
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
