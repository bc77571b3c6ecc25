// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QSize>
#include <QString>

#include <utility>

// Skin pictures for the preview grid and the enlarged view.
namespace PreviewImage {

// Decodes the picture file at path, or the main.bmp packed in the skin archive (.wsz,
// .zip) at path, read in memory. Windows bitmaps are read by decodeBmp; anything else
// goes through QImageReader, judged by its content. A null image when the file is
// missing, empty, not a regular file, damaged, not a picture or larger than any skin's.
QImage load(const QString& path);

// The largest sprite sheets of real skins are a few hundred pixels a side (eqmain.bmp
// 275 x 315, volume.bmp 68 x 433). A picture declared far beyond that is no skin's and is
// refused before anything is decoded, so that a file of a few bytes cannot claim hundreds
// of megabytes: at most 2048 a side and 1 Mi pixels (4 MiB once decoded), which a skin
// holding a dozen bitmaps can afford all at once.
inline constexpr int maxSide = 2048;
inline constexpr qint64 maxPixels = qint64(1024) * 1024;
bool fitsASkin(QSize size);

// Decodes a Windows bitmap file (file header included): 1, 4, 8, 16, 24 and 32 bits per
// pixel, RLE4, RLE8 and bit fields; 5- and 6-bit channels are scaled to 8 bits with
// rounding. One larger than fitsASkin allows gives a null image. The alpha byte is ignored, as Winamp ignores it, so
// 16- and 32-bit pictures come out opaque. A bitmap whose headers, colour table, pixel
// data or compressed stream are shorter than they claim, or that is otherwise damaged,
// gives a null image: no picture ever shows memory the file did not fill.
QImage decodeBmp(const QByteArray& bytes);
// The same always as RGB32, a palette picture's colours looked up as it is read: what
// converting decodeBmp's image gives, without the second picture.
QImage decodeBmpRgb32(const QByteArray& bytes);
// Rows of a picture, [first, end) from the top.
using RowSpans = QList<std::pair<int, int>>;
// The same, only the rows within rows read; the others are black. For a sprite sheet of
// which only a few sprites are drawn.
QImage decodeBmpRgb32(const QByteArray& bytes, const RowSpans& rows);

// The picture stretched to size (device-independent pixels) without keeping its aspect
// ratio, smoothly; a null pixmap for a null image.
QPixmap stretched(const QImage& image, const QSize& size, qreal devicePixelRatio = 1.0);
// The same as an image, which any thread may make.
QImage stretchedImage(const QImage& image, const QSize& size, qreal devicePixelRatio = 1.0);

} // namespace PreviewImage
