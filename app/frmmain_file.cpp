// SPDX-License-Identifier: GPL-3.0-or-later
// The File menu commands and the inline rename.
#include "app/frmmain.h"

#include "app/folderchooser.h"
#include "app/messages.h"
#include "app/previewcell.h"
#include "ops/filecommands.h"
#include "ops/winampini.h"
#include "ops/winamplaunch.h"

#include <QApplication>
#include <QListWidget>

// Number and description on two lines: no icon, titled with the program's name.
static void showFailure(QWidget* parent, const RunError& error)
{
    Messages::showLines(parent, { QString::number(error.number), error.description });
}

int frmmain::selectedCell() const
{
    for (int k = 0; k < cellCount; ++k) {
        if (Skin_Preview[k]->pos() == SelectSq->pos())
            return k;
    }
    return -1;
}

// The skin a cell stands for: text typed into its box and not yet committed is no
// skin's name, so the box's old name counts until then.
QString frmmain::cellSkinName(int cell) const
{
    const NameBox* box = Skin_Name[cell];
    return cell == m_renameCell && box->isModified() ? Rename_Old : box->text();
}

// Each step that fails is skipped without a word and the next one runs.
void frmmain::fileTriggered(int index)
{
    const int cell = selectedCell();
    const QString folder = currentFolder();
    const QString trash = FileCommands::trashFolder(programFolder());

    switch (index) {
    case 0:
        addSkinCommand(folder);
        break;
    case 2:
        if (cell < 0)
            return;
        FileCommands::deleteSkin(folder, cellSkinName(cell), trash);
        Skin_Rescan();
        skinListSelectionChanged();
        break;
    case 3:
        if (cell >= 0)
            Skin_Name[cell]->setFocus(Qt::OtherFocusReason);
        break;
    case 5:
        Winamp_Ini_Update(ampPath(), folder, m_state.Selected_Skin);
        break;
    case 6:
        WinampLaunch::applyAndStart(ampPath(), folder, m_state.Selected_Skin);
        break;
    case 7:
        close();
        break;
    default:
        break; // the separators
    }
}

void frmmain::addSkinCommand(const QString& folder)
{
    const QString chosen = Folder_Browse_Main(this, QStringLiteral("追加するSkinのﾌｫﾙﾀﾞを指定してください"));
    if (chosen.isEmpty())
        return;
    FileCommands::addSkin(chosen, folder);
    Skin_Rescan();
    skinListSelectionChanged();
}

void frmmain::openFolderTriggered()
{
    // Nothing else would tell the user why no file manager appeared.
    if (const RunError error = WinampLaunch::openFolder(currentFolder()))
        showFailure(this, error);
}

void frmmain::selectNameSkin(int cell)
{
    SelectSq_Place();
    const QString name = Skin_Name[cell]->text();
    for (int row = 0; row < Skin_Lst->count(); ++row) {
        if (Skin_Lst->item(row)->text() == name) {
            Skin_Lst->setCurrentRow(row);
            return;
        }
    }
}

void frmmain::nameClicked(int cell)
{
    selectNameSkin(cell);
}

void frmmain::nameFocusGained(int cell)
{
    // The rebuilt grid of a commit disables its boxes, which hands the focus on through
    // them: that is nobody entering a box.
    if (m_committing)
        return;
    // Back in a box that still holds typed text (after a message box, a pop-up or a
    // failed rename): the name to rename from is still the one it had before the typing.
    if (cell == m_renameCell && Skin_Name[cell]->isModified())
        return;
    m_renameCell = cell;
    selectNameSkin(cell);
    Rename_Old = Skin_Name[cell]->text();
}

void frmmain::nameEnterPressed(int cell)
{
    commitName(cell);
}

void frmmain::nameFocusLost(int cell)
{
    if (focusAwayFromWindow())
        return;
    commitName(cell);
}

// Focus lent to a pop-up, a message box or another program comes back to the box, so
// the edit is not over yet.
bool frmmain::focusAwayFromWindow() const
{
    const QWidget* now = QApplication::focusWidget();
    return QApplication::activePopupWidget() || !now || now->window() != this;
}

void frmmain::commitName(int cell)
{
    NameBox* box = Skin_Name[cell];
    // Text the program put there (a rebuilt grid) is no rename.
    if (m_committing || cell != m_renameCell || !box->isModified())
        return;
    const QString name = box->text();
    if (name == Rename_Old) {
        box->setModified(false);
        return;
    }

    m_committing = true;
    const bool typing = box->hasFocus(); // Enter, not leaving the box
    const RunError error = FileCommands::renameSkin(currentFolder(), Rename_Old, name);
    if (!error) {
        Skin_Rescan();
        skinListSelectionChanged();
    } else if (error.number == Error::FileNotFound) {
        Messages::show({ Messages::Icon::Critical, windowTitle(), QStringLiteral("このファイル名は使えません"), this });
        Skin_Rescan();
    } else {
        showFailure(this, error);
    }
    if (!box->isModified()) {
        // The rebuilt grid may show another skin in this box: that is the one it renames
        // next. After Enter the focus stays where the user typed.
        Rename_Old = box->text();
        if (typing && box->isEnabled())
            box->setFocus(Qt::OtherFocusReason);
    }
    m_committing = false;
}
