// SPDX-License-Identifier: GPL-3.0-or-later
// Selection handling, the preview grid, the enlarged view and the previews' mouse.
#include "app/frmmain.h"

#include "app/bigview.h"
#include "app/hourglass.h"
#include "app/previewcell.h"
#include "app/previewgrid.h"
#include "skins/skinscan.h"

#include <QAction>
#include <QCursor>
#include <QListWidget>
#include <QMenu>

namespace {

QString selectedText(const QListWidget* list)
{
    const QListWidgetItem* item = list->currentItem();
    return item ? item->text() : QString();
}

// The bare picture of the skin name in folder, through load: no name would make the path
// the skin folder's own main.bmp, which is no skin's.
QImage skinPicture(const QString& folder, const QString& name, const frmmain::PictureLoad& load)
{
    if (name.isEmpty())
        return {};
    const QString file = SkinScan::picturePath(folder, name);
    return file.isEmpty() ? QImage() : load(file);
}

// What a preview cell shows, read off the window's thread: the bare picture, or the skin
// as Winamp draws it. Holds copies of all it uses, never the window.
std::function<QImage(const QString&)> cellPictures(const frmmain& window)
{
    const QString folder = window.currentFolder();
    if (window.mnuLookGrid->isChecked()) {
        return [folder, look = window.loadLook](
                   const QString& name) { return name.isEmpty() ? QImage() : look(folder + name); };
    }
    return [folder, load = window.loadPicture](const QString& name) { return skinPicture(folder, name, load); };
}

// The File menu doubles as the previews' context menu, with the skin commands shown.
void setFileMenuContext(frmmain& window, bool context, bool archive = false)
{
    window.Open_->setVisible(!context);
    window.file[0]->setVisible(!context);
    window.file[1]->setVisible(false);
    window.file[2]->setVisible(context);
    window.file[3]->setVisible(context);
    window.file[4]->setVisible(true);
    window.file[5]->setVisible(context);
    window.file[6]->setVisible(context);
    window.file[7]->setVisible(!context);
    window.mnuLook->setVisible(context);
    window.mnuUnpack->setVisible(context && archive);
    window.mnuUndo->setVisible(!context);
}

void openBigView(frmmain& window)
{
    const QString name = selectedText(window.Skin_Lst);
    // Owned by the main window so that it stays above it; modal for the whole program.
    Big_View view(&window);
    if (!name.isEmpty()) {
        view.loadPicture([folder = window.currentFolder(), name, load = window.loadPicture] {
            return skinPicture(folder, name, load);
        });
    }
    view.setWindowTitle(QStringLiteral("拡大表示 - ") + name);
    view.exec();
}

} // namespace

void frmmain::skinListSelectionChanged()
{
    Hourglass hourglass;
    const QString name = selectedText(Skin_Lst);
    m_state.select(name, Skin_Lst->currentRow(), Skin_Lst->count());
    if (m_state.needsReload())
        reloadGrid();
    SelectSq_Place();
    m_state.Page_Shown = m_state.Page_Current;
}

QStringList frmmain::pageNames(int page) const
{
    QStringList names;
    const int count = Skin_Lst->count();
    for (int i = 0; i < cellCount; ++i) {
        // Page -1 (nothing selected) has no rows: its cells stay empty and disabled.
        const int row = PageState::rowOf(page, i);
        names.append(row >= 0 && row < count ? Skin_Lst->item(row)->text() : QString());
    }
    return names;
}

void frmmain::reloadGrid()
{
    m_grid->reload(pageNames(m_state.Page_Current), cellPictures(*this));
}

bool frmmain::picturesPending() const
{
    return m_grid->picturesPending();
}

void frmmain::SelectSq_Place()
{
    m_grid->placeFrame(selectedText(Skin_Lst));
}

void frmmain::skinListDoubleClicked()
{
    openBigView(*this);
}

void frmmain::previewClicked(int cell)
{
    selectNameSkin(cell);
    // The keys then move through the grid.
    m_grid->setFocus(Qt::MouseFocusReason);
}

void frmmain::previewDoubleClicked(int)
{
    openBigView(*this);
}

void frmmain::previewRightPressed(int pressed)
{
    // The commands act on the skin under the pointer: it is selected as a click selects it.
    // An empty cell leaves the framed skin as it is.
    const RenameSession::Box box = nameBoxState(pressed);
    if (!box.text.isEmpty()) {
        previewClicked(pressed);
        // A name being typed there was committed by the click: the menu is for the skin it
        // named, and for no other when that rename failed.
        if (box.typed) {
            selectListed(box.text);
            if (m_state.Selected_Skin != box.text)
                return;
        }
    }
    const int cell = selectedCell();
    setFileMenuContext(*this, true, cell >= 0 && SkinScan::isArchiveSkin(currentFolder(), cellSkinName(cell)));
    FileMenu->exec(QCursor::pos());
    setFileMenuContext(*this, false);
}
