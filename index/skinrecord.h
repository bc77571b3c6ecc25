// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QColor>
#include <QHash>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <array>
#include <memory>
#include <vector>

struct sqlite3;

// What the index knows of one skin.
namespace SkinContent {
// Which of Winamp 2's files a skin holds, and whether it carries programs.
enum Flag : quint32 {
    mainWindow = 1 << 0, // main.bmp
    equalizer = 1 << 1, // eqmain.bmp
    playlist = 1 << 2, // pledit.bmp
    region = 1 << 3, // region.txt: a shaped window
    cursors = 1 << 4, // any .cur
    gen = 1 << 5, // gen.bmp
    video = 1 << 6, // video.bmp
    avs = 1 << 7, // avs.bmp
    readme = 1 << 8, // a readme, as SkinReadme::choose finds it
    programs = 1 << 9, // .exe, .dll, .scr, .bat, .vbs, .js and the like, anywhere inside
};
} // namespace SkinContent

struct SkinRecord
{
    static constexpr int colourCount = 4;
    // The composed main window shrunk to this, RGB888 rows, for comparing two looks.
    static constexpr int thumbWidth = 16;
    static constexpr int thumbHeight = 7;
    static constexpr int thumbBytes = thumbWidth * thumbHeight * 3;

    qint64 id = 0; // the row of the index file; also the readme's row in the full-text table
    QString folder; // a registered folder, ending with a separator
    QString name; // as the listing names it
    bool archive = false; // a .wsz or .zip rather than a folder
    qint64 size = 0; // the archive's bytes, or the sum of the folder's files
    qint64 modified = 0; // what tells a change: the newest modification time, ms since the epoch
    qint64 skinDate = 0; // newest date of the files Winamp reads, s since the epoch (UTC); 0 unknown
    quint32 contents = 0; // SkinContent flags
    std::array<quint8, 16> contentHash {}; // equal for skins Winamp reads alike
    quint64 lookHash = 0; // perceptual hash of the main window as Winamp draws it
    // The main colours, the most covering first; share is out of 255, 0 past the last.
    std::array<QRgb, colourCount> colours {};
    std::array<quint8, colourCount> shares {};
    QString readme; // the readme's file name, or empty

    QString path() const { return folder + name; } // no trailing separator
    int year() const; // of skinDate, UTC; 0 when unknown
};

// Skins alike: the same content Winamp reads, or looks within a small distance.
struct DuplicateGroup
{
    bool identical = false; // every skin of it the same content; else look-alikes
    QList<int> rows;
};

// The index as read at one moment: every skin of the registered folders, and a connection
// to the file for the full-text search. Handed out whole and never changed: a newer index
// comes as a new snapshot.
class IndexSnapshot
{
public:
    IndexSnapshot() = default;
    // thumbnails: thumbBytes per record, in the records' order. colourLab, when given,
    // holds what colourLab() gives for each record (colourLabOf), as a snapshot built
    // from the previous one reuses it.
    IndexSnapshot(std::vector<SkinRecord> records, QByteArray thumbnails, std::shared_ptr<sqlite3> reader,
        std::vector<float> colourLab = {});
    // Appends the record's main colours in CIE L*a*b*, as colourLab() gives them.
    static void colourLabOf(const SkinRecord& record, std::vector<float>& lab);

    const std::vector<SkinRecord>& records() const { return m_records; }
    int size() const { return int(m_records.size()); }
    const SkinRecord& at(int row) const { return m_records[size_t(row)]; }
    // The row of a skin, or -1.
    int rowOf(const QString& folder, const QString& name) const;
    int rowOfId(qint64 id) const;
    // The row's main window shrunk to thumbWidth x thumbHeight, RGB888 rows.
    QByteArrayView thumbnail(int row) const
    {
        return QByteArrayView(m_thumbnails).sliced(qsizetype(row) * SkinRecord::thumbBytes, SkinRecord::thumbBytes);
    }
    // The row's main colours in CIE L*a*b*: colourCount times L, a, b.
    const float* colourLab(int row) const { return m_colourLab.data() + size_t(row) * SkinRecord::colourCount * 3; }
    // The groups of duplicates, made once with the snapshot on the thread that reads it,
    // so that asking for them costs the window nothing.
    const QList<DuplicateGroup>& duplicates() const { return m_duplicates; }
    // A read-only connection to the index file, or null (an empty snapshot).
    sqlite3* reader() const { return m_reader.get(); }

private:
    std::vector<SkinRecord> m_records;
    QByteArray m_thumbnails; // kept apart: one block rather than 100,000
    std::vector<float> m_colourLab; // made once here, not on every colour query
    // Open addressing, each slot a row or -1: no node per row to make and free, no copy of
    // a folder or a name.
    std::vector<qint32> m_rowOfPath; // by a hash of folder and name
    std::vector<qint32> m_rowOfId;
    QList<DuplicateGroup> m_duplicates;
    std::shared_ptr<sqlite3> m_reader;
};
