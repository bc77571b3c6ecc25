// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>

namespace TestSupport {

void putU16(QByteArray& out, quint32 value)
{
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

void putU32(QByteArray& out, quint32 value)
{
    putU16(out, value & 0xffff);
    putU16(out, value >> 16);
}

QByteArray bitmapFile(int headerSize, int width, int height, int bits, quint32 compression, const QList<QRgb>& palette,
    const QByteArray& pixels, const QList<quint32>& masks)
{
    QByteArray info;
    putU32(info, quint32(headerSize));
    if (headerSize == 12) {
        putU16(info, quint32(width));
        putU16(info, quint32(height));
        putU16(info, 1);
        putU16(info, quint32(bits));
    } else {
        putU32(info, quint32(width));
        putU32(info, quint32(height));
        putU16(info, 1);
        putU16(info, quint32(bits));
        putU32(info, compression);
        putU32(info, quint32(pixels.size()));
        putU32(info, 2835);
        putU32(info, 2835);
        putU32(info, quint32(palette.size()));
        putU32(info, 0);
        QByteArray extraMasks;
        for (quint32 mask : masks)
            putU32(headerSize == 40 ? extraMasks : info, mask);
        info.resize(headerSize, '\0');
        info += extraMasks;
    }
    for (QRgb colour : palette) {
        info.append(char(qBlue(colour)));
        info.append(char(qGreen(colour)));
        info.append(char(qRed(colour)));
        if (headerSize != 12)
            info.append('\0');
    }
    QByteArray file("BM");
    putU32(file, quint32(14 + info.size() + pixels.size()));
    putU32(file, 0);
    putU32(file, quint32(14 + info.size()));
    return file + info + pixels;
}

QString sharedSkinsFolder()
{
    return qEnvironmentVariable("HADREL_SHARED_SKINS");
}

QStringList sharedSkinNames()
{
    QStringList names = QDir(sharedSkinsFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    names.removeAll(QStringLiteral("wsz")); // the published archives, not a skin
    return names;
}

bool copyTree(const QString& from, const QString& to)
{
    if (!QDir().mkpath(to))
        return false;
    const QDir source(from);
    const auto entries = source.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo& info : entries) {
        const QString target = to + QLatin1Char('/') + info.fileName();
        if (info.isDir()) {
            if (!copyTree(info.filePath(), target))
                return false;
        } else if (!QFile::copy(info.filePath(), target)) {
            return false;
        } else {
            QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
        }
    }
    return true;
}

bool copySharedSkins(const QString& folder)
{
    const QStringList names = sharedSkinNames();
    for (const QString& name : names) {
        if (!copyTree(sharedSkinsFolder() + QLatin1Char('/') + name, folder + QLatin1Char('/') + name))
            return false;
    }
    return !names.isEmpty();
}

bool writeBitmap(const QString& path, const QColor& color, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(color);
    return image.save(path, "BMP");
}

bool makeSkin(const QString& folder, const QString& name, const QString& file, const QColor& color)
{
    const QString dir = folder + QLatin1Char('/') + name;
    if (!QDir().mkpath(dir))
        return false;
    if (file.isEmpty())
        return true;
    const QString path = dir + QLatin1Char('/') + file;
    if (file.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive))
        return writeBitmap(path, color);
    return writeFile(path, QByteArrayLiteral("1\r\n"));
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile out(path);
    return out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size();
}

bool installRecorder(const QString& folder, const QString& name, const QString& variable)
{
    const QString script = slashed(folder) + name;
    const QByteArray log = QFile::encodeName(script + QStringLiteral(".log"));
    const QByteArray var = variable.toLatin1();
    const QByteArray text = "#!/bin/sh\n{ for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done\n  printf '" + var
        + "=%s\\n' \"${" + var + "-unset}\"; } > '" + log + ".part' && /bin/mv '" + log + ".part' '" + log + "'\n";
    return QDir().mkpath(folder) && writeFile(script, text)
        && QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

QString recorded(const QString& folder, const QString& name)
{
    return QString::fromUtf8(readAll(slashed(folder) + name + QStringLiteral(".log")));
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList tree(const QString& folder)
{
    QStringList paths;
    QDirIterator it(
        folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        paths.append(QDir(folder).relativeFilePath(it.next()));
    paths.sort();
    return paths;
}

QString slashed(const QString& path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

} // namespace TestSupport
