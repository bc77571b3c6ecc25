// SPDX-License-Identifier: GPL-3.0-or-later
// The skin list: rescanning the current folder.
#include "app/frmmain.h"

#include "app/hourglass.h"
#include "app/previewgrid.h"
#include "app/statuspanels.h"
#include "skins/skinscan.h"

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
        const QStringList names = SkinScan::listSkins(currentFolder());
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
    panel(QStringLiteral("skin"))->setText(QStringLiteral("Skin数:") + QString::number(Skin_Lst->count()));
}
