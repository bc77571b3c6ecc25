// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Winamp runs under Wine; these map our folders onto what it sees.
namespace Wine {

// The Wine prefix that holds folder: the nearest folder, folder itself included, that
// has a "dosdevices" folder. Empty when there is none.
QString prefixOf(const QString& folder);

// folder as a Windows path inside prefix ("Z:\home\me\skins\"): the drive whose
// dosdevices link target is the longest one containing folder, then the rest with "\",
// ending with one "\". Empty when no drive reaches it.
QString windowsFolder(const QString& prefix, const QString& folder);

// The Winamp folders of the usual prefixes (~/.wine, $WINEPREFIX and those under
// ~/.local/share/wineprefixes): "Program Files*/Winamp*" of their drive_c that holds a
// winamp.exe in any case, each once, ending with "/".
QStringList winampFolders(const QProcessEnvironment& environment);

} // namespace Wine
