// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// region.txt: the polygons that shape a skin's windows, one section a window ("Normal" for
// the main window, "WindowShade", "Equalizer", "EqualizerWS"), read as Winamp reads it:
// the first NumPoints and PointList of the section count, their numbers separated by
// blanks, tabs or commas, reading stopping at any other character.
namespace SkinRegion {

// More points than this in one section is no skin's outline (real ones use a few hundred);
// such a region is ignored, as a malformed one is.
inline constexpr qsizetype maxPoints = 20000;
// One polygon's limit, as Winamp's.
inline constexpr int maxPolygonPoints = 10000;

// The pixels of a window of the given size that the section's polygons cover: 255 inside,
// 0 outside (Format_Alpha8). The polygons are filled all at once by the winding rule, as
// Windows' CreatePolyPolygonRgn(WINDING) fills them: where they overlap, or one winds
// round twice, it stays filled. A pixel is inside when its centre is, a centre on a right
// edge counting as inside and one on a left edge not.
// A null image when the section is absent, its numbers do not add up, it has too many
// points or it covers no pixel: Winamp then leaves the window square.
// Time grows with the points and the pixels, never with how the polygons cross.
QImage mask(const QByteArray& text, const QString& section, QSize size);

} // namespace SkinRegion
