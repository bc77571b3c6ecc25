// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QAbstractItemView;

// The tooltip of a list entry: its whole name when the entry cuts it off, then the
// entry's own tooltip (Qt::ToolTipRole), if any.
class WholeNameTips : public QObject
{
    Q_OBJECT
public:
    // Watches view's viewport; owned by the view.
    explicit WholeNameTips(QAbstractItemView* view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAbstractItemView* m_view;
};
