// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "index/skinrecord.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class IndexWorker;

// The index of the registered skin folders: a SQLite file in the user's cache, brought up
// to date on worker threads, read by the queries through snapshots. It is a cache: a file
// that is missing is built again, one found damaged is set aside and built again. While
// another copy of Hadrel writes the file, this one only reads it.
class SkinIndex : public QObject
{
    Q_OBJECT

public:
    // $XDG_CACHE_HOME/hadrel/index.sqlite, ~/.cache when the variable is unset.
    static QString defaultFile();

    explicit SkinIndex(QObject* parent = nullptr);
    explicit SkinIndex(const QString& file, QObject* parent = nullptr);
    ~SkinIndex() override; // stops at once

    // Brings the index up to date with folders (each ending with a separator; empty ones
    // ignored), on worker threads. Skins whose size and modification time are unchanged
    // are not read again; skins of folders no longer given are dropped. A call while an
    // update runs stops it and starts again.
    void update(const QStringList& folders);
    // Stops the update at once, waiting only for the skin being read.
    void stop();

    bool isBusy() const;
    // Another copy of Hadrel writes the file: this one reads what it finds and never writes.
    bool isReadOnly() const;
    QString file() const { return m_file; }

    // The latest index read; an empty snapshot before the first. Any thread.
    std::shared_ptr<const IndexSnapshot> snapshot() const;

signals:
    // The update has read done skins of total (skins unchanged count as read at once).
    void progress(int done, int total);
    // A new snapshot is there: after the index file was first opened, and after each update.
    void snapshotChanged();
    // The update is over, done or stopped.
    void finished();

private:
    QString m_file;
    std::unique_ptr<IndexWorker> m_worker;
};
