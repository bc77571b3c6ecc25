// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/previewcell.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

PreviewCell::PreviewCell(QWidget* parent)
    : QLabel(parent)
{
    setScaledContents(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
}

void PreviewCell::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        emit rightPressed();
    m_leftPressed = event->button() == Qt::LeftButton;
    event->accept();
}

void PreviewCell::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasPressed = m_leftPressed;
    m_leftPressed = false;
    if (event->button() == Qt::LeftButton && wasPressed && rect().contains(event->position().toPoint()))
        emit clicked();
    event->accept();
}

void PreviewCell::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double-click: no new click, the first one already ran.
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    else if (event->button() == Qt::RightButton)
        emit rightPressed();
    event->accept();
}

NameBox::NameBox(QWidget* parent)
    : QLineEdit(parent)
{
}

void NameBox::mouseReleaseEvent(QMouseEvent* event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit clicked();
}

void NameBox::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    emit focusGained();
}

void NameBox::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    emit focusLost();
}

void NameBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit enterPressed();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && isModified()) {
        emit escapePressed();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

SelectFrame::SelectFrame(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SelectFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QPen pen(QColor(0, 0, 255));
    pen.setWidth(4);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.drawRect(QRectF(rect()).adjusted(2, 2, -2, -2));
}
