// SPDX-License-Identifier: GPL-3.0-or-later
// The skin list: rescanning the current folder.
#include "app/frmmain.h"

#include "app/hourglass.h"
#include "app/listfollower.h"
#include "app/previewgrid.h"
#include "app/statuspanels.h"
#include "skins/skinscan.h"

#include <QApplication>
#include <QListWidget>

void frmmain::Skin_Rescan()
{
    m_state.reset();
    Skin_Scan();
}

void frmmain::Skin_Scan()
{
    m_grid->empty();

    {
        Hourglass hourglass;
        // Watched before it is listed, so that no change falls between the two.
        m_follower->watch(currentFolder());
        const QStringList names = SkinScan::listSkins(currentFolder());
        m_follower->listed(names);
        {
            // Emptying and filling the list is no selection change.
            const QSignalBlocker blocker(Skin_Lst);
            Skin_Lst->clear();
            Skin_Lst->addItems(names);
        }
        if (Skin_Lst->count() > 0) {
            // Through the list's own signal, so the selection handling runs within the scan.
            Skin_Lst->setCurrentRow(0);
        }
        skinsListed(names);
    }
    showCount();
}

void frmmain::showCount()
{
    panel(QStringLiteral("skin"))->setText(QStringLiteral("Skin数:") + QString::number(Skin_Lst->count()));
}

void frmmain::buildFollow()
{
    m_follower = new ListFollower(Skin_Lst, this);
    // The changes wait for the end of an edit in a name box, and of a pop-up or a modal
    // window: the context menu's commands act on the framed skin, which must not change
    // beneath them.
    m_follower->held = [this] {
        const QWidget* focus = QApplication::focusWidget();
        return (focus && m_grid->isAncestorOf(focus) && focus != m_grid) || QApplication::activePopupWidget()
            || QApplication::activeModalWidget();
    };
    connect(m_follower, &ListFollower::followed, this, &frmmain::listFollowed);
}

void frmmain::listFollowed(const QStringList& names)
{
    // The selection is where it was; its page is shown again only when its names moved.
    const int page = floorDiv(Skin_Lst->currentRow(), cellCount);
    if (pageNames(page) != m_grid->names())
        m_state.Page_Shown = -1;
    skinsListed(names);
    showCount();
    skinListSelectionChanged();
}
