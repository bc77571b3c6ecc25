// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QWidget;

// The folder chooser. Browse_Title is the caption the user reads; the result,
// Browse_Result, is the chosen folder's full path, or empty when nothing was chosen
// (which every caller treats as cancelled).
namespace FolderChooser {
// Hidden folders: Winamp lives in ~/.wine under Wine, skins rarely in a hidden folder.
enum class Hidden { Left, Shown };
} // namespace FolderChooser

QString Folder_Browse_Main(QWidget* frmmain, const QString& Browse_Title);
QString Folder_Browse_Opt(
    QWidget* Opt_Frm, const QString& Browse_Title, FolderChooser::Hidden hidden = FolderChooser::Hidden::Left);

namespace FolderChooser {

using Function = std::function<QString(QWidget* owner, const QString& title)>;

// The one seam both choosers go through. Tests put their own answer here; an empty
// function brings back the real dialog.
void setFunction(Function function);

// The real dialog: modal, owned by owner, folders only, starting at startFolder().
QString showDialog(QWidget* owner, const QString& title, Hidden hidden = Hidden::Left);

// The user's desktop folder, or home when there is none.
QString startFolder();

} // namespace FolderChooser
