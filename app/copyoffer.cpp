// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/copyoffer.h"

#include "app/frmmain.h"
#include "app/hourglass.h"
#include "dialogs/messages.h"
#include "platform/foldermove.h"
#include "platform/pathslash.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The registered folders among captions, each ending with one separator, without empty
// or repeated ones.
QStringList registered(const QStringList& captions)
{
    QStringList folders;
    for (const QString& caption : captions) {
        const QString folder = Path_Slash(caption);
        if (!folder.isEmpty() && !folders.contains(folder))
            folders << folder;
    }
    return folders;
}

// Whether folder is one of folders, links resolved.
bool isRegistered(const QString& folder, const QStringList& folders)
{
    const QString real = QFileInfo(folder).canonicalFilePath();
    for (const QString& candidate : folders) {
        if (candidate == folder || (!real.isEmpty() && QFileInfo(candidate).canonicalFilePath() == real))
            return true;
    }
    return false;
}

// Copies the skin (a folder or an archive) into folder under its own name; never over
// anything, the original left as it is.
RunError copy(const OpenPath::Target& skin, const QString& folder)
{
    if (!FolderMove::isPlainName(skin.skin))
        return RunError::fromNumber(Error::FileNotFound);
    return FolderMove::copyNew(skin.folder + skin.skin, Path_Slash(folder) + skin.skin);
}

} // namespace

CopyOffer::CopyOffer(frmmain& window)
    : m_window(window)
{
}

void CopyOffer::shown(const OpenPath::Target& target)
{
    m_pending.reset();
    if (target.skin.isEmpty())
        return;
    m_pending = target;
    if (m_asking)
        return;
    // Asked over the window, never over the splash before it: the skin is seen first.
    if (m_window.isVisible())
        QTimer::singleShot(0, this, &CopyOffer::askPending);
    else
        m_window.installEventFilter(this);
}

bool CopyOffer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_window && event->type() == QEvent::Show) {
        m_window.removeEventFilter(this);
        QTimer::singleShot(0, this, &CopyOffer::askPending);
    }
    return false;
}

void CopyOffer::askPending()
{
    if (m_asking)
        return;
    m_asking = true;
    while (m_pending) {
        const OpenPath::Target target = *m_pending;
        m_pending.reset();
        offer(target);
    }
    m_asking = false;
}

void CopyOffer::offer(const OpenPath::Target& target)
{
    QStringList captions;
    for (const QAction* entry : m_window.Reg)
        captions << entry->text();
    const QStringList folders = registered(captions);
    if (folders.isEmpty() || isRegistered(target.folder, folders))
        return;
    const QString folder = chooseFolder(target.skin, folders);
    if (folder.isEmpty())
        return;
    RunError error;
    {
        Hourglass wait;
        error = copy(target, folder);
    }
    if (error) {
        Messages::warning(&m_window,
            error.number == Error::FileAlreadyExists
                ? QStringLiteral("「%1」には同じ名前のSkin「%2」が既にあるので、コピーしませんでした。")
                      .arg(folder, target.skin)
                : QStringLiteral("「%1」を「%2」にコピーできませんでした。\n%3\n%4")
                      .arg(target.skin, folder, error.description,
                          Messages::concerning(target.folder + target.skin, error.detail)));
        return;
    }
    m_window.openTarget(OpenPath::Target { folder, target.skin });
}

QString CopyOffer::chooseFolder(const QString& skin, const QStringList& folders)
{
    QDialog box(&m_window);
    box.setWindowTitle(Messages::Box::programTitle());
    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(new QLabel(
        QStringLiteral(
            "「%1」は登録フォルダの外にあります。\n登録フォルダにコピーしますか？（元のSkinはそのまま残ります）")
            .arg(skin),
        &box));
    auto* choice = new QComboBox(&box);
    choice->addItems(folders);
    layout->addWidget(choice);
    auto* buttons = new QDialogButtonBox(&box);
    buttons->addButton(QStringLiteral("コピーする(&C)"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("コピーしない(&N)"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    return box.exec() == QDialog::Accepted ? folders.value(choice->currentIndex()) : QString();
}
