// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ops/codepage.h"
#include "platform/runerror.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;

// Points Winamp at a skin: in ampFolder's winamp.ini the first line that starts with
// "cwd" becomes "cwd=" + skinFolder (as Winamp sees it) and the first that starts with
// "skin" becomes "skin=" + selectedSkin. Every other line stays byte for byte. The file
// is replaced whole or not at all; a missing or empty file is never created or written.
// Both values are written in codePage; one it cannot hold exactly, or one with a control
// character, fails with WinampIni::unwritableName and leaves the file as it was.
RunError Winamp_Ini_Update(const QString& ampFolder, const QString& skinFolder, const QString& selectedSkin,
    int codePage = WineCodePage::current());

namespace WinampIni {

// CR LF, a lone CR and a lone LF end a line; a last line without one still counts.
QList<QByteArray> splitLines(const QByteArray& bytes);

// Where the two settings stand: the first line beginning "cwd", and the first other one
// beginning "skin"; -1 where there is none.
struct SettingLines
{
    qsizetype cwd = -1;
    qsizetype skin = -1;
};
SettingLines settingLines(const QList<QByteArray>& lines);

// The file's new contents: the two lines replaced (a line absent stays absent), every
// line followed by CR LF.
QByteArray rewrite(const QByteArray& bytes, const QByteArray& cwdLine, const QByteArray& skinLine);

// The "cwd" value: skinFolder as Winamp sees it when ampFolder lies in a Wine prefix,
// otherwise skinFolder as it stands.
QString cwdValue(const QString& ampFolder, const QString& skinFolder);

// The skin as a running Winamp is told of it: the "cwd" value followed by its name, or
// empty (Winamp's base skin) for no name.
QString skinPath(const QString& ampFolder, const QString& skinFolder, const QString& name);

// The failure of a value Winamp could not read back: its description is the whole message.
inline constexpr Error::Number unwritableName = Error::InvalidCall;

// value in codePage, or nothing when Winamp would read it back as something else or it
// would break its line apart.
std::optional<QByteArray> encodeValue(const QString& value, int codePage);

// What a message box says about a failed update: the number and the description, or for
// a name Winamp cannot read, only the description's lines.
QStringList messageLines(const RunError& error);

// Writes the new contents into the replacement file. Tests swap it to fail half-way.
using WriteFunction = qint64 (*)(QIODevice& device, const QByteArray& bytes);
extern WriteFunction writeContents;

} // namespace WinampIni
