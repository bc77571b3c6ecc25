// SPDX-License-Identifier: GPL-3.0-or-later
#include "index/indexqueries.h"

#include "index/lookfeatures.h"
#include "index/wordsplitter.h"

#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <numeric>
#include <utility>

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

// keyed cut to its first count by key, then row: rows come in ascending order, so a
// stable sort keeps ties so. A partial sort when few are asked, else one of them all.
void firstByKey(std::vector<Keyed>& keyed, size_t count, int bits)
{
    count = std::min(count, keyed.size());
    if (count * 8 < keyed.size())
        std::partial_sort(keyed.begin(), keyed.begin() + qsizetype(count), keyed.end(),
            [](const Keyed& a, const Keyed& b) { return a.key != b.key ? a.key < b.key : a.row < b.row; });
    else
        radixSort(keyed, bits);
    keyed.resize(count);
}

// The distinct 64-bit keys seen, each given a label in the order first seen: open
// addressing, so that grouping is one pass in row order rather than a sort.
class Labels
{
public:
    explicit Labels(size_t most)
        : m_slots(std::bit_ceil(std::max<size_t>(16, most * 2)), -1)
        , m_shift(64 - std::countr_zero(m_slots.size()))
    {
    }
    // key's label; same(label) tells whether a key alike in these 64 bits is the same.
    // A new label is count() - 1 on return.
    template<class Same> int of(quint64 key, Same same)
    {
        size_t at = size_t((key * 0x9e3779b97f4a7c15ull) >> m_shift);
        for (; m_slots[at] >= 0; at = (at + 1) & (m_slots.size() - 1)) {
            const int label = m_slots[at];
            if (m_keys[size_t(label)] == key && same(label))
                return label;
        }
        m_slots[at] = int(m_keys.size());
        m_keys.push_back(key);
        return m_slots[at];
    }
    int count() const { return int(m_keys.size()); }
    quint64 key(int label) const { return m_keys[size_t(label)]; }

private:
    std::vector<int> m_slots;
    int m_shift;
    std::vector<quint64> m_keys;
};

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
    Labels labels(records.size());
    std::vector<int> first; // row of each label
    std::vector<int> count;
    std::vector<int> labelOf(records.size(), -1);
    for (int row = 0; row < int(records.size()); ++row) {
        const auto& hash = records[size_t(row)].contentHash;
        if (!hasContent(records[size_t(row)]))
            continue;
        quint64 prefix;
        std::memcpy(&prefix, hash.data(), sizeof prefix);
        const int label = labels.of(prefix, [&](int label) { return records[size_t(first[size_t(label)])].contentHash == hash; });
        if (label == int(first.size())) {
            first.push_back(row);
            count.push_back(0);
        }
        ++count[size_t(label)];
        labelOf[size_t(row)] = label;
    }
    for (int& label : labelOf) {
        if (label >= 0 && count[size_t(label)] < 2)
            label = -1;
    }
    return groupsOfLabels(labelOf, labels.count());
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
        int row; // the first, against which the others were confirmed
        int next; // the next part of the same hash, or -1
    };
    const std::vector<SkinRecord>& records = snapshot.records();
    Labels hashes(records.size()); // a label per distinct hash
    std::vector<int> firstPart; // of each hash; the others follow through next
    std::vector<Part> parts;
    std::vector<int> partOf(records.size(), -1);
    for (int row = 0; row < int(records.size()); ++row) {
        if (!hasContent(records[size_t(row)]))
            continue;
        const quint64 hash = records[size_t(row)].lookHash;
        const int label = hashes.of(hash, [](int) { return true; });
        if (label == int(firstPart.size()))
            firstPart.push_back(-1);
        int p = firstPart[size_t(label)], last = -1;
        for (; p >= 0 && !sameLook(snapshot.thumbnail(parts[size_t(p)].row), snapshot.thumbnail(row)); p = parts[size_t(p)].next)
            last = p;
        if (p < 0) {
            p = int(parts.size());
            parts.push_back({ row, -1 });
            (last >= 0 ? parts[size_t(last)].next : firstPart[size_t(label)]) = p;
        }
        partOf[size_t(row)] = p;
    }

    // Hashes within 7 bits share a 16-bit quarter to within one bit: each quarter's value
    // and its sixteen neighbours are looked up, in a table of the hashes by each quarter.
    const int distance = std::clamp(maxDistance, 0, 7);
    auto quarterOf = [](quint64 hash, int q) { return quint16(hash >> (16 * q)); };
    struct Quarter
    {
        std::vector<int> start = std::vector<int>(0x10001, 0);
        std::vector<int> hashes;
    };
    std::array<Quarter, 4> quarters;
    for (int q = 0; q < 4; ++q) {
        Quarter& quarter = quarters[size_t(q)];
        for (int h = 0; h < hashes.count(); ++h)
            ++quarter.start[size_t(quarterOf(hashes.key(h), q)) + 1];
        std::partial_sum(quarter.start.begin(), quarter.start.end(), quarter.start.begin());
        quarter.hashes.resize(size_t(hashes.count()));
        std::vector<int> next(quarter.start.begin(), quarter.start.end() - 1);
        for (int h = 0; h < hashes.count(); ++h)
            quarter.hashes[size_t(next[quarterOf(hashes.key(h), q)]++)] = h;
    }
    Sets sets(int(parts.size()));
    auto partsOfHash = [&](int h, auto use) {
        for (int p = firstPart[size_t(h)]; p >= 0; p = parts[size_t(p)].next)
            use(p);
    };
    for (int h = 0; h < hashes.count(); ++h) {
        const quint64 hash = hashes.key(h);
        for (int q = 0; q < 4; ++q) {
            const Quarter& quarter = quarters[size_t(q)];
            const quint16 value = quarterOf(hash, q);
            for (int flip = -1; flip < 16; ++flip) {
                const quint16 probe = flip < 0 ? value : quint16(value ^ (1u << flip));
                for (int at = quarter.start[probe]; at < quarter.start[size_t(probe) + 1]; ++at) {
                    const int other = quarter.hashes[size_t(at)];
                    if (other <= h || LookFeatures::distance(hash, hashes.key(other)) > distance)
                        continue;
                    partsOfHash(h, [&](int a) {
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

QList<DuplicateGroup> duplicateGroups(const IndexSnapshot& snapshot)
{
    QList<DuplicateGroup> groups;
    std::vector<bool> grouped(size_t(snapshot.size()), false);
    for (QList<int>& rows : lookAlikeGroups(snapshot)) {
        const auto& first = snapshot.at(rows.first()).contentHash;
        const bool identical
            = std::all_of(rows.cbegin(), rows.cend(), [&](int row) { return snapshot.at(row).contentHash == first; });
        for (const int row : std::as_const(rows))
            grouped[size_t(row)] = true;
        groups.append({ identical, std::move(rows) });
    }
    for (QList<int>& rows : identicalGroups(snapshot)) {
        if (std::none_of(rows.cbegin(), rows.cend(), [&](int row) { return grouped[size_t(row)]; }))
            groups.append({ true, std::move(rows) });
    }
    return groups;
}

QList<Nearest> nearestPictures(const IndexSnapshot& snapshot, int row, int count)
{
    QList<Nearest> nearest;
    if (row < 0 || row >= snapshot.size() || count <= 0)
        return nearest;
    const quint64 hash = snapshot.at(row).lookHash;
    std::vector<Keyed> all; // by distance
    all.reserve(size_t(snapshot.size()));
    for (int other = 0; other < snapshot.size(); ++other) {
        if (other != row && hasContent(snapshot.at(other)))
            all.push_back({ quint64(LookFeatures::distance(hash, snapshot.at(other).lookHash)), other });
    }
    firstByKey(all, size_t(count), 7);
    nearest.reserve(qsizetype(all.size()));
    for (const Keyed& near : all)
        nearest.append({ near.row, double(near.key) });
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
    std::vector<Keyed> all; // by the bits of the distance, which order as the distances do, none being negative
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
            all.push_back({ std::bit_cast<quint32>(best), row });
    }
    firstByKey(all, size_t(count), 32);
    nearest.reserve(qsizetype(all.size()));
    for (const Keyed& near : all)
        nearest.append({ near.row, double(std::bit_cast<float>(quint32(near.key))) });
    return nearest;
}

} // namespace IndexQueries
