// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/duplicateswindow.h"

#include "app/hourglass.h"
#include "app/picturejobs.h"
#include "dialogs/messages.h"
#include "index/skinindex.h"
#include "index/skinrecord.h"
#include "ops/filecommands.h"
#include "ops/undohistory.h"
#include "skins/previewimage.h"
#include "skins/winamplook.h"

#include <QAbstractListModel>
#include <QAction>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

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
    groups.reserve(snapshot.duplicates().size());
    for (const DuplicateGroup& found : snapshot.duplicates())
        groups.append({ found.identical, found.rows, 0 });
    return groups;
}

} // namespace

// One line per group: its first skin, how many, and of which kind.
class DuplicateGroupsModel : public QAbstractListModel
{
public:
    explicit DuplicateGroupsModel(const DuplicatesWindow& window)
        : QAbstractListModel(nullptr)
        , m_window(window)
    {
    }
    void reset()
    {
        beginResetModel();
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_window.groups().size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
            return {};
        const DuplicatesWindow::Group& group = m_window.groups()[index.row()];
        return QStringLiteral("%1 ほか %2 個\n%3")
            .arg(m_window.skin(index.row(), 0).name)
            .arg(group.rows.size() - 1)
            .arg(group.identical ? QStringLiteral("同じ内容のSkin") : QStringLiteral("見た目のよく似たSkin"));
    }

private:
    const DuplicatesWindow& m_window;
};

// The skins of one group, the kept one checked; the pictures read so far.
class DuplicateSkinsModel : public QAbstractListModel
{
public:
    explicit DuplicateSkinsModel(const DuplicatesWindow& window)
        : QAbstractListModel(nullptr)
        , m_window(window)
        , m_blank(pictureSize)
    {
        m_blank.fill(Qt::transparent);
        QPainter painter(&m_blank);
        painter.setPen(QColor(0xa0, 0xa0, 0xa0));
        painter.drawRect(QRect(QPoint(0, 0), pictureSize - QSize(1, 1)));
    }
    void show(int group, int* kept)
    {
        beginResetModel();
        m_group = group;
        m_kept = kept;
        m_pictures.clear();
        endResetModel();
    }
    bool hasPicture(int row) const { return m_pictures.contains(row); }
    void setPicture(int row, const QPixmap& picture)
    {
        m_pictures.insert(row, picture);
        emit dataChanged(index(row), index(row), { Qt::DecorationRole });
    }
    // Pictures far out of sight are let go: a group of thousands would hold them all.
    void keepPictures(int from, int to)
    {
        m_pictures.removeIf([from, to](const auto& it) { return it.key() < from || it.key() > to; });
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() || !m_kept ? 0 : int(m_window.groups()[m_group].rows.size());
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return QAbstractListModel::flags(index) | Qt::ItemIsUserCheckable;
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        switch (role) {
        case Qt::DisplayRole: {
            const DuplicatesWindow::Skin skin = m_window.skin(m_group, index.row());
            return QStringLiteral("%1\n%2\n%3　%4")
                .arg(skin.name, skin.folder, sizeText(skin.size),
                    skin.year > 0 ? QStringLiteral("%1年").arg(skin.year) : QStringLiteral("年不明"));
        }
        case Qt::DecorationRole:
            return m_pictures.value(index.row(), m_blank);
        case Qt::CheckStateRole:
            return index.row() == *m_kept ? Qt::Checked : Qt::Unchecked;
        case Qt::ToolTipRole:
            return QStringLiteral("チェックしたSkinを残します");
        default:
            return {};
        }
    }
    // One skin is kept: checking another moves the mark, as a radio button would.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= rowCount()
            || value.value<Qt::CheckState>() != Qt::Checked)
            return false;
        const int before = std::exchange(*m_kept, index.row());
        emit dataChanged(this->index(before), this->index(before), { Qt::CheckStateRole });
        emit dataChanged(index, index, { Qt::CheckStateRole });
        return true;
    }

private:
    const DuplicatesWindow& m_window;
    int m_group = -1;
    int* m_kept = nullptr; // null: no group shown
    QHash<int, QPixmap> m_pictures;
    QPixmap m_blank;
};

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

    auto* split = new QSplitter(this);
    groupList = new QListView(split);
    groupList->setObjectName(QStringLiteral("Duplicates_Groups"));
    groupList->setUniformItemSizes(true);
    groupList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_groupModel = new DuplicateGroupsModel(*this);
    m_groupModel->setParent(this);
    groupList->setModel(m_groupModel);
    skinList = new QListView(split);
    skinList->setObjectName(QStringLiteral("Duplicates_Skins"));
    skinList->setUniformItemSizes(true);
    skinList->setIconSize(pictureSize);
    skinList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    skinList->setSpacing(2);
    m_skinModel = new DuplicateSkinsModel(*this);
    m_skinModel->setParent(this);
    skinList->setModel(m_skinModel);
    split->setStretchFactor(1, 1);
    split->setSizes({ 200, 400 });
    trashButton = new QPushButton(QStringLiteral("残すSkinのほかをごみ箱へ移す(&T)"), this);
    trashButton->setObjectName(QStringLiteral("Duplicates_Trash"));
    trashButton->setAutoDefault(false);
    trashButton->setEnabled(false);
    connect(trashButton, &QPushButton::clicked, this, [this] { trashOthers(groupList->currentIndex().row()); });

    auto* top = new QHBoxLayout;
    top->addWidget(summary, 1);
    top->addWidget(again);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);
    layout->addWidget(trashButton, 0, Qt::AlignRight);
    resize(640, 600);

    connect(groupList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex& current) { showGroup(current.row()); });
    m_sight = new QTimer(this);
    m_sight->setSingleShot(true);
    m_sight->setInterval(0);
    connect(m_sight, &QTimer::timeout, this, &DuplicatesWindow::readPicturesInSight);
    connect(skinList->verticalScrollBar(), &QScrollBar::valueChanged, m_sight, qOverload<>(&QTimer::start));
    skinList->viewport()->installEventFilter(this);

    m_jobs = new PictureJobs(this);
    connect(m_jobs, &PictureJobs::pictureReady, this, [this](int read, const QImage& picture) {
        if (!picture.isNull() && read < m_reading.size())
            m_skinModel->setPicture(m_reading[read], QPixmap::fromImage(picture));
    });
    // Asked while the index was being built: the answer is completed once it is; a
    // complete one is left alone, with the user's choices in it.
    connect(m_index, &SkinIndex::finished, this, [this] {
        if (isVisible() && m_partial)
            refresh();
    });
}

DuplicatesWindow::~DuplicatesWindow() = default;

DuplicatesWindow::Skin DuplicatesWindow::skin(int group, int i) const
{
    const SkinRecord& record = m_snapshot->at(m_groups[group].rows[i]);
    return { record.folder, record.name, record.size, record.year() };
}

void DuplicatesWindow::refresh()
{
    {
        const Hourglass hourglass;
        m_snapshot = m_index->snapshot();
        m_groups = groupsOf(*m_snapshot);
    }
    showGroups(0);
}

bool DuplicatesWindow::picturesPending() const
{
    return m_sight->isActive() || m_jobs->busy();
}

bool DuplicatesWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == skinList->viewport() && event->type() == QEvent::Resize)
        m_sight->start();
    return QWidget::eventFilter(watched, event);
}

void DuplicatesWindow::showGroups(int current)
{
    qsizetype skins = 0;
    for (const Group& group : std::as_const(m_groups))
        skins += group.rows.size();
    QString text = m_groups.isEmpty()
        ? QStringLiteral("同じSkinも、見た目のよく似たSkinも見つかりませんでした。")
        : QStringLiteral("%1 組、%2 個のSkinが見つかりました。組ごとに残すSkinをチェックしてください。")
              .arg(m_groups.size())
              .arg(skins);
    m_partial = m_index->isBusy();
    if (m_partial)
        text += QStringLiteral("\n索引を作成中のため、まだ見つかっていないSkinがあります。");
    summary->setText(text);

    m_skinModel->show(-1, nullptr);
    m_groupModel->reset();
    current = std::min(current, int(m_groups.size()) - 1);
    if (current >= 0)
        groupList->setCurrentIndex(m_groupModel->index(current));
    else
        showGroup(-1);
}

void DuplicatesWindow::showGroup(int group)
{
    m_jobs->cancel();
    m_reading.clear();
    const bool shown = group >= 0 && group < m_groups.size();
    m_skinModel->show(group, shown ? &m_groups[group].kept : nullptr);
    trashButton->setEnabled(shown);
    if (shown)
        skinList->scrollToTop();
    m_sight->start();
}

void DuplicatesWindow::readPicturesInSight()
{
    const int count = m_skinModel->rowCount();
    const int group = groupList->currentIndex().row();
    if (count == 0 || group < 0 || group >= m_groups.size())
        return;
    const QModelIndex top = skinList->indexAt(QPoint(4, 4));
    const QModelIndex bottom = skinList->indexAt(QPoint(4, skinList->viewport()->height() - 4));
    const int first = top.isValid() ? top.row() : 0;
    const int last = bottom.isValid() ? bottom.row() : count - 1;
    // A screen ahead and behind is read too, so that a short scroll finds them there.
    const int span = last - first + 1;
    m_skinModel->keepPictures(first - 2 * span, last + 2 * span);
    QList<int> wanted;
    for (int row = first; row <= last; ++row)
        wanted.append(row);
    for (int step = 1; step <= span; ++step)
        wanted << last + step << first - step;
    wanted.removeIf([&](int row) { return row < 0 || row >= count || m_skinModel->hasPicture(row); });
    // Reads under way for what is still wanted go on.
    if (m_jobs->busy() && std::all_of(wanted.cbegin(), wanted.cend(), [this](int row) { return m_reading.contains(row); }))
        return;
    if (wanted.isEmpty())
        return;
    m_reading = wanted;
    QList<PictureJobs::Read> reads;
    for (const int row : std::as_const(wanted)) {
        const Skin skin = this->skin(group, row);
        reads.append([load = loadPicture, path = skin.folder + skin.name, ratio = devicePixelRatioF()] {
            return PreviewImage::stretchedImage(load(path), pictureSize, ratio);
        });
    }
    m_jobs->start(std::move(reads));
}

void DuplicatesWindow::trashOthers(int group)
{
    if (group < 0 || group >= m_groups.size())
        return;
    const int kept = m_groups[group].kept;
    const QList<int> rows = m_groups[group].rows;
    if (kept < 0 || kept >= rows.size())
        return;
    Messages::Box ask;
    ask.icon = Messages::Icon::Warning;
    ask.parent = this;
    ask.buttons = QMessageBox::Yes | QMessageBox::No;
    ask.text = QStringLiteral("「%1」を残し、ほかの %2 個のSkinをごみ箱へ移します。よろしいですか？")
                   .arg(skin(group, kept).name)
                   .arg(rows.size() - 1);
    if (Messages::show(ask) != QMessageBox::Yes)
        return;

    QList<int> left { rows[kept] };
    QStringList failures;
    QStringList folders;
    QList<UndoHistory::Change> trashed;
    for (int i = 0; i < rows.size(); ++i) {
        const Skin skin = this->skin(group, i);
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
            left.append(rows[i]);
            continue;
        }
        trashed.append({ UndoHistory::Change::Type::Trashed, skin.folder + skin.name, inTrash });
        if (!folders.contains(skin.folder))
            folders.append(skin.folder);
    }
    if (left.size() < 2)
        m_groups.removeAt(group);
    else
        m_groups[group] = { m_groups[group].identical, left, 0 };
    // One step: the whole group comes back with one undo.
    if (undo && !trashed.isEmpty())
        undo->record(UndoHistory::Kind::Delete, trashed);
    showGroups(group);
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
