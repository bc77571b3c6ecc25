// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

class FolderWatch;
class QListWidget;

// Skin_Lst following what other programs do to the current folder: one watch of the
// folder, its changes applied to the list in batches as insertions and removals, the
// selected skin kept selected, or the one that took its place when it went. The commands'
// own rescans need nothing from it: a change already listed is no edit.
class ListFollower : public QObject
{
    Q_OBJECT
public:
    ListFollower(QListWidget* list, QObject* parent);

    // A scan is about to list folder: its changes count from now on.
    void watch(const QString& folder);
    // What the scan put into the list.
    void listed(const QStringList& names) { m_names = names; }
    // While this holds (a name is being edited), changes wait.
    std::function<bool()> held;

signals:
    // The list was edited and its selection set, without the list's own signals; names is
    // what it holds now.
    void followed(const QStringList& names);

private:
    void apply();

    QListWidget* m_list;
    FolderWatch* m_watch;
    QString m_folder;
    QStringList m_names;
    QStringList m_waiting; // changed names not yet applied
    bool m_relist = false; // changes were lost: the folder is listed again
    QTimer m_retry;
};
