// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>

// The real hadrel binary started on a private Xvfb server and watched from outside
// through the X protocol: no hook inside the program, so what is timed is what a user
// would see.
class XvfbServer
{
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Empty when it runs, else why not.
    QString start();
    QString display() const { return m_display; }

private:
    QProcess m_process;
    QString m_display;
};

struct StartupRun
{
    QString error; // empty when the window was seen
    QString title; // of the main window when it was mapped
    double mappedMs = 0; // from starting the process to the main window mapped
    double shownMs = 0; // ... to its first frame on the screen
    qint64 peakKb = 0; // VmHWM of the process at its first frame, or once settled
    double settledMs = 0; // ... to its CPU time standing still; -1 when it never did
};

// Starts binary with XDG_CONFIG_HOME = configHome on display and waits until a window
// titled "Hadrel..." is mapped and nine tenths of its pixels differ from the black
// root behind it (the server draws nothing into a new Qt window: only the program's
// own first frame fills it). Then ends the program. shotFile, when given, receives
// that first frame as a PNG. With settleTimeoutMs, waits after the first frame (that
// long at most) until the program's CPU time stands still, and takes its peak memory then.
StartupRun runStartup(const QString& display, const QString& binary, const QString& configHome, int timeoutMs,
    const QString& shotFile = {}, int settleTimeoutMs = 0);
