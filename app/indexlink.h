// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QMainWindow;
class SkinIndex;

// The index of the skin folders as the main window holds it: brought up to date after
// each scan, its progress in the status bar, stopped at once when the window closes.
class IndexLink : public QObject
{
    Q_OBJECT
public:
    // folders: what the index covers, the registered folders and the current one.
    IndexLink(QMainWindow* window, std::function<QStringList()> folders, const QString& file);
    SkinIndex* index() const { return m_index; }
    // After a scan, or a change the scan did not see.
    void update();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SkinIndex* m_index;
    std::function<QStringList()> m_folders;
};
