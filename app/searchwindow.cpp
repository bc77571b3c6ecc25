// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/searchwindow.h"

#include "app/hourglass.h"
#include "app/wholenames.h"
#include "skins/skinsearch.h"

#include <QApplication>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

void SkinMatches::show(const QStringList& names, const QList<int>& rows)
{
    // A reset, not row by row: the view then lays out uniform rows without asking each.
    beginResetModel();
    m_names = names;
    m_rows = rows;
    endResetModel();
}

int SkinMatches::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant SkinMatches::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows.size())
        return {};
    return m_names.at(m_rows.at(index.row()));
}

SearchWindow::SearchWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("SearchWindow"));
    setWindowTitle(QStringLiteral("Skinを探す"));
    textBox = new QLineEdit(this);
    textBox->setObjectName(QStringLiteral("Find_Text"));
    textBox->setClearButtonEnabled(true);
    byName = new QRadioButton(QStringLiteral("名前順"), this);
    byName->setObjectName(QStringLiteral("Find_ByName"));
    byName->setChecked(true);
    newest = new QRadioButton(QStringLiteral("新しい順"), this);
    newest->setObjectName(QStringLiteral("Find_Newest"));
    auto* orders = new QButtonGroup(this);
    orders->addButton(byName);
    orders->addButton(newest);
    countLabel = new QLabel(this);
    countLabel->setObjectName(QStringLiteral("Find_Count"));
    countLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    matchList = new QListView(this);
    matchList->setObjectName(QStringLiteral("Find_List"));
    matchList->setUniformItemSizes(true);
    matchList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    matchList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_model = new SkinMatches(this);
    matchList->setModel(m_model);
    new WholeNameTips(matchList);

    auto* row = new QHBoxLayout;
    row->addWidget(byName);
    row->addWidget(newest);
    row->addStretch();
    row->addWidget(countLabel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(textBox);
    layout->addLayout(row);
    layout->addWidget(matchList);
    resize(320, 480);

    connect(textBox, &QLineEdit::textChanged, this, &SearchWindow::refilter);
    connect(textBox, &QLineEdit::returnPressed, this, &SearchWindow::chooseCurrent);
    connect(byName, &QRadioButton::toggled, this, &SearchWindow::refilter);
    connect(matchList, &QListView::doubleClicked, this, &SearchWindow::chooseCurrent);
    textBox->installEventFilter(this);
    matchList->installEventFilter(this);
    refilter();
}

void SearchWindow::setSkins(const QString& folder, const QStringList& names)
{
    m_folder = folder;
    m_names = names;
    m_folded = SkinSearch::foldAll(names);
    m_byName = SkinSearch::allRows(int(names.size()));
    m_newest.clear();
    m_newestRead = false;
    m_lastWords.clear();
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

void SearchWindow::refilter()
{
    const QStringList words = SkinSearch::wordsOf(textBox->text());
    // When every word of the last filter lies within a word now, only its matches can
    // match: typing on looks at fewer and fewer names.
    const bool narrower = !m_lastWords.isEmpty() && m_lastNewest == newest->isChecked()
        && std::all_of(m_lastWords.cbegin(), m_lastWords.cend(), [&words](const QString& last) {
               return std::any_of(
                   words.cbegin(), words.cend(), [&last](const QString& word) { return word.contains(last); });
           });
    const QList<int>& candidates = narrower ? m_model->rows() : order();
    // By name, since a rescan renumbers the skins.
    const QString currentName = matchList->currentIndex().data().toString();

    const QList<int> rows = SkinSearch::filter(m_folded, words, candidates);
    m_model->show(m_names, rows);
    m_lastWords = words;
    m_lastNewest = newest->isChecked();
    countLabel->setText(QStringLiteral("%1 件").arg(rows.size()));

    // The match the user had stays current when it still matches; else the first.
    if (!rows.isEmpty()) {
        const auto kept = currentName.isEmpty()
            ? rows.cend()
            : std::find_if(rows.cbegin(), rows.cend(), [&](int row) { return m_names.at(row) == currentName; });
        const QModelIndex index = m_model->index(kept == rows.cend() ? 0 : int(kept - rows.cbegin()));
        matchList->setCurrentIndex(index);
        matchList->scrollTo(index);
    }
}

void SearchWindow::chooseCurrent()
{
    const QModelIndex current = matchList->currentIndex();
    if (current.isValid())
        emit skinChosen(current.data().toString());
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
