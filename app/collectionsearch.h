// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "index/indexqueries.h"
#include "index/skinrecord.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// The search window's questions to the index: words in names and readmes, the content
// and year filters and the orders, over the folders asked for.
namespace CollectionSearch {

enum class Order { name, newest, year, nearest };

struct Query
{
    QString typed; // as typed: words of names (folded as the name search folds) and of readmes
    QStringList folders; // searched, each ending with a separator
    IndexQueries::Filter filter;
    Order order = Order::name;
};

struct Hit
{
    int row = -1; // into the snapshot
    bool inReadme = false; // its readme holds the words
};

// One snapshot made ready for many queries: its names folded, its rows by name, and the
// other orders the first time they are asked for.
class Prepared
{
public:
    Prepared() = default;
    explicit Prepared(std::shared_ptr<const IndexSnapshot> snapshot);

    const IndexSnapshot& snapshot() const { return *m_snapshot; }
    const std::shared_ptr<const IndexSnapshot>& shared() const { return m_snapshot; }
    bool isEmpty() const { return !m_snapshot || m_snapshot->size() == 0; }
    const QStringList& folded() const { return m_folded; }
    // The distinct folders of the snapshot, and the one of each row as an index into them.
    const QStringList& folders() const { return m_folders; }
    int folderOf(int row) const { return m_folderOf[size_t(row)]; }
    // Every row, in the order asked for; nearest has no order of its own and gives by name.
    const QList<int>& rows(Order order) const;

private:
    std::shared_ptr<const IndexSnapshot> m_snapshot = std::make_shared<const IndexSnapshot>();
    QStringList m_folded;
    QStringList m_folders;
    std::vector<int> m_folderOf;
    QList<int> m_byName;
    mutable QList<int> m_newest;
    mutable QList<int> m_byYear;
};

// The skins of query.folders that pass the filter and whose name or readme holds every
// word, in candidates' order (every row in query.order when candidates is empty).
QList<Hit> find(const Prepared& prepared, const Query& query, const QList<int>* candidates = nullptr);

// The rows of nearest, in their order.
QList<int> rowsOf(const QList<IndexQueries::Nearest>& nearest);

} // namespace CollectionSearch
