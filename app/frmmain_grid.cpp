// SPDX-License-Identifier: GPL-3.0-or-later
// Selection handling, the preview grid, the enlarged view and the previews' mouse.
#include "app/frmmain.h"

#include "app/bigview.h"
#include "app/hourglass.h"
#include "app/previewcell.h"
#include "skins/skinscan.h"

#include <QAction>
#include <QCursor>
#include <QListWidget>
#include <QMenu>

#include <memory>
#include <vector>

namespace {

QString selectedText(const QListWidget* list)
{
    const QListWidgetItem* item = list->currentItem();
    return item ? item->text() : QString();
}

QImage skinPicture(frmmain& window, const QString& name)
{
    // No name would make the path the skin folder's own main.bmp, which is no skin's.
    if (name.isEmpty())
        return {};
    const QString file
        = SkinScan::findSkinFile(window.currentFolder() + name + QLatin1Char('/'), QStringLiteral("main.bmp"));
    return file.isEmpty() ? QImage() : window.loadPicture(file);
}

void reloadGrid(frmmain& window)
{
    const PageState& state = window.state();
    // Disabling a focused box passes the focus along the boxes; that is no user moving
    // into a box, so their focus handlers must not select or commit anything.
    std::vector<std::unique_ptr<QSignalBlocker>> quiet;
    for (NameBox* box : window.Skin_Name)
        quiet.push_back(std::make_unique<QSignalBlocker>(box));
    for (int i = 0; i < frmmain::cellCount; ++i) {
        window.Skin_Name[i]->setText(QString());
        window.Skin_Name[i]->setEnabled(false);
        window.Skin_Preview[i]->clear();
    }
    const int count = window.Skin_Lst->count();
    for (int i = 0; i <= state.Cell_Last && i < frmmain::cellCount; ++i) {
        // Page -1 (nothing selected) has no rows: its cells stay empty and disabled.
        const int row = PageState::rowOf(state.Page_Current, i);
        if (row < 0 || row >= count)
            continue;
        const QString name = window.Skin_Lst->item(row)->text();
        window.Skin_Name[i]->setEnabled(true);
        window.Skin_Name[i]->setText(name);
        PreviewCell* cell = window.Skin_Preview[i];
        const QPixmap picture = PreviewImage::stretched(
            skinPicture(window, name), cell->contentsRect().size(), cell->devicePixelRatioF());
        if (!picture.isNull())
            cell->setPixmap(picture);
    }
}

// The File menu doubles as the previews' context menu, with the skin commands shown.
void setFileMenuContext(frmmain& window, bool context)
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
}

void openBigView(frmmain& window)
{
    const QString name = selectedText(window.Skin_Lst);
    // Owned by the main window so that it stays above it; modal for the whole program.
    Big_View view(&window);
    view.setPicture(skinPicture(window, name));
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
        reloadGrid(*this);
    SelectSq_Place();
    m_state.Page_Shown = m_state.Page_Current;
}

void frmmain::SelectSq_Place()
{
    const QString selected = selectedText(Skin_Lst);
    for (int i = 0; i < cellCount; ++i) {
        if (Skin_Name[i]->text() == selected) {
            SelectSq->move(Skin_Preview[i]->pos());
            return;
        }
    }
}

void frmmain::skinListDoubleClicked()
{
    openBigView(*this);
}

void frmmain::previewClicked(int cell)
{
    selectNameSkin(cell);
    Skin_Lst->setFocus(Qt::MouseFocusReason);
}

void frmmain::previewDoubleClicked(int)
{
    openBigView(*this);
}

void frmmain::previewRightPressed(int)
{
    setFileMenuContext(*this, true);
    FileMenu->exec(QCursor::pos());
    setFileMenuContext(*this, false);
}
