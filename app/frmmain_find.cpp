// SPDX-License-Identifier: GPL-3.0-or-later
// The find commands' menu items, the skin Winamp uses and whole names as tooltips.
#include "app/frmmain.h"

#include "app/findcommands.h"
#include "app/indexlink.h"
#include "app/previewcell.h"
#include "app/programmarks.h"
#include "app/searchwindow.h"
#include "app/wholenames.h"
#include "ops/winampinuse.h"
#include "ops/winampremote.h"
#include "settings/settingskeys.h"
#include "skins/skinreadme.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>

void frmmain::buildFind()
{
    auto addAction = [this](QMenu* menu, const QString& name, const QString& caption) {
        auto* action = new QAction(caption, this);
        action->setObjectName(name);
        menu->addAction(action);
        return action;
    };
    ViewMenu->addSeparator()->setObjectName(QStringLiteral("mnuViewBar2"));
    mnuFind = addAction(ViewMenu, QStringLiteral("mnuFind"), QStringLiteral("Skinを探す(&S)..."));
    mnuFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuFind->setShortcutContext(Qt::WindowShortcut);
    mnuRandom = addAction(ViewMenu, QStringLiteral("mnuRandom"), QStringLiteral("ランダムに選ぶ(&N)"));
    mnuRandom->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    mnuRandom->setShortcutContext(Qt::WindowShortcut);
    mnuReadme = addAction(FileMenu, QStringLiteral("mnuReadme"), QStringLiteral("Readmeを読む(&M)"));
    mnuReadme->setVisible(false);

    finder = new FindCommands(this, Skin_Lst,
        { [this] { return currentFolder(); },
            [this] {
                const int cell = selectedCell();
                return cell < 0 ? QString() : cellSkinName(cell);
            },
            [this](SearchWindow* search) {
                search->setIndex(m_indexLink->index(), [this] { return registeredFolders(); });
                connect(search, &SearchWindow::skinChosen, this, &frmmain::showFound);
            } });
    connect(mnuFind, &QAction::triggered, finder, &FindCommands::find);
    connect(mnuRandom, &QAction::triggered, finder, &FindCommands::random);
    connect(mnuReadme, &QAction::triggered, finder, &FindCommands::readme);
    // The readme follows the skin commands in and out of the context menu.
    connect(mnuLook, &QAction::visibleChanged, this, [this] {
        const bool context = mnuLook->isVisible();
        const int cell = selectedCell();
        mnuReadme->setEnabled(
            context && cell >= 0 && !SkinReadme::find(currentFolder() + cellSkinName(cell)).isEmpty());
        mnuReadme->setVisible(context);
    });
    // After the commands' own handlers, which these connections follow.
    for (QAction* apply : { file[5], file[6] })
        connect(apply, &QAction::triggered, this, &frmmain::refreshInUse);
    connect(Skin_Lst, &QListWidget::currentRowChanged, this, &frmmain::markInUseNames);
    new WholeNameTips(Skin_Lst);
}

void frmmain::showFound(const QString& folder, const QString& name)
{
    // A skin of another folder opens that folder, as a path handed to the program does.
    if (!folder.isEmpty() && folder != currentFolder()) {
        openTarget({ folder, name });
        raise();
        activateWindow();
        return;
    }
    const int row = int(m_listed.indexOf(name));
    if (row >= 0 && row < Skin_Lst->count())
        Skin_Lst->setCurrentRow(row);
    raise();
    activateWindow();
}

void frmmain::skinsListed(const QStringList& names)
{
    m_listed = names;
    m_inUseItem = nullptr; // the list was emptied and filled again
    refreshInUse();
    m_programMarks->mark();
    m_indexLink->update();
    finder->setSkins(names);
}

void frmmain::refreshInUse()
{
    // Read from the store while the settings dialog does not exist: making it here would
    // fix the Winamp folder before anything asked for it.
    const QString amp = settings().existing() ? ampPath() : SettingsKeys::read(SettingsKeys::amp);
    showInUse(m_listed.isEmpty() ? QString() : WinampInUse::current(amp, currentFolder(), m_listed));
    // A running Winamp writes its own skin back when it quits: it has the last word. Wine
    // is started for it only by an apply or the window becoming active.
    if (m_remote->helperRunning())
        askWinampInUse();
}

void frmmain::showInUse(const QString& name)
{
    if (m_inUseItem) {
        m_inUseItem->setData(Qt::FontRole, QVariant());
        m_inUseItem->setToolTip(QString());
        m_inUseItem = nullptr;
    }
    m_inUse = name;
    const int row = m_inUse.isEmpty() ? -1 : int(m_listed.indexOf(m_inUse));
    if (row >= 0 && row < Skin_Lst->count()) {
        m_inUseItem = Skin_Lst->item(row);
        QFont bold = Skin_Lst->font();
        bold.setBold(true);
        m_inUseItem->setFont(bold);
        m_inUseItem->setToolTip(QStringLiteral("Winampで使用中"));
    }
    markInUseNames();
}

void frmmain::markInUseNames()
{
    for (NameBox* box : Skin_Name)
        box->setInUse(!m_inUse.isEmpty() && box->isEnabled() && box->text() == m_inUse);
}
