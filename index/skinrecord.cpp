// SPDX-License-Identifier: GPL-3.0-or-later
#include "index/skinrecord.h"

#include "index/indexqueries.h"
#include "index/lookfeatures.h"

#include <QDate>

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

} // namespace

IndexSnapshot::IndexSnapshot(std::vector<SkinRecord> records, QByteArray thumbnails, std::shared_ptr<sqlite3> reader)
    : m_records(std::move(records))
    , m_thumbnails(std::move(thumbnails))
    , m_reader(std::move(reader))
{
    m_thumbnails.resize(qsizetype(m_records.size()) * SkinRecord::thumbBytes);
    m_colourLab.reserve(m_records.size() * SkinRecord::colourCount * 3);
    for (const SkinRecord& record : m_records) {
        for (const QRgb colour : record.colours) {
            const LookFeatures::Lab lab = LookFeatures::lab(colour);
            m_colourLab.insert(m_colourLab.end(), { lab.l, lab.a, lab.b });
        }
    }
    m_rowOfPath.reserve(qsizetype(m_records.size()));
    m_rowOfId.reserve(qsizetype(m_records.size()));
    for (int row = 0; row < int(m_records.size()); ++row) {
        m_rowOfPath.insert(pathKey(m_records[size_t(row)].folder, m_records[size_t(row)].name), row);
        m_rowOfId.insert(m_records[size_t(row)].id, row);
    }
    m_duplicates = IndexQueries::duplicateGroups(*this);
}

int IndexSnapshot::rowOf(const QString& folder, const QString& name) const
{
    for (auto it = m_rowOfPath.constFind(pathKey(folder, name)); it != m_rowOfPath.cend() && it.key() == pathKey(folder, name); ++it) {
        const SkinRecord& record = m_records[size_t(it.value())];
        if (record.name == name && record.folder == folder)
            return it.value();
    }
    return -1;
}
