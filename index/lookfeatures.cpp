// SPDX-License-Identifier: GPL-3.0-or-later
#include "index/lookfeatures.h"

#include <algorithm>
#include <cmath>
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

// The picture as columns x rows cells, each the mean red, green and blue of the pixels it
// covers, transparent ones as black (a shaped window's cut-out weighs the same in every
// skin): a box filter of our own, a fraction of the cost of scaling with Qt.
std::vector<float> boxMeans(const QImage& picture, int columns, int rows)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    std::vector<float> sums(size_t(columns * rows * 3));
    std::vector<int> counts(size_t(columns * rows));
    const int w = image.width(), h = image.height();
    std::vector<int> column(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x)
        column[size_t(x)] = x * columns / w;
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        const int cy = y * rows / h;
        for (int x = 0; x < w; ++x) {
            const QRgb p = line[x]; // premultiplied: over black already
            const size_t cell = size_t(cy * columns + column[size_t(x)]);
            sums[cell * 3] += float(qRed(p));
            sums[cell * 3 + 1] += float(qGreen(p));
            sums[cell * 3 + 2] += float(qBlue(p));
            ++counts[cell];
        }
    }
    for (size_t i = 0; i < counts.size(); ++i) {
        for (size_t k = 0; k < 3; ++k)
            sums[i * 3 + k] = counts[i] ? sums[i * 3 + k] / float(counts[i]) : 0.0f;
    }
    return sums;
}

} // namespace

quint64 perceptualHash(const QImage& picture)
{
    if (picture.isNull())
        return 0;
    const std::vector<float> rgb = boxMeans(picture, dctSide, dctSide);
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

QByteArray thumbnail(const QImage& picture, int width, int height)
{
    if (picture.isNull())
        return {};
    const std::vector<float> rgb = boxMeans(picture, width, height);
    QByteArray bytes(qsizetype(rgb.size()), Qt::Uninitialized);
    for (size_t i = 0; i < rgb.size(); ++i)
        bytes[qsizetype(i)] = char(quint8(std::lround(rgb[i])));
    return bytes;
}

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

void mainColoursInto(const QImage& picture, QRgb* colours, quint8* shares, int count)
{
    std::fill(colours, colours + count, QRgb(0));
    std::fill(shares, shares + count, quint8(0));
    if (picture.isNull())
        return;
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    struct Box
    {
        qint64 pixels = 0, r = 0, g = 0, b = 0;
    };
    std::vector<Box> boxes(4096);
    qint64 total = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            if (qAlpha(p) < 128)
                continue;
            Box& box = boxes[size_t((qRed(p) >> 4) << 8 | (qGreen(p) >> 4) << 4 | qBlue(p) >> 4)];
            ++box.pixels;
            box.r += qRed(p);
            box.g += qGreen(p);
            box.b += qBlue(p);
            ++total;
        }
    }
    if (total == 0)
        return;
    std::vector<int> order;
    for (int i = 0; i < int(boxes.size()); ++i) {
        if (boxes[size_t(i)].pixels > 0)
            order.push_back(i);
    }
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

} // namespace LookFeatures
