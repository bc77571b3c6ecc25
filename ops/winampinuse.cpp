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
    const QList<QByteArray> lines = WinampIni::splitLines(readIni(path));
    const WinampIni::SettingLines found = WinampIni::settingLines(lines);
    if (found.cwd < 0 || found.skin < 0)
        return std::nullopt;
    auto value = [&lines](qsizetype at) {
        const qsizetype equals = lines[at].indexOf('=');
        return equals < 0 ? QByteArray() : lines[at].mid(equals + 1);
    };
    const std::optional<QString> cwdText = WineCodePage::decode(value(found.cwd), codePage);
    const std::optional<QString> skinText = WineCodePage::decode(value(found.skin), codePage);
    if (!cwdText || !skinText)
        return std::nullopt;
    return Setting { *cwdText, *skinText };
}

// A whole Windows path, as a running Winamp is told of a skin and writes it back.
static std::optional<Setting> splitWholePath(const QString& skin)
{
    const qsizetype slash = skin.lastIndexOf(QLatin1Char('\\'));
    if (slash < 0)
        return std::nullopt;
    return Setting { skin.left(slash + 1), skin.mid(slash + 1) };
}

Setting fromWinamp(const QString& ampFolder, const QString& skin)
{
    if (const std::optional<Setting> whole = splitWholePath(skin))
        return *whole;
    return { WinampIni::cwdValue(ampFolder, Path_Slash(ampFolder) + QStringLiteral("Skins/")), skin };
}

QString skinIn(const Setting& given, const QString& ampFolder, const QString& skinFolder, const QStringList& names)
{
    const Setting setting = splitWholePath(given.skin).value_or(given);
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
