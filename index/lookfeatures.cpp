// SPDX-License-Identifier: GPL-3.0-or-later
#include "index/lookfeatures.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#endif
#endif

namespace LookFeatures {

namespace {

constexpr int dctSide = 32;
constexpr int hashSide = 8;

// cos(pi / 32 (n + 1/2) k) for the eight lowest k, the eight of each n side by side.
const std::array<std::array<double, hashSide>, dctSide>& cosines()
{
    static const auto table = [] {
        std::array<std::array<double, hashSide>, dctSide> t {};
        for (int k = 0; k < hashSide; ++k) {
            for (int n = 0; n < dctSide; ++n)
                t[size_t(n)][size_t(k)] = std::cos(M_PI / dctSide * (n + 0.5) * k);
        }
        return t;
    }();
    return table;
}

// The picture as columns x rows cells, each the mean red, green and blue of the pixels it
// covers: a box filter of our own, a fraction of the cost of scaling with Qt. Kept by each
// thread from picture to picture, most often all of one size.
class Grid
{
public:
    void reset(int columns, int rows, int width, int height)
    {
        if (columns != m_columns || rows != m_rows || width != m_width || height != m_height) {
            m_columns = columns;
            m_rows = rows;
            m_width = width;
            m_height = height;
            std::vector<int> widths, heights;
            cellsOf(m_cellOfX, widths, columns, width);
            cellsOf(m_rowOfY, heights, rows, height);
            // An empty cell (a picture narrower than the grid) has sums of 0, and stays 0.
            m_counts.resize(size_t(columns * rows) * 3);
            for (int cy = 0; cy < rows; ++cy) {
                for (int cx = 0; cx < columns; ++cx) {
                    const size_t cell = size_t(cy * columns + cx);
                    const float count = float(std::max(1, widths[size_t(cx)] * heights[size_t(cy)]));
                    m_counts[cell * 3] = m_counts[cell * 3 + 1] = m_counts[cell * 3 + 2] = count;
                }
            }
        }
        m_sums.assign(m_counts.size(), 0);
    }
    int columns() const { return m_columns; }
    const int* cellOfX() const { return m_cellOfX.data(); }
    int rowOf(int y) const { return m_rowOfY[size_t(y)]; }
    // Red, green and blue of each cell of the row of cells y lies in.
    quint32* row(int y) { return m_sums.data() + size_t(rowOf(y) * m_columns) * 3; }

    const std::vector<float>& means()
    {
        // Channel by channel, four divisions at once: each waited on the last conversion.
        const size_t n = m_sums.size();
        m_means.resize(n);
        size_t i = 0;
#ifdef __SSE2__
        // The sums stay far below 2^31, so a signed conversion gives the same floats.
        for (; i + 4 <= n; i += 4) {
            const __m128 sum = _mm_cvtepi32_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(m_sums.data() + i)));
            _mm_storeu_ps(m_means.data() + i, _mm_div_ps(sum, _mm_loadu_ps(m_counts.data() + i)));
        }
#endif
        // As float sums would give, which are exact at these sizes.
        for (; i < n; ++i)
            m_means[i] = float(m_sums[i]) / m_counts[i];
        return m_means;
    }

private:
    // The cell of each i < length, and how many fall into each cell.
    static void cellsOf(std::vector<int>& cellOf, std::vector<int>& sizes, int cells, int length)
    {
        cellOf.resize(size_t(length));
        sizes.assign(size_t(cells), 0);
        for (int i = 0; i < length; ++i)
            ++sizes[size_t(cellOf[size_t(i)] = i * cells / length)];
    }

    int m_columns = -1, m_rows = -1, m_width = -1, m_height = -1;
    std::vector<int> m_cellOfX, m_rowOfY;
    std::vector<float> m_counts;
    std::vector<quint32> m_sums;
    std::vector<float> m_means;
};

struct Box
{
    // Enough for a picture of 2^24 pixels: the composed windows are a fraction of that.
    quint32 pixels = 0, r = 0, g = 0, b = 0;
};

// The 4096 boxes of 4 bits per channel, kept by each thread from picture to picture: the
// boxes a picture touched are listed, so that neither reading nor clearing them goes
// through all the others.
class Boxes
{
public:
    Boxes()
        : m_boxes(4096)
        , m_touched(4096 + 1)
    {
    }
    static Boxes& ofThisThread()
    {
        thread_local Boxes boxes;
        boxes.clear();
        return boxes;
    }
    void clear()
    {
        for (size_t i = 0; i < m_count; ++i)
            m_boxes[m_touched[i]] = Box();
        m_count = 0;
    }
    static uint indexOf(QRgb p) { return (uint(qRed(p)) >> 4) << 8 | (uint(qGreen(p)) >> 4) << 4 | uint(qBlue(p)) >> 4; }
    void add(uint i, const Box& sums)
    {
        Box& box = m_boxes[i];
        m_touched[m_count] = quint16(i);
        m_count += size_t((box.pixels == 0) & (sums.pixels != 0));
        box.pixels += sums.pixels;
        box.r += sums.r;
        box.g += sums.g;
        box.b += sums.b;
    }
    void add(QRgb p, quint32 times) { add(indexOf(p), { times, qRed(p) * times, qGreen(p) * times, qBlue(p) * times }); }
    const Box& operator[](size_t i) const { return m_boxes[i]; }
    const quint16* touched() const { return m_touched.data(); }
    size_t touchedCount() const { return m_count; }

private:
    std::vector<Box> m_boxes;
    std::vector<quint16> m_touched;
    size_t m_count = 0;
};

// The main colours come from every second pixel of every second row: the same colours for
// any real picture, at a quarter of the cost.
constexpr int colourStep = 2;

// Counts every second pixel of a row into the boxes, in runs that fall into one box: a
// flat picture's runs are too short to predict, and a box summed pixel after pixel would
// wait on its own last sum each time. A pixel neither opaque nor clear is not counted;
// false when there was one.
template<bool opaque> bool countColours(const QRgb* line, int w, Boxes& boxes)
{
    // A piece of a row at a time, whose sums fit 16-bit fields: red and blue in the low
    // word, green and the count in the high one.
    constexpr int piece = 256 * colourStep;
    thread_local std::vector<quint16> runBoxes(piece / colourStep + 1);
    thread_local std::vector<quint64> before(piece / colourStep + 2); // the sums before each run, and at the end
    bool whole = true;
    for (int from = 0; from < w; from += piece) {
        const int to = std::min(w, from + piece);
        quint64 sums = 0;
        size_t runs = 0;
        uint last = ~0u;
        // Without branches: each pixel opens a run in the next place, kept only when its box differs.
        auto count = [&](QRgb p) {
            const uint alpha = opaque ? 255 : qAlpha(p);
            const quint64 counted = opaque ? ~quint64(0) : 0 - quint64(alpha == 255);
            const uint i = Boxes::indexOf(p);
            runBoxes[runs] = quint16(i);
            before[runs] = sums;
            runs += i != last;
            last = i;
            sums += ((p & 0x00ff00ffu) | quint64((p >> 8 & 0xffu) | 0x10000u) << 32) & counted;
            whole &= ((alpha + 1) & 0xff) <= 1;
        };
        int x = from;
#ifdef __SSE2__
        // Most counted pixels lie in the box of the one before: four of them at a time that
        // all do (and are opaque) only add to the run's sums.
        const __m128i boxBits = _mm_set1_epi32(0x00f0f0f0);
        const __m128i opaqueBits = _mm_set1_epi32(opaque ? 0 : int(0xff000000u));
        const __m128i compared = _mm_or_si128(boxBits, opaqueBits);
        const __m128i redBlue = _mm_set1_epi32(0x00ff00ff), green = _mm_set1_epi32(0xff);
        __m128i lastBox = _mm_set1_epi32(-1); // no pixel's
        for (; x + 4 * colourStep <= to; x += 4 * colourStep) {
            const __m128 low = _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(line + x)));
            const __m128 high = _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(line + x + 4)));
            const __m128i four = _mm_castps_si128(_mm_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0)));
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(four, compared), lastBox)) == 0xffff) {
                const __m128i rb = _mm_and_si128(four, redBlue), g = _mm_and_si128(_mm_srli_epi32(four, 8), green);
                __m128i both = _mm_add_epi32(_mm_unpacklo_epi32(rb, g), _mm_unpackhi_epi32(rb, g));
                both = _mm_add_epi32(both, _mm_unpackhi_epi64(both, both));
                quint64 added;
                _mm_storel_epi64(reinterpret_cast<__m128i*>(&added), both);
                sums += added + (quint64(4) << 48);
            } else {
                for (int i = 0; i < 4 * colourStep; i += colourStep)
                    count(line[x + i]);
                lastBox = _mm_or_si128(_mm_and_si128(_mm_shuffle_epi32(four, _MM_SHUFFLE(3, 3, 3, 3)), boxBits), opaqueBits);
            }
        }
#endif
        for (; x < to; x += colourStep)
            count(line[x]);
        before[runs] = sums;
        for (size_t run = 0; run < runs; ++run) {
            // Every field only grows, so the words subtract field by field.
            const quint64 sums = before[run + 1] - before[run];
            const auto rb = quint32(sums), gc = quint32(sums >> 32);
            boxes.add(runBoxes[run], { gc >> 16, rb >> 16, gc & 0xffff, rb & 0xffff });
        }
    }
    return whole;
}

#if defined(__SSE2__) && defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define HADREL_AVX2 1
bool hasAvx2()
{
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}

// The columns' sums of rows of a picture as pass takes them, eight pixels at a time; the
// columns up to the one returned.
__attribute__((target("avx2"))) int sumColumnsAvx2(const uchar* first, qsizetype stride, int rows, int w, quint16* fields)
{
    const __m256i zero = _mm256_setzero_si256();
    const quintptr next = quintptr(first) + quintptr(rows * stride);
    int x = 0;
    for (; x + 8 <= w; x += 8) {
        _mm_prefetch(reinterpret_cast<const char*>(next + quintptr(x) * 16), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(next + quintptr(x) * 16 + 64), _MM_HINT_T0);
        const uchar* at = first + x * 4;
        // Pixels 0, 1, 4 and 5 in one, 2, 3, 6 and 7 in the other: each half on its own.
        __m256i low = zero, high = zero;
        for (int y = 0; y < rows; ++y, at += stride) {
            const __m256i eight = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
            low = _mm256_add_epi16(low, _mm256_unpacklo_epi8(eight, zero));
            high = _mm256_add_epi16(high, _mm256_unpackhi_epi8(eight, zero));
        }
        auto* to = reinterpret_cast<__m256i*>(fields + x * 4);
        _mm256_storeu_si256(to, _mm256_permute2x128_si256(low, high, 0x20));
        _mm256_storeu_si256(to + 1, _mm256_permute2x128_si256(low, high, 0x31));
    }
    return x;
}
#endif

// Both grids and the colour boxes in one pass over premultiplied pixels, which are over
// black already. A pixel neither opaque nor clear is left for the caller to count; false
// when there was one.
template<bool opaque> bool pass(const QImage& image, Grid& fine, Grid& coarse, Boxes& boxes)
{
    const int w = image.width(), h = image.height();
    // The rows that lie in one row of cells of each grid go together: each column's channels
    // are summed down them in registers, four pixels at a time where the processor can, into
    // 16-bit fields; then the columns are summed into runs that lie in one cell of each grid,
    // the four fields of a column as one word. A field of a run holds 257 pixels.
    struct Segment
    {
        int begin, end, fine, coarse;
    };
    constexpr int longestSegment = 16;
    constexpr int rowsTogether = 257 / longestSegment;
    thread_local std::vector<Segment> segments;
    thread_local std::array<int, 3> segmented { -1, -1, -1 }; // the width and columns they are of
    if (segmented != std::array<int, 3> { w, fine.columns(), coarse.columns() }) {
        segmented = { w, fine.columns(), coarse.columns() };
        segments.clear();
        for (int x = 0; x < w; ++x) {
            const int f = fine.cellOfX()[x], c = coarse.cellOfX()[x];
            if (segments.empty() || segments.back().fine != f || segments.back().coarse != c
                || segments.back().end - segments.back().begin == longestSegment)
                segments.push_back({ x, x, f, c });
            ++segments.back().end;
        }
    }
    thread_local std::vector<quint16> fields;
    fields.resize(size_t(w) * 4);
    // Adds the columns summed over rows of the row of cells of y of each grid.
    auto flush = [&](int y) {
        quint32* fineRow = fine.row(y);
        quint32* coarseRow = coarse.row(y);
#ifdef __SSE2__
        // Two columns at a time, each field on its own. A cell's sums gather in a register
        // (in 32-bit fields, as a wide cell spans many segments): added to memory segment by
        // segment, each sum waited on the last one's store.
        const __m128i zero = _mm_setzero_si128();
        auto addTo = [](quint32* rgb, __m128i bgra) {
            rgb[0] += quint32(_mm_cvtsi128_si32(_mm_shuffle_epi32(bgra, _MM_SHUFFLE(2, 2, 2, 2))));
            rgb[1] += quint32(_mm_cvtsi128_si32(_mm_shuffle_epi32(bgra, _MM_SHUFFLE(1, 1, 1, 1))));
            rgb[2] += quint32(_mm_cvtsi128_si32(bgra));
        };
        __m128i fineSums = zero, coarseSums = zero;
        int fineCell = segments.front().fine, coarseCell = segments.front().coarse;
        for (const Segment& segment : segments) {
            __m128i two = zero;
            int x = segment.begin;
            for (; x + 2 <= segment.end; x += 2)
                two = _mm_add_epi16(two, _mm_loadu_si128(reinterpret_cast<const __m128i*>(fields.data() + x * 4)));
            if (x < segment.end)
                two = _mm_add_epi16(two, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(fields.data() + x * 4)));
            const __m128i sums = _mm_unpacklo_epi16(_mm_add_epi16(two, _mm_unpackhi_epi64(two, two)), zero);
            if (segment.fine != fineCell) {
                addTo(fineRow + fineCell * 3, fineSums);
                fineSums = zero;
                fineCell = segment.fine;
            }
            if (segment.coarse != coarseCell) {
                addTo(coarseRow + coarseCell * 3, coarseSums);
                coarseSums = zero;
                coarseCell = segment.coarse;
            }
            fineSums = _mm_add_epi32(fineSums, sums);
            coarseSums = _mm_add_epi32(coarseSums, sums);
        }
        addTo(fineRow + fineCell * 3, fineSums);
        addTo(coarseRow + coarseCell * 3, coarseSums);
#else
        for (const Segment& segment : segments) {
            quint64 sum = 0;
            for (int x = segment.begin; x < segment.end; ++x) {
                quint64 column;
                std::memcpy(&column, fields.data() + x * 4, sizeof column);
                sum += column;
            }
            const uint b = uint(sum & 0xffff), g = uint(sum >> 16 & 0xffff), r = uint(sum >> 32 & 0xffff);
            quint32* f = fineRow + segment.fine * 3;
            quint32* c = coarseRow + segment.coarse * 3;
            f[0] += r;
            f[1] += g;
            f[2] += b;
            c[0] += r;
            c[1] += g;
            c[2] += b;
        }
#endif
    };
    const uchar* bits = image.constBits();
    const qsizetype stride = image.bytesPerLine();
#ifdef HADREL_AVX2
    const bool avx2 = hasAvx2();
#endif
    bool whole = true;
    for (int top = 0; top < h;) {
        int bottom = top + 1;
        while (bottom < h && bottom - top < rowsTogether && fine.rowOf(bottom) == fine.rowOf(top)
            && coarse.rowOf(bottom) == coarse.rowOf(top))
            ++bottom;
        const int rows = bottom - top;
        const uchar* first = bits + top * stride;
        int x = 0;
#ifdef __SSE2__
        const __m128i zero = _mm_setzero_si128();
        // Rows read side by side are not fetched ahead by the processor as one row is: the
        // next rows are asked for, a line in each step, four rows of lines in all (an address
        // past the picture is never read).
        const quintptr next = quintptr(first) + quintptr(rows * stride);
#ifdef HADREL_AVX2
        if (avx2)
            x = sumColumnsAvx2(first, stride, rows, w, fields.data());
#endif
        for (; x + 4 <= w; x += 4) {
            _mm_prefetch(reinterpret_cast<const char*>(next + quintptr(x) * 16), _MM_HINT_T0);
            const uchar* at = first + x * 4;
            __m128i low = zero, high = zero;
            for (int y = 0; y < rows; ++y, at += stride) {
                const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
                low = _mm_add_epi16(low, _mm_unpacklo_epi8(four, zero));
                high = _mm_add_epi16(high, _mm_unpackhi_epi8(four, zero));
            }
            auto* to = reinterpret_cast<__m128i*>(fields.data() + x * 4);
            _mm_storeu_si128(to, low);
            _mm_storeu_si128(to + 1, high);
        }
#endif
        for (; x < w; ++x) {
            std::array<quint16, 4> column {};
            for (int y = 0; y < rows; ++y) {
                const QRgb p = reinterpret_cast<const QRgb*>(first + y * stride)[x];
                for (int channel = 0; channel < 4; ++channel)
                    column[size_t(channel)] += quint16(p >> (8 * channel) & 0xff);
            }
            std::memcpy(fields.data() + x * 4, column.data(), sizeof column);
        }
        flush(top);
        for (int y = top + top % colourStep; y < bottom; y += colourStep)
            whole &= countColours<opaque>(reinterpret_cast<const QRgb*>(bits + y * stride), w, boxes);
        top = bottom;
    }
    return whole;
}

quint64 hashOf(const std::vector<float>& rgb)
{
    std::array<float, dctSide * dctSide> grey {};
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = 0.299f * rgb[i * 3] + 0.587f * rgb[i * 3 + 1] + 0.114f * rgb[i * 3 + 2];
    // Only the lowest 8 x 8 frequencies are wanted: rows first, then columns. The eight sums
    // of a row go on side by side, each in its own order and in a register of its own, so
    // that none waits on another nor on memory.
    const auto& c = cosines();
    std::array<std::array<double, hashSide>, dctSide> rows {};
    for (int y = 0; y < dctSide; ++y) {
        const float* line = grey.data() + y * dctSide;
        std::array<double, hashSide> sums {};
        for (int x = 0; x < dctSide; ++x) {
            const double v = line[x];
#pragma GCC unroll 8
            for (int k = 0; k < hashSide; ++k)
                sums[size_t(k)] += v * c[size_t(x)][size_t(k)];
        }
        rows[size_t(y)] = sums;
    }
    std::array<double, hashSide * hashSide> coefficients {};
    for (int v = 0; v < hashSide; ++v) {
        std::array<double, hashSide> sums {};
        for (int y = 0; y < dctSide; ++y) {
            const double cosine = c[size_t(y)][size_t(v)];
#pragma GCC unroll 8
            for (int u = 0; u < hashSide; ++u)
                sums[size_t(u)] += rows[size_t(y)][size_t(u)] * cosine;
        }
        std::copy(sums.begin(), sums.end(), coefficients.begin() + v * hashSide);
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
    for (size_t i = 0; i < boxes.touchedCount(); ++i)
        total += boxes[boxes.touched()[i]].pixels;
    if (total == 0)
        return;
    // Specks under half a percent change no main colour: left out before sorting the rest.
    std::vector<int> order;
    for (size_t i = 0; i < boxes.touchedCount(); ++i) {
        if (qint64(boxes[boxes.touched()[i]].pixels) * 200 >= total)
            order.push_back(boxes.touched()[i]);
    }
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return boxes[size_t(a)].pixels != boxes[size_t(b)].pixels ? boxes[size_t(a)].pixels > boxes[size_t(b)].pixels
                                                                   : a < b;
    });
    // Shades of one colour fall into neighbouring boxes; they count as that colour.
    constexpr float mergeDistance2 = 12.0f * 12.0f;
    struct Chosen
    {
        qint64 pixels = 0, r = 0, g = 0, b = 0;
    };
    std::vector<Chosen> chosen;
    std::vector<Lab> chosenLab;
    for (const int i : order) {
        const Box& box = boxes[size_t(i)];
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
            chosen.push_back({ box.pixels, box.r, box.g, box.b });
            chosenLab.push_back(l);
        }
    }
    std::stable_sort(chosen.begin(), chosen.end(), [](const Chosen& a, const Chosen& b) { return a.pixels > b.pixels; });
    for (int i = 0; i < count && i < int(chosen.size()); ++i) {
        const Chosen& box = chosen[size_t(i)];
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
    thread_local Grid fine, coarse;
    fine.reset(dctSide, dctSide, image.width(), image.height());
    coarse.reset(thumbWidth, thumbHeight, image.width(), image.height());
    Boxes& boxes = Boxes::ofThisThread();
    const bool whole = opaque ? pass<true>(image, fine, coarse, boxes) : pass<false>(image, fine, coarse, boxes);
    if (!whole || !direct) {
        // Half-transparent pixels count by their own colour, not the one over black.
        boxes.clear();
        const QImage straight = picture.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < straight.height(); y += colourStep) {
            const QRgb* line = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
            for (int x = 0; x < straight.width(); x += colourStep)
                boxes.add(line[x], qAlpha(line[x]) >= 128);
        }
    }
    chooseColours(boxes, colours, shares, count);

    Summary summary;
    summary.hash = hashOf(fine.means());
    const std::vector<float>& rgb = coarse.means();
    summary.thumbnail = QByteArray(qsizetype(rgb.size()), Qt::Uninitialized);
    char* thumbnail = summary.thumbnail.data();
    for (size_t i = 0; i < rgb.size(); ++i) {
        // As lround, halves away from 0, on means of 0 to 255: the fraction is exact.
        const int whole = int(rgb[i]);
        thumbnail[i] = char(quint8(whole + int(rgb[i] - float(whole) >= 0.5f)));
    }
    return summary;
}

} // namespace LookFeatures
