// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/bmpfile.h"

#include <QtEndian>

namespace BmpFile {

namespace {

void put16(QByteArray& out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray& out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

// One row in RLE8: runs of two or more as (count, index), stretches of three or more
// unlike pixels in absolute mode, padded to an even length; ends with end-of-line.
void encodeRow(QByteArray& out, const uchar* px, int width)
{
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < 255 && px[x + run] == px[x])
            ++run;
        if (run >= 2) {
            out.append(char(run)).append(char(px[x]));
            x += run;
            continue;
        }
        // Collect unlike pixels until a run of two starts.
        int lit = 1;
        while (x + lit < width && lit < 255 && !(x + lit + 1 < width && px[x + lit] == px[x + lit + 1]))
            ++lit;
        if (lit < 3) {
            for (int i = 0; i < lit; ++i)
                out.append(char(1)).append(char(px[x + i]));
        } else {
            out.append(char(0)).append(char(lit));
            out.append(reinterpret_cast<const char*>(px + x), lit);
            if (lit % 2)
                out.append(char(0));
        }
        x += lit;
    }
    out.append(char(0)).append(char(0));
}

} // namespace

const char* kindName(Kind kind)
{
    switch (kind) {
    case Kind::Rle8:
        return "RLE8";
    case Kind::Indexed8:
        return "8-bit";
    case Kind::Rgb24:
        return "24-bit";
    }
    return "?";
}

QByteArray encode(const QImage& image, Kind kind)
{
    const int w = image.width();
    const int h = image.height();
    const bool indexed = kind != Kind::Rgb24;
    const QList<QRgb> palette = indexed ? image.colorTable() : QList<QRgb>();
    if (indexed && (image.format() != QImage::Format_Indexed8 || palette.isEmpty()))
        return {};

    QByteArray pixels;
    if (kind == Kind::Rle8) {
        for (int y = h - 1; y >= 0; --y)
            encodeRow(pixels, image.constScanLine(y), w);
        pixels.chop(2);
        pixels.append(char(0)).append(char(1)); // end of bitmap replaces the last end-of-line
    } else if (kind == Kind::Indexed8) {
        const int stride = (w + 3) & ~3;
        for (int y = h - 1; y >= 0; --y) {
            pixels.append(reinterpret_cast<const char*>(image.constScanLine(y)), w);
            pixels.append(QByteArray(stride - w, '\0'));
        }
    } else {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
        const int stride = (w * 3 + 3) & ~3;
        for (int y = h - 1; y >= 0; --y) {
            const uchar* line = rgb.constScanLine(y);
            for (int x = 0; x < w; ++x) // stored blue, green, red
                pixels.append(char(line[3 * x + 2])).append(char(line[3 * x + 1])).append(char(line[3 * x]));
            pixels.append(QByteArray(stride - w * 3, '\0'));
        }
    }

    const quint32 paletteBytes = quint32(palette.size()) * 4;
    const quint32 offset = 14 + 40 + paletteBytes;
    QByteArray out;
    out.reserve(int(offset) + pixels.size());
    out.append("BM", 2);
    put32(out, offset + quint32(pixels.size()));
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, quint32(w));
    put32(out, quint32(h));
    put16(out, 1);
    put16(out, indexed ? 8 : 24);
    put32(out, kind == Kind::Rle8 ? 1 : 0);
    put32(out, quint32(pixels.size()));
    put32(out, 2835); // 72 dpi
    put32(out, 2835);
    put32(out, quint32(palette.size()));
    put32(out, 0);
    for (QRgb c : palette) {
        out.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append(char(0));
    }
    out.append(pixels);
    return out;
}

} // namespace BmpFile
