// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/skinreadme.h"

#include "platform/regularfile.h"
#include "skins/skinarchive.h"
#include "skins/skinscan.h"
#include "skins/zipdirectory.h"

#include <QFile>
#include <QStringDecoder>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SkinReadme {

namespace {

bool isTextName(const QString& name)
{
    return name.size() > 4 && name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive);
}

QList<File> folderFiles(const QString& folder)
{
    QList<File> files;
    DIR* dir = opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return files;
    while (const dirent* entry = readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        struct stat st;
        if (isTextName(name) && fstatat(dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode))
            files.append({ name, qint64(st.st_size) });
    }
    closedir(dir);
    return files;
}

// Opens the archive as the pictures read it, and hands its skin files to use.
template<typename Use> void withSkinFiles(const QString& archivePath, Use use)
{
    qint64 size = 0;
    const int fd = RegularFile::open(archivePath, &size);
    if (fd < 0)
        return;
    ZipDirectory::Directory directory;
    QList<ZipDirectory::SkinFile> files;
    if (size > 0 && size <= SkinArchive::maxArchiveBytes
        && directory.read(fd, size, SkinArchive::maxEntries) == ZipDirectory::Status::ok
        && ZipDirectory::skinFiles(directory, files))
        use(fd, size, directory, files);
    ::close(fd);
}

// The text files Winamp would unpack.
QList<File> archiveFiles(const QString& archivePath)
{
    QList<File> found;
    withSkinFiles(archivePath, [&](int, qint64, const ZipDirectory::Directory& directory, const auto& files) {
        for (const ZipDirectory::SkinFile& file : files) {
            const ZipDirectory::Entry& entry = directory.entries()[size_t(file.index)];
            if (isTextName(file.name) && entry.size <= maxBytes)
                found.append({ file.name, qint64(entry.size) });
        }
    });
    return found;
}

// The archived file of that name, the last entry when there are several, as for the pictures.
QByteArray readArchived(const QString& archivePath, const QString& name)
{
    QByteArray bytes;
    withSkinFiles(archivePath, [&](int fd, qint64 size, const ZipDirectory::Directory& directory, const auto& files) {
        for (const ZipDirectory::SkinFile& file : files) {
            if (file.name == name) {
                ZipDirectory::readEntry(fd, size, directory.entries()[size_t(file.index)], maxBytes, bytes);
                return;
            }
        }
    });
    return bytes;
}

bool isArchive(const QString& skinPath)
{
    const qsizetype nameStart = skinPath.lastIndexOf(QLatin1Char('/')) + 1;
    return SkinScan::isArchiveSkin(skinPath.left(nameStart), skinPath.mid(nameStart));
}

bool isJapanese(char16_t u)
{
    return (u >= 0x3000 && u <= 0x30ff) || (u >= 0x4e00 && u <= 0x9fff) || (u >= 0xff01 && u <= 0xff9f);
}

// Read as CP932, a Western text's accented letters and signs become lone kana and kanji
// among ASCII ("clich駸" for "clichés", "ｩ" for "©"); Japanese stands in runs.
bool readsAsJapanese(const QString& text)
{
    qsizetype inRuns = 0;
    qsizetype alone = 0;
    qsizetype run = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && isJapanese(text.at(i).unicode())) {
            ++run;
            continue;
        }
        (run == 1 ? alone : inRuns) += run;
        run = 0;
    }
    return inRuns >= 2 && inRuns > alone;
}

} // namespace

QString choose(const QList<File>& files)
{
    const File* best = nullptr;
    bool bestRead = false;
    for (const File& file : files) {
        if (!isTextName(file.name))
            continue;
        const QString lower = file.name.toLower();
        if (lower == QLatin1String("pledit.txt") || lower == QLatin1String("viscolor.txt")
            || lower == QLatin1String("region.txt"))
            continue;
        const bool read = lower.contains(QLatin1String("read"));
        if (!best || (read && !bestRead) || (read == bestRead && file.size > best->size)) {
            best = &file;
            bestRead = read;
        }
    }
    return best ? best->name : QString();
}

QList<File> filesOf(const QString& skinPath)
{
    return isArchive(skinPath) ? archiveFiles(skinPath) : folderFiles(skinPath + QLatin1Char('/'));
}

QString find(const QString& skinPath)
{
    return choose(filesOf(skinPath));
}

QByteArray read(const QString& skinPath, const QString& name)
{
    if (name.isEmpty())
        return {};
    if (isArchive(skinPath))
        return readArchived(skinPath, name);
    // A longer readme shows its beginning.
    QFile file(skinPath + QLatin1Char('/') + name);
    return RegularFile::openForReading(file) ? file.read(maxBytes) : QByteArray();
}

QString decode(const QByteArray& bytes)
{
    QString text;
    QStringDecoder utf8(QStringConverter::Utf8);
    text = utf8.decode(bytes);
    if (utf8.hasError()) {
        QStringDecoder cp932("windows-31j");
        const QString japanese = cp932.isValid() ? cp932.decode(bytes) : QString();
        if (cp932.isValid() && !cp932.hasError() && readsAsJapanese(japanese)) {
            text = japanese;
        } else {
            QStringDecoder cp1252("windows-1252");
            text = cp1252.isValid() ? QString(cp1252.decode(bytes)) : QString::fromLatin1(bytes);
        }
    }
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace SkinReadme
