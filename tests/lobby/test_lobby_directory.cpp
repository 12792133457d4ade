// The UDP directory with real sockets on 127.0.0.1, playing the copies by hand.
#include "DirectoryServer.h"
#include "PeerRecord.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

namespace {
// One fake copy of the game: a UDP socket that can ask the directory and read its answers.
struct FakeCopy
{
    QUdpSocket socket;

    FakeCopy() { socket.bind(QHostAddress::LocalHost, 0); }
    quint16 port() const { return socket.localPort(); }

    void send(const PeerRecord &record, quint16 to)
    {
        socket.writeDatagram(record.toByteArray(), QHostAddress::LocalHost, to);
    }
    void ask(quint16 directory, uint8_t kind = GAME_KIND)
    {
        PeerRecord record;
        record.writeDirectoryRequest(kind);
        send(record, directory);
    }
    // The next record, or type 0 with an empty sender port when none came in time.
    PeerRecord next(int timeoutMs = 5000, quint16 *fromPort = nullptr)
    {
        PeerRecord record;
        // The directory runs in this thread, so wait in the event loop.
        if (!socket.hasPendingDatagrams()) {
            QSignalSpy ready(&socket, &QUdpSocket::readyRead);
            ready.wait(timeoutMs);
        }
        if (socket.hasPendingDatagrams()) {
            const QNetworkDatagram d = socket.receiveDatagram();
            if (fromPort)
                *fromPort = quint16(d.senderPort());
            if (!record.assign(d.data()))
                record.setType(0);
        }
        return record;
    }
    bool quietFor(int ms)
    {
        if (socket.hasPendingDatagrams())
            return false;
        QSignalSpy ready(&socket, &QUdpSocket::readyRead);
        return !ready.wait(ms);
    }
};
} // namespace

class TestLobbyDirectory : public QObject
{
    Q_OBJECT

private slots:
    void firstWaitsSecondIsSentToItAfterAProbe()
    {
        DirectoryServer directory;
        QSignalSpy events(&directory, &DirectoryServer::pairingEvent);
        const quint16 port = directory.listen(QHostAddress::LocalHost, 0);
        QVERIFY(port != 0);
        FakeCopy host, joiner;

        host.ask(port);
        QTRY_COMPARE_WITH_TIMEOUT(directory.waiting().size(), 1, 5000);
        QCOMPARE(host.next().type(), BECOME_SERVER);

        joiner.ask(port);
        quint16 probeFrom = 0;
        QCOMPARE(host.next(5000, &probeFrom).type(), PROBE);
        QCOMPARE(probeFrom, port);
        // The joiner hears nothing until the host has shown it is alive.
        QVERIFY(joiner.quietFor(100));
        PeerRecord probe;
        probe.writeBare(PROBE);
        host.send(probe, port);

        const PeerRecord answer = joiner.next();
        QCOMPARE(answer.type(), JOIN_PEER);
        QCOMPARE(answer.joinPeerPort(), uint32_t(host.port()));
        QCOMPARE(answer.joinPeerAddress(), QByteArray("127.0.0.1"));
        QCOMPARE(directory.waiting().size(), 0);
        QCOMPARE(directory.probesInFlight(), 0);
        QVERIFY(events.last().at(0).toString().contains(QStringLiteral("paired")));
    }

    void silentHostIsDroppedAndRequesterWaitsInstead()
    {
        DirectoryConfig config;
        config.probeTimeoutMs = 200;
        DirectoryServer directory(config);
        const quint16 port = directory.listen(QHostAddress::LocalHost, 0);
        FakeCopy gone, requester;
        gone.ask(port);
        QCOMPARE(gone.next().type(), BECOME_SERVER);
        requester.ask(port);
        QCOMPARE(gone.next().type(), PROBE); // and never answers
        QCOMPARE(requester.next().type(), BECOME_SERVER);
        QCOMPARE(directory.waiting().size(), 1);
        QVERIFY(directory.waiting().findAt(QStringLiteral("127.0.0.1"), requester.port()));
        QCOMPARE(directory.probesInFlight(), 0);
    }

    void hostUnderProbeIsPassedOverAndKindsStayApart()
    {
        DirectoryServer directory;
        const quint16 port = directory.listen(QHostAddress::LocalHost, 0);
        FakeCopy host, first, second, otherKind;
        host.ask(port);
        QCOMPARE(host.next().type(), BECOME_SERVER);
        otherKind.ask(port, 7);
        QCOMPARE(otherKind.next().type(), BECOME_SERVER);
        first.ask(port);
        QCOMPARE(host.next().type(), PROBE);
        // While the host is being checked for the first requester, the
        // second one is not sent to it: it waits as a server of its own.
        second.ask(port);
        QCOMPARE(second.next().type(), BECOME_SERVER);
        // A repeated request from the pending one changes nothing.
        first.ask(port);
        QVERIFY(host.quietFor(100));
        QCOMPARE(directory.probesInFlight(), 1);
        PeerRecord probe;
        probe.writeBare(PROBE);
        host.send(probe, port);
        const PeerRecord answer = first.next();
        QCOMPARE(answer.type(), JOIN_PEER);
        QCOMPARE(answer.joinPeerPort(), uint32_t(host.port()));
        QCOMPARE(directory.waiting().countOf(GAME_KIND), 1);
        QCOMPARE(directory.waiting().countOf(7), 1);
    }

    void strayDatagramsChangeNothing()
    {
        DirectoryServer directory;
        QSignalSpy events(&directory, &DirectoryServer::pairingEvent);
        const quint16 port = directory.listen(QHostAddress::LocalHost, 0);
        FakeCopy stranger;
        PeerRecord request;
        request.writeDirectoryRequest(GAME_KIND);
        const QByteArray whole = request.toByteArray();
        // Short, long, empty, and a whole record of another type; then an
        // unasked-for PROBE answer.
        stranger.socket.writeDatagram(whole.left(349), QHostAddress::LocalHost, port);
        stranger.socket.writeDatagram(whole + 'x', QHostAddress::LocalHost, port);
        stranger.socket.writeDatagram(QByteArray(), QHostAddress::LocalHost, port);
        PeerRecord other;
        other.writeBare(JOIN);
        stranger.send(other, port);
        PeerRecord probe;
        probe.writeBare(PROBE);
        stranger.send(probe, port);
        QVERIFY(stranger.quietFor(300));
        QCOMPARE(directory.waiting().size(), 0);
        QCOMPARE(events.size(), 0);
        // A proper request after all that is served as usual.
        stranger.ask(port);
        QCOMPARE(stranger.next().type(), BECOME_SERVER);
    }

    void repeatedRequestOfAWaitingHostIsAnsweredAgainOnce()
    {
        DirectoryServer directory;
        const quint16 port = directory.listen(QHostAddress::LocalHost, 0);
        FakeCopy host;
        host.ask(port);
        QCOMPARE(host.next().type(), BECOME_SERVER);
        host.ask(port);
        QCOMPARE(host.next().type(), BECOME_SERVER);
        QCOMPARE(directory.waiting().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestLobbyDirectory)
#include "test_lobby_directory.moc"
