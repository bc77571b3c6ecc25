// SPDX-License-Identifier: GPL-3.0-or-later
// The one-copy socket against clients that send too much, too little or too often.
#include "app/frmmain.h"
#include "app/handedpaths.h"
#include "app/singleinstance.h"
#include "tests/support/modalanswer.h"
#include "tests/support/testsupport.h"

#include <QDataStream>
#include <QLocalSocket>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <atomic>
#include <chrono>
#include <thread>

using namespace TestSupport;

class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void aMessageUpToTheLimitIsTakenALongerOneRefusedUnread();
    void aMessageNotFinishedInTimeIsClosed();
    void manyHandOversShowOneBoxAtATimeAndWaitForIt();

private:
    // A client connected to the running copy, or nothing.
    std::unique_ptr<QLocalSocket> connected() const;
    QTemporaryDir m_store;
    std::unique_ptr<SingleInstance> m_instance;
};

static QByteArray messageOf(const QString& path)
{
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << path;
    return message;
}

// As a later start hands its path over, off the thread that answers it.
static bool handOver(const QString& server, const QString& path)
{
    QLocalSocket socket;
    socket.connectToServer(server);
    if (!socket.waitForConnected(2000) || socket.write(messageOf(path)) < 0 || !socket.waitForBytesWritten(2000))
        return false;
    return socket.waitForReadyRead(5000) && socket.read(1) == "1";
}

void TestSingleInstance::init()
{
    m_instance = std::make_unique<SingleInstance>(m_store.path());
    QCOMPARE(m_instance->claim({}), SingleInstance::Role::First);
}

void TestSingleInstance::cleanup()
{
    m_instance.reset();
}

std::unique_ptr<QLocalSocket> TestSingleInstance::connected() const
{
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(SingleInstance::serverName(m_store.path()));
    return socket->waitForConnected(2000) ? std::move(socket) : nullptr;
}

void TestSingleInstance::aMessageUpToTheLimitIsTakenALongerOneRefusedUnread()
{
    QSignalSpy received(m_instance.get(), &SingleInstance::pathReceived);
    const qsizetype longest = (SingleInstance::longestMessage - 4) / 2;
    for (const qsizetype length : { longest, longest + 1 }) {
        std::unique_ptr<QLocalSocket> client = connected();
        QVERIFY(client);
        QByteArray answer; // read as it comes: the socket forgets it once closed
        connect(client.get(), &QLocalSocket::readyRead, this, [&] { answer += client->readAll(); });
        client->write(messageOf(QString(length, QLatin1Char('x'))));
        if (length == longest) {
            QTRY_COMPARE(answer, QByteArray("1"));
            QCOMPARE(received.size(), 1);
            QCOMPARE(received[0][0].toString().size(), longest);
        } else {
            QTRY_COMPARE(client->state(), QLocalSocket::UnconnectedState);
        }
    }
    // A length of 100 MB: closed on its four bytes, while the rest still pours in.
    std::unique_ptr<QLocalSocket> client = connected();
    QVERIFY(client);
    QByteArray header(4, '\0');
    qToBigEndian<quint32>(100'000'000, header.data());
    client->write(header + QByteArray(1 << 20, 'y'));
    QTRY_COMPARE(client->state(), QLocalSocket::UnconnectedState);
    QCOMPARE(received.size(), 1);
}

void TestSingleInstance::aMessageNotFinishedInTimeIsClosed()
{
    QSignalSpy received(m_instance.get(), &SingleInstance::pathReceived);
    std::unique_ptr<QLocalSocket> stalled = connected();
    QVERIFY(stalled);
    stalled->write(messageOf("/half/of/it").left(9));
    // Others are answered meanwhile.
    std::atomic<bool> answered = false;
    std::thread other([server = SingleInstance::serverName(m_store.path()), &answered] {
        answered = handOver(server, "/other");
    });
    QTRY_COMPARE(received.size(), 1);
    other.join();
    QVERIFY(answered);
    QCOMPARE(stalled->state(), QLocalSocket::ConnectedState);
    QTRY_COMPARE_WITH_TIMEOUT(stalled->state(), QLocalSocket::UnconnectedState, SingleInstance::messageTimeoutMs + 3000);
    QCOMPARE(received.size(), 1);
}

void TestSingleInstance::manyHandOversShowOneBoxAtATimeAndWaitForIt()
{
    QTemporaryDir skins;
    QVERIFY(makeSkin(skins.path(), "Blue"));
    PageState state;
    frmmain window(state, skins.path());
    HandedPaths handed;
    handed.setWindow(&window);
    connect(m_instance.get(), &SingleInstance::pathReceived, &handed, &HandedPaths::receive);

    // One first, alone, so that its box is open while the others come.
    std::atomic<bool> boxOpen = false;
    std::atomic<bool> sent = false;
    std::atomic<int> unanswered = 0;
    std::thread clients([server = SingleInstance::serverName(m_store.path()), folder = skins.path(), &boxOpen,
                            &sent, &unanswered] {
        for (int i = 0; i < 1000; ++i) {
            unanswered += !handOver(server, QStringLiteral("/not/there/%1").arg(i));
            while (i == 0 && !boxOpen)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        unanswered += !handOver(server, folder);
        sent = true;
    });
    QStringList texts;
    QString folderWhileOpen;
    ModalWatcher<QMessageBox> boxes([&](QMessageBox* box) {
        texts << box->text();
        boxOpen = true;
        // The first box stays open until every hand-over is in: none opens a second, and
        // the folder handed over meanwhile waits.
        while (texts.size() == 1 && !sent) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QCOMPARE(QApplication::activeModalWidget(), box);
        }
        if (texts.size() == 1)
            folderWhileOpen = window.currentFolder();
        box->accept();
    });
    QTRY_VERIFY_WITH_TIMEOUT(sent, 60000);
    clients.join();
    QCOMPARE(unanswered, 0);
    QTRY_COMPARE(texts.size(), 2);
    QCOMPARE(texts[0], OpenPath::notOpenable("/not/there/0"));
    QCOMPARE(folderWhileOpen, QString());
    QCOMPARE(window.currentFolder(), slashed(skins.path()));
    QVERIFY2(texts[1].contains(QStringLiteral("件")), qPrintable(texts[1]));
    QCOMPARE(texts[1].count('\n'), HandedPaths::namedMost);
}

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
