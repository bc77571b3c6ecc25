// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/winamplook.h"

#include "skins/previewimage.h"
#include "skins/spritetable.h"

#include <QColor>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>

#include <array>

using namespace SpriteTable;

namespace WinampLook {

namespace {

QImage decode(const QByteArray& bytes)
{
    // Winamp 2 reads its skin pictures as Windows bitmaps only.
    const QImage image = bytes.startsWith("BM") ? PreviewImage::decodeBmp(bytes) : QImage();
    return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
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
    Bitmaps(const SkinFiles& files, std::initializer_list<Bitmap> wanted)
    {
        for (const Bitmap b : wanted) {
            QImage image;
            if (b == Numbers)
                image = decode(files.file(QLatin1String(numbersExFile)));
            if (image.isNull())
                image = decode(files.file(QLatin1String(bitmapFiles[size_t(b)])));
            // Winamp draws the balance from volume.bmp when a skin has no balance.bmp.
            if (image.isNull() && b == Balance)
                image = decode(files.file(QLatin1String(bitmapFiles[Volume])));
            m_images[size_t(b)] = image.isNull() ? fallback(b) : image;
        }
    }
    const QImage& operator[](Bitmap b) const { return m_images[size_t(b)]; }

private:
    std::array<QImage, BitmapCount> m_images;
};

// A sprite partly outside a bitmap that is too small draws only the part that exists.
void blit(QPainter& painter, const Bitmaps& bitmaps, const Sprite& sprite, int x, int y)
{
    const QImage& image = bitmaps[sprite.bitmap];
    const QRect wanted(sprite.x, sprite.y, sprite.w, sprite.h);
    const QRect source = wanted & image.rect();
    if (!source.isEmpty())
        painter.drawImage(QPoint(x + source.x() - wanted.x(), y + source.y() - wanted.y()), image, source);
}

template<size_t N> void blitAll(QPainter& painter, const Bitmaps& bitmaps, const Placed (&placed)[N])
{
    for (const Placed& p : placed)
        blit(painter, bitmaps, p.sprite, p.x, p.y);
}

void text(QPainter& painter, const Bitmaps& bitmaps, const QString& line, const Area& area)
{
    painter.save();
    painter.setClipRect(area.x, area.y, area.w, area.h);
    int x = area.x;
    for (const char32_t c : line.toUcs4()) {
        if (x >= area.x + area.w)
            break;
        const auto [row, col] = glyphCell(c);
        blit(painter, bitmaps, { Text, col * glyphWidth, row * glyphHeight, glyphWidth, glyphHeight }, x, area.y);
        x += glyphWidth;
    }
    painter.restore();
}

QImage canvas()
{
    QImage image(windowWidth, windowHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

// viscolor.txt: one colour a line, "r,g,b" and maybe a comment; these are Winamp's own
// colours for the lines a skin leaves out.
std::array<QColor, 24> visColours(const QByteArray& bytes)
{
    static constexpr int defaults[24][3] = { { 0, 0, 0 }, { 24, 33, 41 }, { 239, 49, 16 }, { 206, 41, 16 },
        { 214, 90, 0 }, { 214, 102, 0 }, { 214, 115, 0 }, { 198, 123, 8 }, { 222, 165, 24 }, { 214, 181, 33 },
        { 189, 222, 41 }, { 148, 222, 33 }, { 41, 206, 16 }, { 50, 190, 16 }, { 57, 181, 16 }, { 49, 156, 8 },
        { 41, 148, 0 }, { 24, 132, 8 }, { 255, 255, 255 }, { 214, 214, 222 }, { 181, 189, 189 }, { 160, 170, 175 },
        { 148, 156, 165 }, { 150, 150, 150 } };
    std::array<QColor, 24> colours;
    for (size_t i = 0; i < colours.size(); ++i)
        colours[i] = QColor(defaults[i][0], defaults[i][1], defaults[i][2]);
    static const QRegularExpression number(QStringLiteral("\\d+"));
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size() && i < qsizetype(colours.size()); ++i) {
        const QString line = QString::fromLatin1(lines[i]).section(QStringLiteral("//"), 0, 0);
        int rgb[3];
        int found = 0;
        for (auto it = number.globalMatch(line); it.hasNext() && found < 3;)
            rgb[found++] = std::min(255, it.next().captured().toInt());
        if (found == 3)
            colours[size_t(i)] = QColor(rgb[0], rgb[1], rgb[2]);
    }
    return colours;
}

struct PlaylistText
{
    QColor normal { 0, 255, 0 };
    QColor current { 255, 255, 255 };
    QColor normalBg { 0, 0, 0 };
    QColor selectedBg { 0, 0, 255 };
    QString font = QStringLiteral("Arial");
};

// pledit.txt: the [Text] section of an INI file; colours as #rrggbb, the # optional.
PlaylistText playlistText(const QByteArray& bytes)
{
    PlaylistText result;
    bool inText = false;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromLatin1(raw).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inText = line.compare(QStringLiteral("[Text]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inText || eq < 0)
            continue;
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("font")) {
            if (!value.isEmpty())
                result.font = value;
            continue;
        }
        const QString hex = value.startsWith(QLatin1Char('#')) ? value.mid(1) : value;
        bool ok = false;
        const uint rgb = hex.left(6).toUInt(&ok, 16);
        if (!ok || hex.size() < 6)
            continue;
        const QColor colour = QColor::fromRgb(rgb);
        if (key == QLatin1String("normal"))
            result.normal = colour;
        else if (key == QLatin1String("current"))
            result.current = colour;
        else if (key == QLatin1String("normalbg"))
            result.normalBg = colour;
        else if (key == QLatin1String("selectedbg"))
            result.selectedBg = colour;
    }
    return result;
}

// region.txt: the polygons of one section ("Normal" for the main window, "Equalizer")
// that shape a window. Empty when the section is absent or its numbers do not add up,
// and Winamp then leaves the window square.
QPainterPath region(const QByteArray& bytes, const QString& section)
{
    static const QRegularExpression number(QStringLiteral("-?\\d+"));
    auto numbers = [](const QString& text) {
        QList<int> values;
        for (auto it = number.globalMatch(text); it.hasNext();)
            values << it.next().captured().toInt();
        return values;
    };
    QList<int> counts, points;
    bool inSection = false;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromLatin1(raw).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inSection = line.compare(QLatin1Char('[') + section + QLatin1Char(']'), Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inSection || eq < 0 || line.startsWith(QLatin1Char(';')))
            continue;
        const QString key = line.left(eq).trimmed().toLower();
        if (key == QLatin1String("numpoints"))
            counts = numbers(line.mid(eq + 1));
        else if (key == QLatin1String("pointlist"))
            points = numbers(line.mid(eq + 1));
    }
    qsizetype total = 0;
    for (const int count : std::as_const(counts)) {
        if (count < 1 || count > 10000)
            return {};
        total += count;
    }
    if (counts.isEmpty() || total * 2 != points.size())
        return {};
    QPainterPath shape;
    qsizetype next = 0;
    for (const int count : std::as_const(counts)) {
        QPolygonF polygon;
        for (int i = 0; i < count; ++i, next += 2)
            polygon << QPointF(points[next], points[next + 1]);
        QPainterPath part;
        part.addPolygon(polygon);
        part.closeSubpath();
        shape = shape.united(part);
    }
    return shape;
}

// Pixels outside the region become transparent, as the desktop shows through there.
void shape(QImage& image, const QPainterPath& region)
{
    if (region.isEmpty())
        return;
    QImage mask(image.size(), QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    QPainter(&mask).fillPath(region, Qt::black);
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.drawImage(0, 0, mask);
}

QImage composeMain(const SkinFiles& files)
{
    const Bitmaps bitmaps(
        files, { Main, Titlebar, Cbuttons, Numbers, Playpaus, Monoster, Posbar, Volume, Balance, Shufrep, Text });
    QImage image = canvas();
    QPainter painter(&image);

    blitAll(painter, bitmaps, mainStopped);
    // Winamp paints the visualisation over main.bmp, stopped too: background and grid.
    const std::array<QColor, 24> vis = visColours(files.file(QLatin1String(visColorFile)));
    painter.fillRect(visArea.x, visArea.y, visArea.w, visArea.h, vis[0]);
    for (int y = 1; y < visArea.h; y += 2) {
        for (int x = 1; x < visArea.w; x += 2)
            painter.fillRect(visArea.x + x, visArea.y + y, 1, 1, vis[1]);
    }

    for (const auto& [x, y] : timeDigits)
        blit(painter, bitmaps, digit(0), x, y);

    // Volume at half, balance in the middle.
    const int volumeFrame = sliderFrames / 2 - 1;
    blit(painter, bitmaps, SpriteTable::volumeFrame(volumeFrame), volumeArea.x, volumeArea.y);
    blit(painter, bitmaps, volumeThumb, volumeArea.x + (volumeArea.w - volumeThumb.w) / 2,
        volumeArea.y + sliderThumbTop);
    blit(painter, bitmaps, balanceFrame(0), balanceArea.x, balanceArea.y);
    blit(painter, bitmaps, balanceThumb, balanceArea.x + (balanceArea.w - balanceThumb.w) / 2,
        balanceArea.y + sliderThumbTop);

    text(painter, bitmaps, QStringLiteral("1. Hadrel (3:45)"), titleArea);
    painter.end();
    shape(image, region(files.file(QLatin1String(regionFile)), QStringLiteral("Normal")));
    return image;
}

} // namespace

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
        if (b != Eqmain && b != Pledit)
            names << QLatin1String(bitmapFiles[size_t(b)]);
    }
    names << QLatin1String(numbersExFile) << QLatin1String(visColorFile) << QLatin1String(regionFile);
    return names;
}

QImage mainWindow(const SkinFiles& files)
{
    return composeMain(files);
}

QImage equalizer(const SkinFiles& files)
{
    const Bitmaps bitmaps(files, { Eqmain });
    QImage image = canvas();
    QPainter painter(&image);
    blitAll(painter, bitmaps, equalizerStopped);

    // Flat at 0 dB: the preamp line and the curve across the middle of the graph.
    const int middle = eqGraph.h / 2;
    blit(painter, bitmaps, eqPreampLine, eqGraph.x, eqGraph.y + middle);
    const Sprite curve { Eqmain, eqCurveColours.x, eqCurveColours.y + middle, 1, 1 };
    for (int x = 2; x < eqGraph.w - 2; ++x)
        blit(painter, bitmaps, curve, eqGraph.x + x, eqGraph.y + middle);

    const int frame = sliderFrames / 2 - 1;
    const int thumbTop = (eqSliderHeight - eqSliderThumb.h - 1) / 2;
    for (const int left : eqSliderLefts) {
        blit(painter, bitmaps, eqSliderFrame(frame), left, eqSliderTop);
        blit(painter, bitmaps, eqSliderThumb, left + 1, eqSliderTop + thumbTop);
    }
    painter.end();
    shape(image, region(files.file(QLatin1String(regionFile)), QStringLiteral("Equalizer")));
    return image;
}

QImage playlist(const SkinFiles& files)
{
    const Bitmaps bitmaps(files, { Pledit, Text });
    const PlaylistText look = playlistText(files.file(QLatin1String(pleditTextFile)));
    QImage image = canvas();
    QPainter painter(&image);
    blitAll(painter, bitmaps, playlistSmallest);

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
    painter.setClipping(false);
    text(painter, bitmaps, QStringLiteral("3:45/16:02"),
        { playlistRunningTime[0], playlistRunningTime[1], 10 * glyphWidth, glyphHeight });
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
