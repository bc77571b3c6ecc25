// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/winampini.h"

#include "ops/wine.h"
#include "platform/filelookup.h"
#include "platform/pathslash.h"
#include "platform/regularfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace WinampIni {

static qint64 writeWhole(QIODevice& device, const QByteArray& bytes)
{
    return device.write(bytes);
}

WriteFunction writeContents = writeWhole;

QList<QByteArray> splitLines(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = bytes.at(i);
        if (c != '\r' && c != '\n')
            continue;
        lines.append(bytes.mid(start, i - start));
        if (c == '\r' && i + 1 < size && bytes.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(bytes.mid(start));
    return lines;
}

SettingLines settingLines(const QList<QByteArray>& lines)
{
    SettingLines found;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (found.cwd < 0 && lines[i].startsWith("cwd"))
            found.cwd = i;
        else if (found.skin < 0 && lines[i].startsWith("skin"))
            found.skin = i;
    }
    return found;
}

QByteArray rewrite(const QByteArray& bytes, const QByteArray& cwdLine, const QByteArray& skinLine)
{
    QList<QByteArray> lines = splitLines(bytes);
    const SettingLines found = settingLines(lines);
    if (found.cwd >= 0)
        lines[found.cwd] = cwdLine;
    if (found.skin >= 0)
        lines[found.skin] = skinLine;
    QByteArray out;
    out.reserve(bytes.size() + cwdLine.size() + skinLine.size() + 2 * lines.size());
    for (const QByteArray& line : std::as_const(lines)) {
        out += line;
        out += "\r\n";
    }
    return out;
}

QString cwdValue(const QString& ampFolder, const QString& skinFolder)
{
    const QString prefix = Wine::prefixOf(ampFolder);
    if (prefix.isEmpty())
        return skinFolder;
    const QString seen = Wine::windowsFolder(prefix, skinFolder);
    return seen.isEmpty() ? skinFolder : seen;
}

QString skinPath(const QString& ampFolder, const QString& skinFolder, const QString& name)
{
    return name.isEmpty() ? QString() : cwdValue(ampFolder, skinFolder) + name;
}

std::optional<QByteArray> encodeValue(const QString& value, int codePage)
{
    for (const QChar c : value) {
        if (c.category() == QChar::Other_Control)
            return std::nullopt;
    }
    return WineCodePage::encode(value, codePage);
}

// A line break in the name would break the message too; the control pictures show where
// the character sits.
static QString visibleName(QString name)
{
    for (QChar& c : name) {
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
        else if (c.unicode() == 0x7f)
            c = QChar(0x2421);
        else if (c.category() == QChar::Other_Control)
            c = QChar(0xfffd);
    }
    return name;
}

static RunError unwritable(const QString& name, int codePage)
{
    return RunError::fromNumber(unwritableName,
        QStringLiteral("「%1」はWinampが読める文字(コードページ %2)で書けない文字を含んでいます。\n"
                       "名前を変えてから使ってください。")
            .arg(visibleName(name), QString::number(codePage)));
}

QStringList messageLines(const RunError& error)
{
    if (error.number == unwritableName)
        return error.description.split(QLatin1Char('\n'));
    return { QString::number(error.number), error.description };
}

} // namespace WinampIni

RunError Winamp_Ini_Update(
    const QString& ampFolder, const QString& skinFolder, const QString& selectedSkin, int codePage)
{
    using namespace WinampIni;
    // An empty folder would make a bare "winamp.ini" in whatever folder we run from.
    if (ampFolder.isEmpty())
        return RunError::fromNumber(Error::FileNotFound);

    // Encoded whole, after the trailing "\" is in place: in CP932 the second byte of
    // ソ is 0x5C too, and must not be taken for it.
    const std::optional<QByteArray> cwd = encodeValue(cwdValue(ampFolder, skinFolder), codePage);
    if (!cwd)
        return unwritable(skinFolder, codePage);
    const std::optional<QByteArray> skin = encodeValue(selectedSkin, codePage);
    if (!skin)
        return unwritable(selectedSkin, codePage);

    // Written through a symbolic link: the link stays, its target gets the new text.
    const QString named = FileLookup::findIgnoringCase(Path_Slash(ampFolder), QStringLiteral("winamp.ini"));
    const QString path = named.isEmpty() ? QString() : QFileInfo(named).canonicalFilePath();
    if (path.isEmpty())
        return RunError::fromErrno(Error::FileNotFound, ENOENT);

    struct stat st;
    if (stat(QFile::encodeName(path).constData(), &st) != 0)
        return RunError::fromErrno(Error::FileNotFound, errno);
    if (!S_ISREG(st.st_mode))
        return RunError::fromNumber(Error::FileNotFound);
    // Read-only is the owner-write bit; root would get past any access check.
    if (!(st.st_mode & S_IWUSR)) {
        RunError readOnly = RunError::fromNumber(Error::PathAccess);
        readOnly.detail = QStringLiteral("読み取り専用です");
        return readOnly;
    }

    QFile in(path);
    if (!RegularFile::openForReading(in))
        return RunError::fromNumber(Error::PathAccess);
    const QByteArray old = in.readAll();
    const bool readFailed = in.error() != QFileDevice::NoError;
    in.close();
    if (readFailed)
        return RunError::fromNumber(Error::PathAccess);
    if (old.isEmpty()) {
        RunError empty = RunError::fromNumber(Error::PastEndOfFile);
        empty.detail = QStringLiteral("空のファイルです");
        return empty;
    }

    const QByteArray contents = rewrite(old, QByteArrayLiteral("cwd=") + *cwd, QByteArrayLiteral("skin=") + *skin);

    // A new file beside the old one, renamed over it: a crash or a full disk leaves the
    // old winamp.ini whole.
    QSaveFile out(path);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        return RunError::fromNumber(Error::PathAccess);
    if (writeContents(out, contents) != contents.size()) {
        out.cancelWriting();
        return RunError::fromNumber(Error::PathAccess);
    }
    // QSaveFile keeps the mode; the owner too where that is allowed (only root may give
    // a file away, and a user's own file is theirs already).
    [[maybe_unused]] const int owned = fchown(out.handle(), st.st_uid, st.st_gid);
    if (!out.commit())
        return RunError::fromNumber(Error::PathAccess);
    return RunError::none();
}
