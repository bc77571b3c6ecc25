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
#include <thread>

class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void init() { QCOMPARE(m_instance->claim({}), SingleInstance::Role::First); }
    void aMessageUpToTheLimitIsTakenALongerOneRefusedUnread();
    void aMessageNotFinishedInTimeIsClosed();
    void manyHandOversShowOneBoxAtATimeAndWaitForIt();

private:
    // A raw client of the running copy, whose answer is kept as it comes: a closed socket
    // forgets what it read.
    std::unique_ptr<QLocalSocket> connected(QByteArray& answer);
    // As a later start hands over, from another thread: whether it was taken.
    bool handOver(const QString& path) const
    {
        return SingleInstance(m_store.path()).claim(path, 5000) == SingleInstance::Role::HandedOver;
    }
    QTemporaryDir m_store;
    std::unique_ptr<SingleInstance> m_instance = std::make_unique<SingleInstance>(m_store.path());
};

static QByteArray messageOf(const QString& path)
{
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << path;
    return message;
}

std::unique_ptr<QLocalSocket> TestSingleInstance::connected(QByteArray& answer)
{
    auto socket = std::make_unique<QLocalSocket>();
    connect(socket.get(), &QLocalSocket::readyRead, this, [&answer, s = socket.get()] { answer += s->readAll(); });
    socket->connectToServer(SingleInstance::serverName(m_store.path()));
    return socket->waitForConnected(2000) ? std::move(socket) : nullptr;
}

void TestSingleInstance::aMessageUpToTheLimitIsTakenALongerOneRefusedUnread()
{
    QSignalSpy received(m_instance.get(), &SingleInstance::pathReceived);
    const qsizetype longest = (SingleInstance::longestMessage - 4) / 2;
    // Said to be 100 MB: refused on its four bytes, while the rest still pours in.
    QByteArray huge(4, '\0');
    qToBigEndian<quint32>(100'000'000, huge.data());
    const QList<QByteArray> messages { messageOf(QString(longest, 'x')), messageOf(QString(longest + 1, 'x')),
        huge + QByteArray(1 << 20, 'y') };
    for (const QByteArray& message : messages) {
        QByteArray answer;
        std::unique_ptr<QLocalSocket> client = connected(answer);
        QVERIFY(client);
        client->write(message);
        // Sooner than a slow sender is closed.
        QTRY_COMPARE_WITH_TIMEOUT(
            client->state(), QLocalSocket::UnconnectedState, SingleInstance::messageTimeoutMs / 2);
        QCOMPARE(answer, &message == &messages[0] ? QByteArray("1") : QByteArray());
    }
    QCOMPARE(received.size(), 1);
    QCOMPARE(received[0][0].toString().size(), longest);
}

void TestSingleInstance::aMessageNotFinishedInTimeIsClosed()
{
    QSignalSpy received(m_instance.get(), &SingleInstance::pathReceived);
    QByteArray answer;
    std::unique_ptr<QLocalSocket> stalled = connected(answer);
    QVERIFY(stalled);
    stalled->write(messageOf("/half/of/it").left(9));
    // Others are answered meanwhile.
    std::atomic<bool> answered = false;
    std::thread other([&] { answered = handOver("/other"); });
    QTRY_COMPARE(received.size(), 1);
    other.join();
    QVERIFY(answered);
    QCOMPARE(stalled->state(), QLocalSocket::ConnectedState);
    QTRY_COMPARE_WITH_TIMEOUT(
        stalled->state(), QLocalSocket::UnconnectedState, SingleInstance::messageTimeoutMs + 3000);
    QCOMPARE(received.size(), 1);
}

void TestSingleInstance::manyHandOversShowOneBoxAtATimeAndWaitForIt()
{
    QTemporaryDir skins;
    QVERIFY(TestSupport::makeSkin(skins.path(), "Blue"));
    PageState state;
    frmmain window(state, skins.path());
    HandedPaths handed;
    handed.setWindow(&window);
    connect(m_instance.get(), &SingleInstance::pathReceived, &handed, &HandedPaths::receive);

    // One first, alone, so that its box is open while the others come.
    std::atomic<bool> boxOpen = false, sent = false;
    std::atomic<int> unanswered = 0;
    std::thread clients([&, folder = skins.path()] {
        for (int i = 0; i < 1000; ++i) {
            unanswered += !handOver(QStringLiteral("/not/there/%1").arg(i));
            while (i == 0 && !boxOpen)
                std::this_thread::yield();
        }
        unanswered += !handOver(folder);
        sent = true;
    });
    QStringList texts;
    QString folderWhileOpen;
    // The first box stays open until every hand-over is in: none opens a second, and the
    // folder handed over meanwhile waits.
    ModalWatcher<QMessageBox> boxes([&](QMessageBox* box) {
        texts << box->text();
        boxOpen = true;
        while (texts.size() == 1 && !sent) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QCOMPARE(QApplication::activeModalWidget(), box);
            folderWhileOpen = window.currentFolder();
        }
        box->accept();
    });
    QTRY_VERIFY_WITH_TIMEOUT(sent, 60000);
    clients.join();
    QCOMPARE(unanswered, 0);
    QTRY_COMPARE(texts.size(), 2);
    QCOMPARE(texts[0], OpenPath::notOpenable("/not/there/0"));
    QCOMPARE(folderWhileOpen, QString());
    QCOMPARE(window.currentFolder(), TestSupport::slashed(skins.path()));
    // The rest in one box: the first of them named, the others counted.
    QCOMPARE(texts[1].count('\n'), HandedPaths::namedMost);
    QVERIFY(texts[1].endsWith(QStringLiteral("ほかに 989 件、Skinでもフォルダでもないものが渡されました。")));
}

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
