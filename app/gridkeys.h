// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QListWidget;
class QWidget;

// The grid under the wheel and the keys: a notch of the wheel turns a page, the arrows
// move the selection cell by cell, Page Up and Page Down a page, Home and End to the
// first and last skin, Enter asks for the enlarged view. Every move selects in Skin_Lst,
// so the list and the grid agree. The grid has the focus after a click on a preview; Tab
// goes from the list to the name boxes, as it always has.
class GridKeys : public QObject
{
    Q_OBJECT
public:
    GridKeys(QWidget* grid, QListWidget* list);

signals:
    void openAsked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool key(int key);
    void turn(int angle);
    void select(int row);

    QWidget* m_grid;
    QListWidget* m_list;
    int m_angle = 0; // of the wheel, not yet a whole notch
};
