// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/searchwindow.h"

#include "app/colourpalette.h"
#include "app/hourglass.h"
#include "app/wholenames.h"
#include "index/skinindex.h"
#include "skins/skinsearch.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDate>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPromise>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QThreadPool>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <algorithm>

namespace {

// The lowest value of the year boxes stands for no bound: older dates are a clock's
// mistake, no skin's.
constexpr int noYear = 1995;

QString yearText(int year)
{
    return year > 0 ? QString::number(year) : QString();
}

QIcon colourIcon(const QColor& colour)
{
    QPixmap pixmap(14, 14);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

} // namespace

void SkinMatches::show(const QString& folder, const QStringList& names, const QList<int>& rows, const QSet<int>& readme)
{
    // A reset, not row by row: the view then lays out uniform rows without asking each.
    beginResetModel();
    m_indexed = false;
    m_folder = folder;
    m_names = names;
    m_rows = rows;
    m_readme = readme;
    m_hits.clear();
    endResetModel();
}

void SkinMatches::show(const CollectionSearch::Prepared& prepared, const QList<CollectionSearch::Hit>& hits)
{
    beginResetModel();
    m_indexed = true;
    m_prepared = prepared;
    m_hits = hits;
    m_rows.clear();
    m_readme.clear();
    endResetModel();
}

QString SkinMatches::folderAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    return m_indexed ? m_prepared.snapshot().at(m_hits.at(row).row).folder : m_folder;
}

QString SkinMatches::nameAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    return m_indexed ? m_prepared.snapshot().at(m_hits.at(row).row).name : m_names.at(m_rows.at(row));
}

int SkinMatches::rowOf(const QString& folder, const QString& name) const
{
    if (m_indexed) {
        const int wanted = m_prepared.snapshot().rowOf(folder, name);
        const auto found = std::find_if(m_hits.cbegin(), m_hits.cend(), [wanted](const auto& hit) { return hit.row == wanted; });
        return wanted < 0 || found == m_hits.cend() ? -1 : int(found - m_hits.cbegin());
    }
    if (folder != m_folder)
        return -1;
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_names.at(m_rows.at(row)) == name)
            return row;
    }
    return -1;
}

int SkinMatches::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return int(m_indexed ? m_hits.size() : m_rows.size());
}

int SkinMatches::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(columns);
}

QVariant SkinMatches::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int row = index.row();
    if (role == Qt::ToolTipRole && index.column() == matchColumn)
        return data(index).toString().isEmpty() ? QVariant() : QStringLiteral("Readmeの文章に見つかりました");
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case nameColumn:
        return nameAt(row);
    case matchColumn: {
        const bool inReadme = m_indexed ? m_hits.at(row).inReadme : m_readme.contains(m_rows.at(row));
        return inReadme ? QStringLiteral("Readme") : QString();
    }
    case yearColumn:
        return m_indexed ? yearText(m_prepared.snapshot().at(m_hits.at(row).row).year()) : QString();
    case folderColumn:
        return folderAt(row);
    default:
        return {};
    }
}

QVariant SkinMatches::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case nameColumn:
        return QStringLiteral("名前");
    case matchColumn:
        return QStringLiteral("一致");
    case yearColumn:
        return QStringLiteral("年");
    case folderColumn:
        return QStringLiteral("フォルダ");
    default:
        return {};
    }
}

SearchWindow::SearchWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("SearchWindow"));
    setWindowTitle(QStringLiteral("Skinを探す"));
    textBox = new QLineEdit(this);
    textBox->setObjectName(QStringLiteral("Find_Text"));
    textBox->setClearButtonEnabled(true);
    textBox->setPlaceholderText(QStringLiteral("名前かReadmeの言葉"));
    byName = new QRadioButton(QStringLiteral("名前順"), this);
    byName->setObjectName(QStringLiteral("Find_ByName"));
    byName->setChecked(true);
    newest = new QRadioButton(QStringLiteral("新しい順"), this);
    newest->setObjectName(QStringLiteral("Find_Newest"));
    byYear = new QRadioButton(QStringLiteral("年順"), this);
    byYear->setObjectName(QStringLiteral("Find_ByYear"));
    byYear->setToolTip(QStringLiteral("Skinの作られた年の古い順"));
    auto* orders = new QButtonGroup(this);
    orders->addButton(byName);
    orders->addButton(newest);
    orders->addButton(byYear);
    allFolders = new QCheckBox(QStringLiteral("登録フォルダすべて(&A)"), this);
    allFolders->setObjectName(QStringLiteral("Find_AllFolders"));
    countLabel = new QLabel(this);
    countLabel->setObjectName(QStringLiteral("Find_Count"));
    countLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    indexNote = new QLabel(QStringLiteral("索引を作成中"), this);
    indexNote->setObjectName(QStringLiteral("Find_IndexNote"));
    indexNote->setToolTip(QStringLiteral("まだ索引に入っていないSkinは、Readmeや絞り込みでは見つかりません"));
    indexNote->hide();

    auto* filters = new QGroupBox(QStringLiteral("絞り込み"), this);
    filters->setObjectName(QStringLiteral("Find_Filters"));
    buildFilters(filters);

    nearestLabel = new QLabel(this);
    nearestLabel->setObjectName(QStringLiteral("Find_Nearest"));
    nearestClear = new QToolButton(this);
    nearestClear->setObjectName(QStringLiteral("Find_NearestClear"));
    nearestClear->setText(QStringLiteral("解除"));
    nearestLabel->hide();
    nearestClear->hide();

    matchList = new QTreeView(this);
    matchList->setObjectName(QStringLiteral("Find_List"));
    matchList->setRootIsDecorated(false);
    matchList->setItemsExpandable(false);
    matchList->setUniformRowHeights(true);
    matchList->setAllColumnsShowFocus(true);
    matchList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    matchList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_model = new SkinMatches(this);
    matchList->setModel(m_model);
    matchList->header()->setStretchLastSection(true);
    matchList->setColumnWidth(SkinMatches::nameColumn, 200);
    matchList->setColumnWidth(SkinMatches::matchColumn, 60);
    matchList->setColumnWidth(SkinMatches::yearColumn, 45);
    matchList->setColumnHidden(SkinMatches::folderColumn, true);
    new WholeNameTips(matchList);

    auto* row = new QHBoxLayout;
    row->addWidget(byName);
    row->addWidget(newest);
    row->addWidget(byYear);
    row->addStretch();
    row->addWidget(allFolders);
    auto* nearRow = new QHBoxLayout;
    nearRow->addWidget(nearestLabel, 1);
    nearRow->addWidget(nearestClear);
    nearRow->addWidget(indexNote);
    nearRow->addWidget(countLabel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(textBox);
    layout->addLayout(row);
    layout->addWidget(filters);
    layout->addLayout(nearRow);
    layout->addWidget(matchList);
    resize(440, 560);

    connect(textBox, &QLineEdit::textChanged, this, &SearchWindow::refilter);
    connect(textBox, &QLineEdit::returnPressed, this, &SearchWindow::chooseCurrent);
    connect(orders, &QButtonGroup::buttonToggled, this, [this](QAbstractButton*, bool on) {
        if (on)
            refilter();
    });
    connect(allFolders, &QCheckBox::toggled, this, [this](bool on) {
        matchList->setColumnHidden(SkinMatches::folderColumn, !on);
        refilter();
    });
    connect(nearestClear, &QToolButton::clicked, this, &SearchWindow::clearNearest);
    connect(matchList, &QTreeView::doubleClicked, this, &SearchWindow::chooseCurrent);
    textBox->installEventFilter(this);
    matchList->installEventFilter(this);
    m_preparing = new QFutureWatcher<CollectionSearch::Prepared>(this);
    connect(m_preparing, &QFutureWatcher<CollectionSearch::Prepared>::finished, this, &SearchWindow::takePrepared);
    refilter();
}

void SearchWindow::buildFilters(QWidget* box)
{
    auto makeBox = [box, this](const QString& name, const QString& caption, const QString& tip) {
        auto* check = new QCheckBox(caption, box);
        check->setObjectName(name);
        check->setToolTip(tip);
        connect(check, &QCheckBox::toggled, this, &SearchWindow::refilter);
        return check;
    };
    hasEqualizer = makeBox(QStringLiteral("Find_Equalizer"), QStringLiteral("イコライザ"),
        QStringLiteral("イコライザの絵 (eqmain.bmp) のあるSkin"));
    hasPlaylist = makeBox(QStringLiteral("Find_Playlist"), QStringLiteral("プレイリスト"),
        QStringLiteral("プレイリストの絵 (pledit.bmp) のあるSkin"));
    hasCursors = makeBox(QStringLiteral("Find_Cursors"), QStringLiteral("カーソル"),
        QStringLiteral("マウスカーソル (.cur) のあるSkin"));
    shaped = makeBox(QStringLiteral("Find_Shaped"), QStringLiteral("変形ウィンドウ"),
        QStringLiteral("ウィンドウの形を変える region.txt のあるSkin"));
    hasPrograms = makeBox(QStringLiteral("Find_Programs"), QStringLiteral("プログラム入り"),
        QStringLiteral("プログラムやスクリプト (.exe、.dll、.js など) を含むSkin"));

    auto makeYear = [box, this](const QString& name) {
        auto* spin = new QSpinBox(box);
        spin->setObjectName(name);
        spin->setRange(noYear, QDate::currentDate().year() + 1);
        spin->setSpecialValueText(QStringLiteral("指定なし"));
        spin->setValue(noYear);
        spin->setAccelerated(true);
        connect(spin, &QSpinBox::valueChanged, this, &SearchWindow::refilter);
        return spin;
    };
    yearFrom = makeYear(QStringLiteral("Find_YearFrom"));
    yearTo = makeYear(QStringLiteral("Find_YearTo"));

    palette = new ColourPalette(box);
    colourButton = new QToolButton(box);
    colourButton->setObjectName(QStringLiteral("Find_Colour"));
    colourButton->setText(QStringLiteral("色で探す(&C)"));
    colourButton->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(colourButton);
    auto* holder = new QWidgetAction(menu);
    holder->setDefaultWidget(palette);
    menu->addAction(holder);
    colourButton->setMenu(menu);
    connect(palette, &ColourPalette::colourChosen, this, [this, menu](const QColor& colour) {
        menu->close();
        findColour(colour);
    });

    auto* contents = new QHBoxLayout;
    for (QCheckBox* check : { hasEqualizer, hasPlaylist, hasCursors, shaped, hasPrograms })
        contents->addWidget(check);
    contents->addStretch();
    auto* years = new QHBoxLayout;
    auto* yearLabel = new QLabel(QStringLiteral("年:"), box);
    yearLabel->setBuddy(yearFrom);
    years->addWidget(yearLabel);
    years->addWidget(yearFrom);
    years->addWidget(new QLabel(QStringLiteral("〜"), box));
    years->addWidget(yearTo);
    years->addStretch();
    years->addWidget(colourButton);
    auto* layout = new QVBoxLayout(box);
    layout->addLayout(contents);
    layout->addLayout(years);
}

void SearchWindow::setSkins(const QString& folder, const QStringList& names)
{
    m_folder = folder;
    m_names = names;
    m_folded = SkinSearch::foldAll(names);
    m_byName = SkinSearch::allRows(int(names.size()));
    m_newest.clear();
    m_newestRead = false;
    m_rowOfName.clear();
    m_lastWords.clear();
    refilter();
}

void SearchWindow::setIndex(SkinIndex* index, std::function<QStringList()> registeredFolders)
{
    if (m_index)
        disconnect(m_index, nullptr, this, nullptr);
    m_index = index;
    m_registered = std::move(registeredFolders);
    if (m_index) {
        connect(m_index, &SkinIndex::snapshotChanged, this, &SearchWindow::prepareAhead);
        connect(m_index, &SkinIndex::finished, this, [this] { indexNote->hide(); });
    }
    prepareAhead();
}

void SearchWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    prepareAhead();
}

void SearchWindow::prepareAhead()
{
    // A closed window waits for the next showing: the index may change many times before.
    if (!m_index || !isVisible())
        return;
    const std::shared_ptr<const IndexSnapshot> snapshot = m_index->snapshot();
    // One at a time: the one under way asks again once it is done.
    if (snapshot == m_prepared.shared() || m_preparing->isRunning())
        return;
    m_preparingFor = snapshot;
    auto promise = std::make_shared<QPromise<CollectionSearch::Prepared>>();
    m_preparing->setFuture(promise->future());
    promise->start();
    QThreadPool::globalInstance()->start([promise, snapshot] {
        CollectionSearch::Prepared prepared(snapshot);
        prepared.rows(CollectionSearch::Order::year);
        prepared.rows(CollectionSearch::Order::newest);
        promise->addResult(std::move(prepared));
        promise->finish();
    });
}

void SearchWindow::takePrepared()
{
    // A question that could not wait took it already, and was answered with it.
    if (!m_preparingFor) {
        prepareAhead();
        return;
    }
    if (m_preparing->future().resultCount() > 0)
        m_prepared = m_preparing->result();
    m_preparingFor.reset();
    prepareAhead(); // for a snapshot that came meanwhile
    if (m_index && m_prepared.shared() == m_index->snapshot() && isVisible()
        && (needsIndex() || !textBox->text().trimmed().isEmpty()))
        refilter();
}

const QList<int>& SearchWindow::order()
{
    if (!newest->isChecked())
        return m_byName;
    if (!m_newestRead) {
        const Hourglass hourglass;
        m_newest = SkinSearch::newestFirst(m_folder, m_names);
        m_newestRead = true;
    }
    return m_newest;
}

bool SearchWindow::needsIndex() const
{
    const CollectionSearch::Query asked = query();
    return allFolders->isChecked() || byYear->isChecked() || asked.filter.required || asked.filter.yearFrom
        || asked.filter.yearTo || m_nearest.colour.isValid() || !m_nearest.name.isEmpty();
}

CollectionSearch::Query SearchWindow::query() const
{
    CollectionSearch::Query asked;
    asked.typed = textBox->text();
    asked.folders = { m_folder };
    if (allFolders->isChecked() && m_registered) {
        for (const QString& folder : m_registered()) {
            if (!folder.isEmpty() && !asked.folders.contains(folder))
                asked.folders.append(folder);
        }
    }
    const std::pair<QCheckBox*, quint32> flags[] = {
        { hasEqualizer, SkinContent::equalizer },
        { hasPlaylist, SkinContent::playlist },
        { hasCursors, SkinContent::cursors },
        { shaped, SkinContent::region },
        { hasPrograms, SkinContent::programs },
    };
    for (const auto& [box, flag] : flags) {
        if (box->isChecked())
            asked.filter.required |= flag;
    }
    asked.filter.yearFrom = yearFrom->value() == noYear ? 0 : yearFrom->value();
    asked.filter.yearTo = yearTo->value() == noYear ? 0 : yearTo->value();
    asked.order = m_nearest.colour.isValid() || !m_nearest.name.isEmpty() ? CollectionSearch::Order::nearest
        : byYear->isChecked()                                             ? CollectionSearch::Order::year
        : newest->isChecked()                                             ? CollectionSearch::Order::newest
                                                                          : CollectionSearch::Order::name;
    return asked;
}

void SearchWindow::refilter()
{
    const int current = matchList->currentIndex().row();
    // By name, since a rescan renumbers the skins.
    const QString currentFolder = m_model->folderAt(current);
    const QString currentName = m_model->nameAt(current);
    const QStringList words = SkinSearch::wordsOf(textBox->text());
    if (needsIndex())
        showIndexed();
    else
        showListed(words);
    countLabel->setText(QStringLiteral("%1 件").arg(m_model->rowCount()));
    // Skins not yet read are missing from what the index answers.
    indexNote->setVisible(m_index && m_index->isBusy() && (needsIndex() || !words.isEmpty()));
    keepCurrent(currentFolder, currentName);
}

void SearchWindow::prepare()
{
    // Made ready when a question first needs it: a window nobody asks does no work.
    if (!m_index || m_prepared.shared() == m_index->snapshot())
        return;
    const Hourglass hourglass;
    if (m_preparingFor == m_index->snapshot()) {
        m_preparing->waitForFinished();
        m_prepared = m_preparing->result();
        m_preparingFor.reset();
        return;
    }
    m_prepared = CollectionSearch::Prepared(m_index->snapshot());
}

void SearchWindow::showListed(const QStringList& words)
{
    // When every word of the last filter lies within a word now, only its matches can
    // match: typing on looks at fewer and fewer names.
    const bool narrower = !m_lastWords.isEmpty() && m_lastNewest == newest->isChecked()
        && std::all_of(m_lastWords.cbegin(), m_lastWords.cend(), [&words](const QString& last) {
               return std::any_of(
                   words.cbegin(), words.cend(), [&last](const QString& word) { return word.contains(last); });
           });
    const QList<int>& candidates = narrower ? m_lastNameRows : order();
    QList<int> rows = SkinSearch::filter(m_folded, words, candidates);
    m_lastNameRows = rows;
    m_lastWords = words;
    m_lastNewest = newest->isChecked();

    // Skins whose readme holds the words follow those whose name does.
    QSet<int> readme;
    if (!words.isEmpty())
        prepare();
    if (!words.isEmpty() && !m_prepared.isEmpty()) {
        if (m_rowOfName.isEmpty()) {
            m_rowOfName.reserve(m_names.size());
            for (int i = 0; i < m_names.size(); ++i)
                m_rowOfName.insert(m_names.at(i), i);
        }
        const IndexSnapshot& snapshot = m_prepared.snapshot();
        QList<int> readmeOnly;
        const QSet<int> byName(rows.cbegin(), rows.cend());
        for (const int found : IndexQueries::readmeMatches(snapshot, textBox->text())) {
            const SkinRecord& record = snapshot.at(found);
            const int row = record.folder == m_folder ? m_rowOfName.value(record.name, -1) : -1;
            if (row < 0)
                continue;
            readme.insert(row);
            if (!byName.contains(row))
                readmeOnly.append(row);
        }
        std::sort(readmeOnly.begin(), readmeOnly.end());
        rows += readmeOnly;
    }
    m_model->show(m_folder, m_names, rows, readme);
}

QList<int> SearchWindow::nearestRows() const
{
    const IndexSnapshot& snapshot = m_prepared.snapshot();
    if (m_nearest.colour.isValid())
        return CollectionSearch::rowsOf(IndexQueries::nearestColours(snapshot, m_nearest.colour, snapshot.size()));
    const int row = snapshot.rowOf(m_nearest.folder, m_nearest.name);
    if (row < 0)
        return {};
    // The skin itself first, as the one the others are measured by.
    return QList<int> { row }
    + CollectionSearch::rowsOf(IndexQueries::nearestPictures(snapshot, row, snapshot.size()));
}

void SearchWindow::showIndexed()
{
    m_lastWords.clear(); // the names shown are no longer the listing's
    prepare();
    const CollectionSearch::Query asked = query();
    if (asked.order == CollectionSearch::Order::nearest) {
        const QList<int> near = m_prepared.isEmpty() ? QList<int>() : nearestRows();
        m_model->show(m_prepared, CollectionSearch::find(m_prepared, asked, &near));
    } else {
        m_model->show(m_prepared, CollectionSearch::find(m_prepared, asked));
    }
}

void SearchWindow::keepCurrent(const QString& folder, const QString& name)
{
    const int count = m_model->rowCount();
    if (count == 0)
        return;
    // The match the user had stays current when it still matches; else the first.
    const int kept = name.isEmpty() ? 0 : std::max(0, m_model->rowOf(folder, name));
    const QModelIndex index = m_model->index(kept, 0);
    matchList->setCurrentIndex(index);
    matchList->scrollTo(index);
}

void SearchWindow::findColour(const QColor& colour)
{
    m_nearest = { colour, {}, {} };
    nearestLabel->setPixmap({});
    nearestLabel->setText(QStringLiteral("<span style=\"background:%1\">&nbsp;&nbsp;&nbsp;&nbsp;</span> %2 に近い色の順")
                              .arg(colour.name(), colour.name()));
    nearestLabel->show();
    nearestClear->show();
    colourButton->setIcon(colourIcon(colour));
    colourButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    refilter();
}

void SearchWindow::findLookAlikes(const QString& folder, const QString& name)
{
    m_nearest = { QColor(), folder, name };
    nearestLabel->setText(QStringLiteral("「%1」に見た目の近い順").arg(name.toHtmlEscaped()));
    nearestLabel->show();
    nearestClear->show();
    colourButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Look-alikes are sought in the whole collection; the box says so and can narrow it.
    allFolders->setChecked(true);
    refilter();
}

void SearchWindow::clearNearest()
{
    m_nearest = {};
    nearestLabel->hide();
    nearestClear->hide();
    colourButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    refilter();
}

void SearchWindow::chooseCurrent()
{
    const int row = matchList->currentIndex().row();
    if (row >= 0 && row < m_model->rowCount())
        emit skinChosen(m_model->folderAt(row), m_model->nameAt(row));
}

void SearchWindow::bringUp()
{
    if (!m_placed && parentWidget()) {
        // Beside the main window, on whichever side the screen has room.
        const QRect main = parentWidget()->frameGeometry();
        const QScreen* screen = parentWidget()->screen();
        const QRect room = screen ? screen->availableGeometry() : QRect();
        QPoint at(main.right() + 8, main.top());
        if (!room.isEmpty() && at.x() + width() > room.right())
            at.setX(std::max(room.left(), main.left() - width() - 8));
        move(at);
        m_placed = true;
    }
    show();
    raise();
    activateWindow();
    textBox->setFocus(Qt::OtherFocusReason);
    textBox->selectAll();
}

bool SearchWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == textBox) {
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // The text box keeps the focus: the arrows move in the matches.
            QApplication::sendEvent(matchList, event);
            return true;
        default:
            break;
        }
    } else if (watched == matchList && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        chooseCurrent();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SearchWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
