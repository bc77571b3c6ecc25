// SPDX-License-Identifier: GPL-3.0-or-later
// Folders and skin archives dropped onto the window.
#include "app/frmmain.h"

#include "app/hourglass.h"
#include "app/messages.h"
#include "app/previewcell.h"
#include "ops/dropadd.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>

namespace {

QStringList localPaths(const QMimeData* mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    const QList<QUrl> urls = mime->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

} // namespace

void frmmain::setupDrops()
{
    setAcceptDrops(true);
    // A file dropped on a name box would become its text, ready to be taken for a rename.
    for (NameBox* name : Skin_Name)
        name->setAcceptDrops(false);
}

void frmmain::dragEnterEvent(QDragEnterEvent* event)
{
    if (currentFolder().isEmpty() || !DropAdd::anyAddable(localPaths(event->mimeData()))) {
        event->ignore();
        return;
    }
    // Copy, whatever the source proposes: an archive stays where it is, and a folder is
    // moved by us, so the source must delete nothing afterwards.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void frmmain::dragMoveEvent(QDragMoveEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void frmmain::dropEvent(QDropEvent* event)
{
    const QStringList paths = localPaths(event->mimeData());
    if (currentFolder().isEmpty() || !DropAdd::anyAddable(paths)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // The drag source waits until this returns: unpacking and message boxes come after.
    QMetaObject::invokeMethod(
        this, [this, paths] { addDroppedSkins(paths); }, Qt::QueuedConnection);
}

void frmmain::addDroppedSkins(const QStringList& paths)
{
    if (currentFolder().isEmpty())
        return; // nowhere to add to
    QList<DropAdd::Added> results;
    {
        Hourglass hourglass;
        results = DropAdd::addDropped(paths, currentFolder());
    }
    if (results.isEmpty())
        return;

    Skin_Rescan();
    const QString last = DropAdd::lastAdded(results);
    const QList<QListWidgetItem*> found = Skin_Lst->findItems(last, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!last.isEmpty() && !found.isEmpty())
        Skin_Lst->setCurrentItem(found.first());

    for (const DropAdd::Added& added : std::as_const(results)) {
        if (!added.error)
            continue;
        Messages::warning(this,
            QStringLiteral("「%1」を追加できませんでした。\n%2")
                .arg(QFileInfo(added.path).fileName(), added.error.description));
    }
}
