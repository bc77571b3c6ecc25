// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/indexlink.h"

#include "app/indexprogress.h"
#include "index/skinindex.h"

#include <QEvent>
#include <QMainWindow>
#include <QStatusBar>

IndexLink::IndexLink(QMainWindow* window, std::function<QStringList()> folders, const QString& file)
    : QObject(window)
    , m_index(new SkinIndex(file, this))
    , m_folders(std::move(folders))
{
    window->statusBar()->addPermanentWidget(new IndexProgress(m_index, window->statusBar()));
    window->installEventFilter(this);
}

void IndexLink::update()
{
    QStringList folders;
    for (const QString& folder : m_folders()) {
        if (!folder.isEmpty() && !folders.contains(folder))
            folders.append(folder);
    }
    m_index->update(folders);
}

bool IndexLink::eventFilter(QObject* watched, QEvent* event)
{
    // Quitting never waits for a collection being read.
    if (event->type() == QEvent::Close)
        m_index->stop();
    return QObject::eventFilter(watched, event);
}
