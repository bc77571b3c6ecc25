// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/gridkeys.h"

#include "skins/pagestate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QWheelEvent>

namespace {

// One notch of a common wheel; finer wheels send parts of it.
constexpr int notch = 120;

} // namespace

GridKeys::GridKeys(QWidget* grid, QListWidget* list)
    : QObject(grid)
    , m_grid(grid)
    , m_list(list)
{
    // Given the focus by the window alone: a press that took it would end a name's edit
    // before the click on a preview has looked for that cell's skin.
    grid->setFocusPolicy(Qt::NoFocus);
    grid->installEventFilter(this);
}

bool GridKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_grid)
        return false;
    if (event->type() == QEvent::Wheel) {
        turn(static_cast<QWheelEvent*>(event)->angleDelta().y());
        return true;
    }
    // Keys that a name box leaves alone come on to the grid: they are the box's still.
    if (event->type() == QEvent::KeyPress && QApplication::focusWidget() == m_grid)
        return key(static_cast<QKeyEvent*>(event)->key());
    return false;
}

bool GridKeys::key(int key)
{
    using Move = PageState::Move;
    Move move;
    switch (key) {
    case Qt::Key_Left:
        move = Move::left;
        break;
    case Qt::Key_Right:
        move = Move::right;
        break;
    case Qt::Key_Up:
        move = Move::up;
        break;
    case Qt::Key_Down:
        move = Move::down;
        break;
    case Qt::Key_PageUp:
        move = Move::pageUp;
        break;
    case Qt::Key_PageDown:
        move = Move::pageDown;
        break;
    case Qt::Key_Home:
        move = Move::first;
        break;
    case Qt::Key_End:
        move = Move::last;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit openAsked();
        return true;
    default:
        return false;
    }
    select(PageState::rowAfter(move, m_list->currentRow(), m_list->count()));
    return true;
}

void GridKeys::turn(int angle)
{
    // A name being typed ends first, as a click on a preview ends it.
    if (QApplication::focusWidget() && m_grid->isAncestorOf(QApplication::focusWidget()))
        m_grid->setFocus(Qt::OtherFocusReason);
    // Turned the other way, what was left of the last turn no longer counts.
    if ((m_angle > 0 && angle < 0) || (m_angle < 0 && angle > 0))
        m_angle = 0;
    m_angle += angle;
    const int notches = m_angle / notch;
    if (notches == 0)
        return;
    m_angle -= notches * notch;
    // The wheel turned away from the user shows the pages before.
    select(PageState::rowAfterTurn(-notches, m_list->currentRow(), m_list->count()));
}

void GridKeys::select(int row)
{
    if (row >= 0 && row != m_list->currentRow())
        m_list->setCurrentRow(row);
}
