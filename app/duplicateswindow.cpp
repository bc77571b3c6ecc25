// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/duplicateswindow.h"

#include "app/collectionsearch.h"
#include "app/hourglass.h"
#include "app/picturejobs.h"
#include "dialogs/messages.h"
#include "index/skinindex.h"
#include "ops/filecommands.h"
#include "ops/undohistory.h"
#include "skins/previewimage.h"
#include "skins/winamplook.h"

#include <QAction>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

// A page of groups: more would make a window too heavy to scroll; the rest come when
// these are dealt with.
constexpr int shownGroups = 200;
constexpr QSize pictureSize(146, 60);

QString sizeText(qint64 size)
{
    if (size >= 1024 * 1024)
        return QStringLiteral("%1 MB").arg(double(size) / (1024 * 1024), 0, 'f', 1);
    return QStringLiteral("%1 KB").arg((size + 1023) / 1024);
}

QList<DuplicatesWindow::Group> groupsOf(const IndexSnapshot& snapshot)
{
    QList<DuplicatesWindow::Group> groups;
    for (const CollectionSearch::DuplicateGroup& found : CollectionSearch::duplicates(snapshot)) {
        DuplicatesWindow::Group group { found.identical, {} };
        for (const int row : found.rows) {
            const SkinRecord& record = snapshot.at(row);
            group.skins.append({ record.folder, record.name, record.size, record.year() });
        }
        groups.append(group);
    }
    return groups;
}

} // namespace

DuplicatesWindow::DuplicatesWindow(SkinIndex* index, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , deleteSkin(&FileCommands::deleteSkin)
    , loadPicture(&WinampLook::mainWindowOfSkin)
    , m_index(index)
{
    setObjectName(QStringLiteral("DuplicatesWindow"));
    setWindowTitle(QStringLiteral("重複を探す"));
    summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("Duplicates_Summary"));
    summary->setWordWrap(true);
    auto* again = new QPushButton(QStringLiteral("もう一度探す(&R)"), this);
    again->setObjectName(QStringLiteral("Duplicates_Again"));
    again->setAutoDefault(false);
    connect(again, &QPushButton::clicked, this, &DuplicatesWindow::refresh);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    m_contents = new QWidget(scroll);
    m_list = new QVBoxLayout(m_contents);
    m_list->addStretch();
    scroll->setWidget(m_contents);

    auto* top = new QHBoxLayout;
    top->addWidget(summary, 1);
    top->addWidget(again);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(scroll);
    resize(560, 600);

    m_jobs = new PictureJobs(this);
    connect(m_jobs, &PictureJobs::pictureReady, this, [this](int read, const QImage& picture) {
        if (!picture.isNull() && read < m_pictures.size())
            m_pictures[read]->setPixmap(QPixmap::fromImage(picture));
    });
    // Asked while the index was being built: the answer is completed once it is; a
    // complete one is left alone, with the user's choices in it.
    connect(m_index, &SkinIndex::finished, this, [this] {
        if (isVisible() && m_partial)
            refresh();
    });
}

void DuplicatesWindow::refresh()
{
    {
        const Hourglass hourglass;
        m_groups = groupsOf(*m_index->snapshot());
    }
    showGroups();
}

void DuplicatesWindow::showGroups()
{
    m_jobs->cancel();
    m_pictures.clear();
    // Later, not now: the trash button of one of them may be the caller.
    for (const Shown& shown : std::as_const(m_shown)) {
        shown.box->hide();
        shown.box->deleteLater();
    }
    m_shown.clear();

    qsizetype skins = 0;
    for (const Group& group : std::as_const(m_groups))
        skins += group.skins.size();
    QString text = m_groups.isEmpty()
        ? QStringLiteral("同じSkinも、見た目のよく似たSkinも見つかりませんでした。")
        : QStringLiteral("%1 組、%2 個のSkinが見つかりました。各組で残すSkinを選んでください。")
              .arg(m_groups.size())
              .arg(skins);
    if (m_groups.size() > shownGroups)
        text += QStringLiteral("（初めの %1 組を表示しています）").arg(shownGroups);
    m_partial = m_index->isBusy();
    if (m_partial)
        text += QStringLiteral("\n索引を作成中のため、まだ見つかっていないSkinがあります。");
    summary->setText(text);

    QList<PictureJobs::Read> reads;
    for (int i = 0; i < m_groups.size() && i < shownGroups; ++i) {
        QWidget* box = groupBox(i);
        m_list->insertWidget(m_list->count() - 1, box);
        for (const Skin& skin : std::as_const(m_groups[i].skins)) {
            reads.append([load = loadPicture, path = skin.folder + skin.name, ratio = devicePixelRatioF()] {
                return PreviewImage::stretchedImage(load(path), pictureSize, ratio);
            });
        }
    }
    m_jobs->start(std::move(reads));
}

QWidget* DuplicatesWindow::groupBox(int group)
{
    const Group& shown = m_groups[group];
    auto* box = new QGroupBox(
        shown.identical ? QStringLiteral("同じ内容のSkin") : QStringLiteral("見た目のよく似たSkin"), m_contents);
    box->setObjectName(QStringLiteral("Duplicates_Group_%1").arg(group));
    auto* keep = new QButtonGroup(box);
    auto* layout = new QVBoxLayout(box);
    for (int i = 0; i < shown.skins.size(); ++i) {
        const Skin& skin = shown.skins[i];
        auto* picture = new QLabel(box);
        picture->setFixedSize(pictureSize);
        picture->setFrameShape(QFrame::Box);
        m_pictures.append(picture);
        auto* about = new QLabel(box);
        about->setTextFormat(Qt::PlainText);
        about->setText(QStringLiteral("%1\n%2\n%3　%4")
                           .arg(skin.name, skin.folder, sizeText(skin.size),
                               skin.year > 0 ? QStringLiteral("%1年").arg(skin.year) : QStringLiteral("年不明")));
        auto* radio = new QRadioButton(QStringLiteral("残す"), box);
        radio->setChecked(i == 0);
        keep->addButton(radio, i);
        auto* row = new QHBoxLayout;
        row->addWidget(picture);
        row->addWidget(about, 1);
        row->addWidget(radio);
        layout->addLayout(row);
    }
    auto* trash = new QPushButton(QStringLiteral("残すSkinのほかをごみ箱へ移す(&T)"), box);
    trash->setAutoDefault(false);
    layout->addWidget(trash, 0, Qt::AlignRight);
    connect(trash, &QPushButton::clicked, this, [this, box] {
        for (int i = 0; i < m_shown.size(); ++i) {
            if (m_shown[i].box == box)
                trashOthers(i);
        }
    });
    m_shown.append({ box, keep, trash });
    return box;
}

QList<QAbstractButton*> DuplicatesWindow::keepButtons(int group) const
{
    return group < m_shown.size() ? m_shown[group].keep->buttons() : QList<QAbstractButton*>();
}

QPushButton* DuplicatesWindow::trashButton(int group) const
{
    return group < m_shown.size() ? m_shown[group].trash : nullptr;
}

void DuplicatesWindow::trashOthers(int group)
{
    if (group < 0 || group >= m_shown.size())
        return;
    const int kept = m_shown[group].keep->checkedId();
    const QList<Skin> skins = m_groups[group].skins;
    if (kept < 0 || kept >= skins.size())
        return;
    Messages::Box ask;
    ask.icon = Messages::Icon::Warning;
    ask.parent = this;
    ask.buttons = QMessageBox::Yes | QMessageBox::No;
    ask.text = QStringLiteral("「%1」を残し、ほかの %2 個のSkinをごみ箱へ移します。よろしいですか？")
                   .arg(skins[kept].name)
                   .arg(skins.size() - 1);
    if (Messages::show(ask) != QMessageBox::Yes)
        return;

    QList<Skin> left { skins[kept] };
    QStringList failures;
    QStringList folders;
    QList<UndoHistory::Change> trashed;
    for (int i = 0; i < skins.size(); ++i) {
        const Skin& skin = skins[i];
        if (i == kept)
            continue;
        // What the index saw may have been renamed or replaced since: only a skin still
        // listed under that name is sent.
        QString inTrash;
        RunError error = FileCommands::isStillSkin(skin.folder, skin.name)
            ? deleteSkin(skin.folder, skin.name, &inTrash)
            : RunError::fromNumber(Error::FileNotFound);
        if (error) {
            failures.append(Messages::concerning(skin.folder + skin.name, error.description));
            left.append(skin);
            continue;
        }
        trashed.append({ UndoHistory::Change::Type::Trashed, skin.folder + skin.name, inTrash });
        if (!folders.contains(skin.folder))
            folders.append(skin.folder);
    }
    if (left.size() < 2)
        m_groups.removeAt(group);
    else
        m_groups[group].skins = left;
    // One step: the whole group comes back with one undo.
    if (undo && !trashed.isEmpty())
        undo->record(UndoHistory::Kind::Delete, trashed);
    showGroups();
    if (!folders.isEmpty())
        emit skinsTrashed(folders);
    if (!failures.isEmpty())
        Messages::warning(this, QStringLiteral("ごみ箱へ移せなかったSkinがあります。\n") + failures.join(QLatin1Char('\n')));
}

DuplicatesCommand::DuplicatesCommand(QMenu* viewMenu, SkinIndex* index, UndoHistory* undo, QWidget* window)
    : QObject(window)
    , m_index(index)
    , m_undo(undo)
    , m_owner(window)
{
    action = new QAction(QStringLiteral("重複を探す(&D)..."), this);
    action->setObjectName(QStringLiteral("mnuDuplicates"));
    viewMenu->addAction(action);
    connect(action, &QAction::triggered, this, [this] {
        DuplicatesWindow* shown = this->window();
        shown->show();
        shown->raise();
        shown->activateWindow();
        shown->refresh();
    });
}

DuplicatesWindow* DuplicatesCommand::window()
{
    if (!m_window) {
        m_window = new DuplicatesWindow(m_index, m_owner);
        m_window->undo = m_undo;
        connect(m_window, &DuplicatesWindow::skinsTrashed, this, &DuplicatesCommand::skinsTrashed);
    }
    return m_window;
}
