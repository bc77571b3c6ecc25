// SPDX-License-Identifier: GPL-3.0-or-later
#include "thumbnailer/thumbnail.h"

#include "skins/previewimage.h"
#include "skins/skinarchive.h"
#include "skins/skinfiles.h"
#include "skins/skinscan.h"
#include "skins/winamplook.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace Thumbnail {

namespace {

const QString mainBitmap = QStringLiteral("main.bmp");

// Pixel art stays crisp: enlarged by whole pixels first, then smoothed down to the size.
QImage fitted(const QImage& image, int size)
{
    const double factor = std::min(double(size) / image.width(), double(size) / image.height());
    QImage source = image;
    if (factor > 1.0) {
        const int whole = int(std::ceil(factor));
        source = image.scaled(image.size() * whole, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    return source.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QImage drawSkin(const SkinFiles& files, int size)
{
    // What Winamp draws in place of a main.bmp it cannot read is ours, not the skin's.
    if (PreviewImage::decodeBmp(files.file(mainBitmap)).isNull())
        return {};
    return fitted(size >= stackedFrom ? WinampLook::stacked(files) : WinampLook::mainWindow(files), size);
}

} // namespace

QString localPath(const QString& input)
{
    if (!input.contains(QLatin1String("://")))
        return input;
    const QUrl url(input);
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

QImage draw(const QString& path, int size)
{
    if (path.isEmpty() || size < 1 || size > maxSize)
        return {};
    const QFileInfo info(path);
    const QStringList names = WinampLook::fileNames();
    if (info.fileName().compare(mainBitmap, Qt::CaseInsensitive) == 0) {
        const QString folder = info.absolutePath() + QLatin1Char('/');
        if (SkinScan::isSkinFolder(folder))
            return drawSkin(SkinFiles::fromFolder(folder, names), size);
    }
    if (SkinArchive::isArchiveName(info.fileName()))
        return drawSkin(SkinFiles(SkinArchive::readFiles(path, names, SkinFiles::maxBytesEach)), size);
    return {};
}

bool writePng(const QImage& image, const QString& output)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || output.isEmpty() || !QImageWriter(&buffer, "png").write(image))
        return false;
    const bool existed = QFileInfo::exists(output) || QFileInfo(output).isSymLink();
    QFile file(output);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    if (file.write(bytes) == bytes.size() && file.flush())
        return true;
    file.close();
    if (!existed)
        file.remove();
    return false;
}

} // namespace Thumbnail
