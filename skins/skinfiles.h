// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// Some files of one skin, by lower-case file name, whether they came from a folder or an
// archive. A file that is absent here is missing from the skin.
class SkinFiles
{
public:
    // Anything larger is no skin file; it counts as missing.
    static constexpr qint64 maxBytesEach = qint64(4) * 1024 * 1024;

    SkinFiles() = default;
    // Takes files keyed by lower-case name, as an archive reader hands them out; larger
    // ones than maxBytesEach are dropped.
    explicit SkinFiles(const QHash<QString, QByteArray>& files);

    // Reads the files named in lowerNames from folder (ending with a separator), each found
    // without regard to case: the exact lower-case name first, then any entry whose name
    // matches ignoring case. Only regular files of at most maxBytesEach bytes are read.
    static SkinFiles fromFolder(const QString& folder, const QStringList& lowerNames);
    // The same files of the listed skin at skinPath (no trailing separator): read out of
    // it in memory when it is a skin archive (a regular file named *.wsz or *.zip), else
    // from its folder.
    static SkinFiles ofSkin(const QString& skinPath, const QStringList& lowerNames);

    bool contains(const QString& lowerName) const { return m_files.contains(lowerName); }
    QByteArray file(const QString& lowerName) const { return m_files.value(lowerName); }
    void insert(const QString& lowerName, const QByteArray& bytes);

private:
    QHash<QString, QByteArray> m_files;
};
