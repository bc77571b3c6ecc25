// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/skinregion.h"

#include "skins/profiletext.h"

#include <QList>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
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

// The numbers in text as Winamp reads them: separated by blanks, tabs or commas, each
// with an optional sign, up to the first other character; a number beyond int is read as
// 0. At most limit of them.
QList<int> numbers(QByteArrayView text, qsizetype limit)
{
    QList<int> values;
    const qsizetype n = text.size();
    for (qsizetype i = 0; values.size() < limit;) {
        while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == ','))
            ++i;
        const bool minus = i < n && text[i] == '-';
        if (i < n && (text[i] == '-' || text[i] == '+'))
            ++i;
        if (i >= n || !isDigit(text[i]))
            break;
        qint64 value = 0;
        for (; i < n && isDigit(text[i]); ++i)
            value = std::min<qint64>(value * 10 + (text[i] - '0'), qint64(1) << 40);
        if (minus)
            value = -value;
        values << (value < INT_MIN || value > INT_MAX ? 0 : int(value));
    }
    return values;
}

// The polygons' edges crossing each pixel row, counted with their direction (down +1, up
// -1) at the first pixel whose centre lies right of the crossing: a pixel is in the region
// when the counts left of it add up to other than 0, the winding rule over all polygons at
// once, as Windows fills a poly-polygon region. Time grows with the crossings and the
// pixels, never with how the polygons cross.
class Raster
{
public:
    explicit Raster(QSize size)
        : m_w(size.width())
        , m_h(size.height())
        , m_winding(size_t(m_w + 1) * size_t(m_h), 0)
    {
    }

    void addPolygon(const int* xy, int count)
    {
        for (int i = 0; i < count; ++i) {
            const int j = i + 1 < count ? i + 1 : 0;
            addEdge(xy[2 * i], xy[2 * i + 1], xy[2 * j], xy[2 * j + 1]);
        }
    }

    QImage image() const
    {
        QImage mask(m_w, m_h, QImage::Format_Alpha8);
        bool any = false;
        uchar* const bits = mask.bits();
        for (int y = 0; y < m_h; ++y) {
            uchar* line = bits + qsizetype(y) * mask.bytesPerLine();
            const int* counts = m_winding.data() + size_t(y) * size_t(m_w + 1);
            int winding = 0;
            int x = 0;
            // A row crosses few edges: where four counts in a row are 0, the four pixels
            // are as the one before them.
            while (x < m_w) {
                if (x + 4 <= m_w && (counts[x] | counts[x + 1] | counts[x + 2] | counts[x + 3]) == 0) {
                    std::memset(line + x, winding != 0 ? 255 : 0, 4);
                    x += 4;
                    continue;
                }
                const int end = std::min(x + 4, m_w);
                for (; x < end; ++x) {
                    winding += counts[x];
                    line[x] = winding != 0 ? 255 : 0;
                    any |= winding != 0;
                }
            }
        }
        return any ? mask : QImage();
    }

private:
    // The crossing of each row whose centre line lies between the edge's ends is worked
    // out as Qt's aliased fill works it out, in 16.16 fixed point from a slope cut to
    // 1/65536 of a pixel, so that an edge through a pixel's centre falls as it always did.
    void addEdge(qint64 x0, qint64 y0, qint64 x1, qint64 y1)
    {
        int direction = 1;
        if (y0 > y1) {
            std::swap(x0, x1);
            std::swap(y0, y1);
            direction = -1;
        }
        const qint64 first = std::max<qint64>(y0, 0);
        const qint64 last = std::min<qint64>(y1, m_h);
        if (last <= first)
            return;
        constexpr qint64 one = 65536;
        const auto slope = qint64(double(x1 - x0) / double(y1 - y0) * double(one));
        qint64 x = (2 * x0 + 1) * one / 2 + ((slope * ((first - y0) * one + one / 2)) >> 16);
        for (qint64 y = first; y < last; ++y, x += slope)
            m_winding[size_t(y * (m_w + 1) + std::clamp<qint64>(x >> 16, 0, m_w))] += direction;
    }

    int m_w;
    int m_h;
    std::vector<int> m_winding;
};

} // namespace

QImage mask(const QByteArray& text, const QString& section, QSize size)
{
    if (size.isEmpty())
        return {};
    const QByteArray name = section.toLatin1();
    const QByteArrayView countsText = ProfileText::value(text, name, "NumPoints").value_or(QByteArrayView());
    const QByteArrayView pointsText = ProfileText::value(text, name, "PointList").value_or(QByteArrayView());

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
