// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The real hadrel binary on its own Xvfb server, driven with xdotool. Everything it
// starts is ended when it goes away.
class RealWindowSession
{
public:
    RealWindowSession();
    ~RealWindowSession();
    RealWindowSession(const RealWindowSession&) = delete;
    RealWindowSession& operator=(const RealWindowSession&) = delete;

    // Why the session cannot run here (no Xvfb, no xdotool), or empty.
    static QString missingTools();

    bool startServer();
    // Starts the program with XDG_CONFIG_HOME pointed at configHome, and HOME and PATH at
    // empty folders of the session's own unless extra names them: nothing it starts is
    // found on the machine, and nothing is written into the user's home.
    bool startProgram(const QString& binary, const QString& configHome,
        const QProcessEnvironment& extra = QProcessEnvironment(), const QStringList& arguments = {});
    // Runs another copy as startProgram would start it, to its end: its exit code (-1 when
    // it did not end by itself), and its standard error in errors.
    int runAnother(const QString& binary, const QString& configHome, const QStringList& arguments, QString* errors);
    // Ends the program as a crash would, leaving behind whatever it holds.
    void killProgram();
    // The id of the first visible window whose title matches the pattern.
    QString waitForWindow(const QString& titlePattern, int timeoutMs = 15000);
    QString windowName(const QString& id);
    bool waitForTitle(const QString& id, const QString& title, int timeoutMs = 10000);
    // Gives the window the keyboard focus; false when it never becomes the focused one.
    bool focus(const QString& id, int timeoutMs = 5000);
    // xdotool key/type/click arguments, run against the session's display.
    bool xdotool(const QStringList& arguments, QString* output = nullptr);
    bool key(const QString& keys)
    {
        return xdotool({ QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60"), keys });
    }
    // "Hadrelの終了(&X)" chosen from the File menu with the keyboard, as a user quits.
    bool quitFromFileMenu(const QString& windowId);
    bool clickAt(const QString& windowId, int x, int y, int button = 1);
    bool screenshot(const QString& file);
    // Waits for the program to end by itself; its exit code, or -1.
    int waitForExit(int timeoutMs = 10000);
    bool programRunning() const { return m_program.state() != QProcess::NotRunning; }
    // The program's visible windows, pop-up menus included (they have no title).
    QStringList programWindows();
    // The first visible window of the program that is not in known: a pop-up menu or a
    // dialog that has just opened. Empty when none came within the time.
    QString waitForNewWindow(const QStringList& known, int timeoutMs = 10000);
    // Waits until the window is no longer visible.
    bool waitForWindowGone(const QString& id, int timeoutMs = 10000);
    // Types text through the keyboard, as into a focused field.
    bool type(const QString& text)
    {
        return xdotool({ QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text });
    }
    QString programOutput();

    QString display() const { return m_display; }

private:
    QProcessEnvironment displayEnvironment() const;
    QProcessEnvironment programEnvironment(const QString& configHome, const QProcessEnvironment& extra);
    bool startServerOnce();
    bool clientConnects();

    QTemporaryDir m_world;
    QProcess m_server;
    QProcess m_program;
    QString m_display;
};
