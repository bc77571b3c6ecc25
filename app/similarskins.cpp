// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/similarskins.h"

#include "app/findcommands.h"
#include "app/frmmain.h"
#include "app/searchwindow.h"

#include <QAction>
#include <QMenu>

SimilarSkins::SimilarSkins(frmmain& window)
    : QObject(&window)
    , m_window(window)
{
    action = new QAction(QStringLiteral("似ているSkinを探す(&I)"), this);
    action->setObjectName(QStringLiteral("mnuSimilar"));
    action->setVisible(false);
    window.FileMenu->addAction(action);
    // In and out of the context menu with the skin commands.
    connect(window.mnuLook, &QAction::visibleChanged, this, [this] {
        const bool context = m_window.mnuLook->isVisible();
        action->setEnabled(context && !m_window.state().Selected_Skin.isEmpty());
        action->setVisible(context);
    });
    connect(action, &QAction::triggered, this, [this] {
        const QString name = m_window.state().Selected_Skin;
        if (name.isEmpty())
            return;
        SearchWindow* search = m_window.finder->searchWindow();
        search->findLookAlikes(m_window.currentFolder(), name);
        search->bringUp();
    });
}
