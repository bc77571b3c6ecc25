// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/openpath.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <optional>

class frmmain;

// The paths later starts hand over, shown in the window in its own time: the window comes
// to the front at once, but what was handed waits while a modal window (settings, About,
// a chooser, a box) is open. A burst is shown as one: its last skin or folder is opened,
// and everything else is said in one box, never in a second before the first closed.
class HandedPaths : public QObject
{
    Q_OBJECT
public:
    explicit HandedPaths(QObject* parent = nullptr);

    // The window to show in; until it is set, what arrives is kept.
    void setWindow(frmmain* window);
    // A later start's path, or empty for no more than the window brought to the front.
    void receive(const QString& path);

    // Refused paths named in one box; the rest are counted.
    static constexpr int namedMost = 10;
    // A refused path is named by its beginning and end when longer.
    static constexpr int longestNamed = 200;

private:
    void deliver();
    void bringToFront();

    QPointer<frmmain> m_window;
    std::optional<OpenPath::Target> m_target;
    QStringList m_refused;
    int m_alsoRefused = 0;
    QTimer m_timer;
};
