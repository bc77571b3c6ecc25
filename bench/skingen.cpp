// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/skingen.h"

#include "bench/bmpfile.h"

#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>

#include <cerrno>
#include <cstring>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace SkinGen {

namespace {

constexpr int skinWidth = 275;
constexpr int skinHeight = 116;

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// A main window in the look of a skin: a gradient body, title bar, display, buttons.
QImage drawPicture(std::mt19937& rng)
{
    auto colour = [&rng] { return QColor(int(rng() % 256), int(rng() % 256), int(rng() % 256)); };
    QImage image(skinWidth, skinHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient body(0, 0, 0, skinHeight);
    body.setColorAt(0, colour());
    body.setColorAt(1, colour());
    painter.fillRect(image.rect(), body);
    painter.fillRect(0, 0, skinWidth, 14, colour()); // title bar
    painter.fillRect(10, 22, 95, 42, Qt::black); // time display
    painter.setPen(colour());
    painter.drawText(QRect(110, 24, 150, 12), Qt::AlignLeft, QStringLiteral("WINAMP 2.91  128kbps 44kHz"));
    painter.fillRect(16, 72, 248, 10, colour()); // position bar
    for (int i = 0; i < 6; ++i) { // buttons
        const QRect button(16 + i * 23, 88, 22, 18);
        painter.fillRect(button, colour());
        painter.setPen(Qt::black);
        painter.drawRect(button.adjusted(0, 0, -1, -1));
    }
    for (int i = 0; i < 40; ++i) // speckles, as scanned or hand-drawn skins have
        image.setPixelColor(int(rng() % skinWidth), int(rng() % skinHeight), colour());
    painter.end();
    return image;
}

bool samePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if ((a.pixel(x, y) & 0xffffff) != (b.pixel(x, y) & 0xffffff))
                return false;
        }
    }
    return true;
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile out(path);
    return out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size();
}

// ext4 allows 65,000 links to one inode: a source hands out links to fresh copies of
// its file as each fills up.
class LinkSource
{
public:
    explicit LinkSource(const QString& path = {})
        : m_original(QFile::encodeName(path))
        , m_current(m_original)
    {
    }

    // Copies made by an earlier source may be full already: those are passed over.
    bool linkTo(const QByteArray& target)
    {
        for (int copies = 0; copies < 1000; ++copies) {
            if (m_used < linksPerCopy) {
                if (::link(m_current.constData(), target.constData()) == 0) {
                    ++m_used;
                    return true;
                }
                if (errno != EMLINK)
                    return false;
            }
            if (!nextCopy())
                return false;
        }
        return false;
    }

private:
    static constexpr int linksPerCopy = 60000;

    bool nextCopy()
    {
        const QByteArray copy = m_original + '.' + QByteArray::number(++m_copies);
        if (!QFile::exists(QFile::decodeName(copy))
            && !QFile::copy(QFile::decodeName(m_original), QFile::decodeName(copy)))
            return false;
        m_current = copy;
        m_used = 0;
        return true;
    }

    QByteArray m_original;
    QByteArray m_current;
    int m_used = 0;
    int m_copies = 0;
};

// Words of skin names as they come: mixed case, blanks, digits, Japanese.
const char* const asciiWords[]
    = { "Classic", "dark", "Steel", "NEON", "blue", "Chrome", "retro", "Amp", "metal", "Glass", "ice", "FIRE", "Matrix",
          "orbit", "Pixel", "sunset", "Wood", "zen", "Aqua", "black", "XP", "winamp", "Mac", "_old" };
const char* const japaneseWords[]
    = { "桜", "夜空", "青い海", "ネオン", "鋼鉄", "ﾊﾝｶｸｶﾅ", "富士山", "月光", "ｽｷﾝ", "和風" };
const char* const otherFiles[]
    = { "cbuttons.bmp", "titlebar.bmp", "playpaus.bmp", "monoster.bmp", "numbers.bmp", "posbar.bmp", "shufrep.bmp",
          "text.bmp", "volume.bmp", "balance.bmp", "eqmain.bmp", "pledit.bmp", "pledit.txt", "viscolor.txt" };

enum class Case { Lower, Upper, Capital, UpperStem };

QString cased(const QString& name, Case c)
{
    switch (c) {
    case Case::Lower:
        return name;
    case Case::Upper:
        return name.toUpper();
    case Case::Capital:
        return name.left(1).toUpper() + name.mid(1);
    case Case::UpperStem: {
        const int dot = name.lastIndexOf(QLatin1Char('.'));
        return name.left(dot).toUpper() + name.mid(dot);
    }
    }
    return name;
}

QString skinName(std::mt19937& rng, int index, bool* japanese)
{
    static const char* const separators[] = { " ", "_", "-", "" };
    const QString number = QString::number(index);
    *japanese = rng() % 100 < 12;
    if (*japanese) {
        return QString::fromUtf8(japaneseWords[rng() % std::size(japaneseWords)])
            + QString::fromUtf8(separators[rng() % 3]) + number;
    }
    QString first = QString::fromLatin1(asciiWords[rng() % std::size(asciiWords)]);
    if (rng() % 4 == 0)
        first = first.toLower();
    return first + QLatin1String(separators[rng() % 4]) + QLatin1String(asciiWords[rng() % std::size(asciiWords)])
        + QLatin1String(separators[rng() % 4]) + number;
}

} // namespace

bool makePool(Pool& pool, const QString& folder, const QString& realSkins, QString* error)
{
    pool = Pool();
    pool.folder = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    std::mt19937 rng(2024);
    const BmpFile::Kind kinds[] = { BmpFile::Kind::Rle8, BmpFile::Kind::Indexed8, BmpFile::Kind::Rgb24 };
    int number = 0;
    for (int i = 0; i < 8; ++i) {
        const QImage drawn = drawPicture(rng);
        const QImage indexed = drawn.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
        for (BmpFile::Kind kind : kinds) {
            const QImage& source = kind == BmpFile::Kind::Rgb24 ? drawn : indexed;
            const QString path = pool.folder + QStringLiteral("main-%1.bmp").arg(number++);
            if (!writeBytes(path, BmpFile::encode(source, kind)))
                return fail(error, QStringLiteral("cannot write %1").arg(path));
            // Read back through Qt's own reader: the bench is worthless on bitmaps Qt rejects.
            const QImage back(path);
            if (!samePixels(back, source))
                return fail(error, QStringLiteral("%1 (%2) does not read back").arg(path, BmpFile::kindName(kind)));
            pool.pictures.append({ path, QString::fromLatin1(BmpFile::kindName(kind)), false });
        }
    }

    pool.region = pool.folder + QStringLiteral("region.txt");
    if (!writeBytes(pool.region, "[Normal]\r\nNumPoints=4\r\nPointList=0,0, 275,0, 275,116, 0,116\r\n"))
        return fail(error, QStringLiteral("cannot write %1").arg(pool.region));
    pool.other = pool.folder + QStringLiteral("other");
    if (!writeBytes(pool.other, QByteArray(64, 'x')))
        return fail(error, QStringLiteral("cannot write %1").arg(pool.other));

    if (realSkins.isEmpty())
        return true;
    // The real skins' own main bitmaps: RLE8 by real tools, 32-bit with V4 headers.
    const QStringList names = QDir(realSkins).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        const QDir skin(realSkins + QLatin1Char('/') + name);
        const QStringList files = skin.entryList({ QStringLiteral("main.bmp") }, QDir::Files);
        if (files.isEmpty())
            continue;
        const QString path = pool.folder + QStringLiteral("real-") + name + QStringLiteral(".bmp");
        if (!QFile::copy(skin.filePath(files.first()), path) || QImage(path).size() != QSize(skinWidth, skinHeight))
            return fail(error, QStringLiteral("cannot use the real skin %1").arg(name));
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
        pool.pictures.append({ path, name, true });
        const QString archive = realSkins + QStringLiteral("/wsz/") + name + QStringLiteral(".wsz");
        const QString copy = pool.folder + name + QStringLiteral(".wsz");
        if (QFile::exists(archive)) {
            // Writable by its owner, or the scan would take it for a read-only file.
            if (!QFile::copy(archive, copy)
                || !QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::WriteOwner))
                return fail(error, QStringLiteral("cannot copy %1").arg(archive));
            pool.archives.append(copy);
            pool.archivePictures.append(path);
        }
    }
    return true;
}

bool makeSkins(Made& made, const Pool& pool, const QString& folder, int count, quint32 seed, QString* error,
    Spelling spelling, int archivePercent)
{
    made = Made();
    if (pool.pictures.isEmpty())
        return fail(error, QStringLiteral("empty pool"));
    const QByteArray root = QFile::encodeName(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
    std::mt19937 rng(seed);

    std::vector<LinkSource> pictures;
    for (const Picture& picture : pool.pictures)
        pictures.emplace_back(picture.path);
    QList<int> generated, real; // pool indexes by origin
    for (int i = 0; i < pool.pictures.size(); ++i)
        (pool.pictures[i].real ? real : generated).append(i);
    LinkSource region(pool.region);
    LinkSource other(pool.other);
    std::vector<LinkSource> archives;
    for (const QString& archive : pool.archives)
        archives.emplace_back(archive);
    if (archivePercent > 0 && archives.empty())
        return fail(error, QStringLiteral("no archives in the pool"));

    auto mkdirOrFail = [&](const QByteArray& path) {
        return ::mkdir(path.constData(), 0755) == 0
            || fail(error, QStringLiteral("mkdir %1").arg(QFile::decodeName(path)));
    };
    auto linkOrFail = [&](LinkSource& source, const QByteArray& target) {
        return source.linkTo(target)
            || fail(error,
                QStringLiteral("link %1: %2").arg(QFile::decodeName(target), QString::fromLocal8Bit(strerror(errno))));
    };

    // Fills dir with a skin's files; main may be empty (a skin by its Region.txt alone).
    auto fillSkin = [&](const QByteArray& dir, Case c, bool withMain, bool withRegion, int picture) {
        if (withMain
            && !linkOrFail(pictures[size_t(picture)], dir + QFile::encodeName(cased(QStringLiteral("main.bmp"), c))))
            return false;
        if (withRegion && !linkOrFail(region, dir + QFile::encodeName(cased(QStringLiteral("region.txt"), c))))
            return false;
        for (const char* file : otherFiles) {
            if (!linkOrFail(other, dir + QFile::encodeName(cased(QString::fromLatin1(file), c))))
                return false;
        }
        return true;
    };

    int extra = 0;
    QByteArray lastSkin;
    while (made.skins.size() < count) {
        // About one entry in fifty is something that must not be listed.
        if (rng() % 50 == 0) {
            const QByteArray name = "extra " + QByteArray::number(extra);
            const QByteArray path = root + name;
            bool ok = true;
            switch (extra++ % 7) {
            case 0: // empty folder
                ok = mkdirOrFail(path);
                break;
            case 1: // hidden
                ok = mkdirOrFail(root + '.' + name) && fillSkin(root + '.' + name + '/', Case::Lower, true, false, 0);
                break;
            case 2: // read-only
                ok = mkdirOrFail(path) && fillSkin(path + '/', Case::Lower, true, false, 0)
                    && ::chmod(path.constData(), 0555) == 0;
                made.readOnly.append(QFile::decodeName(path));
                break;
            case 3: // a hidden archive
                ok = linkOrFail(other, root + '.' + name + ".wsz");
                break;
            case 4: // other files but no main.bmp or Region.txt
                ok = mkdirOrFail(path) && fillSkin(path + '/', Case::Upper, false, false, 0);
                break;
            case 5: // a link to a skin
                ok = lastSkin.isEmpty() || ::symlink(lastSkin.constData(), path.constData()) == 0;
                break;
            case 6: // a folder named main.bmp
                ok = mkdirOrFail(path) && mkdirOrFail(path + "/MAIN.BMP");
                break;
            }
            if (!ok)
                return false;
            ++made.nonSkins;
            continue;
        }

        bool japanese = false;
        QString name = skinName(rng, made.skins.size(), &japanese);
        if (archivePercent > 0 && int(rng() % 100) < archivePercent) {
            static const char* const extensions[]
                = { ".wsz", ".wsz", ".wsz", ".wsz", ".wsz", ".wsz", ".wsz", ".wsz", ".zip", ".WSZ" };
            name += QLatin1String(extensions[rng() % std::size(extensions)]);
            if (!linkOrFail(archives[rng() % archives.size()], root + QFile::encodeName(name)))
                return false;
            made.skins.append(name);
            made.japanese += japanese;
            ++made.archives;
            continue;
        }
        const QByteArray encoded = QFile::encodeName(name);
        const QByteArray dir = root + encoded + '/';
        if (!mkdirOrFail(root + encoded))
            return false;

        const unsigned roll = rng() % 100;
        const Case c = spelling == Spelling::exact ? Case::Lower
            : roll < 55                            ? Case::Lower
            : roll < 85                            ? Case::Upper
            : roll < 95                            ? Case::Capital
                                                   : Case::UpperStem;
        const bool regionOnly = spelling == Spelling::mixed && rng() % 100 < 3;
        const bool withRegion = regionOnly || rng() % 100 < 20;
        // Pictures: generated kinds nine times in ten, the real skins' bitmaps the rest.
        const int picture
            = real.isEmpty() || rng() % 10 ? generated[int(rng() % generated.size())] : real[int(rng() % real.size())];
        if (!fillSkin(dir, c, !regionOnly, withRegion, picture))
            return false;

        made.skins.append(name);
        made.japanese += japanese;
        if (regionOnly)
            ++made.regionOnly;
        else {
            made.notExact += c != Case::Lower;
            ++made.kinds[pool.pictures[picture].kind];
        }
        lastSkin = encoded;
    }
    return true;
}

bool makePageTwins(Made& archives, Made& folders, const Pool& pool, const QString& archiveFolder,
    const QString& folderFolder, int count, QString* error)
{
    archives = Made();
    folders = Made();
    if (pool.archives.isEmpty())
        return fail(error, QStringLiteral("no archives in the pool"));
    std::vector<LinkSource> packed, pictures;
    for (qsizetype i = 0; i < pool.archives.size(); ++i) {
        packed.emplace_back(pool.archives[i]);
        pictures.emplace_back(pool.archivePictures[i]);
    }
    LinkSource other(pool.other);
    const QByteArray archiveRoot = QFile::encodeName(archiveFolder);
    const QByteArray folderRoot = QFile::encodeName(folderFolder);
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("Page %1").arg(i, 5, 10, QLatin1Char('0'));
        const size_t which = size_t(i) % packed.size();
        const QByteArray dir = folderRoot + QFile::encodeName(name) + '/';
        bool ok = packed[which].linkTo(archiveRoot + QFile::encodeName(name) + ".wsz")
            && ::mkdir(dir.constData(), 0755) == 0 && pictures[which].linkTo(dir + "main.bmp");
        for (const char* file : otherFiles)
            ok = ok && other.linkTo(dir + file);
        if (!ok)
            return fail(error, QStringLiteral("cannot make %1").arg(name));
        archives.skins.append(name + QStringLiteral(".wsz"));
        ++archives.archives;
        folders.skins.append(name);
    }
    return true;
}

void restoreWritable(const Made& made)
{
    for (const QString& folder : made.readOnly)
        ::chmod(QFile::encodeName(folder).constData(), 0755);
}

} // namespace SkinGen
