// SPDX-License-Identifier: GPL-3.0-or-later
// The index of the skin folders and the commands on it: duplicates, look-alikes and the
// skins that carry programs.
#include "app/frmmain.h"

#include "app/duplicateswindow.h"
#include "app/indexlink.h"
#include "app/programmarks.h"
#include "app/similarskins.h"
#include "index/skinindex.h"
#include "platform/pathslash.h"

#include <QAction>

void frmmain::buildCollection()
{
    m_indexLink = new IndexLink(this, [this] { return registeredFolders() << currentFolder(); }, SkinIndex::defaultFile());
    m_programMarks = new ProgramMarks(Skin_Lst, m_indexLink->index(), [this] { return currentFolder(); });
    m_similar = new SimilarSkins(*this);
    m_duplicates = new DuplicatesCommand(ViewMenu, m_indexLink->index(), &m_undo, this);
    connect(m_duplicates, &DuplicatesCommand::skinsTrashed, this, [this](const QStringList& folders) {
        if (folders.contains(currentFolder()))
            Skin_Rescan(); // which brings the index up to date
        else
            m_indexLink->update();
    });
}

QStringList frmmain::registeredFolders() const
{
    QStringList folders;
    for (const QAction* entry : Reg)
        folders.append(Path_Slash(entry->text()));
    return folders;
}
