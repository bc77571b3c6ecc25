// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/previewimage.h"

#include "platform/regularfile.h"
#include "skins/skinarchive.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QList>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#endif

namespace PreviewImage {

namespace {

// Our own reader, because Qt's accepts a truncated bitmap and leaves the rows it could
// not read (and the pixels an RLE stream skips) as whatever memory held.

enum Compression : quint32 { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6 };

constexpr qint64 fileHeaderSize = 14;
constexpr qint64 coreHeaderSize = 12;
constexpr qint64 infoHeaderSize = 40;
constexpr qint64 maxFileSize = qint64(256) * 1024 * 1024;

class Bytes
{
public:
    explicit Bytes(const QByteArray& bytes)
        : m_data(reinterpret_cast<const uchar*>(bytes.constData()))
        , m_size(bytes.size())
    {
    }
    bool has(qint64 pos, qint64 length) const
    {
        return pos >= 0 && length >= 0 && pos <= m_size && length <= m_size - pos;
    }
    const uchar* at(qint64 pos) const { return m_data + pos; }
    uchar u8(qint64 pos) const { return m_data[pos]; }
    quint16 u16(qint64 pos) const { return quint16(m_data[pos] | m_data[pos + 1] << 8); }
    quint32 u32(qint64 pos) const { return quint32(u16(pos)) | quint32(u16(pos + 2)) << 16; }
    qint32 i32(qint64 pos) const { return qint32(u32(pos)); }

private:
    const uchar* m_data;
    qint64 m_size;
};

// One colour channel of a 16- or 32-bit pixel, scaled to 8 bits.
struct Channel
{
    quint32 mask = 0;
    int shift = 0;
    int bits = 0;

    // False for a mask whose bits are not one contiguous run.
    bool set(quint32 value)
    {
        mask = value;
        shift = value ? std::countr_zero(value) : 0;
        bits = std::popcount(value);
        return value == 0 || std::countr_one(value >> shift) == bits;
    }
    int value(quint32 pixel) const
    {
        if (bits == 0)
            return 0;
        const quint32 v = (pixel & mask) >> shift;
        if (bits >= 8)
            return int(v >> (bits - 8));
        // Rounded, as common decoders scale 5- and 6-bit channels: 16 of 31 is 132.
        const quint32 top = (quint32(1) << bits) - 1;
        return int((v * 255 + top / 2) / top);
    }
};

struct Layout
{
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitCount = 0;
    quint32 compression = Rgb;
    QList<QRgb> colours; // always 256 entries for indexed pictures
    Channel red, green, blue;
    qint64 dataStart = 0;
};

bool readLayout(const Bytes& in, Layout& out)
{
    if (!in.has(0, fileHeaderSize + 4) || in.u8(0) != 'B' || in.u8(1) != 'M')
        return false;
    const qint64 offBits = in.u32(10);
    const qint64 headerSize = in.u32(fileHeaderSize);
    if (!in.has(fileHeaderSize, headerSize))
        return false;

    const qint64 h = fileHeaderSize;
    qint64 width = 0;
    qint64 height = 0;
    int planes = 0;
    quint32 coloursUsed = 0;
    int entrySize = 4;
    if (headerSize == coreHeaderSize) {
        width = in.u16(h + 4);
        height = in.u16(h + 6);
        planes = in.u16(h + 8);
        out.bitCount = in.u16(h + 10);
        out.compression = Rgb;
        entrySize = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124) {
        width = in.i32(h + 4);
        height = in.i32(h + 8);
        planes = in.u16(h + 12);
        out.bitCount = in.u16(h + 14);
        out.compression = in.u32(h + 16);
        coloursUsed = in.u32(h + 32);
    } else {
        return false;
    }

    const int bits = out.bitCount;
    const quint32 comp = out.compression;
    if (planes != 1 || !(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32))
        return false;
    const bool fits = comp == Rgb || (comp == Rle8 && bits == 8) || (comp == Rle4 && bits == 4)
        || ((comp == BitFields || comp == AlphaBitFields) && (bits == 16 || bits == 32));
    if (!fits)
        return false;

    out.topDown = height < 0;
    if (out.topDown)
        height = -height;
    if (!fitsASkin(QSize(int(std::min<qint64>(width, INT_MAX)), int(std::min<qint64>(height, INT_MAX)))))
        return false;
    if (out.topDown && (comp == Rle8 || comp == Rle4))
        return false;
    out.width = int(width);
    out.height = int(height);

    // Bit field masks sit in the larger headers, or follow the 40-byte one.
    qint64 headersEnd = h + headerSize;
    quint32 masks[3] = { 0, 0, 0 };
    if (comp == BitFields || comp == AlphaBitFields) {
        qint64 maskPos = h + infoHeaderSize;
        if (headerSize == infoHeaderSize) {
            const qint64 maskBytes = comp == AlphaBitFields ? 16 : 12;
            if (!in.has(maskPos, maskBytes))
                return false;
            headersEnd += maskBytes;
        }
        for (quint32& mask : masks) {
            mask = in.u32(maskPos);
            maskPos += 4;
        }
    } else if (bits == 16) {
        masks[0] = 0x7c00;
        masks[1] = 0x03e0;
        masks[2] = 0x001f;
    } else {
        masks[0] = 0xff0000;
        masks[1] = 0x00ff00;
        masks[2] = 0x0000ff;
    }
    if (!out.red.set(masks[0]) || !out.green.set(masks[1]) || !out.blue.set(masks[2]))
        return false;

    qint64 paletteEnd = headersEnd;
    if (bits <= 8) {
        const qint64 count = coloursUsed ? qint64(coloursUsed) : qint64(1) << bits;
        if (count > 256 || !in.has(headersEnd, count * entrySize))
            return false;
        // Indices past the table show black rather than anything undefined.
        out.colours = QList<QRgb>(256, qRgb(0, 0, 0));
        for (qint64 i = 0; i < count; ++i) {
            const qint64 p = headersEnd + i * entrySize;
            out.colours[i] = qRgb(in.u8(p + 2), in.u8(p + 1), in.u8(p));
        }
        paletteEnd += count * entrySize;
    }
    // An offset pointing into the headers is bogus; the pixels then follow the table.
    out.dataStart = offBits >= headersEnd ? offBits : paletteEnd;
    return true;
}

// Whether row y (from the top) is to be read: every row when rows is empty.
bool isWanted(const RowSpans& rows, qint64 y)
{
    if (rows.isEmpty())
        return true;
    for (const auto& [first, end] : rows) {
        if (y >= first && y < end)
            return true;
    }
    return false;
}

#if defined(__x86_64__) || defined(__i386__)
// The pixels done: blue, green, red of four pixels spread to four words, alpha set.
__attribute__((target("ssse3"))) int copyRow24Shuffled(QRgb* dst, const uchar* src, int w, qsizetype stride)
{
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i opaque = _mm_set1_epi32(int(0xff000000u));
    int x = 0;
    for (; x + 4 <= w && 3 * qsizetype(x) + 16 <= stride; x += 4) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_or_si128(_mm_shuffle_epi8(bytes, spread), opaque));
    }
    return x;
}
#endif

// A row of 24-bit pixels: four at a time with a byte shuffle where the processor has one,
// reading no further than stride bytes from src; the rest one by one. The fourth byte read
// is the next pixel's: the last pixel is read on its own, its fourth byte may lie past the data.
void copyRow24(QRgb* dst, const uchar* src, int w, qsizetype stride)
{
    int x = 0;
#if defined(__x86_64__) || defined(__i386__)
    static const bool shuffles = __builtin_cpu_supports("ssse3");
    if (shuffles)
        x = copyRow24Shuffled(dst, src, w, stride);
#endif
    for (; x + 1 < w; ++x) {
        quint32 four;
        std::memcpy(&four, src + 3 * x, sizeof four);
        dst[x] = qFromLittleEndian(four) | 0xff000000u;
    }
    for (; x < w; ++x)
        dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
}

QImage readUncompressed(const Bytes& in, const Layout& layout, bool trueColour, const RowSpans& rows)
{
    const int w = layout.width;
    const int h = layout.height;
    const int bits = layout.bitCount;
    const qint64 stride = (qint64(w) * bits + 31) / 32 * 4;
    if (!in.has(layout.dataStart, stride * h))
        return {};

    const bool indexed = bits <= 8 && !trueColour;
    QImage image(w, h, indexed ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (image.isNull())
        return {};
    if (indexed)
        image.setColorTable(layout.colours);
    uchar* const pixels = image.bits();
    const qsizetype bytesPerLine = image.bytesPerLine();

    // 24 bits, and 32 bits laid out the same way: bytes blue, green, red (and alpha).
    const bool standardMasks = bits == 24
        || (bits == 32 && layout.red.mask == 0xff0000 && layout.green.mask == 0xff00 && layout.blue.mask == 0xff);

    for (int row = 0; row < h; ++row) {
        const uchar* src = in.at(layout.dataStart + row * stride);
        const int y = layout.topDown ? row : h - 1 - row;
        uchar* const line = pixels + y * bytesPerLine;
        if (!indexed && !isWanted(rows, y)) {
            std::fill_n(reinterpret_cast<QRgb*>(line), w, qRgb(0, 0, 0));
            continue;
        }
        if (bits <= 8) {
            auto indexAt = [&](int x) {
                if (bits == 8)
                    return uint(src[x]);
                if (bits == 4)
                    return uint((x & 1) ? src[x / 2] & 0x0f : src[x / 2] >> 4);
                return uint((src[x / 8] >> (7 - (x & 7))) & 1);
            };
            if (indexed) {
                for (int x = 0; x < w; ++x)
                    line[x] = uchar(indexAt(x));
            } else if (bits == 8) {
                // The common depth, in a loop of its own.
                auto* dst = reinterpret_cast<QRgb*>(line);
                const QRgb* colours = layout.colours.constData();
                for (int x = 0; x < w; ++x)
                    dst[x] = colours[src[x]];
            } else {
                auto* dst = reinterpret_cast<QRgb*>(line);
                for (int x = 0; x < w; ++x)
                    dst[x] = layout.colours[indexAt(x)];
            }
            continue;
        }
        auto* dst = reinterpret_cast<QRgb*>(line);
        if (standardMasks) {
            // A loop per depth, which the compiler turns into wide moves.
            if (bits == 24) {
                copyRow24(dst, src, w, stride);
            } else {
                for (int x = 0; x < w; ++x) {
                    quint32 four;
                    std::memcpy(&four, src + 4 * x, sizeof four);
                    dst[x] = qFromLittleEndian(four) | 0xff000000u;
                }
            }
            continue;
        }
        for (int x = 0; x < w; ++x) {
            quint32 pixel = 0;
            if (bits == 16) {
                const uchar* p = src + 2 * x;
                pixel = quint32(p[0] | p[1] << 8);
            } else {
                const uchar* p = src + 4 * x;
                pixel = quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
            }
            dst[x] = qRgb(layout.red.value(pixel), layout.green.value(pixel), layout.blue.value(pixel));
        }
    }
    return image;
}

QImage readRunLength(const Bytes& in, const Layout& layout, bool trueColour, const RowSpans& rows)
{
    const int w = layout.width;
    const int h = layout.height;
    const bool eightBit = layout.compression == Rle8;

    QImage image(w, h, trueColour ? QImage::Format_RGB32 : QImage::Format_Indexed8);
    if (image.isNull())
        return {};
    // Pixels the stream skips (deltas, early ends) are colour 0.
    if (trueColour) {
        image.fill(layout.colours[0]);
    } else {
        image.setColorTable(layout.colours);
        image.fill(0);
    }

    // Rows from the bottom; bits() once, as scanLine() on a mutable image checks for
    // sharing at every call.
    uchar* const bits = image.bits();
    const qsizetype bytesPerLine = image.bytesPerLine();
    const QRgb* const colours = layout.colours.constData();
    auto put = [&](qint64 x, qint64 y, uint index) {
        if (x >= w || y >= h)
            return;
        uchar* const line = bits + (h - 1 - y) * bytesPerLine;
        if (trueColour)
            reinterpret_cast<QRgb*>(line)[x] = colours[index];
        else
            line[x] = uchar(index);
    };

    qint64 pos = layout.dataStart;
    qint64 x = 0;
    qint64 y = 0;
    while (y < h) {
        if (!in.has(pos, 2))
            return {}; // the stream ends before the picture does
        const uint count = in.u8(pos);
        const uint code = in.u8(pos + 1);
        pos += 2;
        if (count > 0) {
            if (trueColour && eightBit && y < h) {
                // A run of one colour, as most of a skin's bitmap is.
                auto* line = reinterpret_cast<QRgb*>(bits + (h - 1 - y) * bytesPerLine);
                if (x < w && isWanted(rows, h - 1 - y))
                    std::fill(line + x, line + std::min<qint64>(w, x + count), colours[code]);
            } else {
                for (uint k = 0; k < count && x + k < w; ++k)
                    put(x + k, y, eightBit ? code : (k & 1) ? code & 0x0f : code >> 4);
            }
            x += count;
            continue;
        }
        switch (code) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of bitmap
            return image;
        case 2: // delta
            if (!in.has(pos, 2))
                return {};
            x += in.u8(pos);
            y += in.u8(pos + 1);
            pos += 2;
            break;
        default: { // absolute run, padded to 16 bits
            const qint64 bytes = eightBit ? code : (code + 1) / 2;
            const qint64 padded = (bytes + 1) & ~qint64(1);
            if (!in.has(pos, padded))
                return {};
            for (uint k = 0; k < code && x + k < w; ++k) {
                const uchar b = in.u8(pos + (eightBit ? k : k / 2));
                put(x + k, y, eightBit ? b : (k & 1) ? b & 0x0f : b >> 4);
            }
            pos += padded;
            x += code;
            break;
        }
        }
    }
    return image;
}

QByteArray readRegularFile(const QString& path)
{
    // Never a FIFO named main.bmp, which would hang the reader.
    return RegularFile::read(path, maxFileSize);
}

} // namespace

bool fitsASkin(QSize size)
{
    return size.width() > 0 && size.height() > 0 && size.width() <= maxSide && size.height() <= maxSide
        && qint64(size.width()) * size.height() <= maxPixels;
}

namespace {

QImage decodeBitmap(const QByteArray& bytes, bool trueColour, const RowSpans& rows = {})
{
    const Bytes in(bytes);
    Layout layout;
    if (!readLayout(in, layout))
        return {};
    if (layout.compression == Rle8 || layout.compression == Rle4)
        return readRunLength(in, layout, trueColour, rows);
    return readUncompressed(in, layout, trueColour, rows);
}

} // namespace

QImage decodeBmp(const QByteArray& bytes)
{
    return decodeBitmap(bytes, false);
}

QImage decodeBmpRgb32(const QByteArray& bytes)
{
    return decodeBitmap(bytes, true);
}

QImage decodeBmpRgb32(const QByteArray& bytes, const RowSpans& rows)
{
    return decodeBitmap(bytes, true, rows);
}

QImage load(const QString& path)
{
    QByteArray bytes = SkinArchive::isArchiveName(path) ? SkinArchive::mainBitmap(path) : readRegularFile(path);
    if (bytes.isEmpty())
        return {};
    if (bytes.startsWith("BM"))
        return decodeBmp(bytes);
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    if (!fitsASkin(reader.size()))
        return {};
    return reader.read();
}

QImage stretchedImage(const QImage& image, const QSize& size, qreal devicePixelRatio)
{
    if (image.isNull() || size.isEmpty())
        return {};
    const QSize pixels = (QSizeF(size) * devicePixelRatio).toSize();
    // Smooth scaling works on 32-bit pixels; converting a palette picture first is the
    // cheaper way there.
    const QImage source = image.format() == QImage::Format_Indexed8 && !image.hasAlphaChannel()
        ? image.convertToFormat(QImage::Format_RGB32)
        : image;
    QImage scaled = source.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(devicePixelRatio);
    return scaled;
}

QPixmap stretched(const QImage& image, const QSize& size, qreal devicePixelRatio)
{
    return QPixmap::fromImage(stretchedImage(image, size, devicePixelRatio));
}

} // namespace PreviewImage
