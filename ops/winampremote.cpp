// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/winampremote.h"

#include "ops/codepage.h"
#include "ops/winampini.h"
#include "ops/wine.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

namespace {

QByteArray hexOf(const QByteArray& bytes)
{
    return bytes.isEmpty() ? QByteArrayLiteral("-") : bytes.toHex();
}

QString textOf(const QByteArray& hex, int codePage)
{
    if (hex == "-")
        return {};
    return WineCodePage::decode(QByteArray::fromHex(hex), codePage).value_or(QString());
}

} // namespace

WinampRemote::WinampRemote(const QString& helper, QObject* parent)
    : QObject(parent)
    , m_helperPath(helper)
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &WinampRemote::timedOut);
}

WinampRemote::~WinampRemote()
{
    // The helper holds nothing of ours: it ends with us, at once.
    dropHelper();
}

QString WinampRemote::besideProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/hadrel-winamp.exe");
}

void WinampRemote::setSkin(const QString& ampFolder, const QString& skin, int codePage, bool front, const Done& done)
{
    const std::optional<QByteArray> bytes = WinampIni::encodeValue(skin, codePage);
    if (!bytes) {
        // Refused before anything is sent: the update names the cause.
        QTimer::singleShot(0, this, [done] { done({ Outcome::Unconfirmed, {}, {} }); });
        return;
    }
    QByteArray line = "set " + hexOf(*bytes);
    if (front)
        line += " front";
    enqueue(ampFolder, line, codePage, done);
}

void WinampRemote::readSkin(const QString& ampFolder, int codePage, const Done& done)
{
    enqueue(ampFolder, "get", codePage, done);
}

void WinampRemote::ping(const QString& ampFolder, const Done& done)
{
    enqueue(ampFolder, "ping", 0, done);
}

void WinampRemote::enqueue(const QString& ampFolder, QByteArray line, int codePage, const Done& done)
{
    m_queue.push_back({ Wine::prefixOf(ampFolder), std::move(line), codePage, done });
    pump();
}

void WinampRemote::pump()
{
    if (m_queue.empty() || m_timer->isActive())
        return;
    const QString prefix = m_queue.front().prefix;
    // One helper per prefix: each has its own wineserver and its own windows.
    if (m_helper && prefix != m_prefix)
        dropHelper();
    if (!m_helper) {
        startHelper(prefix);
        return;
    }
    sendCurrent();
}

void WinampRemote::startHelper(const QString& prefix)
{
    if (!QFileInfo(m_helperPath).isFile())
        return finish({ Outcome::NoHelper, {}, {} });
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!prefix.isEmpty())
        environment.insert(QStringLiteral("WINEPREFIX"), prefix);
    if (!environment.contains(QStringLiteral("WINEDEBUG")))
        environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));

    m_helper = new QProcess(this);
    m_prefix = prefix;
    m_ready = false;
    m_sent = false;
    m_output.clear();
    ++m_started;
    m_helper->setProcessEnvironment(environment);
    m_helper->setStandardErrorFile(QProcess::nullDevice());
    QProcess* helper = m_helper;
    connect(helper, &QProcess::readyReadStandardOutput, this, &WinampRemote::readOutput);
    connect(helper, &QProcess::errorOccurred, this, [this, helper](QProcess::ProcessError error) {
        if (helper == m_helper && (error == QProcess::FailedToStart || error == QProcess::Crashed))
            helperLost(m_ready ? Outcome::Unconfirmed : Outcome::NoHelper);
    });
    connect(helper, &QProcess::finished, this, [this, helper] {
        if (helper == m_helper)
            helperLost(m_ready ? Outcome::Unconfirmed : Outcome::NoHelper);
    });
    m_timer->start(startMs);
    helper->start(QStringLiteral("wine"), { QFileInfo(m_helperPath).absoluteFilePath() });
}

void WinampRemote::sendCurrent()
{
    if (!m_helper || !m_ready || m_sent || m_queue.empty())
        return;
    m_sent = true;
    m_timer->start(answerMs);
    m_helper->write(m_queue.front().line + '\n');
    // Out now, not when the event loop next runs: the caller may have more to do first.
    m_helper->waitForBytesWritten(0);
}

void WinampRemote::readOutput()
{
    if (!m_helper)
        return;
    m_output += m_helper->readAllStandardOutput();
    qsizetype end;
    while ((end = m_output.indexOf('\n')) >= 0) {
        const QByteArray line = m_output.left(end).trimmed();
        m_output.remove(0, end + 1);
        const QList<QByteArray> words = line.split(' ');
        if (!m_ready) {
            if (words.first() == "ready") {
                m_ready = true;
                m_timer->stop();
                if (!m_queue.empty())
                    sendCurrent();
            }
            continue;
        }
        if (!m_sent || m_queue.empty())
            continue; // nothing asked: not ours
        const int codePage = m_queue.front().codePage;
        Reply reply;
        const QByteArray& word = words.first();
        if (word == "none")
            reply.outcome = Outcome::NotRunning;
        else if (word == "copydata" || word == "memory" || word == "skin" || word == "pong")
            reply.outcome = Outcome::Confirmed;
        else
            reply.outcome = Outcome::Unconfirmed;
        if (words.size() >= 3) {
            reply.skin = textOf(words[1], codePage);
            reply.folder = textOf(words[2], codePage);
        }
        m_sent = false;
        m_timer->stop();
        finish(reply);
    }
}

void WinampRemote::timedOut()
{
    if (m_queue.empty())
        return;
    // A helper that does not answer is no use to the next request either.
    const Outcome outcome = m_helper && m_ready ? Outcome::Unconfirmed : Outcome::NoHelper;
    dropHelper();
    finish({ outcome, {}, {} });
}

void WinampRemote::helperLost(Outcome outcome)
{
    const bool waiting = !m_queue.empty() && (!m_ready || m_sent);
    dropHelper();
    m_timer->stop();
    if (waiting)
        finish({ outcome, {}, {} });
}

void WinampRemote::dropHelper()
{
    if (!m_helper)
        return;
    QProcess* helper = m_helper;
    m_helper = nullptr;
    m_ready = false;
    m_sent = false;
    helper->disconnect(this);
    helper->closeWriteChannel();
    if (helper->state() == QProcess::NotRunning) {
        helper->deleteLater();
        return;
    }
    // Killed, and let go once it has gone; nobody waits for it.
    connect(helper, &QProcess::finished, helper, &QObject::deleteLater);
    helper->kill();
}

void WinampRemote::finish(const Reply& reply)
{
    if (m_queue.empty())
        return;
    const Done done = m_queue.front().done;
    m_queue.pop_front();
    m_timer->stop();
    // Never from inside the helper's own signals: the answer may open a modal box.
    if (done)
        QTimer::singleShot(0, this, [done, reply] { done(reply); });
    pump();
}
