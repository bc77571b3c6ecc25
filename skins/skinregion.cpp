// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/skinregion.h"

#include <QList>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <vector>

namespace SkinRegion {

namespace {

// Farther out than this no point means anything for a 275-pixel window, and the exact
// integer arithmetic below stays within 64 bits.
constexpr qint64 maxCoordinate = qint64(1) << 20;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The numbers in text as the pattern -?\d+ finds them (a minus counts right before a
// digit), each beyond int read as 0, as QString::toInt gives it; at most limit of them.
QList<int> numbers(QByteArrayView text, qsizetype limit)
{
    QList<int> values;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n && values.size() < limit;) {
        const bool minus = text[i] == '-' && i + 1 < n && isDigit(text[i + 1]);
        if (!minus && !isDigit(text[i])) {
            ++i;
            continue;
        }
        if (minus)
            ++i;
        qint64 value = 0;
        for (; i < n && isDigit(text[i]); ++i)
            value = std::min<qint64>(value * 10 + (text[i] - '0'), qint64(1) << 40);
        if (minus)
            value = -value;
        values << (value < INT_MIN || value > INT_MAX ? 0 : int(value));
    }
    return values;
}

// The text is Latin-1; white space as QString::trimmed() sees it there.
QByteArrayView trimmed(QByteArrayView line)
{
    auto space = [](char c) { return QChar(uchar(c)).isSpace(); };
    while (!line.isEmpty() && space(line.front()))
        line = line.sliced(1);
    while (!line.isEmpty() && space(line.back()))
        line.chop(1);
    return line;
}

// Pixel rows crossed by the polygons, one polygon at a time, as spans added to a count
// per pixel: a pixel is in the region when any polygon covers it.
class Raster
{
public:
    explicit Raster(QSize size)
        : m_w(size.width())
        , m_h(size.height())
        , m_cover(size_t(m_w + 1) * size_t(m_h), 0)
        , m_toggles(m_cover.size(), 0)
    {
    }

    void addPolygon(const int* xy, int count)
    {
        qint64 crossed = 0;
        forEachEdge(xy, count, [&](qint64, qint64 y0, qint64, qint64 y1) { crossed += rows(y0, y1).second; });
        // A polygon crossing most rows many times is filled in one pass over the grid;
        // the few crossings of any other are sorted.
        if (crossed * 8 > qint64(m_cover.size())) {
            std::fill(m_toggles.begin(), m_toggles.end(), 0);
            forEachEdge(xy, count, [&](qint64 x0, qint64 y0, qint64 x1, qint64 y1) {
                crossings(x0, y0, x1, y1, [&](int key) { m_toggles[size_t(key)] ^= 1; });
            });
            fillByParity();
            return;
        }
        m_keys.clear();
        forEachEdge(xy, count, [&](qint64 x0, qint64 y0, qint64 x1, qint64 y1) {
            crossings(x0, y0, x1, y1, [&](int key) { m_keys.push_back(key); });
        });
        std::sort(m_keys.begin(), m_keys.end());
        // A closed polygon crosses each row an even number of times.
        for (size_t k = 0; k + 1 < m_keys.size(); k += 2) {
            ++m_cover[size_t(m_keys[k])];
            --m_cover[size_t(m_keys[k + 1])];
        }
    }

    QImage image() const
    {
        QImage mask(m_w, m_h, QImage::Format_Alpha8);
        bool any = false;
        for (int y = 0; y < m_h; ++y) {
            uchar* line = mask.scanLine(y);
            int depth = 0;
            for (int x = 0; x < m_w; ++x) {
                depth += m_cover[size_t(y) * size_t(m_w + 1) + size_t(x)];
                line[x] = depth > 0 ? 255 : 0;
                any |= depth > 0;
            }
        }
        return any ? mask : QImage();
    }

private:
    template<class F> static void forEachEdge(const int* xy, int count, F&& f)
    {
        for (int i = 0; i < count; ++i) {
            const int j = i + 1 < count ? i + 1 : 0;
            f(xy[2 * i], xy[2 * i + 1], xy[2 * j], xy[2 * j + 1]);
        }
    }

    // The first row an edge crosses and how many, those whose centre line lies between
    // its ends.
    std::pair<qint64, qint64> rows(qint64 y0, qint64 y1) const
    {
        const qint64 first = std::max<qint64>(std::min(y0, y1), 0);
        const qint64 last = std::min<qint64>(std::max(y0, y1), m_h);
        return { first, std::max<qint64>(last - first, 0) };
    }

    // Where the edge crosses the centre line of each row, as the first pixel whose centre
    // lies right of it, kept as row * (width + 1) + pixel. The crossing is worked out as
    // Qt's aliased fill works it out, in 16.16 fixed point from a slope cut to 1/65536 of
    // a pixel, so that an edge through a pixel's centre falls as it always did.
    template<class F> void crossings(qint64 x0, qint64 y0, qint64 x1, qint64 y1, F&& add) const
    {
        if (y0 > y1) {
            std::swap(x0, x1);
            std::swap(y0, y1);
        }
        const auto [first, count] = rows(y0, y1);
        if (count == 0)
            return;
        constexpr qint64 one = 65536;
        const auto slope = qint64(double(x1 - x0) / double(y1 - y0) * double(one));
        qint64 x = (2 * x0 + 1) * one / 2 + ((slope * ((first - y0) * one + one / 2)) >> 16);
        for (qint64 y = first; y < first + count; ++y, x += slope)
            add(int(y * (m_w + 1) + std::clamp<qint64>(x >> 16, 0, m_w)));
    }

    // Each run between two crossings of a row is inside.
    void fillByParity()
    {
        for (int y = 0; y < m_h; ++y) {
            const size_t row = size_t(y) * size_t(m_w + 1);
            bool inside = false;
            for (int x = 0; x <= m_w; ++x) {
                if (!m_toggles[row + size_t(x)])
                    continue;
                inside = !inside;
                m_cover[row + size_t(x)] += inside ? 1 : -1;
            }
        }
    }

    int m_w;
    int m_h;
    std::vector<int> m_cover;
    std::vector<uchar> m_toggles;
    std::vector<int> m_keys;
};

} // namespace

QImage mask(const QByteArray& text, const QString& section, QSize size)
{
    if (size.isEmpty())
        return {};
    const QString header = QLatin1Char('[') + section + QLatin1Char(']');
    // Lines are looked at in place: a point list may run to megabytes.
    QByteArrayView countsText, pointsText;
    bool inSection = false;
    for (qsizetype start = 0; start <= text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        const QByteArrayView line = trimmed(QByteArrayView(text).sliced(start, end - start));
        start = end + 1;
        if (line.startsWith('[')) {
            inSection = QString::fromLatin1(line).compare(header, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (!inSection || eq < 0 || line.startsWith(';'))
            continue;
        const QByteArray key = trimmed(line.first(eq)).toByteArray().toLower();
        if (key == "numpoints")
            countsText = line.sliced(eq + 1);
        else if (key == "pointlist")
            pointsText = line.sliced(eq + 1);
    }

    const QList<int> counts = numbers(countsText, maxPoints + 1);
    qsizetype total = 0;
    for (const int count : counts) {
        if (count < 1 || count > maxPolygonPoints)
            return {};
        total += count;
    }
    if (counts.isEmpty() || total > maxPoints)
        return {};
    const QList<int> points = numbers(pointsText, 2 * total + 1);
    if (points.size() != 2 * total)
        return {};
    for (const int v : points) {
        if (std::abs(qint64(v)) > maxCoordinate)
            return {};
    }

    Raster raster(size);
    const int* next = points.constData();
    for (const int count : counts) {
        raster.addPolygon(next, count);
        next += 2 * count;
    }
    return raster.image();
}

} // namespace SkinRegion
