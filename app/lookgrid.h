// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>

class QAction;

// The View menu's switch between the bare main.bmp and the skin as Winamp draws it. The
// item's check mark is the state: the user's choice is stored, a restored one is not.
class LookGrid : public QObject
{
    Q_OBJECT
public:
    // item: the checkable menu item, which owns this. reload shows the page again; store
    // says whether the user's choice may be written now.
    LookGrid(QAction* item, std::function<bool()> storeWritable, std::function<void()> reload);

    // The stored choice, taken before the first page is loaded so that it loads once.
    void restore();

private:
    QAction* m_item;
};
