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

// A 64-bit DCT hash of the picture (transparent pixels taken as black): the signs of its
// lowest frequencies against their median. Near pictures differ in few bits.
quint64 perceptualHash(const QImage& picture);
inline int distance(quint64 a, quint64 b) { return __builtin_popcountll(a ^ b); }

// The picture shrunk to width x height, averaged, as RGB888 rows.
QByteArray thumbnail(const QImage& picture, int width, int height);

// The few colours that cover most of the opaque picture, the most covering first: pixels
// counted in 4-bit-per-channel boxes, a box near an already chosen colour merged into it.
// shares are out of 255, 0 for colours past the last.
void mainColoursInto(const QImage& picture, QRgb* colours, quint8* shares, int count);
template<size_t N> void mainColours(const QImage& picture, std::array<QRgb, N>& colours, std::array<quint8, N>& shares)
{
    mainColoursInto(picture, colours.data(), shares.data(), int(N));
}

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
