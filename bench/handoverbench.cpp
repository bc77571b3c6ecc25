// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/handoverbench.h"

#include "app/frmmain.h"
#include "app/handedpaths.h"
#include "app/singleinstance.h"
#include "dialogs/messages.h"

#include <QApplication>
#include <QDataStream>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtEndian>

#include <atomic>
#include <ctime>
#include <functional>
#include <thread>

namespace HandOverBench {

namespace {

QByteArray messageOf(const QString& path)
{
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << path;
    return message;
}

// Writes bytes as a later start would, then waits for the answer or the close.
bool send(const QString& server, const QByteArray& bytes)
{
    QLocalSocket socket;
    socket.connectToServer(server);
    if (!socket.waitForConnected(2000))
        return false;
    socket.write(bytes);
    while (socket.bytesToWrite() > 0 && socket.state() == QLocalSocket::ConnectedState)
        socket.waitForBytesWritten(100);
    return socket.waitForReadyRead(5000) && socket.read(1) == "1";
}

double threadCpuMs()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// The longest pass of the event loop while client runs on a thread of its own.
Pass longestPass(const std::function<void()>& client)
{
    std::atomic<bool> done = false;
    std::thread thread([&] {
        client();
        done = true;
    });
    QElapsedTimer clock;
    Pass longest;
    while (!done) {
        clock.start();
        const double cpu = threadCpuMs();
        QApplication::processEvents(QEventLoop::AllEvents);
        longest.cpu = std::max(longest.cpu, threadCpuMs() - cpu);
        longest.wall = std::max(longest.wall, double(clock.nsecsElapsed()) / 1e6);
    }
    thread.join();
    return longest;
}

} // namespace

Result measure(bool smoke)
{
    QTemporaryDir store;
    SingleInstance instance(store.path());
    Result result;
    if (instance.claim({}) != SingleInstance::Role::First)
        return result;
    PageState state;
    frmmain window(state, store.path());
    HandedPaths handed;
    handed.setWindow(&window);
    QObject::connect(&instance, &SingleInstance::pathReceived, &handed, &HandedPaths::receive);
    Messages::setAnswerer([&result](const Messages::Box&) {
        ++result.boxes;
        return QMessageBox::Ok;
    });

    const QString server = SingleInstance::serverName(store.path());
    const int count = smoke ? 50 : 1000;
    std::atomic<int> taken = 0;
    result.baseline = longestPass([&] {
        for (int i = 0; i < count; ++i)
            taken += send(server, messageOf(QString()));
    });
    result.longPath = longestPass([&] { send(server, messageOf(QString(smoke ? 400'000 : 4'000'000, 'x'))); });
    result.endless = longestPass([&] {
        QByteArray header(4, '\0');
        qToBigEndian<quint32>(100'000'000, header.data());
        send(server, header + QByteArray(smoke ? 1 << 20 : 100 << 20, 'y'));
    });
    result.boxes = 0;
    result.many = longestPass([&] {
        for (int i = 0; i < count; ++i)
            send(server, messageOf(QStringLiteral("/no/skin/%1").arg(i)));
    });
    // The last burst is said once it has ended.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    Messages::setAnswerer({});
    result.ok = taken == count;
    return result;
}

} // namespace HandOverBench
