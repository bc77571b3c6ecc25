// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// One Hadrel per settings store: the first start holds a lock file in the store's folder
// and listens on a local socket named after that folder; a later start hands its path to
// it and ends. A lock left by a copy that died is taken over.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString& storeFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Role {
        First, // this copy runs (also when no lock can be made at all)
        HandedOver, // the running copy took the path: end with 0
        NoAnswer, // a copy holds the lock but never answered
    };
    // Becomes the running copy, or hands path (absolute, or empty) to the one that runs.
    Role claim(const QString& path, int timeoutMs = 10000);

    // The local socket's full name for a store folder.
    static QString serverName(const QString& storeFolder);

    // Nothing a later start sends is longer (a path is far shorter): a longer message is
    // refused and its connection closed, unread.
    static constexpr qint64 longestMessage = 64 * 1024;
    // A connection that has not sent its whole message by then is closed.
    static constexpr int messageTimeoutMs = 3000;
    // Connections open at once; one more is closed at once.
    static constexpr int mostConnections = 32;

signals:
    // A later start's path, or empty when it gave none.
    void pathReceived(const QString& path);

private:
    bool handOver(const QString& path);
    void listen();
    void accept(QLocalSocket* socket);
    void answer(QLocalSocket* socket);
    static void drop(QLocalSocket* socket);

    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    int m_open = 0; // connections not yet closed
};
