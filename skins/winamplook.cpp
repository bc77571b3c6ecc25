// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/winamplook.h"

#include "skins/previewimage.h"
#include "skins/profiletext.h"
#include "skins/skinregion.h"
#include "skins/spritetable.h"

#include <QColor>
#include <QFile>
#include <QFont>
#include <QPainter>

#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

using namespace SpriteTable;

namespace WinampLook {

namespace {

// Only rows read, when given.
QImage decode(const QByteArray& bytes, const PreviewImage::RowSpans& rows = {})
{
    // Winamp 2 reads its skin pictures as Windows bitmaps only.
    return bytes.startsWith("BM") ? PreviewImage::decodeBmpRgb32(bytes, rows) : QImage();
}

const QImage& fallback(Bitmap bitmap)
{
    static const std::array<QImage, BitmapCount> images = [] {
        std::array<QImage, BitmapCount> all;
        for (int b = 0; b < BitmapCount; ++b) {
            QFile file(QStringLiteral(":/hadrel/fallback/") + QLatin1String(bitmapFiles[size_t(b)]));
            if (file.open(QIODevice::ReadOnly))
                all[size_t(b)] = decode(file.readAll());
        }
        return all;
    }();
    return images[size_t(bitmap)];
}

// The skin's bitmaps, each replaced by ours when the skin's does not decode.
class Bitmaps
{
public:
    // rows, when given, are those of each bitmap that will be drawn from; none means all.
    Bitmaps(const SkinFiles& files, std::initializer_list<Bitmap> wanted,
        const std::array<PreviewImage::RowSpans, BitmapCount>* rows = nullptr)
    {
        for (const Bitmap b : wanted) {
            const PreviewImage::RowSpans all;
            const PreviewImage::RowSpans& drawn = rows ? (*rows)[size_t(b)] : all;
            QImage image = decode(files.file(QLatin1String(bitmapFiles[size_t(b)])), drawn);
            // Winamp draws the balance from volume.bmp when a skin has no balance.bmp.
            if (image.isNull() && b == Balance)
                image = decode(files.file(QLatin1String(bitmapFiles[Volume])), drawn);
            m_images[size_t(b)] = image.isNull() ? fallback(b) : image;
        }
    }
    const QImage& operator[](Bitmap b) const { return m_images[size_t(b)]; }
    QImage take(Bitmap b) { return std::exchange(m_images[size_t(b)], QImage()); }

private:
    std::array<QImage, BitmapCount> m_images;
};

constexpr QRect wholeWindow(0, 0, windowWidth, windowHeight);

// A sprite partly outside a bitmap that is too small draws only the part that exists;
// nothing lands outside clip or the canvas. The bitmaps and the canvas are 32-bit RGB, so
// drawing a sprite is a plain copy of its rows: what a painter without transform does, at a
// fraction of its cost per call, which the collection's index pays for every skin.
void blit(QImage& canvas, const Bitmaps& bitmaps, const Sprite& sprite, int x, int y, const QRect& clip = wholeWindow)
{
    const QImage& image = bitmaps[sprite.bitmap];
    const QRect wanted(sprite.x, sprite.y, sprite.w, sprite.h);
    const QPoint offset(x - wanted.x(), y - wanted.y());
    const QRect source = wanted & image.rect();
    const QRect target = source.translated(offset) & clip & canvas.rect();
    if (target.isEmpty())
        return;
    if (image.format() != QImage::Format_RGB32 || canvas.format() != QImage::Format_RGB32) {
        // Other pixels need converting or blending: the painter's business.
        QPainter painter(&canvas);
        painter.setClipRect(target);
        painter.drawImage(source.topLeft() + offset, image, source);
        return;
    }
    const qsizetype to = canvas.bytesPerLine();
    const qsizetype from = image.bytesPerLine();
    const size_t rowBytes = size_t(target.width()) * sizeof(QRgb);
    uchar* out = canvas.bits() + target.y() * to + target.x() * qsizetype(sizeof(QRgb));
    const uchar* in
        = image.constBits() + (target.y() - offset.y()) * from + (target.x() - offset.x()) * qsizetype(sizeof(QRgb));
    for (int row = 0; row < target.height(); ++row, out += to, in += from)
        std::memcpy(out, in, rowBytes);
}

template<size_t N> void blitAll(QImage& canvas, const Bitmaps& bitmaps, const Placed (&placed)[N])
{
    for (const Placed& p : placed)
        blit(canvas, bitmaps, p.sprite, p.x, p.y);
}

// Winamp fills the whole field: the text, then blank glyphs.
void text(QImage& canvas, const Bitmaps& bitmaps, const QString& line, const TextField& field)
{
    const QRect clip(field.x, field.y, field.width, glyphHeight);
    std::u32string glyphs = line.toStdU32String().substr(0, size_t(field.glyphs));
    glyphs.resize(size_t(field.glyphs), U' ');
    int x = field.x;
    for (const char32_t c : glyphs) {
        const auto [row, col] = glyphCell(c);
        blit(canvas, bitmaps, { Text, col * glyphWidth, row * glyphHeight, glyphWidth, glyphHeight }, x, field.y, clip);
        x += glyphWidth;
    }
}

int rounded(double value)
{
    return int(std::lround(value));
}

// Whether the sprite is all of its bitmap's window-sized top-left corner, drawn over the
// whole window.
constexpr bool isBackground(const Placed& p)
{
    return p.sprite.x == 0 && p.sprite.y == 0 && p.sprite.w == windowWidth && p.sprite.h == windowHeight && p.x == 0
        && p.y == 0;
}

// Black where background, the bitmap drawn first over the whole window, does not reach;
// the rest it overwrites, so filling it would be wasted on every skin of the index.
QImage canvas(const QImage& background = {})
{
    QImage image(windowWidth, windowHeight, QImage::Format_RGB32);
    if (background.width() < windowWidth || background.height() < windowHeight
        || background.format() != QImage::Format_RGB32)
        image.fill(Qt::black);
    return image;
}

// Pixels outside the region become transparent, as the desktop shows through there.
void shape(QImage& image, const SkinFiles& files, const QString& section)
{
    const QImage mask = SkinRegion::mask(files.file(QLatin1String(regionFile)), section, image.size());
    if (mask.isNull())
        return;
    // Our canvas is made opaque and cut in one pass, where converting it would take one
    // of its own.
    const bool opaque = image.format() == QImage::Format_RGB32;
    if (!opaque || !image.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied))
        image = std::move(image).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QRgb alpha = opaque ? 0xff000000u : 0u;
    const int w = image.width(), h = image.height();
    uchar* const pixels = image.bits();
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(pixels + y * image.bytesPerLine());
        const uchar* inside = mask.constScanLine(y);
        int x = 0;
#ifdef __SSE2__
        // The mask's bytes are 0 or 255: each spread over its pixel's four.
        const __m128i opacity = _mm_set1_epi32(int(alpha));
        for (; x + 4 <= w; x += 4) {
            quint32 four;
            std::memcpy(&four, inside + x, sizeof four);
            __m128i keep = _mm_cvtsi32_si128(int(four));
            keep = _mm_unpacklo_epi8(keep, keep);
            keep = _mm_unpacklo_epi16(keep, keep);
            auto* at = reinterpret_cast<__m128i*>(line + x);
            _mm_storeu_si128(at, _mm_and_si128(_mm_or_si128(_mm_loadu_si128(at), opacity), keep));
        }
#endif
        for (; x < w; ++x)
            line[x] = (line[x] | alpha) & (0u - QRgb(inside[x] != 0));
    }
}

// Every sprite of the main window but its text, where it goes: the background first.
const std::vector<Placed>& mainSprites()
{
    static const std::vector<Placed> sprites = [] {
        std::vector<Placed> all(std::begin(mainStopped), std::end(mainStopped));
        // Winamp's first volume, 200 of 255, and its balance in the middle of -127 to 127;
        // frame and thumb position are truncated, as Winamp works them out.
        constexpr int volume = 200;
        constexpr int volumeMax = 255;
        constexpr int balance = 0;
        constexpr int balanceMax = 127;
        all.push_back({ volumeFrame(volume * (sliderFrames - 1) / volumeMax), volumeArea.x, volumeArea.y });
        all.push_back({ volumeThumb, volumeArea.x + volume * volumeTravel / volumeMax, volumeArea.y + sliderThumbTop });
        all.push_back({ balanceFrame(std::abs(balance) * (sliderFrames - 1) / balanceMax), balanceArea.x, balanceArea.y });
        all.push_back({ balanceThumb, balanceArea.x + (balance + balanceMax) * balanceTravel / (2 * balanceMax),
            balanceArea.y + sliderThumbTop });
        return all;
    }();
    return sprites;
}

// The rows of each bitmap the main window draws from: the other frames of a slider and the
// other looks of the title bar are never decoded. The text's glyphs are all read.
const std::array<PreviewImage::RowSpans, BitmapCount>& mainRows()
{
    static const auto rows = [] {
        std::array<PreviewImage::RowSpans, BitmapCount> all;
        for (const Placed& p : mainSprites())
            all[size_t(p.sprite.bitmap)].append({ p.sprite.y, p.sprite.y + p.sprite.h });
        all[Text].clear();
        return all;
    }();
    return rows;
}

QImage composeMain(const SkinFiles& files)
{
    Bitmaps bitmaps(
        files, { Main, Titlebar, Cbuttons, Playpaus, Monoster, Volume, Balance, Shufrep, Text }, &mainRows());
    static_assert(isBackground(mainStopped[0]));
    const std::vector<Placed>& sprites = mainSprites();
    // A background of the window's own size is the canvas itself, not copied onto one: no
    // other sprite is drawn from it.
    const QImage& background = bitmaps[Main];
    const bool exact = background.size() == wholeWindow.size() && background.format() == QImage::Format_RGB32;
    QImage image = exact ? bitmaps.take(Main) : canvas(background);
    for (auto p = sprites.cbegin() + (exact ? 1 : 0); p != sprites.cend(); ++p)
        blit(image, bitmaps, p->sprite, p->x, p->y);
    text(image, bitmaps, QStringLiteral("1. Hadrel (3:45)"), songTitle);
    shape(image, files, QStringLiteral("Normal"));
    return image;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const char lower = char(c | 0x20);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// The colour as Winamp reads it: "#" optional, then as many hex digits as there are, the
// low 24 bits kept; no digits is black.
QColor colour(std::optional<QByteArrayView> value, QColor fallback)
{
    if (!value || value->isEmpty())
        return fallback;
    QByteArrayView digits = *value;
    if (digits.startsWith('#'))
        digits = digits.sliced(1);
    quint32 rgb = 0;
    for (const char c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0)
            break;
        rgb = rgb << 4 | quint32(digit);
    }
    return QColor::fromRgb(rgb & 0xffffff);
}

} // namespace

PlaylistText playlistText(const QByteArray& bytes)
{
    PlaylistText result;
    result.normal = colour(ProfileText::value(bytes, "Text", "Normal"), result.normal);
    result.current = colour(ProfileText::value(bytes, "Text", "Current"), result.current);
    result.normalBg = colour(ProfileText::value(bytes, "Text", "NormalBG"), result.normalBg);
    result.selectedBg = colour(ProfileText::value(bytes, "Text", "SelectedBG"), result.selectedBg);
    const auto font = ProfileText::value(bytes, "Text", "Font");
    if (font && !font->isEmpty())
        result.font = QString::fromLatin1(*font);
    return result;
}

QStringList fileNames()
{
    QStringList names = mainWindowFileNames();
    names << QLatin1String(bitmapFiles[Eqmain]) << QLatin1String(bitmapFiles[Pledit]) << QLatin1String(pleditTextFile);
    return names;
}

QStringList mainWindowFileNames()
{
    QStringList names;
    for (int b = 0; b < BitmapCount; ++b) {
        if (b != Eqmain && b != Pledit && b != Posbar)
            names << QLatin1String(bitmapFiles[size_t(b)]);
    }
    names << QLatin1String(regionFile);
    return names;
}

QImage mainWindow(const SkinFiles& files)
{
    return composeMain(files);
}

QImage equalizer(const SkinFiles& files)
{
    const Bitmaps bitmaps(files, { Eqmain });
    static_assert(isBackground(equalizerStopped[0]));
    QImage image = canvas(bitmaps[equalizerStopped[0].sprite.bitmap]);
    blitAll(image, bitmaps, equalizerStopped);

    // Flat at 0 dB: the preamp line and the curve across the middle of the graph.
    const int middle = eqGraph.h / 2;
    blit(image, bitmaps, eqPreampLine, eqGraph.x, eqGraph.y + middle);
    const Sprite curve { Eqmain, eqCurveColours.x, eqCurveColours.y + middle, 1, 1 };
    for (int x = 2; x < eqGraph.w - 2; ++x)
        blit(image, bitmaps, curve, eqGraph.x + x, eqGraph.y + middle);

    // The thumb at 0 dB, and the frame for the same fraction of the travel.
    const int thumbTop = eqSliderTravel / 2;
    const int frame = rounded(double(sliderFrames - 1) * thumbTop / eqSliderTravel);
    for (const int left : eqSliderLefts) {
        blit(image, bitmaps, eqSliderFrame(frame), left, eqSliderTop);
        blit(image, bitmaps, eqSliderThumb, left + 1, eqSliderTop + thumbTop);
    }
    shape(image, files, QStringLiteral("Equalizer"));
    return image;
}

QImage playlist(const SkinFiles& files)
{
    const Bitmaps bitmaps(files, { Pledit, Text });
    const PlaylistText look = playlistText(files.file(QLatin1String(pleditTextFile)));
    QImage image = canvas();
    blitAll(image, bitmaps, playlistSmallest);

    // The list's text needs a painter, ended before the sprites after it are copied in.
    QPainter painter(&image);
    const QRect list(playlistList.x, playlistList.y, playlistList.w, playlistList.h);
    painter.fillRect(list, look.normalBg);
    QFont font(look.font);
    font.setPixelSize(playlistRowHeight - 3);
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.setClipRect(list);
    static const std::array<std::pair<const char*, const char*>, 4> titles = { {
        { "Hadrel - Opening Theme", "3:45" },
        { "Hadrel - Skin Parade", "4:12" },
        { "Hadrel - Nightly Build", "2:58" },
        { "Hadrel - Closing Credits", "5:07" },
    } };
    for (size_t i = 0; i < titles.size(); ++i) {
        const QRect row(list.x(), list.y() + int(i) * playlistRowHeight, list.width(), playlistRowHeight);
        // The first title is the current one and selected, so every colour shows.
        if (i == 0)
            painter.fillRect(row, look.selectedBg);
        painter.setPen(i == 0 ? look.current : look.normal);
        const QRect inner = row.adjusted(2, 0, -2, 0);
        painter.drawText(inner, Qt::AlignVCenter | Qt::AlignRight, QLatin1String(titles[i].second));
        const int timeWidth = painter.fontMetrics().horizontalAdvance(QLatin1String(titles[i].second));
        painter.drawText(inner.adjusted(0, 0, -timeWidth - 4, 0), Qt::AlignVCenter | Qt::AlignLeft,
            QStringLiteral("%1. %2").arg(i + 1).arg(QLatin1String(titles[i].first)));
    }
    painter.end();
    text(image, bitmaps, QStringLiteral("3:45/16:02"), playlistRunningTime);
    blitAll(image, bitmaps, playlistMiniTimeCleared);
    return image;
}

QImage stacked(const SkinFiles& files)
{
    QImage image(windowWidth, 3 * windowHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.drawImage(0, 0, mainWindow(files));
    painter.drawImage(0, windowHeight, equalizer(files));
    painter.drawImage(0, 2 * windowHeight, playlist(files));
    return image;
}

QImage mainWindowOf(const QString& skinFolder)
{
    return composeMain(SkinFiles::fromFolder(skinFolder, mainWindowFileNames()));
}

QImage mainWindowOfSkin(const QString& skinPath)
{
    return composeMain(SkinFiles::ofSkin(skinPath, mainWindowFileNames()));
}

} // namespace WinampLook
