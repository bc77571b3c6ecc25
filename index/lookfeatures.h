// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QtGlobal>

#include <array>

// What the index keeps of a skin's picture: small enough to hold 100,000 of in memory,
// enough to tell looks apart and to find them by colour.
namespace LookFeatures {

// What the index keeps of a picture, from one pass over its pixels (transparent ones
// taken as black for the hash and the thumbnail, left out of the colours):
// - hash: a 64-bit DCT hash, the signs of the lowest frequencies against their median;
//   near pictures differ in few bits;
// - thumbnail: the picture shrunk to thumbWidth x thumbHeight, averaged, as RGB888 rows;
// - colours: the few that cover most of the opaque picture, the most covering first:
//   every second pixel of every second row counted in 4-bit-per-channel boxes, a box near
//   an already chosen colour merged into it; shares are out of 255, 0 for colours past the last.
struct Summary
{
    quint64 hash = 0;
    QByteArray thumbnail;
};
Summary summarise(const QImage& picture, int thumbWidth, int thumbHeight, QRgb* colours, quint8* shares, int count);
template<size_t N>
Summary summarise(const QImage& picture, int thumbWidth, int thumbHeight, std::array<QRgb, N>& colours,
    std::array<quint8, N>& shares)
{
    return summarise(picture, thumbWidth, thumbHeight, colours.data(), shares.data(), int(N));
}
inline int distance(quint64 a, quint64 b) { return __builtin_popcountll(a ^ b); }

// CIE L*a*b* of an sRGB colour (D65), where distance matches what the eye sees.
struct Lab
{
    float l, a, b;
};
Lab lab(QRgb colour);
inline float distance2(const Lab& x, const Lab& y)
{
    return (x.l - y.l) * (x.l - y.l) + (x.a - y.a) * (x.a - y.a) + (x.b - y.b) * (x.b - y.b);
}

} // namespace LookFeatures
