// SPDX-License-Identifier: GPL-3.0-or-later
// Whole names as tooltips where they are cut off, and the mark of the skin Winamp uses.
#include "app/wholenames.h"

#include "app/previewcell.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolTip>

namespace {

const QString inUseTip = QStringLiteral("Winampで使用中");

void showTip(const QHelpEvent* help, QWidget* widget, const QStringList& lines, const QRect& area)
{
    if (lines.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), lines.join(QLatin1Char('\n')), widget, area);
}

} // namespace

WholeNameTips::WholeNameTips(QAbstractItemView* view)
    : QObject(view)
    , m_view(view)
{
    view->viewport()->installEventFilter(this);
}

bool WholeNameTips::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ToolTip || watched != m_view->viewport())
        return QObject::eventFilter(watched, event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = m_view->indexAt(help->pos());
    QStringList lines;
    QRect area;
    if (index.isValid()) {
        const QString name = index.data().toString();
        const QVariant font = index.data(Qt::FontRole);
        const QFontMetrics metrics(font.isValid() ? font.value<QFont>() : m_view->font());
        // The item's text stands inside the focus frame's margin on either side.
        const int margin = 2 * (m_view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_view) + 1);
        area = m_view->visualRect(index);
        const QRect shown = area.intersected(m_view->viewport()->rect());
        if (metrics.horizontalAdvance(name) + margin > shown.width())
            lines << name;
        const QString own = index.data(Qt::ToolTipRole).toString();
        if (!own.isEmpty())
            lines << own;
    }
    showTip(help, m_view->viewport(), lines, area);
    return true;
}

void NameBox::setInUse(bool inUse)
{
    if (inUse == m_inUse)
        return;
    m_inUse = inUse;
    QFont bold = font();
    bold.setBold(inUse);
    setFont(bold);
}

bool NameBox::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QLineEdit::event(event);
    QStyleOptionFrame option;
    initStyleOption(&option);
    // QLineEdit keeps two pixels on either side of its text inside the contents.
    const int room = style()->subElementRect(QStyle::SE_LineEditContents, &option, this).width() - 4;
    QStringList lines;
    if (fontMetrics().horizontalAdvance(text()) > room)
        lines << text();
    if (m_inUse)
        lines << inUseTip;
    showTip(static_cast<QHelpEvent*>(event), this, lines, rect());
    return true;
}
