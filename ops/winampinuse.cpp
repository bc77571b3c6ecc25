// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/winampinuse.h"

#include "ops/winampini.h"
#include "platform/filelookup.h"
#include "platform/pathslash.h"
#include "platform/regularfile.h"

#include <QFile>

namespace WinampInUse {

namespace {

// Winamp's own file is a few kilobytes; anything far larger is not one.
constexpr qint64 maxIniBytes = qint64(1024) * 1024;

// Never a FIFO of that name, which would hang the window.
QByteArray readIni(const QString& path)
{
    return RegularFile::read(path, maxIniBytes);
}

QString withoutSeparators(QString path)
{
    while (path.size() > 1 && (path.endsWith(QLatin1Char('\\')) || path.endsWith(QLatin1Char('/'))))
        path.chop(1);
    return path;
}

} // namespace

std::optional<Setting> read(const QString& ampFolder, int codePage)
{
    if (ampFolder.isEmpty())
        return std::nullopt;
    const QString path = FileLookup::findIgnoringCase(Path_Slash(ampFolder), QStringLiteral("winamp.ini"));
    if (path.isEmpty())
        return std::nullopt;
    std::optional<QByteArray> cwd, skin;
    const QList<QByteArray> lines = WinampIni::splitLines(readIni(path));
    for (const QByteArray& line : lines) {
        const qsizetype equals = line.indexOf('=');
        if (!cwd && line.startsWith("cwd"))
            cwd = equals < 0 ? QByteArray() : line.mid(equals + 1);
        else if (!skin && line.startsWith("skin"))
            skin = equals < 0 ? QByteArray() : line.mid(equals + 1);
    }
    if (!cwd || !skin)
        return std::nullopt;
    const std::optional<QString> cwdText = WineCodePage::decode(*cwd, codePage);
    const std::optional<QString> skinText = WineCodePage::decode(*skin, codePage);
    if (!cwdText || !skinText)
        return std::nullopt;
    return Setting { *cwdText, *skinText };
}

QString skinIn(const Setting& setting, const QString& ampFolder, const QString& skinFolder, const QStringList& names)
{
    if (setting.skin.isEmpty() || skinFolder.isEmpty())
        return {};
    const QString written = WinampIni::cwdValue(ampFolder, skinFolder);
    // A Windows path is Winamp's own, which ignores case; a Linux one is ours.
    const Qt::CaseSensitivity windows = written != skinFolder ? Qt::CaseInsensitive : Qt::CaseSensitive;
    if (withoutSeparators(setting.cwd).compare(withoutSeparators(written), windows) != 0)
        return {};
    if (names.contains(setting.skin))
        return setting.skin;
    for (const QString& name : names) {
        if (name.compare(setting.skin, Qt::CaseInsensitive) == 0)
            return name;
    }
    return {};
}

QString current(const QString& ampFolder, const QString& skinFolder, const QStringList& names, int codePage)
{
    const std::optional<Setting> setting = read(ampFolder, codePage);
    return setting ? skinIn(*setting, ampFolder, skinFolder, names) : QString();
}

} // namespace WinampInUse
