// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

class QSocketNotifier;

// Watches one folder for entries that appear, go, are renamed, are written or change
// their permissions, and reports their names in batches gathered over a short time: one
// kernel watch, whatever the folder holds. A folder that appears in it is watched too
// until it goes, since a copy makes it empty and fills it afterwards. Names that do not
// survive the trip through QString are not reported, as the listing skips them.
class FolderWatch : public QObject
{
    Q_OBJECT
public:
    explicit FolderWatch(QObject* parent = nullptr);
    ~FolderWatch() override;

    // Watches folder from now on, and nothing else; an empty folder text watches none.
    // What was gathered so far is dropped.
    void watch(const QString& folder);

signals:
    // Entries of the folder by name, each once.
    void changed(const QStringList& names);
    // Changes were lost, or the folder itself went: only a new listing tells what it holds.
    void lost();

private:
    void readEvents();
    void gather(const QByteArray& rawName);
    void dropEntryWatch(const QString& name);
    void deliver();

    int m_fd = -1;
    int m_folderWatch = -1;
    QByteArray m_folder; // encoded, ends with '/'
    QHash<int, QString> m_entryWatches; // folders that appeared, by their kernel watch
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_timer;
    QSet<QString> m_names;
    bool m_lost = false;
};
