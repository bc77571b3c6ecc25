// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/programmarks.h"

#include "index/skinindex.h"

#include <QApplication>
#include <QListWidget>
#include <QStyle>

ProgramMarks::ProgramMarks(QListWidget* list, SkinIndex* index, std::function<QString()> folder)
    : QObject(list)
    , m_list(list)
    , m_index(index)
    , m_folder(std::move(folder))
{
    connect(m_index, &SkinIndex::snapshotChanged, this, &ProgramMarks::mark);
}

void ProgramMarks::mark()
{
    const QString folder = m_folder();
    const auto snapshot = m_index->snapshot();
    const QIcon icon = m_list->style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (const SkinRecord& record : snapshot->records()) {
        if (!(record.contents & SkinContent::programs) || record.folder != folder)
            continue;
        // Few skins carry programs: a search of the list for each costs less than a map of it.
        const QList<QListWidgetItem*> items = m_list->findItems(record.name, Qt::MatchExactly | Qt::MatchCaseSensitive);
        for (QListWidgetItem* item : items) {
            item->setIcon(icon);
            item->setForeground(QColor(0xa0, 0x10, 0x10));
            item->setToolTip(warning());
        }
    }
}

bool ProgramMarks::holdsPrograms(const QString& folder, const QString& name) const
{
    const auto snapshot = m_index->snapshot();
    const int row = snapshot->rowOf(folder, name);
    return row >= 0 && (snapshot->at(row).contents & SkinContent::programs);
}
