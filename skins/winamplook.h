// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "skins/skinfiles.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>

// A skin as Winamp 2 draws it, stopped: the main window, the equalizer and the playlist
// editor, each 275 x 116, composed from the skin's bitmaps. A bitmap the skin lacks, or
// one that does not decode, is replaced by Hadrel's own neutral one, file by file, as
// Winamp falls back to its base skin. A region.txt shapes the main window and the
// equalizer: pixels outside its polygons are transparent.
namespace WinampLook {

// Lower-case names of the files the pictures below are made from.
QStringList fileNames();
QStringList mainWindowFileNames();

// The playlist's colours and font, from pledit.txt as Winamp reads its [Text] section:
// the first key of a name counts, an empty or missing value keeps the default.
struct PlaylistText
{
    QColor normal { 0, 255, 0 };
    QColor current { 255, 255, 255 };
    QColor normalBg { 0, 0, 0 };
    QColor selectedBg { 0, 0, 0xc6 };
    QString font = QStringLiteral("Arial");
};
PlaylistText playlistText(const QByteArray& bytes);

QImage mainWindow(const SkinFiles& files);
QImage equalizer(const SkinFiles& files);
QImage playlist(const SkinFiles& files);

// The three as Winamp's default layout places them: main window, equalizer below it,
// playlist editor below that (275 x 348).
QImage stacked(const SkinFiles& files);

// The main window of the skin in skinFolder (ending with a separator), reading only the
// files it needs.
QImage mainWindowOf(const QString& skinFolder);
// The same of the listed skin at skinPath, a folder or an archive (no trailing separator).
QImage mainWindowOfSkin(const QString& skinPath);

} // namespace WinampLook
