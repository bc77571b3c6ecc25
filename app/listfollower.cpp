// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/listfollower.h"

#include "platform/folderwatch.h"
#include "skins/listedits.h"
#include "skins/skinscan.h"

#include <QListWidget>

namespace {

// More edits than this cost the list more than filling it afresh.
constexpr qsizetype maxEdits = 2000;

} // namespace

ListFollower::ListFollower(QListWidget* list, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_watch(new FolderWatch(this))
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(200);
    connect(&m_retry, &QTimer::timeout, this, &ListFollower::apply);
    connect(m_watch, &FolderWatch::changed, this, [this](const QStringList& names) {
        m_waiting += names;
        apply();
    });
    connect(m_watch, &FolderWatch::lost, this, [this] {
        m_relist = true;
        apply();
    });
}

void ListFollower::watch(const QString& folder)
{
    m_folder = folder;
    m_waiting.clear();
    m_relist = false;
    m_retry.stop();
    m_watch->watch(folder);
}

void ListFollower::apply()
{
    if (held && held()) {
        m_retry.start();
        return;
    }
    const QList<ListEdits::Edit> edits = m_relist
        ? ListEdits::applyListing(m_names, SkinScan::listSkins(m_folder))
        : ListEdits::applyChanged(m_folder, m_names, m_waiting);
    m_waiting.clear();
    m_relist = false;
    if (edits.isEmpty())
        return;

    const QListWidgetItem* current = m_list->currentItem();
    const QString selected = current ? current->text() : QString();
    {
        // Edits are no selection change; the window runs its handling once, afterwards.
        const QSignalBlocker blocker(m_list);
        if (edits.size() > maxEdits) {
            m_list->clear();
            m_list->addItems(m_names);
        } else {
            for (const ListEdits::Edit& edit : std::as_const(edits)) {
                if (edit.insert)
                    m_list->insertItem(edit.row, edit.name);
                else
                    delete m_list->takeItem(edit.row);
            }
        }
        // A list that was empty selects its first skin, as a scan does.
        m_list->setCurrentRow(selected.isEmpty() ? (m_names.isEmpty() ? -1 : 0) : ListEdits::rowOf(m_names, selected));
    }
    emit followed(m_names);
}
