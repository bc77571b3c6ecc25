// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

namespace TestSupport {

// The real skins of tests/data/skins (never modified; copy them first).
QString sharedSkinsFolder();
QStringList sharedSkinNames();

// Copies a folder tree; false on the first failure.
bool copyTree(const QString& from, const QString& to);

// Copies every real skin into folder (which must exist).
bool copySharedSkins(const QString& folder);

// Writes a small 24-bit bitmap of one colour.
bool writeBitmap(const QString& path, const QColor& color, int width = 275, int height = 116);

// Makes folder/name as a skin holding file (main.bmp by default), filled with colour.
bool makeSkin(const QString& folder, const QString& name, const QString& file = QStringLiteral("main.bmp"),
    const QColor& color = Qt::darkGreen);

// Writes bytes to a file, creating it.
bool writeFile(const QString& path, const QByteArray& bytes);

// Little-endian fields, as bitmaps and zips lay them out.
void putU16(QByteArray& out, quint32 value);
void putU32(QByteArray& out, quint32 value);
// A bitmap file as a writer would lay it out: file header, info header (12 bytes for the
// old core layout), bit field masks after a 40-byte header, colour table, pixels.
QByteArray bitmapFile(int headerSize, int width, int height, int bits, quint32 compression, const QList<QRgb>& palette,
    const QByteArray& pixels, const QList<quint32>& masks = {});

// Writes folder/name as a program that records, in folder/name.log written in one step,
// each argument on a line of its own in brackets and then "variable=" with the value of
// that environment variable (or "unset").
bool installRecorder(const QString& folder, const QString& name, const QString& variable);
// What the recorder folder/name wrote, or nothing yet.
QString recorded(const QString& folder, const QString& name);

// A file's whole contents, or nothing when it cannot be read.
QByteArray readAll(const QString& path);

// Every entry below folder, hidden ones included, as sorted relative paths.
QStringList tree(const QString& folder);

// A folder path ending with one "/".
QString slashed(const QString& path);

} // namespace TestSupport
