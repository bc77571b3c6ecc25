// SPDX-License-Identifier: GPL-3.0-or-later
#include "index/indexfile.h"

#include "index/wordsplitter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace IndexFile {

namespace {

constexpr const char* schema = R"(
CREATE TABLE skins(
    id INTEGER PRIMARY KEY,
    folder TEXT NOT NULL,
    name TEXT NOT NULL,
    listed INTEGER NOT NULL,
    stamp INTEGER NOT NULL,
    keyfile TEXT NOT NULL DEFAULT '',
    archive INTEGER NOT NULL DEFAULT 0,
    size INTEGER NOT NULL DEFAULT 0,
    modified INTEGER NOT NULL DEFAULT 0,
    skindate INTEGER NOT NULL DEFAULT 0,
    contents INTEGER NOT NULL DEFAULT 0,
    contenthash BLOB,
    lookhash INTEGER NOT NULL DEFAULT 0,
    colours BLOB,
    thumbnail BLOB,
    readme TEXT NOT NULL DEFAULT '',
    UNIQUE(folder, name));
CREATE VIRTUAL TABLE readmes USING fts5(text, tokenize = 'hadrel');
)";

Connection wrap(sqlite3* db)
{
    return Connection(db, [](sqlite3* d) { sqlite3_close_v2(d); });
}

Connection open(const QString& path, int flags)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    Connection connection = wrap(db);
    if (rc != SQLITE_OK || !WordSplitter::install(db))
        return nullptr;
    // A writer in the middle of a transaction is waited on briefly, never forever.
    sqlite3_busy_timeout(db, 2000);
    return connection;
}

int intOf(sqlite3* db, const char* sql, int fallback)
{
    sqlite3_stmt* statement = nullptr;
    int value = fallback;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
        value = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    return value;
}

// Sound and of this version: 1; empty (a new file): 0; anything else: -1.
int check(sqlite3* db)
{
    const int tables = intOf(db, "SELECT count(*) FROM sqlite_master", -1);
    if (tables == 0)
        return 0;
    if (tables < 0 || intOf(db, "PRAGMA user_version", -1) != schemaVersion)
        return -1;
    sqlite3_stmt* statement = nullptr;
    bool ok = false;
    if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        ok = text && qstrcmp(text, "ok") == 0;
    }
    sqlite3_finalize(statement);
    return ok ? 1 : -1;
}

void removeWithJournal(const QString& path)
{
    QFile::remove(path + QLatin1String("-wal"));
    QFile::remove(path + QLatin1String("-shm"));
}

QString setAsideFile(const QString& path)
{
    QString target = path + QLatin1String(".damaged");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QLatin1String(".damaged-") + QString::number(n);
    if (!QFile::rename(path, target))
        QFile::remove(path);
    // A journal belongs to the file it was written for; left here it would be replayed
    // into the new one.
    for (const char* suffix : { "-wal", "-shm" })
        QFile::rename(path + QLatin1String(suffix), target + QLatin1String(suffix));
    removeWithJournal(path);
    return target;
}

} // namespace

bool exec(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

WriterLock::WriterLock(const QString& indexFile)
{
    QDir().mkpath(QFileInfo(indexFile).absolutePath());
    m_fd = ::open(QFile::encodeName(indexFile + QLatin1String(".lock")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd >= 0 && flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

WriterLock::~WriterLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Connection openForWriting(const QString& path, QString* setAside, const std::atomic<bool>* stop)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    for (int attempt = 0; attempt < 2; ++attempt) {
        Connection db = open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
        // The check of a large file takes a while: quitting must not wait for it.
        if (db && stop) {
            sqlite3_progress_handler(
                db.get(), 1000, [](void* flag) { return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0; },
                const_cast<std::atomic<bool>*>(stop));
        }
        const int state = db ? check(db.get()) : -1;
        if (stop && *stop)
            return nullptr;
        if (db)
            sqlite3_progress_handler(db.get(), 0, nullptr, nullptr);
        if (state == 1 && exec(db.get(), "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL"))
            return db;
        if (state == 0 && exec(db.get(), "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL")) {
            const QByteArray make = QByteArray("BEGIN;") + schema + "PRAGMA user_version = "
                + QByteArray::number(schemaVersion) + ";COMMIT;";
            if (exec(db.get(), make.constData()))
                return db;
        }
        db.reset();
        const QString target = setAsideFile(path);
        if (setAside)
            *setAside = target;
    }
    return nullptr;
}

Connection openForReading(const QString& path)
{
    if (!QFileInfo::exists(path))
        return nullptr;
    // Shared by the window's queries and the worker that loads snapshots: serialised.
    Connection db = open(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX);
    if (!db || intOf(db.get(), "PRAGMA user_version", -1) != schemaVersion)
        return nullptr;
    return db;
}

} // namespace IndexFile
