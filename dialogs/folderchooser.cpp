// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/folderchooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace FolderChooser {

namespace {

Function& current()
{
    static Function function;
    return function;
}

QString choose(QWidget* owner, const QString& title, Hidden hidden)
{
    const Function& function = current();
    return function ? function(owner, title) : showDialog(owner, title, hidden);
}

} // namespace

void setFunction(Function function)
{
    current() = std::move(function);
}

QString showDialog(QWidget* owner, const QString& title, Hidden hidden)
{
    if (hidden == Hidden::Left)
        return QFileDialog::getExistingDirectory(owner, title, startFolder(), QFileDialog::ShowDirsOnly);
    QFileDialog dialog(owner, title, startFolder());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFilter(QDir::AllDirs | QDir::Hidden | QDir::NoDotAndDotDot);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString startFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    // Without a desktop folder Qt answers with home itself, or with a path that is not there.
    if (!desktop.isEmpty() && QFileInfo(desktop).isDir())
        return desktop;
    return QDir::homePath();
}

} // namespace FolderChooser

QString Folder_Browse_Main(QWidget* frmmain, const QString& Browse_Title)
{
    return FolderChooser::choose(frmmain, Browse_Title, FolderChooser::Hidden::Left);
}

QString Folder_Browse_Opt(QWidget* Opt_Frm, const QString& Browse_Title, FolderChooser::Hidden hidden)
{
    return FolderChooser::choose(Opt_Frm, Browse_Title, hidden);
}
