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
#include <QFileInfo>
#include <QListWidget>
#include <QPointer>

#include <algorithm>

// winamp.ini as a failed update concerns it, with the cause the update found.
static QString iniConcerning(const QString& ampFolder, const RunError& error)
{
    const QString found = FileLookup::findIgnoringCase(Path_Slash(ampFolder), QStringLiteral("winamp.ini"));
    return Messages::concerning(
        found.isEmpty() ? Path_Slash(ampFolder) + QStringLiteral("winamp.ini") : found, error.detail);
}

void frmmain::showApplyFailure(const RunError& error)
{
    QStringList lines = WinampIni::messageLines(error);
    // A name Winamp cannot read is named by the message itself.
    if (error.number != WinampIni::unwritableName)
        lines << iniConcerning(ampPath(), error);
    Messages::showLines(this, lines);
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
    Messages::showLines(this,
        { QString::number(error.number), error.description, Messages::concerning(error.concerns(what), error.detail) });
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
        // The one question of the program: this delete changes what Winamp shows.
        const bool inUse = !m_inUse.isEmpty() && name == m_inUse;
        if (inUse
            && Messages::show({ Messages::Icon::Warning, Messages::Box::programTitle(),
                   QStringLiteral("「%1」はWinampで使用中のSkinです。\n"
                                  "削除すると、Winampは標準のSkinに戻ります。削除しますか?")
                       .arg(name),
                   this, QMessageBox::Yes | QMessageBox::No })
                != QMessageBox::Yes)
            return;
        QString inTrash;
        const RunError error = FileCommands::deleteSkin(folder, name, &inTrash);
        if (!error)
            m_undo.recordDeleted(folder + name, inTrash);
        if (inUse && !error) {
            m_undo.markInUse();
            useInWinamp(QString(), WinampUse::Apply);
        }
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
        useInWinamp(skin, WinampUse::Apply);
        break;
    case 6:
        // Winamp starts with its old skin when this one cannot be applied.
        if (!skin.isEmpty() && skinGone(this, folder, skin)) {
            WinampLaunch::startWinamp(ampPath());
            break;
        }
        useInWinamp(skin, WinampUse::Start);
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
    m_undo.record(
        UndoHistory::Kind::Unpack, { { UndoHistory::Change::Type::Made, {}, currentFolder() + result.skinName } });
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
    const CollectionOffer::Sorted sorted = m_offer.sortOut({ chosen }, folder);
    QList<DropAdd::Added> results = sorted.added;
    if (!sorted.toAdd.isEmpty()) {
        Hourglass hourglass; // a copy from another disk takes a while
        results.append(DropAdd::addFolder(sorted.toAdd.first(), folder));
    }
    m_undo.record(UndoHistory::Kind::Add, DropAdd::undoChanges(results, folder));
    if (sorted.registered >= 0) {
        regTriggered(sorted.registered);
        return;
    }
    if (results.isEmpty())
        return; // refused or cancelled: nothing changed
    Skin_Rescan();
    skinListSelectionChanged();
    selectListed(DropAdd::lastAdded(results));
    if (sorted.toAdd.isEmpty()) {
        if (const QString summary = DropAdd::failureSummary(results); !summary.isEmpty())
            Messages::warning(this, summary);
    } else if (const RunError error = results.last().error) {
        showFailure(error, results.last().path);
    }
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

void frmmain::nameEscapePressed(int cell)
{
    // Escape takes the typing back, and the box stands for its skin again.
    if (cell != m_rename.cell())
        return;
    Skin_Name[cell]->setText(m_rename.oldName());
    Skin_Name[cell]->setModified(false);
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
    // Where the user sent the focus by leaving the box, and the skin of the box it went to:
    // the rebuild may show another skin in that box.
    const QPointer<QWidget> sentTo = typing ? nullptr : QApplication::focusWidget();
    const auto sentBox = std::find(Skin_Name.cbegin(), Skin_Name.cend(), sentTo.data());
    const QString sentSkin = sentBox == Skin_Name.cend() ? QString() : (*sentBox)->text();
    const QString folder = currentFolder();
    const QString oldName = m_rename.oldName();
    const QString newName = FileCommands::renamedName(folder, oldName, box->text());
    // Winamp would otherwise go on naming a skin that is gone.
    const bool inUse = !m_inUse.isEmpty() && oldName == m_inUse;
    const RunError error = FileCommands::renameSkin(folder, oldName, box->text());
    QString skin = oldName; // the skin the commit leaves the user with
    switch (RenameSession::outcomeOf(error)) {
    case RenameSession::Outcome::Renamed:
        m_undo.recordMoved(UndoHistory::Kind::Rename, folder + oldName, folder + newName);
        skin = newName;
        if (inUse) {
            m_undo.markInUse();
            useInWinamp(newName, WinampUse::Apply);
        }
        Skin_Rescan();
        skinListSelectionChanged();
        break;
    case RenameSession::Outcome::BadName:
        Messages::show({ Messages::Icon::Critical, windowTitle(),
            QStringLiteral("このファイル名は使えません\n「%1」").arg(box->text()), this });
        Skin_Rescan();
        break;
    case RenameSession::Outcome::Failure:
        // The name that is taken, when that is why; the box shows its own skin again, so
        // that leaving it does not try, and say, the same again.
        showFailure(error, error.number == Error::FileAlreadyExists ? folder + newName : folder + oldName);
        box->setText(oldName);
        box->setModified(false);
        break;
    }
    m_rename.endCommit(nameBoxState(cell));
    if (!sentSkin.isEmpty()) {
        selectListed(sentSkin);
        focusSkinName(sentSkin);
    } else if (typing) {
        selectListed(skin);
        focusSkinName(skin);
    } else if (sentTo && sentTo->isEnabled() && !sentTo->hasFocus()) {
        sentTo->setFocus(Qt::OtherFocusReason); // back where the user sent it
    }
}

void frmmain::focusSkinName(const QString& skin)
{
    for (int i = 0; i < cellCount; ++i) {
        if (Skin_Name[i]->isEnabled() && Skin_Name[i]->text() == skin) {
            // As a focus gained, so that this box's edit starts; typing goes on at the end.
            if (!Skin_Name[i]->hasFocus()) {
                Skin_Name[i]->end(false);
                m_grid->focusName(i, Qt::OtherFocusReason);
            }
            return;
        }
    }
    // Keys typed next must reach no other skin's box.
    Skin_Lst->setFocus(Qt::OtherFocusReason);
}

void frmmain::undoTriggered()
{
    QString back;
    bool inUse = false;
    if (const RunError error = m_undo.undo(&back, &inUse)) {
        Messages::showLines(this,
            { QStringLiteral("元に戻せませんでした。"), QString::number(error.number), error.description,
                error.detail });
        return;
    }
    const bool here = !back.isEmpty() && Path_Slash(QFileInfo(back).path()) == currentFolder();
    // Winamp had it before the delete or rename took it away, and has it again.
    if (here && inUse)
        useInWinamp(QFileInfo(back).fileName(), WinampUse::Apply);
    Skin_Rescan();
    skinListSelectionChanged();
    if (here)
        selectListed(QFileInfo(back).fileName());
}
