// SPDX-License-Identifier: GPL-3.0-or-later
#include "index/indexqueries.h"

#include "index/lookfeatures.h"
#include "index/wordsplitter.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <unordered_map>

namespace IndexQueries {

namespace {

QList<QList<int>> sortedGroups(QList<QList<int>> groups)
{
    for (QList<int>& group : groups)
        std::sort(group.begin(), group.end());
    std::sort(groups.begin(), groups.end(), [](const QList<int>& a, const QList<int>& b) { return a.first() < b.first(); });
    return groups;
}

// Whether anything of the skin was read: a skin whose files all failed has nothing to compare.
bool hasContent(const SkinRecord& record)
{
    return (record.contents & (SkinContent::mainWindow | SkinContent::region)) != 0;
}

class Sets
{
public:
    explicit Sets(int count)
        : m_parent(size_t(count))
    {
        std::iota(m_parent.begin(), m_parent.end(), 0);
    }
    int find(int x)
    {
        while (m_parent[size_t(x)] != x)
            x = m_parent[size_t(x)] = m_parent[size_t(m_parent[size_t(x)])];
        return x;
    }
    void join(int a, int b)
    {
        a = find(a);
        b = find(b);
        if (a != b)
            m_parent[size_t(std::max(a, b))] = std::min(a, b);
    }

private:
    std::vector<int> m_parent;
};

} // namespace

QList<int> readmeMatches(const IndexSnapshot& snapshot, const QString& typed)
{
    QList<int> rows;
    const QByteArray expression = WordSplitter::matchExpression(typed).toUtf8();
    if (expression.isEmpty() || !snapshot.reader())
        return rows;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(snapshot.reader(), "SELECT rowid FROM readmes WHERE readmes MATCH ?", -1, &statement, nullptr)
        != SQLITE_OK)
        return rows;
    sqlite3_bind_text(statement, 1, expression.constData(), int(expression.size()), SQLITE_STATIC);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const int row = snapshot.rowOfId(sqlite3_column_int64(statement, 0));
        if (row >= 0)
            rows.append(row);
    }
    sqlite3_finalize(statement);
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool passes(const SkinRecord& record, const Filter& filter)
{
    if ((record.contents & filter.required) != filter.required || (record.contents & filter.excluded) != 0)
        return false;
    if (filter.yearFrom == 0 && filter.yearTo == 0)
        return true;
    const int year = record.year();
    return year != 0 && (filter.yearFrom == 0 || year >= filter.yearFrom) && (filter.yearTo == 0 || year <= filter.yearTo);
}

QList<int> filtered(const IndexSnapshot& snapshot, const Filter& filter, const QList<int>& candidates)
{
    QList<int> rows;
    for (const int row : candidates) {
        if (row >= 0 && row < snapshot.size() && passes(snapshot.at(row), filter))
            rows.append(row);
    }
    return rows;
}

QList<int> allRows(const IndexSnapshot& snapshot)
{
    QList<int> rows(snapshot.size());
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
}

void orderByYear(const IndexSnapshot& snapshot, QList<int>& rows, Qt::SortOrder order)
{
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
        const qint64 da = snapshot.at(a).skinDate, db = snapshot.at(b).skinDate;
        if ((da == 0) != (db == 0))
            return db == 0;
        return order == Qt::AscendingOrder ? da < db : da > db;
    });
}

QList<QList<int>> identicalGroups(const IndexSnapshot& snapshot)
{
    std::vector<int> rows;
    rows.reserve(size_t(snapshot.size()));
    for (int row = 0; row < snapshot.size(); ++row) {
        if (hasContent(snapshot.at(row)))
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end(), [&](int a, int b) {
        const int c = std::memcmp(snapshot.at(a).contentHash.data(), snapshot.at(b).contentHash.data(), 16);
        return c != 0 ? c < 0 : a < b;
    });
    QList<QList<int>> groups;
    for (size_t i = 0; i < rows.size();) {
        size_t end = i + 1;
        while (end < rows.size() && snapshot.at(rows[end]).contentHash == snapshot.at(rows[i]).contentHash)
            ++end;
        if (end - i > 1)
            groups.append(QList<int>(rows.begin() + qsizetype(i), rows.begin() + qsizetype(end)));
        i = end;
    }
    return sortedGroups(groups);
}

bool sameLook(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size() || a.isEmpty())
        return false;
    if (std::memcmp(a.data(), b.data(), size_t(a.size())) == 0)
        return true;
    // A slightly recoloured bitmap moves the mean a little; another skin, by tens.
    constexpr int maxMeanDifference = 10;
    int sum = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        sum += std::abs(int(uchar(a[i])) - int(uchar(b[i])));
    return sum < maxMeanDifference * a.size();
}

QList<QList<int>> lookAlikeGroups(const IndexSnapshot& snapshot, int maxDistance)
{
    // Skins of one hash are split by their pictures first, since a hash can be shared by
    // looks that differ; each part is then one candidate against the other hashes.
    struct Part
    {
        quint64 hash;
        int row; // the first, against which the others were confirmed
    };
    std::vector<int> rows;
    for (int row = 0; row < snapshot.size(); ++row) {
        if (hasContent(snapshot.at(row)))
            rows.push_back(row);
    }
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) { return snapshot.at(a).lookHash < snapshot.at(b).lookHash; });
    std::vector<Part> parts;
    std::vector<int> partOf(size_t(snapshot.size()), -1);
    for (size_t i = 0; i < rows.size();) {
        const quint64 hash = snapshot.at(rows[i]).lookHash;
        const size_t first = parts.size();
        size_t end = i;
        for (; end < rows.size() && snapshot.at(rows[end]).lookHash == hash; ++end) {
            const int row = rows[end];
            size_t p = first;
            while (p < parts.size() && !sameLook(snapshot.thumbnail(parts[p].row), snapshot.thumbnail(row)))
                ++p;
            if (p == parts.size())
                parts.push_back({ hash, row });
            partOf[size_t(row)] = int(p);
        }
        i = end;
    }

    // Hashes within 7 bits share a 16-bit quarter to within one bit: each quarter's value
    // and its sixteen neighbours are looked up.
    const int distance = std::clamp(maxDistance, 0, 7);
    std::array<std::unordered_multimap<quint16, int>, 4> quarters;
    for (auto& quarter : quarters)
        quarter.reserve(parts.size());
    for (int p = 0; p < int(parts.size()); ++p) {
        if (p > 0 && parts[size_t(p)].hash == parts[size_t(p - 1)].hash)
            continue; // one entry per hash; its parts are found from the first
        for (int q = 0; q < 4; ++q)
            quarters[size_t(q)].emplace(quint16(parts[size_t(p)].hash >> (16 * q)), p);
    }
    Sets sets(int(parts.size()));
    auto partsOfHash = [&](int first, auto use) {
        for (int p = first; p < int(parts.size()) && parts[size_t(p)].hash == parts[size_t(first)].hash; ++p)
            use(p);
    };
    for (int p = 0; p < int(parts.size()); ++p) {
        if (p > 0 && parts[size_t(p)].hash == parts[size_t(p - 1)].hash)
            continue;
        const quint64 hash = parts[size_t(p)].hash;
        for (int q = 0; q < 4; ++q) {
            const quint16 value = quint16(hash >> (16 * q));
            for (int flip = -1; flip < 16; ++flip) {
                const quint16 probe = flip < 0 ? value : quint16(value ^ (1u << flip));
                const auto range = quarters[size_t(q)].equal_range(probe);
                for (auto it = range.first; it != range.second; ++it) {
                    const int other = it->second;
                    if (other <= p || LookFeatures::distance(hash, parts[size_t(other)].hash) > distance)
                        continue;
                    partsOfHash(p, [&](int a) {
                        partsOfHash(other, [&](int b) {
                            if (sets.find(a) != sets.find(b)
                                && sameLook(snapshot.thumbnail(parts[size_t(a)].row), snapshot.thumbnail(parts[size_t(b)].row)))
                                sets.join(a, b);
                        });
                    });
                }
            }
        }
    }
    std::unordered_map<int, QList<int>> byRoot;
    for (const int row : rows)
        byRoot[sets.find(partOf[size_t(row)])].append(row);
    QList<QList<int>> groups;
    for (auto& [root, members] : byRoot) {
        if (members.size() > 1)
            groups.append(std::move(members));
    }
    return sortedGroups(groups);
}

QList<Nearest> nearestPictures(const IndexSnapshot& snapshot, int row, int count)
{
    QList<Nearest> nearest;
    if (row < 0 || row >= snapshot.size() || count <= 0)
        return nearest;
    const quint64 hash = snapshot.at(row).lookHash;
    std::vector<std::pair<int, int>> all; // distance, row
    all.reserve(size_t(snapshot.size()));
    for (int other = 0; other < snapshot.size(); ++other) {
        if (other != row && hasContent(snapshot.at(other)))
            all.emplace_back(LookFeatures::distance(hash, snapshot.at(other).lookHash), other);
    }
    const size_t n = std::min(all.size(), size_t(count));
    std::partial_sort(all.begin(), all.begin() + qsizetype(n), all.end());
    for (size_t i = 0; i < n; ++i)
        nearest.append({ all[i].second, double(all[i].first) });
    return nearest;
}

QList<Nearest> nearestColours(const IndexSnapshot& snapshot, QColor colour, int count)
{
    QList<Nearest> nearest;
    if (!colour.isValid() || count <= 0)
        return nearest;
    const LookFeatures::Lab wanted = LookFeatures::lab(colour.rgb());
    // A colour that covers little of the picture counts as farther: up to this much.
    constexpr float smallSharePenalty = 25.0f;
    std::vector<std::pair<float, int>> all;
    all.reserve(size_t(snapshot.size()));
    for (int row = 0; row < snapshot.size(); ++row) {
        const SkinRecord& record = snapshot.at(row);
        const float* lab = snapshot.colourLab(row);
        float best = -1;
        for (int i = 0; i < SkinRecord::colourCount && record.shares[size_t(i)] > 0; ++i) {
            const LookFeatures::Lab c { lab[i * 3], lab[i * 3 + 1], lab[i * 3 + 2] };
            const float d = std::sqrt(LookFeatures::distance2(c, wanted))
                + smallSharePenalty * (1.0f - record.shares[size_t(i)] / 255.0f);
            if (best < 0 || d < best)
                best = d;
        }
        if (best >= 0)
            all.emplace_back(best, row);
    }
    const size_t n = std::min(all.size(), size_t(count));
    std::partial_sort(all.begin(), all.begin() + qsizetype(n), all.end());
    for (size_t i = 0; i < n; ++i)
        nearest.append({ all[i].second, double(all[i].first) });
    return nearest;
}

} // namespace IndexQueries
