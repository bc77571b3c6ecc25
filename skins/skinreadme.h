// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A skin's own readme: which of its text files it is, and how its bytes become text.
namespace SkinReadme {

// No readme is longer; the rest of a larger file is not read.
constexpr qint64 maxBytes = qint64(1024) * 1024;

struct File
{
    QString name;
    qint64 size = 0;
};

// The readme among a skin's files: a .txt file (any case) that is not pledit.txt,
// viscolor.txt or region.txt, one whose name contains "read" (any case) first, then the
// largest; equal ones in the order given. Empty when there is none.
QString choose(const QList<File>& files);

// The files of the skin at skinPath (a folder, or a .wsz or .zip archive; no trailing
// separator): the folder's own, or those Winamp takes out of the archive
// (ZipDirectory::skinFiles). An archive's files larger than maxBytes are left out,
// since they cannot be read whole.
QList<File> filesOf(const QString& skinPath);

// The name of the skin's readme, or nothing.
QString find(const QString& skinPath);

// The readme's bytes, at most maxBytes of them; nothing when the skin has none.
QByteArray read(const QString& skinPath, const QString& name);

// The text of a readme: UTF-8 when the bytes are valid UTF-8 (a byte order mark
// dropped), else Shift_JIS (CP932) when they decode without error and more of their
// Japanese stands in runs than alone (a stray pair is a Western letter), else CP1252.
// Line ends of any kind become "\n".
QString decode(const QByteArray& bytes);

} // namespace SkinReadme
