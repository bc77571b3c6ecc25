// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ops/codepage.h"

#include <QString>
#include <QStringList>

#include <optional>

// The skin Winamp uses now, as its winamp.ini names it.
namespace WinampInUse {

// The values of the first line that starts with "cwd" and the first that starts with
// "skin", as an apply writes them.
struct Setting
{
    QString cwd;
    QString skin;
};

// ampFolder's winamp.ini (its name in any case) read in codePage; nothing when it is
// missing, unreadable, larger than any winamp.ini or lacks either line.
std::optional<Setting> read(const QString& ampFolder, int codePage);

// The skin a running Winamp of ampFolder reports, as the setting it will write when it
// quits: a name without a folder is one of Winamp's own Skins folder.
Setting fromWinamp(const QString& ampFolder, const QString& skin);

// The one of names (the skins of skinFolder) that setting points Winamp at: its cwd is
// skinFolder as an apply writes it (Windows paths compared without regard to case or
// trailing separators), and its skin one of names, the exact spelling first; a skin named
// by its whole path counts by its own folder. Empty when it points elsewhere.
QString skinIn(const Setting& setting, const QString& ampFolder, const QString& skinFolder, const QStringList& names);

// Both together, for the current code page.
QString current(const QString& ampFolder, const QString& skinFolder, const QStringList& names,
    int codePage = WineCodePage::current());

} // namespace WinampInUse
