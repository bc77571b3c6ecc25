// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>

class QProcess;
class QTimer;

// A running Winamp, told of a new skin and asked for its own through our Win32 helper,
// which runs under wine in Winamp's prefix: a Linux process cannot message a Wine window.
// One helper stays alive for all requests, so only the first pays for starting Wine; one
// that hangs or dies is dropped (never waited for) and the next request starts another.
// Requests run one at a time, in order; each answer comes back through the event loop.
class WinampRemote : public QObject
{
    Q_OBJECT
public:
    enum class Outcome {
        Confirmed, // Winamp reports the skin asked for; for a read, it reported its own
        NotRunning, // no Winamp window in that prefix
        Unconfirmed, // Winamp did not report the skin in time, or reported another
        NoHelper, // wine or the helper cannot run
    };
    struct Reply
    {
        Outcome outcome = Outcome::NoHelper;
        QString skin; // the skin Winamp reports: a name of its Skins folder or a whole path
        QString folder; // the folder it reports the skin in (a temporary one for archives)
    };
    using Done = std::function<void(const Reply&)>;

    // How long Winamp has to confirm, and the helper (Wine included) to start.
    static constexpr int answerMs = 3000;
    static constexpr int startMs = 20000;

    // helper: the helper program; by default the one beside the running program.
    explicit WinampRemote(const QString& helper = besideProgram(), QObject* parent = nullptr);
    ~WinampRemote() override;
    static QString besideProgram();

    // Switches the Winamp of ampFolder's prefix to skin (a Windows path, or empty for its
    // base skin), written in codePage; front also brings its window forward.
    void setSkin(const QString& ampFolder, const QString& skin, int codePage, bool front, const Done& done);
    // The skin that Winamp uses now.
    void readSkin(const QString& ampFolder, int codePage, const Done& done);
    // One round trip to the helper that touches no window.
    void ping(const QString& ampFolder, const Done& done);

    // Whether a helper is running now, and how many were started so far.
    bool helperRunning() const { return m_helper != nullptr; }
    int helpersStarted() const { return m_started; }

private:
    struct Request
    {
        QString prefix;
        QByteArray line;
        int codePage = 0;
        Done done;
    };
    void enqueue(const QString& ampFolder, QByteArray line, int codePage, const Done& done);
    void pump();
    void startHelper(const QString& prefix);
    void sendCurrent();
    void readOutput();
    void timedOut();
    void helperLost(Outcome outcome);
    void dropHelper();
    void finish(const Reply& reply);

    QString m_helperPath;
    QProcess* m_helper = nullptr;
    QString m_prefix;
    bool m_ready = false;
    bool m_sent = false;
    QByteArray m_output;
    QTimer* m_timer = nullptr;
    std::deque<Request> m_queue;
    int m_started = 0;
};
