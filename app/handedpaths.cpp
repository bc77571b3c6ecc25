// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/handedpaths.h"

#include "app/frmmain.h"
#include "dialogs/messages.h"

#include <QApplication>

namespace {

// Hand-overs this close together are one burst.
constexpr int burstMs = 50;
// How often a modal window is asked whether it has closed.
constexpr int modalPollMs = 200;

QString shortened(const QString& path)
{
    if (path.size() <= HandedPaths::longestNamed)
        return path;
    const int half = HandedPaths::longestNamed / 2;
    return path.left(half) + QStringLiteral("…") + path.right(half);
}

} // namespace

HandedPaths::HandedPaths(QObject* parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &HandedPaths::deliver);
}

void HandedPaths::setWindow(frmmain* window)
{
    m_window = window;
    if (m_target || !m_refused.isEmpty())
        m_timer.start(burstMs);
}

void HandedPaths::receive(const QString& path)
{
    bringToFront();
    if (path.isEmpty())
        return;
    if (std::optional<OpenPath::Target> target = OpenPath::resolve(path))
        m_target = std::move(target);
    else if (m_refused.size() < namedMost && !m_refused.contains(path))
        m_refused << path;
    else if (!m_refused.contains(path))
        ++m_alsoRefused;
    if (!m_timer.isActive())
        m_timer.start(burstMs);
}

void HandedPaths::bringToFront()
{
    if (!m_window || !m_window->isVisible())
        return;
    if (m_window->isMinimized())
        m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
    // A box or the settings dialog stays in front of the window it belongs to.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

void HandedPaths::deliver()
{
    if (!m_window)
        return;
    // The modal window, or the menu open, may be working on the folder a target would replace.
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        m_timer.start(modalPollMs);
        return;
    }
    const std::optional<OpenPath::Target> target = std::exchange(m_target, std::nullopt);
    const QStringList refused = std::exchange(m_refused, {});
    const int also = std::exchange(m_alsoRefused, 0);
    if (target)
        m_window->openTarget(*target);
    if (refused.isEmpty())
        return;
    QStringList lines;
    for (const QString& path : refused)
        lines << OpenPath::notOpenable(shortened(path));
    if (also > 0)
        lines << QStringLiteral("ほかに %1 件、Skinでもフォルダでもないものが渡されました。").arg(also);
    // Paths that arrive while it is open wait for the next box.
    Messages::warning(m_window, lines.join(QLatin1Char('\n')));
}
