// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/singleinstance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QString>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <unistd.h>

namespace {

constexpr char accepted = '1';
// A socket address holds 108 bytes on Linux.
constexpr int longestSocketPath = 100;

} // namespace

SingleInstance::SingleInstance(const QString& storeFolder, QObject* parent)
    : QObject(parent)
    , m_folder(storeFolder)
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName(const QString& storeFolder)
{
    const QString canonical = QFileInfo(storeFolder).canonicalFilePath();
    const QByteArray hash
        = QCryptographicHash::hash((canonical.isEmpty() ? storeFolder : canonical).toUtf8(), QCryptographicHash::Sha256)
              .toHex()
              .left(16);
    // The runtime folder is the user's own; the shared temporary folder gets the user's id.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString name = QStringLiteral("%1/hadrel-%2").arg(runtime, QString::fromLatin1(hash));
    if (runtime.isEmpty() || !QFileInfo(runtime).isDir() || name.toUtf8().size() > longestSocketPath)
        name = QStringLiteral("%1/hadrel-%2-%3").arg(QDir::tempPath()).arg(geteuid()).arg(QString::fromLatin1(hash));
    return name;
}

SingleInstance::Role SingleInstance::claim(const QString& path, int timeoutMs)
{
    QDir().mkpath(m_folder);
    m_lock = std::make_unique<QLockFile>(QDir(m_folder).filePath(QStringLiteral("Hadrel.lock")));
    // Held for the whole run: only a holder that is gone makes it stale, never its age.
    m_lock->setStaleLockTime(0);
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (m_lock->tryLock()) {
            listen();
            return Role::First;
        }
        // A folder we cannot write to is no reason not to start.
        if (m_lock->error() != QLockFile::LockFailedError)
            return Role::First;
        // The holder may be starting and not listen yet, or just have ended.
        if (handOver(path))
            return Role::HandedOver;
        if (deadline.hasExpired())
            return Role::NoAnswer;
        QThread::msleep(100);
    }
}

bool SingleInstance::handOver(const QString& path)
{
    QLocalSocket socket;
    socket.connectToServer(serverName(m_folder));
    if (!socket.waitForConnected(1000))
        return false;
    QByteArray message;
    {
        QDataStream out(&message, QIODevice::WriteOnly);
        out << path;
    }
    socket.write(message);
    if (!socket.waitForBytesWritten(1000))
        return false;
    // A busy window answers once its event loop runs again.
    return socket.waitForReadyRead(5000) && socket.read(1) == QByteArray(1, accepted);
}

void SingleInstance::listen()
{
    const QString name = serverName(m_folder);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock: a socket left there belongs to a copy that died.
    QLocalServer::removeServer(name);
    if (!m_server->listen(name))
        return;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection())
            accept(socket);
    });
}

void SingleInstance::accept(QLocalSocket* socket)
{
    if (m_open >= mostConnections) {
        drop(socket);
        return;
    }
    ++m_open;
    connect(socket, &QObject::destroyed, this, [this] { --m_open; });
    // Qt reads no more than this from the system: whatever a sender pushes beyond it
    // waits in the kernel, not in our memory.
    socket->setReadBufferSize(longestMessage);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { answer(socket); });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(messageTimeoutMs, socket, [socket] { drop(socket); });
    if (socket->bytesAvailable() > 0)
        answer(socket);
}

void SingleInstance::drop(QLocalSocket* socket)
{
    socket->abort();
    socket->deleteLater();
}

// The message is a QDataStream QString: its length in bytes (big-endian, all ones for a
// null string), then as many bytes of UTF-16. Only its length is looked at until all of
// it is here, so each piece that arrives costs no more than its own reading.
void SingleInstance::answer(QLocalSocket* socket)
{
    if (socket->state() != QLocalSocket::ConnectedState || socket->bytesAvailable() < qint64(sizeof(quint32)))
        return;
    const quint32 size = qFromBigEndian<quint32>(socket->peek(sizeof(quint32)).constData());
    const qint64 whole = qint64(sizeof(quint32)) + (size == 0xffffffffu ? 0 : qint64(size));
    if (whole > longestMessage || (size != 0xffffffffu && size % 2 != 0)) {
        drop(socket);
        return;
    }
    if (socket->bytesAvailable() < whole)
        return; // the rest is on its way
    const QByteArray message = socket->read(whole);
    QDataStream in(message);
    QString path;
    in >> path;
    if (in.status() != QDataStream::Ok) {
        drop(socket);
        return;
    }
    socket->write(QByteArray(1, accepted));
    socket->flush();
    socket->disconnectFromServer();
    emit pathReceived(path);
}
