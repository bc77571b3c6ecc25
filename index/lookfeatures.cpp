// SPDX-License-Identifier: GPL-3.0-or-later
#include "index/lookfeatures.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace LookFeatures {

namespace {

constexpr int dctSide = 32;
constexpr int hashSide = 8;

const std::array<std::array<double, dctSide>, hashSide>& cosines()
{
    static const auto table = [] {
        std::array<std::array<double, dctSide>, hashSide> t {};
        for (int k = 0; k < hashSide; ++k) {
            for (int n = 0; n < dctSide; ++n)
                t[size_t(k)][size_t(n)] = std::cos(M_PI / dctSide * (n + 0.5) * k);
        }
        return t;
    }();
    return table;
}

struct Sums
{
    quint32 r = 0, g = 0, b = 0;
};

// The picture as columns x rows cells, each the mean red, green and blue of the pixels it
// covers: a box filter of our own, a fraction of the cost of scaling with Qt.
class Grid
{
public:
    Grid(int columns, int rows, int width, int height)
        : m_columns(columns)
        , m_rows(rows)
        , m_height(height)
        , m_cellOfX(size_t(width))
        , m_widths(size_t(columns))
        , m_sums(size_t(columns * rows))
    {
        for (int x = 0; x < width; ++x) {
            m_cellOfX[size_t(x)] = x * columns / width;
            ++m_widths[size_t(m_cellOfX[size_t(x)])];
        }
    }
    const int* cellOfX() const { return m_cellOfX.data(); }
    Sums* row(int y) { return m_sums.data() + size_t(y * m_rows / m_height * m_columns); }

    std::vector<float> means() const
    {
        std::vector<int> heights(static_cast<size_t>(m_rows));
        for (int y = 0; y < m_height; ++y)
            ++heights[size_t(y * m_rows / m_height)];
        std::vector<float> rgb(size_t(m_columns * m_rows * 3));
        for (int cy = 0; cy < m_rows; ++cy) {
            for (int cx = 0; cx < m_columns; ++cx) {
                const size_t cell = size_t(cy * m_columns + cx);
                const int count = m_widths[size_t(cx)] * heights[size_t(cy)];
                if (count == 0)
                    continue;
                // As float sums would give, which are exact at these sizes.
                rgb[cell * 3] = float(m_sums[cell].r) / float(count);
                rgb[cell * 3 + 1] = float(m_sums[cell].g) / float(count);
                rgb[cell * 3 + 2] = float(m_sums[cell].b) / float(count);
            }
        }
        return rgb;
    }

private:
    int m_columns, m_rows, m_height;
    std::vector<int> m_cellOfX;
    std::vector<int> m_widths;
    std::vector<Sums> m_sums;
};

struct Box
{
    qint64 pixels = 0, r = 0, g = 0, b = 0;
};
using Boxes = std::vector<Box>;

// The main colours come from every second pixel of every second row: the same colours for
// any real picture, at a quarter of the cost.
constexpr int colourStep = 2;

inline void add(Boxes& boxes, QRgb p, qint64 times)
{
    const uint r = qRed(p), g = qGreen(p), b = qBlue(p);
    Box& box = boxes[size_t((r >> 4) << 8 | (g >> 4) << 4 | b >> 4)];
    box.pixels += times;
    box.r += r * times;
    box.g += g * times;
    box.b += b * times;
}

// Both grids and the colour boxes in one pass over premultiplied pixels, which are over
// black already. A pixel neither opaque nor clear is left for the caller to count; false
// when there was one.
template<bool opaque> bool pass(const QImage& image, Grid& fine, Grid& coarse, Boxes& boxes)
{
    const int w = image.width(), h = image.height();
    // Runs of pixels in one cell of each grid, summed in registers two pixels at a time: red
    // and blue of each in the 16-bit fields of one word, green in another; a field holds a
    // run of 514.
    struct Segment
    {
        int begin, end, fine, coarse;
    };
    constexpr int longestSegment = 512;
    constexpr quint64 lanes = 0x00ff00ff00ff00ffULL;
    std::vector<Segment> segments;
    for (int x = 0; x < w; ++x) {
        const int f = fine.cellOfX()[x], c = coarse.cellOfX()[x];
        if (segments.empty() || segments.back().fine != f || segments.back().coarse != c
            || segments.back().end - segments.back().begin == longestSegment)
            segments.push_back({ x, x, f, c });
        ++segments.back().end;
    }
    bool whole = true;
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        Sums* fineRow = fine.row(y);
        Sums* coarseRow = coarse.row(y);
        for (const Segment& segment : segments) {
            quint64 redBlue = 0, green = 0;
            int x = segment.begin;
            for (; x + 1 < segment.end; x += 2) {
                quint64 two;
                std::memcpy(&two, line + x, sizeof two);
                redBlue += two & lanes;
                green += two >> 8 & lanes;
            }
            if (x < segment.end) {
                redBlue += line[x] & lanes;
                green += line[x] >> 8 & lanes;
            }
            const uint r = uint(redBlue >> 16 & 0xffff) + uint(redBlue >> 48);
            const uint g = uint(green & 0xffff) + uint(green >> 32 & 0xffff);
            const uint b = uint(redBlue & 0xffff) + uint(redBlue >> 32 & 0xffff);
            fineRow[segment.fine].r += r;
            fineRow[segment.fine].g += g;
            fineRow[segment.fine].b += b;
            coarseRow[segment.coarse].r += r;
            coarseRow[segment.coarse].g += g;
            coarseRow[segment.coarse].b += b;
        }
        if (y % colourStep != 0)
            continue;
        // Without branches: a flat picture's runs are too short to predict.
        for (int x = 0; x < w; x += colourStep) {
            const uint alpha = opaque ? 255 : qAlpha(line[x]);
            add(boxes, line[x], alpha == 255);
            whole &= ((alpha + 1) & 0xff) <= 1;
        }
    }
    return whole;
}

quint64 hashOf(const std::vector<float>& rgb)
{
    std::array<float, dctSide * dctSide> grey {};
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = 0.299f * rgb[i * 3] + 0.587f * rgb[i * 3 + 1] + 0.114f * rgb[i * 3 + 2];
    // Only the lowest 8 x 8 frequencies are wanted: rows first, then columns.
    const auto& c = cosines();
    std::array<std::array<double, hashSide>, dctSide> rows {};
    for (int y = 0; y < dctSide; ++y) {
        const float* line = grey.data() + y * dctSide;
        for (int k = 0; k < hashSide; ++k) {
            double sum = 0;
            for (int x = 0; x < dctSide; ++x)
                sum += line[x] * c[size_t(k)][size_t(x)];
            rows[size_t(y)][size_t(k)] = sum;
        }
    }
    std::array<double, hashSide * hashSide> coefficients {};
    for (int v = 0; v < hashSide; ++v) {
        for (int u = 0; u < hashSide; ++u) {
            double sum = 0;
            for (int y = 0; y < dctSide; ++y)
                sum += rows[size_t(y)][size_t(u)] * c[size_t(v)][size_t(y)];
            coefficients[size_t(v * hashSide + u)] = sum;
        }
    }
    // The mean brightness (0, 0) says nothing of the look; the median of the rest does.
    std::array<double, hashSide * hashSide - 1> rest {};
    std::copy(coefficients.begin() + 1, coefficients.end(), rest.begin());
    std::nth_element(rest.begin(), rest.begin() + rest.size() / 2, rest.end());
    const double median = rest[rest.size() / 2];
    quint64 hash = 0;
    for (size_t i = 1; i < coefficients.size(); ++i) {
        if (coefficients[i] > median)
            hash |= quint64(1) << i;
    }
    return hash;
}

void chooseColours(const Boxes& boxes, QRgb* colours, quint8* shares, int count)
{
    qint64 total = 0;
    std::vector<int> order;
    for (int i = 0; i < int(boxes.size()); ++i) {
        if (boxes[size_t(i)].pixels > 0) {
            order.push_back(i);
            total += boxes[size_t(i)].pixels;
        }
    }
    if (total == 0)
        return;
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return boxes[size_t(a)].pixels != boxes[size_t(b)].pixels ? boxes[size_t(a)].pixels > boxes[size_t(b)].pixels
                                                                   : a < b;
    });
    // Shades of one colour fall into neighbouring boxes; they count as that colour.
    constexpr float mergeDistance2 = 12.0f * 12.0f;
    std::vector<Box> chosen;
    std::vector<Lab> chosenLab;
    for (const int i : order) {
        const Box& box = boxes[size_t(i)];
        // Specks under half a percent change no main colour.
        if (box.pixels * 200 < total)
            break;
        const QRgb mean = qRgb(int(box.r / box.pixels), int(box.g / box.pixels), int(box.b / box.pixels));
        const Lab l = lab(mean);
        size_t near = 0;
        while (near < chosen.size() && distance2(chosenLab[near], l) > mergeDistance2)
            ++near;
        if (near < chosen.size()) {
            chosen[near].pixels += box.pixels;
            chosen[near].r += box.r;
            chosen[near].g += box.g;
            chosen[near].b += box.b;
        } else if (int(chosen.size()) < count * 4) {
            chosen.push_back(box);
            chosenLab.push_back(l);
        }
    }
    std::stable_sort(chosen.begin(), chosen.end(), [](const Box& a, const Box& b) { return a.pixels > b.pixels; });
    for (int i = 0; i < count && i < int(chosen.size()); ++i) {
        const Box& box = chosen[size_t(i)];
        colours[i] = qRgb(int(box.r / box.pixels), int(box.g / box.pixels), int(box.b / box.pixels));
        shares[i] = quint8(std::max<qint64>(1, box.pixels * 255 / total));
    }
}

} // namespace

Lab lab(QRgb colour)
{
    static const auto table = [] {
        std::array<double, 256> t {};
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            t[size_t(i)] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return t;
    }();
    auto linear = [](int channel) { return table[size_t(channel)]; };
    const double r = linear(qRed(colour)), g = linear(qGreen(colour)), b = linear(qBlue(colour));
    const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
    auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116; };
    const double fx = f(x), fy = f(y), fz = f(z);
    return { float(116 * fy - 16), float(500 * (fx - fy)), float(200 * (fy - fz)) };
}

Summary summarise(const QImage& picture, int thumbWidth, int thumbHeight, QRgb* colours, quint8* shares, int count)
{
    std::fill(colours, colours + count, QRgb(0));
    std::fill(shares, shares + count, quint8(0));
    if (picture.isNull())
        return {};
    // The composed windows come as either format, read in place.
    const bool opaque = picture.format() == QImage::Format_RGB32;
    const bool direct = opaque || picture.format() == QImage::Format_ARGB32_Premultiplied;
    const QImage image = direct ? picture : picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    Grid fine(dctSide, dctSide, image.width(), image.height());
    Grid coarse(thumbWidth, thumbHeight, image.width(), image.height());
    Boxes boxes(4096);
    const bool whole = opaque ? pass<true>(image, fine, coarse, boxes) : pass<false>(image, fine, coarse, boxes);
    if (!whole || !direct) {
        // Half-transparent pixels count by their own colour, not the one over black.
        std::fill(boxes.begin(), boxes.end(), Box());
        const QImage straight = picture.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < straight.height(); y += colourStep) {
            const QRgb* line = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
            for (int x = 0; x < straight.width(); x += colourStep)
                add(boxes, line[x], qAlpha(line[x]) >= 128);
        }
    }
    chooseColours(boxes, colours, shares, count);

    Summary summary;
    summary.hash = hashOf(fine.means());
    const std::vector<float> rgb = coarse.means();
    summary.thumbnail = QByteArray(qsizetype(rgb.size()), Qt::Uninitialized);
    for (size_t i = 0; i < rgb.size(); ++i)
        summary.thumbnail[qsizetype(i)] = char(quint8(std::lround(rgb[i])));
    return summary;
}

} // namespace LookFeatures
