// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>

// Windows bitmaps in the forms skins ship: Qt writes only uncompressed ones, and the
// archives are full of RLE8.
namespace BmpFile {

enum class Kind { Rle8, Indexed8, Rgb24 };

const char* kindName(Kind kind);

// The bytes of a .bmp file holding image. Rle8 and Indexed8 need a Format_Indexed8 image.
QByteArray encode(const QImage& image, Kind kind);

} // namespace BmpFile
