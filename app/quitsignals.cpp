// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/quitsignals.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int handled[] = { SIGTERM, SIGHUP, SIGINT };
// Modal windows asked to close before the main window closes anyway.
constexpr int mostTries = 20;
constexpr int retryMs = 50;

int pipeEnds[2] = { -1, -1 };

extern "C" void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(QObject* parent)
    : QObject(parent)
{
    if (pipeEnds[0] >= 0 || ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::received);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Once: a second signal finds the default action again.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int number : handled)
        sigaction(number, &action, nullptr);
}

QuitSignals::~QuitSignals()
{
    if (!m_notifier)
        return;
    for (const int number : handled)
        std::signal(number, SIG_DFL);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void QuitSignals::setWindow(QWidget* window)
{
    m_window = window;
    if (m_ending)
        closeWindow();
}

void QuitSignals::received()
{
    char bytes[16];
    while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) { }
    if (m_ending)
        return;
    m_ending = true;
    closeWindow();
}

void QuitSignals::closeWindow()
{
    // A modal window runs an event loop of its own: it must end, and its caller go on,
    // before the main window can close as it does when the user closes it.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && m_tries < mostTries) {
        ++m_tries;
        modal->close();
        QTimer::singleShot(retryMs, this, &QuitSignals::closeWindow);
        return;
    }
    if (!m_window)
        return; // still loading: closed as soon as it is given
    m_window->close();
    // Queued: it may come before the event loop runs, and must end that too.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}
