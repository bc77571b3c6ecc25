// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/collectionsearch.h"

#include "skins/skinsearch.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace CollectionSearch {

Prepared::Prepared(std::shared_ptr<const IndexSnapshot> snapshot)
    : m_snapshot(std::move(snapshot))
{
    const int count = m_snapshot->size();
    m_folded.reserve(count);
    m_folderOf.reserve(size_t(count));
    QHash<QString, int> folders;
    for (const SkinRecord& record : m_snapshot->records()) {
        m_folded.append(SkinSearch::fold(record.name));
        const auto known = folders.constFind(record.folder);
        if (known != folders.cend()) {
            m_folderOf.push_back(known.value());
            continue;
        }
        m_folderOf.push_back(int(m_folders.size()));
        folders.insert(record.folder, int(m_folders.size()));
        m_folders.append(record.folder);
    }
    m_byName = SkinSearch::allRows(count);
    // As the skin list sorts: case-blind by name, then by folder.
    std::stable_sort(m_byName.begin(), m_byName.end(), [this](int a, int b) {
        const int byName = m_folded[a].compare(m_folded[b]);
        return byName != 0 ? byName < 0 : m_snapshot->at(a).folder < m_snapshot->at(b).folder;
    });
}

const QList<int>& Prepared::rows(Order order) const
{
    switch (order) {
    case Order::newest:
        if (m_newest.size() != m_byName.size()) {
            m_newest = m_byName;
            std::stable_sort(m_newest.begin(), m_newest.end(),
                [this](int a, int b) { return m_snapshot->at(a).modified > m_snapshot->at(b).modified; });
        }
        return m_newest;
    case Order::year:
        if (m_byYear.size() != m_byName.size()) {
            m_byYear = m_byName;
            IndexQueries::orderByYear(*m_snapshot, m_byYear, Qt::AscendingOrder);
        }
        return m_byYear;
    case Order::name:
    case Order::nearest:
        break;
    }
    return m_byName;
}

QList<Hit> find(const Prepared& prepared, const Query& query, const QList<int>* candidates)
{
    if (prepared.isEmpty())
        return {};
    const IndexSnapshot& snapshot = prepared.snapshot();
    const QStringList words = SkinSearch::wordsOf(query.typed);
    std::vector<bool> readme;
    if (!words.isEmpty()) {
        readme.assign(size_t(snapshot.size()), false);
        for (const int row : IndexQueries::readmeMatches(snapshot, query.typed))
            readme[size_t(row)] = true;
    }
    std::vector<bool> searched(size_t(prepared.folders().size()), false);
    for (const QString& folder : query.folders) {
        const qsizetype at = prepared.folders().indexOf(folder);
        if (at >= 0)
            searched[size_t(at)] = true;
    }
    // Few skins hold any given flag: the cheap tests first; the records, which are large,
    // only when a filter needs them.
    const bool filtering = query.filter.required || query.filter.excluded || query.filter.yearFrom
        || query.filter.yearTo;

    QList<Hit> hits;
    for (const int row : candidates ? *candidates : prepared.rows(query.order)) {
        if (!searched[size_t(prepared.folderOf(row))] || (filtering && !IndexQueries::passes(snapshot.at(row), query.filter)))
            continue;
        const bool inReadme = !readme.empty() && readme[size_t(row)];
        if (inReadme || words.isEmpty() || SkinSearch::matches(prepared.folded().at(row), words))
            hits.append({ row, inReadme });
    }
    return hits;
}

QList<int> rowsOf(const QList<IndexQueries::Nearest>& nearest)
{
    QList<int> rows;
    rows.reserve(nearest.size());
    for (const IndexQueries::Nearest& near : nearest)
        rows.append(near.row);
    return rows;
}

} // namespace CollectionSearch
