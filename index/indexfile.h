// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <atomic>
#include <memory>

struct sqlite3;

// The index's SQLite file: opened, checked, made, set aside when damaged, and the lock
// that lets one copy of Hadrel write it.
namespace IndexFile {

// Raised whenever the tables change their meaning: an older file is set aside.
constexpr int schemaVersion = 3;

using Connection = std::shared_ptr<sqlite3>;

// Holds the writer's lock (a lock file beside the index, flock) for its lifetime.
class WriterLock
{
public:
    explicit WriterLock(const QString& indexFile);
    ~WriterLock();
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// The file for writing (WAL journal), made when missing. A file that does not open as
// SQLite, fails its quick check or is of another schema version is renamed with the
// suffix ".damaged" (setAside gets the new name) and made anew. Null when even a new
// file cannot be made. Call only holding the WriterLock. Once stop turns true the check
// of the file ends at once: nothing is set aside and null comes back.
Connection openForWriting(const QString& path, QString* setAside = nullptr, const std::atomic<bool>* stop = nullptr);

// The file for reading only, or null when it is missing, damaged or of another version.
Connection openForReading(const QString& path);

// Runs SQL that returns no rows; false on any error.
bool exec(sqlite3* db, const char* sql);

} // namespace IndexFile
