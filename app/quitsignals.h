// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class QSocketNotifier;

// SIGTERM (a desktop logging out, kill), SIGHUP and SIGINT end Hadrel as closing its
// window does: settings saved, the one-copy lock released on the way out. The handler
// only writes a byte to a pipe; the event loop reads it. A modal window open then is
// cancelled first, so that what it holds unconfirmed is not saved. A second signal ends
// the program at once, as no handler were there.
class QuitSignals : public QObject
{
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

    // The window to close; a signal that came before it was set closes it then.
    void setWindow(QWidget* window);

private:
    void received();
    void closeWindow();

    QSocketNotifier* m_notifier = nullptr;
    QPointer<QWidget> m_window;
    bool m_ending = false;
    int m_tries = 0;
};
