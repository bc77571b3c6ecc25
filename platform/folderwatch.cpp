// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/folderwatch.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr uint32_t folderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_CLOSE_WRITE
    | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// What fills a folder that appeared: its skin files arriving or going.
constexpr uint32_t entryEvents
    = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ONLYDIR | IN_DONT_FOLLOW;
// Folders being filled at once; more are still seen when they appear or go.
constexpr int maxEntryWatches = 256;

} // namespace

FolderWatch::FolderWatch(QObject* parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(200);
    connect(&m_timer, &QTimer::timeout, this, &FolderWatch::deliver);
    m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd >= 0) {
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &FolderWatch::readEvents);
    }
}

FolderWatch::~FolderWatch()
{
    if (m_fd >= 0)
        close(m_fd);
}

void FolderWatch::watch(const QString& folder)
{
    m_timer.stop();
    m_names.clear();
    m_lost = false;
    if (m_fd < 0)
        return;
    if (m_folderWatch >= 0)
        inotify_rm_watch(m_fd, m_folderWatch);
    for (auto it = m_entryWatches.cbegin(); it != m_entryWatches.cend(); ++it)
        inotify_rm_watch(m_fd, it.key());
    m_entryWatches.clear();
    m_folderWatch = -1;
    m_folder.clear();
    if (folder.isEmpty())
        return;
    m_folder = QFile::encodeName(folder);
    if (!m_folder.endsWith('/'))
        m_folder.append('/');
    m_folderWatch = inotify_add_watch(m_fd, m_folder.constData(), folderEvents);
}

void FolderWatch::readEvents()
{
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t length = read(m_fd, buffer, sizeof buffer);
        if (length <= 0)
            break;
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            const QByteArray name = event->len ? QByteArray(event->name, qsizetype(strlen(event->name))) : QByteArray();
            if (event->mask & IN_Q_OVERFLOW) {
                m_lost = true;
            } else if (event->wd == m_folderWatch && m_folderWatch >= 0) {
                if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) {
                    m_lost = true;
                    continue;
                }
                gather(name);
                if ((event->mask & IN_CREATE) && (event->mask & IN_ISDIR) && m_entryWatches.size() < maxEntryWatches) {
                    const int wd = inotify_add_watch(m_fd, (m_folder + name).constData(), entryEvents);
                    if (wd >= 0 && wd != m_folderWatch)
                        m_entryWatches.insert(wd, QFile::decodeName(name));
                }
                if (event->mask & (IN_DELETE | IN_MOVED_FROM))
                    dropEntryWatch(QFile::decodeName(name));
            } else if (const auto entry = m_entryWatches.constFind(event->wd); entry != m_entryWatches.cend()) {
                if (event->mask & IN_IGNORED)
                    m_entryWatches.erase(entry);
                else
                    m_names.insert(entry.value());
            } else {
                continue; // a watch dropped before its last events were read
            }
            if (!m_timer.isActive())
                m_timer.start();
        }
    }
}

void FolderWatch::gather(const QByteArray& rawName)
{
    const QString name = QFile::decodeName(rawName);
    if (!name.isEmpty() && QFile::encodeName(name) == rawName)
        m_names.insert(name);
}

void FolderWatch::dropEntryWatch(const QString& name)
{
    for (auto it = m_entryWatches.begin(); it != m_entryWatches.end(); ++it) {
        if (it.value() == name) {
            inotify_rm_watch(m_fd, it.key());
            m_entryWatches.erase(it);
            return;
        }
    }
}

void FolderWatch::deliver()
{
    const bool wasLost = m_lost;
    const QStringList names(m_names.cbegin(), m_names.cend());
    m_names.clear();
    m_lost = false;
    if (wasLost)
        emit lost();
    else if (!names.isEmpty())
        emit changed(names);
}
