// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/folderchooser.h"

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

QString choose(QWidget* owner, const QString& title)
{
    const Function& function = current();
    return function ? function(owner, title) : showDialog(owner, title);
}

} // namespace

void setFunction(Function function)
{
    current() = std::move(function);
}

QString showDialog(QWidget* owner, const QString& title)
{
    return QFileDialog::getExistingDirectory(owner, title, startFolder(), QFileDialog::ShowDirsOnly);
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
    return FolderChooser::choose(frmmain, Browse_Title);
}

QString Folder_Browse_Opt(QWidget* Opt_Frm, const QString& Browse_Title)
{
    return FolderChooser::choose(Opt_Frm, Browse_Title);
}
