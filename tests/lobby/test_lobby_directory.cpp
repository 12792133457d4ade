// SPDX-License-Identifier: GPL-3.0-or-later
// The UDP directory with real sockets on 127.0.0.1, playing the copies by hand: in this
// process where a test looks into its tables, the real program where ends of a relayed match
// move (other loopback addresses, 127.0.0.2 ..., stand for other homes).
#include "lobby/DirectoryServer.h"
#include "net/LinkExtension.h"
#include "net/PeerRecord.h"
#include "net/PeerSocket.h"
#include "tests/support/LobbyProcess.h"
#include "tests/support/RawPeer.h"

#include <QElapsedTimer>

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

using namespace sorvada;

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
    void sendType(uint8_t type, quint16 to)
    {
        PeerRecord record;
        record.writeBare(type);
        send(record, to);
    }
    bool quietFor(int ms)
    {
        if (socket.hasPendingDatagrams())
            return false;
        QSignalSpy ready(&socket, &QUdpSocket::readyRead);
        return !ready.wait(ms);
    }
};
// Host asks and waits, joiner asks, host answers the lobby's probe: the
// JOIN_PEER the joiner is sent.
PeerRecord pairThrough(quint16 lobby, FakeCopy &host, FakeCopy &joiner)
{
    host.ask(lobby);
    if (host.next().type() != BECOME_SERVER)
        return PeerRecord();
    joiner.ask(lobby);
    if (host.next().type() != PROBE)
        return PeerRecord();
    host.sendType(PROBE, lobby);
    return joiner.next();
}

constexpr uint64_t TOKEN = 0x5EED0F0000C0FFEE;

QHostAddress loopback(int last)
{
    return QHostAddress(QStringLiteral("127.0.0.%1").arg(last));
}

void ask(RawPeer &peer, quint16 lobby)
{
    PeerRecord request;
    request.writeDirectoryRequest(GAME_KIND);
    peer.send(request, lobby);
}

// The lobby's block in the last record of `type` the peer got, if any.
std::optional<LinkExtension> blockOf(const RawPeer &peer, uint8_t type)
{
    const RawPeer::Received *got = peer.last(type);
    return got ? readLinkExtension(got->record()) : std::nullopt;
}

// Host and joiner paired by the real lobby, the host answering its probes: false when the
// lobby did not answer as it should.
bool pairRaw(quint16 lobby, RawPeer &host, RawPeer &joiner)
{
    host.answerProbes(true);
    ask(host, lobby);
    if (!host.waitFor(BECOME_SERVER))
        return false;
    ask(joiner, lobby);
    return joiner.waitFor(JOIN_PEER);
}

// Both greetings of a match, the host's with the token; `resume`: with the blocks of copies
// that wait out a lost line. True when each reached the other end unchanged.
bool greet(quint16 lobby, RawPeer &host, RawPeer &joiner, bool resume)
{
    for (RawPeer *from : {&host, &joiner}) {
        RawPeer &to = from == &host ? joiner : host;
        PeerRecord greeting;
        greeting.writeGreeting(1, from == &host ? "host" : "joiner");
        if (resume) {
            LinkExtension block;
            block.features = FEATURE_RESUME;
            block.hostEnd = from == &host;
            if (from == &host)
                block.token = TOKEN;
            writeLinkExtension(greeting, block);
        }
        greeting.setSequence(0);
        const int before = to.count(GREETING);
        from->send(greeting, lobby);
        if (!to.waitFor(GREETING, before) || to.last(GREETING)->datagram != greeting.toByteArray())
            return false;
    }
    return true;
}

PeerRecord moveNumbered(uint32_t sequence)
{
    PeerRecord move;
    move.writeLeg(MOVE, 42, 35, 0);
    move.setSequence(sequence);
    return move;
}

// Sends a MOVE numbered `sequence` from `from` and returns whether `to` got exactly it next.
bool relayed(quint16 lobby, RawPeer &from, RawPeer &to, uint32_t sequence)
{
    const int before = to.count(MOVE);
    from.send(moveNumbered(sequence), lobby);
    return to.waitFor(MOVE, before) && to.last(MOVE)->record().sequence() == sequence
        && to.last(MOVE)->fromPort == lobby;
}

void sendReattach(RawPeer &from, quint16 lobby, uint64_t token, bool hostEnd)
{
    PeerRecord record;
    writeReattach(record, token, hostEnd);
    from.send(record, lobby);
}

int countOf(const QSignalSpy &spy, unsigned event)
{
    int n = 0;
    for (const QList<QVariant> &args : spy)
        n += args.at(0).toUInt() == event;
    return n;
}
} // namespace

class TestLobbyDirectory : public QObject
{
    Q_OBJECT

private slots:
    void firstWaitsSecondIsSentToItAfterAProbe()
    {
        DirectoryConfig config;
        config.relay = false;
        DirectoryServer directory(config);
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
        DirectoryConfig config;
        config.relay = false;
        DirectoryServer directory(config);
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

    void relayPassesRecordsOnlyBetweenThePair()
    {
        DirectoryServer directory;
        const quint16 port = directory.listen(QHostAddress::LocalHost, 0);
        FakeCopy host, joiner, stranger;
        const PeerRecord answer = pairThrough(port, host, joiner);
        QCOMPARE(answer.type(), JOIN_PEER);
        QCOMPARE(answer.joinPeerPort(), uint32_t(port));
        QCOMPARE(answer.joinPeerAddress(), QByteArray("127.0.0.1"));
        QCOMPARE(directory.relayed().size(), 1);
        QCOMPARE(directory.waiting().size(), 0);

        // Both ways, unchanged, from the lobby's own port.
        PeerRecord join;
        join.writeJoin(GAME_KIND);
        joiner.send(join, port);
        quint16 from = 0;
        QCOMPARE(host.next(5000, &from).toByteArray(), join.toByteArray());
        QCOMPARE(from, port);
        PeerRecord move;
        move.writeLeg(MOVE, 1, 2, 0);
        move.setSequence(7);
        host.send(move, port);
        QCOMPARE(joiner.next(5000, &from).toByteArray(), move.toByteArray());
        QCOMPARE(from, port);

        // A PROBE is the lobby's to answer, never passed on; so are a short
        // datagram from an end and a stranger's record.
        joiner.sendType(PROBE, port);
        QCOMPARE(joiner.next().type(), PROBE);
        joiner.socket.writeDatagram(move.toByteArray().left(100), QHostAddress::LocalHost, port);
        stranger.send(move, port);
        QVERIFY(host.quietFor(300));
        QVERIFY(stranger.quietFor(0));

        // A copy asking afresh from an end leaves its partner a QUIT.
        joiner.ask(port);
        QCOMPARE(host.next().type(), QUIT);
        QCOMPARE(joiner.next().type(), BECOME_SERVER);
        QCOMPARE(directory.relayed().size(), 0);
    }

    void relayAddressAndCap()
    {
        // Bound to every interface, the lobby names the address each joiner reached.
        DirectoryConfig config;
        config.relays.capacity = 1;
        DirectoryServer any(config);
        const quint16 anyPort = any.listen(QHostAddress::AnyIPv4, 0);
        FakeCopy host, joiner, host2;
        PeerRecord answer = pairThrough(anyPort, host, joiner);
        QCOMPARE(answer.joinPeerAddress(), QByteArray("127.0.0.1"));
        QCOMPARE(answer.joinPeerPort(), uint32_t(anyPort));
        // Full: the next copy is refused (its own time limit ends its wait) rather than paired
        // directly with a host it may not reach.
        host2.ask(anyPort);
        QVERIFY(host2.quietFor(300));
        QCOMPARE(any.relayed().size(), 1);
        QCOMPARE(any.waiting().size(), 0);

        config.publicAddress = QStringLiteral("198.51.100.1");
        DirectoryServer published(config);
        const quint16 port = published.listen(QHostAddress::LocalHost, 0);
        FakeCopy host3, joiner3;
        answer = pairThrough(port, host3, joiner3);
        QCOMPARE(answer.joinPeerAddress(), QByteArray("198.51.100.1"));
        QCOMPARE(answer.joinPeerPort(), uint32_t(port));
    }

    // A host pushed out while its probe was out answers it all the same: the joiner is
    // served afresh, never sent to the one the lobby no longer counts as waiting.
    void hostStruckOffWhileProbedIsNeverPaired()
    {
        DirectoryConfig config;
        config.relay = false;
        config.probeTimeoutMs = 60000;
        config.hostsPerAddress = 2;
        DirectoryServer directory(config);
        const quint16 port = directory.listen(QHostAddress::LocalHost, 0);
        FakeCopy host, joiner, other, newest;
        host.ask(port);
        QCOMPARE(host.next().type(), BECOME_SERVER);
        joiner.ask(port);
        QCOMPARE(host.next().type(), PROBE);
        // Two hosts of other kinds from the same address: the second pushes out the oldest
        // of the address, the host under probe.
        other.ask(port, 7);
        QCOMPARE(other.next().type(), BECOME_SERVER);
        newest.ask(port, 8);
        QCOMPARE(newest.next().type(), BECOME_SERVER);
        QVERIFY(!directory.waiting().findAt(QStringLiteral("127.0.0.1"), host.port()));

        host.sendType(PROBE, port);
        // No host of its kind is left: the joiner waits itself.
        QCOMPARE(joiner.next().type(), BECOME_SERVER);
        QCOMPARE(directory.probesInFlight(), 0);
    }

    void waitingHostIsProbedAndStruckOffWhenSilent()
    {
        DirectoryConfig config;
        config.keepAliveMs = 100;
        DirectoryServer directory(config);
        const quint16 port = directory.listen(QHostAddress::LocalHost, 0);
        FakeCopy host;
        host.ask(port);
        QCOMPARE(host.next().type(), BECOME_SERVER);
        // Answered probes keep it waiting...
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(host.next().type(), PROBE);
            host.sendType(PROBE, port);
        }
        QCOMPARE(directory.waiting().size(), 1);
        // ...three unanswered ones strike it off.
        QTRY_COMPARE_WITH_TIMEOUT(directory.waiting().size(), 0, 10000);
    }

    // Two real links paired through the relay play both ways and stay up
    // while they answer the lobby's probes; when one falls silent the other
    // is told QUIT by the lobby.
    void silentEndIsReportedToTheOtherAsQuit()
    {
        DirectoryConfig config;
        config.keepAliveMs = 200;
        config.relays.silenceMs = 3000;
        DirectoryServer directory(config);
        QSignalSpy log(&directory, &DirectoryServer::pairingEvent);
        const quint16 port = directory.listen(QHostAddress::LocalHost, 0);
        PeerSocketConfig linkConfig;
        linkConfig.directoryPort = port;
        linkConfig.retransmitMs = 100;
        // Each copy answers the lobby's probes at most every half probe interval of its own.
        linkConfig.probeIntervalMs = 400;
        PeerSocket host(linkConfig);
        auto guest = std::make_unique<PeerSocket>(linkConfig);
        QSignalSpy hostEvents(&host, &PeerSocket::linkEvent);
        QSignalSpy guestEvents(guest.get(), &PeerSocket::linkEvent);
        QVERIFY(host.Start(1, QStringLiteral("127.0.0.1"), START_VIA_SERVER, GAME_KIND));
        QTRY_COMPARE_WITH_TIMEOUT(host.role, ROLE_SERVER, 5000);
        QVERIFY(guest->Start(1, QStringLiteral("127.0.0.1"), START_VIA_SERVER, GAME_KIND));
        QTRY_COMPARE_WITH_TIMEOUT(guest->role, ROLE_CLIENT, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(countOf(hostEvents, LINK_PEER_JOINED), 1, 5000);
        QCOMPARE(directory.relayed().size(), 1);

        guest->sendRecord.writeLeg(MOVE, 42, 35, 0);
        guest->SendReliable(0);
        QTRY_COMPARE_WITH_TIMEOUT(countOf(hostEvents, LINK_RECEIVED), 1, 5000);
        host.sendRecord.writeLeg(MOVE, 21, 28, 0);
        host.SendReliable(1);
        QTRY_COMPARE_WITH_TIMEOUT(countOf(guestEvents, LINK_RECEIVED), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(host.queuedCount(1) + guest->queuedCount(0), 0, 5000);

        // Idle for longer than the silence limit: the probes keep it up.
        QSignalSpy(&host, &PeerSocket::linkEvent).wait(4000);
        QCOMPARE(countOf(hostEvents, LINK_PEER_GONE), 0);
        QCOMPARE(directory.relayed().size(), 1);

        guest.reset();
        QTRY_COMPARE_WITH_TIMEOUT(countOf(hostEvents, LINK_PEER_GONE), 1, 20000);
        QCOMPARE(directory.relayed().size(), 0);
        QVERIFY(log.last().at(0).toString().contains(QStringLiteral("silent, QUIT sent")));
    }


    // The real program: the joiner's home comes back under a new port and its end of the
    // match is pointed there by REATTACH with the token; strangers and REATTACH itself never
    // reach a copy.
    void relayedEndReattachesFromANewPort()
    {
        LobbyProcess lobby;
        QVERIFY(lobby.start(QStringLiteral(LOBBY_PROGRAM)));
        const quint16 port = lobby.directoryPort;
        RawPeer host, joiner, moved(loopback(2)), stranger(loopback(3));
        QVERIFY(pairRaw(port, host, joiner));
        // A relaying lobby says it reattaches, and carries no token of its own.
        for (const auto &[peer, type] : {std::pair{&host, BECOME_SERVER}, std::pair{&joiner, JOIN_PEER}}) {
            const std::optional<LinkExtension> block = blockOf(*peer, type);
            QVERIFY(block);
            QVERIFY(block->reattaches());
            QVERIFY(!block->token);
        }
        QCOMPARE(joiner.last(JOIN_PEER)->record().joinPeerPort(), uint32_t(port));
        QCOMPARE(joiner.last(JOIN_PEER)->record().joinPeerAddress(), QByteArray("127.0.0.1"));
        QVERIFY(greet(port, host, joiner, true));
        QVERIFY(relayed(port, joiner, host, 1));

        // A stranger with wrong tokens uses up its address's budget; beyond it even the right
        // token is dropped unread.
        for (int i = 0; i < 8; ++i)
            sendReattach(stranger, port, TOKEN + 1 + i, false);
        sendReattach(stranger, port, TOKEN, false);
        // The named end refreshing itself: not passed on either.
        sendReattach(host, port, TOKEN, true);
        QVERIFY(relayed(port, joiner, host, 2));
        QVERIFY(relayed(port, host, joiner, 1));
        QCOMPARE(host.count(REATTACH) + joiner.count(REATTACH), 0);
        QTRY_VERIFY_WITH_TIMEOUT(lobby.hasLineContaining(QStringLiteral("refused REATTACH from 127.0.0.3:%1: unknown token")
                                                             .arg(stranger.port())),
                                 5000);

        // The joiner's home under a new port: relayed both ways from there on, the old
        // endpoint no longer; the copy that moved is sent nothing in answer.
        sendReattach(moved, port, TOKEN, false);
        QVERIFY(relayed(port, moved, host, 3));
        QVERIFY(relayed(port, host, moved, 2));
        joiner.send(moveNumbered(99), port);
        QVERIFY(relayed(port, moved, host, 4));
        QCOMPARE(host.count(MOVE), 4);
        QCOMPARE(joiner.count(MOVE), 1);
        QCOMPARE(host.count(REATTACH), 0);
        QTRY_VERIFY_WITH_TIMEOUT(lobby.hasLineContaining(QStringLiteral("relay 127.0.0.2:%1 <-> 127.0.0.1:%2: joiner end moved from 127.0.0.1:%3")
                                                             .arg(moved.port())
                                                             .arg(host.port())
                                                             .arg(joiner.port())),
                                 5000);
        QCOMPARE(moved.count(MOVE), 1);
        QVERIFY(stranger.received().empty());
        QCOMPARE(lobby.process.state(), QProcess::Running);
    }

    // The real program with short times: a relayed end silent beyond the silence limit gets
    // its partner a QUIT as always when the greetings carried no blocks; when both copies wait
    // out a lost line the match is kept through the resume grace, its silent end can still
    // come back from elsewhere, and only after the grace is the other end told QUIT.
    void resumableMatchIsKeptThroughTheGrace()
    {
        constexpr int SILENCE_MS = 800, GRACE_MS = 3000;
        // The lobby's clock and ours both count whole milliseconds: a limit it sees reached
        // may be up to 2 ms short of one on ours.
        constexpr int TICKS = 2;
        LobbyProcess lobby;
        QVERIFY(lobby.start(QStringLiteral(LOBBY_PROGRAM),
                            {QStringLiteral("--probe-interval=200"), QStringLiteral("--relay-silence=%1").arg(SILENCE_MS),
                             QStringLiteral("--resume-grace=%1").arg(GRACE_MS)}));
        const quint16 port = lobby.directoryPort;
        RawPeer plainHost, plainJoiner, host, joiner, moved(loopback(2));
        QVERIFY(pairRaw(port, plainHost, plainJoiner));
        QVERIFY(pairRaw(port, host, joiner));
        QElapsedTimer silent;
        silent.start(); // before the joiners' last records: the lobby heard them later
        QVERIFY(greet(port, plainHost, plainJoiner, false));
        QVERIFY(relayed(port, plainJoiner, plainHost, 1));
        QVERIFY(greet(port, host, joiner, true));

        QVERIFY(plainHost.waitFor(QUIT, 0, 10000));
        QVERIFY(silent.elapsed() >= SILENCE_MS - TICKS);
        QCOMPARE(host.count(QUIT), 0);
        // The lobby looks for silence every 50 ms: far within the grace, the match is still there.
        QVERIFY(silent.elapsed() < GRACE_MS);

        sendReattach(moved, port, TOKEN, false);
        silent.restart();
        QVERIFY(relayed(port, moved, host, 1));
        QVERIFY(host.waitFor(QUIT, 0, 15000));
        QVERIFY2(silent.elapsed() >= GRACE_MS - TICKS, qPrintable(QString::number(silent.elapsed())));
        QCOMPARE(moved.count(QUIT), 0);
        QTRY_VERIFY_WITH_TIMEOUT(lobby.hasLineContaining(QStringLiteral("127.0.0.2:%1 silent, QUIT sent").arg(moved.port())),
                                 5000);
    }

    // Paired directly, the lobby has nothing to reattach and announces nothing.
    void directPairingCarriesNoBlock()
    {
        LobbyProcess lobby;
        QVERIFY(lobby.start(QStringLiteral(LOBBY_PROGRAM), {QStringLiteral("--relay=off")}));
        RawPeer host, joiner;
        QVERIFY(pairRaw(lobby.directoryPort, host, joiner));
        QCOMPARE(joiner.last(JOIN_PEER)->record().joinPeerPort(), uint32_t(host.port()));
        QVERIFY(!blockOf(host, BECOME_SERVER));
        QVERIFY(!blockOf(joiner, JOIN_PEER));
    }
};

QTEST_GUILESS_MAIN(TestLobbyDirectory)
#include "test_lobby_directory.moc"
