// SPDX-License-Identifier: GPL-3.0-or-later
// Folders and skin archives dropped onto the window.
#include "app/frmmain.h"

#include "app/hourglass.h"
#include "app/previewcell.h"
#include "dialogs/messages.h"
#include "ops/dropadd.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QListWidget>
#include <QMimeData>
#include <QProgressDialog>
#include <QUrl>

#include <memory>

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

// Up to this many items take no time worth watching, and each failure gets its own box.
constexpr int quietDropItems = 3;

std::unique_ptr<QProgressDialog> dropProgress(QWidget* parent, int count)
{
    auto progress = std::make_unique<QProgressDialog>(parent);
    progress->setWindowTitle(Messages::Box::programTitle());
    progress->setCancelButtonText(QStringLiteral("ｷｬﾝｾﾙ"));
    progress->setRange(0, count);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setWindowModality(Qt::ApplicationModal);
    progress->show();
    // Still busy, but the cancel button can be pressed.
    QApplication::changeOverrideCursor(Qt::BusyCursor);
    return progress;
}

void reportDropFailures(QWidget* parent, const QList<DropAdd::Added>& results, bool many)
{
    if (many) {
        if (const QString summary = DropAdd::failureSummary(results); !summary.isEmpty())
            Messages::warning(parent, summary);
        return;
    }
    for (const DropAdd::Added& added : results) {
        if (!added.error)
            continue;
        const bool kept = !added.skinName.isEmpty(); // copied in, its original left behind
        Messages::warning(parent,
            (kept ? QStringLiteral("「%1」を追加しました。\n%2\n%3")
                  : QStringLiteral("「%1」を追加できませんでした。\n%2\n%3"))
                .arg(QFileInfo(added.path).fileName(), added.error.description,
                    Messages::concerning(added.error.concerns(added.path), added.error.detail)));
    }
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
    const QString folder = currentFolder();
    if (folder.isEmpty())
        return; // nowhere to add to
    std::unique_ptr<QProgressDialog> progress;
    const DropAdd::Progress report = [&](int index, int count, const QString& name) {
        if (count <= quietDropItems)
            return true;
        if (!progress)
            progress = dropProgress(this, count);
        progress->setMaximum(count);
        progress->setLabelText(
            QStringLiteral("Skinを追加しています (%1 / %2)\n%3").arg(index + 1).arg(count).arg(name));
        progress->setValue(index);
        // Between two items is the only time the work lets the cancel button be pressed.
        QCoreApplication::processEvents();
        return !progress->wasCanceled();
    };
    const CollectionOffer::Sorted sorted = m_offer.sortOut(paths, folder, report);
    QList<DropAdd::Added> results = sorted.added;
    if (!progress || !progress->wasCanceled()) {
        Hourglass hourglass;
        results += DropAdd::addDropped(sorted.toAdd, folder, report);
    }
    m_undo.record(UndoHistory::Kind::Drop, DropAdd::undoChanges(results, folder));
    const bool many = progress != nullptr;
    progress.reset();
    if (!results.isEmpty()) {
        Skin_Rescan();
        selectListed(DropAdd::lastAdded(results));
        reportDropFailures(this, results, many);
    }
    // A collection registered is shown, after what else was dropped.
    if (sorted.registered >= 0)
        regTriggered(sorted.registered);
}
