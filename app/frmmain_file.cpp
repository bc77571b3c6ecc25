// SPDX-License-Identifier: GPL-3.0-or-later
// The File menu commands and the inline rename.
#include "app/frmmain.h"

#include "app/hourglass.h"
#include "app/previewcell.h"
#include "app/previewgrid.h"
#include "app/programmarks.h"
#include "app/winamplookview.h"
#include "dialogs/folderchooser.h"
#include "dialogs/messages.h"
#include "ops/filecommands.h"
#include "ops/winampini.h"
#include "ops/winamplaunch.h"
#include "platform/filelookup.h"
#include "platform/pathslash.h"
#include "settings/settingskeys.h"

#include <QApplication>
#include <QListWidget>
#include <QPointer>

// winamp.ini as a failed update concerns it, with the cause the update found.
static QString iniConcerning(const QString& ampFolder, const RunError& error)
{
    const QString found = FileLookup::findIgnoringCase(Path_Slash(ampFolder), QStringLiteral("winamp.ini"));
    return Messages::concerning(
        found.isEmpty() ? Path_Slash(ampFolder) + QStringLiteral("winamp.ini") : found, error.detail);
}

static void showApplyFailure(QWidget* parent, const QString& ampFolder, const RunError& error)
{
    QStringList lines = WinampIni::messageLines(error);
    // A name Winamp cannot read is named by the message itself.
    if (error.number != WinampIni::unwritableName)
        lines << iniConcerning(ampFolder, error);
    Messages::showLines(parent, lines);
}

// The listed skin is no longer what the scan found: nothing is drawn or written for it.
static bool skinGone(QWidget* parent, const QString& folder, const QString& name)
{
    if (FileCommands::isStillSkin(folder, name))
        return false;
    Messages::warning(parent,
        QStringLiteral("Skinが見つからないか、Skinではなくなっています。最新の情報に更新(F5)してください。\n%1")
            .arg(folder + name));
    return true;
}

void frmmain::showFailure(const RunError& error, const QString& what)
{
    Messages::showLines(
        this, { QString::number(error.number), error.description, Messages::concerning(what, error.detail) });
}

int frmmain::selectedCell() const
{
    return m_grid->selectedCell();
}

RenameSession::Box frmmain::nameBoxState(int cell) const
{
    const NameBox* box = Skin_Name[cell];
    return { cell, box->text(), box->isModified() };
}

// The skin a cell stands for: text typed into its box and not yet committed is no
// skin's name, so the box's old name counts until then.
QString frmmain::cellSkinName(int cell) const
{
    return m_rename.skinOf(nameBoxState(cell));
}

// Each step that fails is skipped and the next one runs; only a Winamp command that did
// not reach Winamp says so, since nothing else would.
void frmmain::fileTriggered(int index)
{
    const int cell = selectedCell();
    const QString folder = currentFolder();
    const QString skin = m_state.Selected_Skin;

    switch (index) {
    case 0:
        addSkinCommand(folder);
        break;
    case 2: {
        if (cell < 0)
            return;
        const QString name = cellSkinName(cell);
        const RunError error = FileCommands::deleteSkin(folder, name);
        Skin_Rescan();
        skinListSelectionChanged();
        if (error)
            showFailure(error, folder + name);
        break;
    }
    case 3:
        if (cell >= 0)
            m_grid->focusName(cell, Qt::OtherFocusReason);
        break;
    case 5:
        // No skin selected writes an empty name, as ever; a skin gone since the scan nothing.
        if (!skin.isEmpty() && skinGone(this, folder, skin))
            break;
        if (const RunError error = Winamp_Ini_Update(ampPath(), folder, skin))
            showApplyFailure(this, ampPath(), error);
        break;
    case 6:
        // Winamp starts with its old skin when this one cannot be applied.
        if (!skin.isEmpty() && skinGone(this, folder, skin)) {
            WinampLaunch::startWinamp(ampPath());
            break;
        }
        WinampLaunch::applyAndStart(
            ampPath(), folder, skin, [this](const RunError& error) { showApplyFailure(this, ampPath(), error); });
        break;
    case 7:
        close();
        break;
    default:
        break; // the separators
    }
}

void frmmain::lookTriggered()
{
    const int cell = selectedCell();
    const QString name = cell < 0 ? QString() : cellSkinName(cell);
    if (name.isEmpty() || skinGone(this, currentFolder(), name))
        return;
    WinampLookView view(
        [path = currentFolder() + name] { return SkinFiles::ofSkin(path, WinampLook::fileNames()); }, name, this);
    if (m_programMarks->holdsPrograms(currentFolder(), name))
        view.setProgramsWarning(ProgramMarks::warning());
    connect(&view, &WinampLookView::scaleChosen, this, [this](int scale) {
        // A store that cannot be written is reported by the save at exit.
        if (!settings().storeHeldBack())
            SettingsKeys::write(SettingsKeys::lookScale, QString::number(scale));
    });
    view.exec();
}

void frmmain::unpackTriggered()
{
    const int cell = selectedCell();
    if (cell < 0)
        return;
    const QString name = cellSkinName(cell);
    if (skinGone(this, currentFolder(), name))
        return;
    WszUnpack::Result result;
    {
        Hourglass hourglass;
        result = FileCommands::unpackArchive(currentFolder(), name);
    }
    // A failed unpack leaves nothing behind, so the list stays as it is.
    if (!result.ok()) {
        Messages::warning(this,
            QStringLiteral("「%1」を展開できませんでした。\n%2\n%3")
                .arg(
                    name, result.error.description, Messages::concerning(currentFolder() + name, result.error.detail)));
        return;
    }
    Skin_Rescan();
    selectListed(result.skinName);
}

void frmmain::selectListed(const QString& name)
{
    const QList<QListWidgetItem*> found = Skin_Lst->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!name.isEmpty() && !found.isEmpty())
        Skin_Lst->setCurrentItem(found.first());
}

void frmmain::addSkinCommand(const QString& folder)
{
    const QString chosen = Folder_Browse_Main(this, QStringLiteral("追加するSkinのﾌｫﾙﾀﾞを指定してください"));
    if (chosen.isEmpty())
        return;
    RunError error;
    {
        Hourglass hourglass; // a copy from another disk takes a while
        error = FileCommands::addSkin(chosen, folder);
    }
    Skin_Rescan();
    skinListSelectionChanged();
    if (error)
        showFailure(error, withoutTrailingSlashes(chosen));
}

void frmmain::openFolderTriggered()
{
    // Nothing else would tell the user why no file manager appeared.
    if (const RunError error = WinampLaunch::openFolder(currentFolder()))
        showFailure(error, currentFolder());
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
    if (m_rename.enter(nameBoxState(cell)))
        selectNameSkin(cell);
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
    switch (m_rename.commitOf(nameBoxState(cell))) {
    case RenameSession::Commit::Nothing:
        return;
    case RenameSession::Commit::Unchanged:
        box->setModified(false);
        return;
    case RenameSession::Commit::Rename:
        break;
    }

    m_rename.beginCommit();
    const bool typing = box->hasFocus(); // Enter, not leaving the box
    // Where the user sent the focus by leaving the box; the rebuild takes it away.
    const QPointer<QWidget> sentTo = typing ? nullptr : QApplication::focusWidget();
    const RunError error = FileCommands::renameSkin(currentFolder(), m_rename.oldName(), box->text());
    switch (RenameSession::outcomeOf(error)) {
    case RenameSession::Outcome::Renamed:
        Skin_Rescan();
        skinListSelectionChanged();
        break;
    case RenameSession::Outcome::BadName:
        Messages::show({ Messages::Icon::Critical, windowTitle(),
            QStringLiteral("このファイル名は使えません\n「%1」").arg(box->text()), this });
        Skin_Rescan();
        break;
    case RenameSession::Outcome::Failure:
        showFailure(error, currentFolder() + m_rename.oldName());
        break;
    }
    // After Enter the focus stays where the user typed; the box is then no new edit.
    if (!box->isModified() && typing && box->isEnabled())
        m_grid->focusName(cell, Qt::OtherFocusReason);
    m_rename.endCommit(nameBoxState(cell));
    // Back where the user sent it, and as a focus gained, so that box's edit starts.
    if (sentTo && sentTo != box && sentTo->isEnabled() && !sentTo->hasFocus())
        sentTo->setFocus(Qt::OtherFocusReason);
}
