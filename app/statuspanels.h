// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QMap>
#include <QStatusBar>

// WINAMP_Path: a status bar whose panels are found by key, never by position.
class StatusPanels : public QStatusBar
{
    Q_OBJECT
public:
    explicit StatusPanels(QWidget* parent = nullptr);

    // Adds a panel; width 0 takes the rest of the bar.
    QLabel* addPanel(const QString& key, const QString& text, const QString& toolTip, int width);
    QLabel* panel(const QString& key) const { return m_panels.value(key); }

private:
    QMap<QString, QLabel*> m_panels;
};
