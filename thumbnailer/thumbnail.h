// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

// Pictures of skins for file managers, made the way a freedesktop.org thumbnailer is
// called: one input, one size, one PNG.
namespace Thumbnail {

// From this size up the three windows are drawn stacked; below it the main window alone.
inline constexpr int stackedFrom = 256;
inline constexpr int maxSize = 2048;

// The input as a local path: a file:// URI taken apart, a plain path as it stands. Empty
// for any other URI.
QString localPath(const QString& input);

// The skin at path drawn as Winamp draws it, fitted into size x size: a skin archive, or
// the main.bmp of a skin folder, which stands for its folder. Null for anything else, when
// nothing of it can be read, and for a skin whose own main.bmp does not decode: a file
// manager then shows its own icon, not our stand-in picture.
QImage draw(const QString& path, int size);

// Writes image as a PNG to output in one write, encoded beforehand. False when that fails;
// a file this call made is then removed again.
bool writePng(const QImage& image, const QString& output);

} // namespace Thumbnail
