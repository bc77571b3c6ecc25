// SPDX-License-Identifier: GPL-3.0-or-later
#include "index/skinrecord.h"

#include "index/indexqueries.h"
#include "index/lookfeatures.h"

#include <QDate>

#include <bit>

int SkinRecord::year() const
{
    // By the day count: UTC has no zone to look up, and a filter asks every skin.
    constexpr qint64 unixEpochJulianDay = 2440588;
    return skinDate > 0 ? QDate::fromJulianDay(skinDate / 86400 + unixEpochJulianDay).year() : 0;
}

namespace {

size_t pathKey(const QString& folder, const QString& name)
{
    return qHashMulti(0, folder, name);
}

// Row ids come in runs: mixed, so that a run does not crowd a few slots.
size_t idKey(qint64 id)
{
    return size_t((quint64(id) * 0x9e3779b97f4a7c15ULL) >> 20);
}

} // namespace

IndexSnapshot::IndexSnapshot(
    std::vector<SkinRecord> records, QByteArray thumbnails, std::shared_ptr<sqlite3> reader, std::vector<float> colourLab)
    : m_records(std::move(records))
    , m_thumbnails(std::move(thumbnails))
    , m_colourLab(std::move(colourLab))
    , m_reader(std::move(reader))
{
    m_thumbnails.resize(qsizetype(m_records.size()) * SkinRecord::thumbBytes);
    if (m_colourLab.size() != m_records.size() * SkinRecord::colourCount * 3) {
        m_colourLab.clear();
        m_colourLab.reserve(m_records.size() * SkinRecord::colourCount * 3);
        for (const SkinRecord& record : m_records)
            colourLabOf(record, m_colourLab);
    }
    if (m_records.empty())
        return;
    const size_t width = std::bit_ceil(m_records.size() * 2);
    m_rowOfPath.assign(width, -1);
    m_rowOfId.assign(width, -1);
    for (int row = 0; row < int(m_records.size()); ++row) {
        const SkinRecord& record = m_records[size_t(row)];
        size_t at = pathKey(record.folder, record.name) & (width - 1);
        while (m_rowOfPath[at] >= 0)
            at = (at + 1) & (width - 1);
        m_rowOfPath[at] = row;
        for (at = idKey(record.id) & (width - 1); m_rowOfId[at] >= 0;)
            at = (at + 1) & (width - 1);
        m_rowOfId[at] = row;
    }
    m_duplicates = IndexQueries::duplicateGroups(*this);
}

void IndexSnapshot::colourLabOf(const SkinRecord& record, std::vector<float>& lab)
{
    for (const QRgb colour : record.colours) {
        const LookFeatures::Lab l = LookFeatures::lab(colour);
        lab.insert(lab.end(), { l.l, l.a, l.b });
    }
}

int IndexSnapshot::rowOf(const QString& folder, const QString& name) const
{
    const size_t mask = m_rowOfPath.size() - 1;
    for (size_t at = pathKey(folder, name) & mask; !m_rowOfPath.empty() && m_rowOfPath[at] >= 0; at = (at + 1) & mask) {
        const SkinRecord& record = m_records[size_t(m_rowOfPath[at])];
        if (record.name == name && record.folder == folder)
            return m_rowOfPath[at];
    }
    return -1;
}

int IndexSnapshot::rowOfId(qint64 id) const
{
    const size_t mask = m_rowOfId.size() - 1;
    for (size_t at = idKey(id) & mask; !m_rowOfId.empty() && m_rowOfId[at] >= 0; at = (at + 1) & mask) {
        if (m_records[size_t(m_rowOfId[at])].id == id)
            return m_rowOfId[at];
    }
    return -1;
}
