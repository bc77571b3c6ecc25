// SPDX-License-Identifier: GPL-3.0-or-later
#include "index/indexqueries.h"

#include "index/lookfeatures.h"
#include "index/wordsplitter.h"

#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <limits>
#include <utility>
#include <cstring>
#include <numeric>

namespace IndexQueries {

namespace {

// A row with a key: sorted in compact arrays rather than through the records, which are
// large and would be read in no order.
struct Keyed
{
    quint64 key;
    int row;
};

// Sorts by the low bits of the keys, stably: a pass per 11 bits, none where every key
// falls in one bucket.
void radixSort(std::vector<Keyed>& items, int bits)
{
    constexpr int digit = 11;
    constexpr size_t buckets = size_t(1) << digit;
    std::vector<Keyed> sorted(items.size());
    std::vector<int> start(buckets);
    for (int shift = 0; shift < bits; shift += digit) {
        std::fill(start.begin(), start.end(), 0);
        for (const Keyed& item : items)
            ++start[(item.key >> shift) & (buckets - 1)];
        if (std::find(start.cbegin(), start.cend(), int(items.size())) != start.cend())
            continue;
        int at = 0;
        for (int& count : start)
            at += std::exchange(count, at);
        for (const Keyed& item : items)
            sorted[size_t(start[(item.key >> shift) & (buckets - 1)]++)] = item;
        items.swap(sorted);
    }
}

// Groups of labelled rows (label -1: none), each in row order, groups by their first row.
QList<QList<int>> groupsOfLabels(const std::vector<int>& labels, int labelCount)
{
    QList<QList<int>> groups;
    std::vector<int> groupOf(size_t(labelCount), -1);
    for (int row = 0; row < int(labels.size()); ++row) {
        const int label = labels[size_t(row)];
        if (label < 0)
            continue;
        if (groupOf[size_t(label)] < 0) {
            groupOf[size_t(label)] = int(groups.size());
            groups.emplaceBack();
        }
        groups[groupOf[size_t(label)]].append(row);
    }
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
    std::vector<Keyed> keyed;
    keyed.reserve(size_t(rows.size()));
    qint64 low = std::numeric_limits<qint64>::max(), high = std::numeric_limits<qint64>::min();
    for (const int row : std::as_const(rows)) {
        const qint64 date = snapshot.at(row).skinDate;
        keyed.push_back({ quint64(date), row });
        if (date != 0) {
            low = std::min(low, date);
            high = std::max(high, date);
        }
    }
    // A known date as its distance from the first in the order asked, an unknown one past them all.
    const quint64 unknown = low <= high ? quint64(high) - quint64(low) + 1 : 0;
    for (Keyed& item : keyed) {
        const quint64 date = item.key;
        item.key = date == 0 ? unknown : order == Qt::AscendingOrder ? date - quint64(low) : quint64(high) - date;
    }
    radixSort(keyed, std::bit_width(unknown));
    for (size_t i = 0; i < keyed.size(); ++i)
        rows[qsizetype(i)] = keyed[i].row;
}

QList<QList<int>> identicalGroups(const IndexSnapshot& snapshot)
{
    const std::vector<SkinRecord>& records = snapshot.records();
    std::vector<Keyed> keyed;
    keyed.reserve(records.size());
    for (int row = 0; row < int(records.size()); ++row) {
        if (hasContent(records[size_t(row)])) {
            quint64 prefix;
            std::memcpy(&prefix, records[size_t(row)].contentHash.data(), sizeof prefix);
            keyed.push_back({ prefix, row });
        }
    }
    radixSort(keyed, 64);
    auto hashOf = [&](const Keyed& item) { return records[size_t(item.row)].contentHash; };
    std::vector<int> labels(records.size(), -1);
    int labelCount = 0;
    for (size_t i = 0; i < keyed.size();) {
        size_t end = i + 1;
        while (end < keyed.size() && keyed[end].key == keyed[i].key)
            ++end;
        // Hashes that begin alike but differ further on: sorted whole, in row order still.
        if (end - i > 1 && std::any_of(keyed.begin() + qsizetype(i) + 1, keyed.begin() + qsizetype(end), [&](const Keyed& k) {
                return hashOf(k) != hashOf(keyed[i]);
            }))
            std::stable_sort(keyed.begin() + qsizetype(i), keyed.begin() + qsizetype(end),
                [&](const Keyed& a, const Keyed& b) { return hashOf(a) < hashOf(b); });
        for (size_t same = i; same < end; i = same) {
            while (same < end && hashOf(keyed[same]) == hashOf(keyed[i]))
                ++same;
            if (same - i > 1) {
                for (size_t k = i; k < same; ++k)
                    labels[size_t(keyed[k].row)] = labelCount;
                ++labelCount;
            }
        }
        i = end;
    }
    return groupsOfLabels(labels, labelCount);
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
    const std::vector<SkinRecord>& records = snapshot.records();
    std::vector<Keyed> rows;
    for (int row = 0; row < int(records.size()); ++row) {
        if (hasContent(records[size_t(row)]))
            rows.push_back({ records[size_t(row)].lookHash, row });
    }
    radixSort(rows, 64);
    std::vector<Part> parts;
    std::vector<int> partOf(records.size(), -1);
    for (size_t i = 0; i < rows.size();) {
        const quint64 hash = rows[i].key;
        const size_t first = parts.size();
        size_t end = i;
        for (; end < rows.size() && rows[end].key == hash; ++end) {
            const int row = rows[end].row;
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
    // and its sixteen neighbours are looked up, in a table of the hashes by each quarter
    // (one entry per hash; its other parts follow it).
    const int distance = std::clamp(maxDistance, 0, 7);
    auto firstOfHash = [&](int p) { return p == 0 || parts[size_t(p)].hash != parts[size_t(p - 1)].hash; };
    auto quarterOf = [](quint64 hash, int q) { return quint16(hash >> (16 * q)); };
    struct Quarter
    {
        std::vector<int> start = std::vector<int>(0x10001, 0);
        std::vector<int> parts;
    };
    std::array<Quarter, 4> quarters;
    for (int q = 0; q < 4; ++q) {
        Quarter& quarter = quarters[size_t(q)];
        for (int p = 0; p < int(parts.size()); ++p) {
            if (firstOfHash(p))
                ++quarter.start[size_t(quarterOf(parts[size_t(p)].hash, q)) + 1];
        }
        std::partial_sum(quarter.start.begin(), quarter.start.end(), quarter.start.begin());
        quarter.parts.resize(size_t(quarter.start.back()));
        std::vector<int> next(quarter.start.begin(), quarter.start.end() - 1);
        for (int p = 0; p < int(parts.size()); ++p) {
            if (firstOfHash(p))
                quarter.parts[size_t(next[quarterOf(parts[size_t(p)].hash, q)]++)] = p;
        }
    }
    Sets sets(int(parts.size()));
    auto partsOfHash = [&](int first, auto use) {
        for (int p = first; p < int(parts.size()) && parts[size_t(p)].hash == parts[size_t(first)].hash; ++p)
            use(p);
    };
    for (int p = 0; p < int(parts.size()); ++p) {
        if (!firstOfHash(p))
            continue;
        const quint64 hash = parts[size_t(p)].hash;
        for (int q = 0; q < 4; ++q) {
            const Quarter& quarter = quarters[size_t(q)];
            const quint16 value = quarterOf(hash, q);
            for (int flip = -1; flip < 16; ++flip) {
                const quint16 probe = flip < 0 ? value : quint16(value ^ (1u << flip));
                for (int at = quarter.start[probe]; at < quarter.start[size_t(probe) + 1]; ++at) {
                    const int other = quarter.parts[size_t(at)];
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
    // A set of one part of one skin is no group.
    std::vector<int> members(parts.size(), 0);
    for (int& part : partOf) {
        if (part >= 0)
            ++members[size_t(part = sets.find(part))];
    }
    for (int& part : partOf) {
        if (part >= 0 && members[size_t(part)] < 2)
            part = -1;
    }
    return groupsOfLabels(partOf, int(parts.size()));
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
