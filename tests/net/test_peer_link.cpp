// SPDX-License-Identifier: GPL-3.0-or-later
// Two real links on 127.0.0.1, or one link and a hand-played peer: opening the link in every
// way, reliable ordered delivery through a faulty network, and the link records.

#include "sim/LossyRelay.h"
#include "tests/support/LinkTestSupport.h"
#include "tests/support/RawPeer.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

using namespace sorvada;

namespace {

constexpr int WAIT_MS = 10000;

struct Delivered {
    uint8_t type;
    uint32_t number;
};

// Records every game message a link delivers, read at the moment it is delivered.
void collect(PeerSocket &link, std::vector<Delivered> &into)
{
    QObject::connect(
        &link, &PeerSocket::linkEvent, &link,
        [&link, &into](unsigned event, int) {
            if (event == LINK_RECEIVED)
                into.push_back({link.recvRecord.type(), link.recvRecord.readU32(5)});
        },
        Qt::DirectConnection);
}

} // namespace

class TestPeerLink : public QObject {
    Q_OBJECT

private slots:
    void hostAndJoinByAddress()
    {
        PeerSocket host(quickConfig());
        QSignalSpy hostEvents(&host, &PeerSocket::linkEvent);
        QVERIFY(host.Start(1, QString(), START_HOST, GAME_KIND));
        // Reported before Start returned.
        QCOMPARE(eventsOf(hostEvents), std::vector<unsigned>{LINK_SERVING});
        QCOMPARE(host.role, ROLE_SERVER);
        QVERIFY(host.localPort() != 0);

        PeerSocket client(quickConfig(host.localPort()));
        QSignalSpy clientEvents(&client, &PeerSocket::linkEvent);
        QVERIFY(client.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND));
        QCOMPARE(client.role, ROLE_NONE);
        QTRY_COMPARE_WITH_TIMEOUT(client.role, ROLE_CLIENT, WAIT_MS);
        QCOMPARE(eventsOf(clientEvents), std::vector<unsigned>{LINK_JOINED});
        QTRY_COMPARE_WITH_TIMEOUT(eventsOf(hostEvents), (std::vector<unsigned>{LINK_SERVING, LINK_PEER_JOINED}), WAIT_MS);
        QCOMPARE(host.peerAddress(1), QStringLiteral("127.0.0.1"));
        QCOMPARE(host.peerPort(1), client.localPort());

        // The host answers a greeting from inside its event handler, as the game does.
        QByteArray greetedBy;
        connect(
            &host, &PeerSocket::linkEvent, this,
            [&](unsigned event, int) {
                if (event != LINK_RECEIVED || host.recvRecord.type() != GREETING)
                    return;
                greetedBy = host.recvRecord.greetingName();
                host.sendRecord.writeGreeting(2, "Host");
                QVERIFY(host.SendReliable(1));
            },
            Qt::DirectConnection);
        client.sendRecord.writeGreeting(0, "Guest");
        QVERIFY(client.SendReliable(0));
        QTRY_COMPARE_WITH_TIMEOUT(countOf(clientEvents, LINK_RECEIVED), 1, WAIT_MS);
        QCOMPARE(greetedBy, QByteArray("Guest"));
        QCOMPARE(int(client.recvRecord.type()), int(GREETING));
        QCOMPARE(int(client.recvRecord.greetingVariant()), 2);
        QCOMPARE(client.recvRecord.greetingName(), QByteArray("Host"));
        QTRY_COMPARE_WITH_TIMEOUT(client.queuedCount(0) + host.queuedCount(1), 0, WAIT_MS);
    }

    // A typed host name stays in slot 0 until the server's JOIN shows its real address.
    void joinByHostName()
    {
        PeerSocket host(quickConfig());
        QVERIFY(host.Start(1, QString(), START_HOST, GAME_KIND));
        PeerSocket client(quickConfig(host.localPort()));
        QSignalSpy clientEvents(&client, &PeerSocket::linkEvent);
        QVERIFY(client.Start(1, QStringLiteral("localhost"), START_JOIN, GAME_KIND));
        QCOMPARE(client.peerAddress(0), QStringLiteral("localhost"));
        QCOMPARE(client.peerPort(0), host.localPort());
        QTRY_COMPARE_WITH_TIMEOUT(client.role, ROLE_CLIENT, WAIT_MS);
        QCOMPARE(client.peerAddress(0), QStringLiteral("127.0.0.1"));
        QCOMPARE(client.peerPort(0), host.localPort());

        // The server's records now match slot 0 and are delivered.
        host.sendRecord.writeBare(DRAW_OFFER);
        host.SendReliable(1);
        QTRY_COMPARE_WITH_TIMEOUT(countOf(clientEvents, LINK_RECEIVED), 1, WAIT_MS);
        QCOMPARE(int(client.recvRecord.type()), int(DRAW_OFFER));
    }

    void joinByUnknownNameFailsAtOnceAndSendsNothing()
    {
        RawPeer server;
        PeerSocket client(quickConfig(server.port()));
        QVERIFY(!client.Start(1, QStringLiteral("no-such-host.invalid"), START_JOIN, GAME_KIND));
        QCOMPARE(client.failure(), StartFailure::BadAddress);
        QVERIFY(!client.Start(1, QString(), START_JOIN, GAME_KIND));
        QCOMPARE(client.failure(), StartFailure::BadAddress);
        QVERIFY(!client.Start(1, QStringLiteral("no-such-host.invalid"), START_JOIN, GAME_KIND));
        QCOMPARE(server.count(JOIN), 0);
        QCOMPARE(client.role, ROLE_NONE);
        QCOMPARE(client.peerAddress(0), QStringLiteral("no-such-host.invalid"));
    }

    // Game messages of every class arrive in order and once each, both ways, although the
    // network drops, duplicates and reorders them.
    void orderedOnceThroughFaultyNetwork()
    {
        PeerSocket host(quickConfig(0, 20));
        QVERIFY(host.Start(1, QString(), START_HOST, GAME_KIND));
        LossyRelay relay(host.localPort(), 7);
        PeerSocket client(quickConfig(relay.frontPort(), 20));
        QVERIFY(client.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND));
        QTRY_COMPARE_WITH_TIMEOUT(client.role, ROLE_CLIENT, WAIT_MS);
        QTRY_COMPARE_WITH_TIMEOUT(host.peerPort(1), relay.backPort(), WAIT_MS);

        std::vector<Delivered> atHost, atClient;
        collect(host, atHost);
        collect(client, atClient);
        relay.setFaults({0.2, 0.15, 0.15});

        const uint8_t types[] = {MOVE, CAPTURE_STEP, 100, CHAT, DIRECTORY_REQUEST, GAME_LOST};
        const int count = 150;
        for (int i = 0; i < count; ++i) {
            const uint8_t type = types[i % std::size(types)];
            client.sendRecord = numbered(type, uint32_t(i), 0);
            QVERIFY(client.SendReliable(0));
            host.sendRecord = numbered(type, uint32_t(1000 + i), 0);
            QVERIFY(host.SendReliable(1));
        }
        QTRY_VERIFY_WITH_TIMEOUT(atHost.size() >= size_t(count) && atClient.size() >= size_t(count), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(client.queuedCount(0) + host.queuedCount(1), 0, WAIT_MS);
        QCOMPARE(atHost.size(), size_t(count));
        QCOMPARE(atClient.size(), size_t(count));
        for (int i = 0; i < count; ++i) {
            const uint8_t type = types[i % std::size(types)];
            QCOMPARE(int(atHost[i].type), int(type));
            QCOMPARE(atHost[i].number, uint32_t(i));
            QCOMPARE(int(atClient[i].type), int(type));
            QCOMPARE(atClient[i].number, uint32_t(1000 + i));
        }
        const LossyRelay::Counts &faults = relay.counts();
        QVERIFY(faults.dropped > 20);
        QVERIFY(faults.duplicated > 10);
        QVERIFY(faults.reordered > 10);
    }

    // A hand-played server shows what the receiving side does with repeats and gaps.
    void repeatsAndGaps()
    {
        RawPeer server;
        PeerSocket client(quickConfig(server.port()));
        QSignalSpy events(&client, &PeerSocket::linkEvent);
        QVERIFY(client.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND));
        QVERIFY(server.waitFor(JOIN));
        QCOMPARE(int(server.last(JOIN)->record().gameKind()), int(GAME_KIND));
        const quint16 to = client.localPort();
        server.sendType(JOIN, to);
        QTRY_COMPARE_WITH_TIMEOUT(client.role, ROLE_CLIENT, WAIT_MS);

        server.send(numbered(MOVE, 10, 0), to);
        QVERIFY(server.waitFor(ACK, 0));
        QCOMPARE(server.last(ACK)->record().ackNumber(), 0u);
        QCOMPARE(countOf(events, LINK_RECEIVED), 1);

        // Its acknowledgement was lost: the repeat is acknowledged again, not delivered again.
        server.send(numbered(MOVE, 10, 0), to);
        QVERIFY(server.waitFor(ACK, 1));
        QCOMPARE(server.last(ACK)->record().ackNumber(), 0u);
        QCOMPARE(countOf(events, LINK_RECEIVED), 1);

        // Ahead of the expected number: dropped without acknowledgement.
        server.send(numbered(MOVE, 12, 2), to);
        QVERIFY(server.barrier(to));
        QCOMPARE(server.count(ACK), 2);
        QCOMPARE(countOf(events, LINK_RECEIVED), 1);

        server.send(numbered(CAPTURE_STEP, 11, 1), to);
        QVERIFY(server.waitFor(ACK, 2));
        QCOMPARE(server.last(ACK)->record().ackNumber(), 1u);
        QCOMPARE(countOf(events, LINK_RECEIVED), 2);
        QCOMPARE(client.recvRecord.readU32(5), 11u);
        server.send(numbered(MOVE, 12, 2), to);
        QVERIFY(server.waitFor(ACK, 3));
        QCOMPARE(countOf(events, LINK_RECEIVED), 3);
        QCOMPARE(client.recvRecord.readU32(5), 12u);
    }

    // Only the head is on the wire; an acknowledgement of any other number changes nothing.
    void acknowledgementsMoveTheQueue()
    {
        RawPeer server;
        PeerSocket client(quickConfig(server.port(), 5000));
        QVERIFY(client.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND));
        QVERIFY(server.waitFor(JOIN));
        const quint16 to = client.localPort();
        server.sendType(JOIN, to);
        QTRY_COMPARE_WITH_TIMEOUT(client.role, ROLE_CLIENT, WAIT_MS);

        for (uint32_t i = 0; i < 3; ++i) {
            client.sendRecord = numbered(MOVE, i, 99);
            client.SendReliable(0);
        }
        QVERIFY(server.waitFor(MOVE));
        QCOMPARE(client.queuedCount(0), 3);
        QCOMPARE(server.last(MOVE)->record().sequence(), 0u);

        PeerRecord ack;
        ack.writeAck(1);
        server.send(ack, to);
        QVERIFY(server.barrier(to));
        QCOMPARE(client.queuedCount(0), 3);
        QCOMPARE(server.count(MOVE), 1);

        ack.writeAck(0);
        server.send(ack, to);
        QVERIFY(server.waitFor(MOVE, 1));
        QCOMPARE(client.queuedCount(0), 2);
        QCOMPARE(server.last(MOVE)->record().sequence(), 1u);
        QCOMPARE(server.last(MOVE)->record().readU32(5), 1u);
    }

    // Ten unanswered sends: the peer is gone, once, and the slot falls silent until a late
    // acknowledgement of its head arrives.
    void tenSendsThenPeerGone()
    {
        RawPeer server;
        PeerSocket client(quickConfig(server.port(), 15));
        QSignalSpy events(&client, &PeerSocket::linkEvent);
        QVERIFY(client.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND));
        QVERIFY(server.waitFor(JOIN));
        const quint16 to = client.localPort();
        server.sendType(JOIN, to);
        QTRY_COMPARE_WITH_TIMEOUT(client.role, ROLE_CLIENT, WAIT_MS);

        client.sendRecord.writeBare(DRAW_OFFER);
        client.SendReliable(0);
        QTRY_COMPARE_WITH_TIMEOUT(countOf(events, LINK_PEER_GONE), 1, WAIT_MS);
        QTRY_COMPARE_WITH_TIMEOUT(server.count(DRAW_OFFER), PeerSocket::MAX_SENDS, WAIT_MS);
        for (const RawPeer::Received &r : server.received())
            if (r.record().type() == DRAW_OFFER)
                QCOMPARE(r.record().sequence(), 0u);

        // Records queued meanwhile wait behind the head; nothing more goes out.
        client.sendRecord.writeBare(GAME_LOST);
        client.SendReliable(0);
        QTest::qWait(15 * 10); // ten retransmission intervals of silence
        QVERIFY(server.barrier(to));
        QCOMPARE(server.count(DRAW_OFFER), PeerSocket::MAX_SENDS);
        QCOMPARE(server.count(GAME_LOST), 0);
        QCOMPARE(countOf(events, LINK_PEER_GONE), 1);
        QCOMPARE(client.queuedCount(0), 2);

        PeerRecord ack;
        ack.writeAck(0);
        server.send(ack, to);
        QVERIFY(server.waitFor(GAME_LOST));
        QCOMPARE(server.last(GAME_LOST)->record().sequence(), 1u);
        QCOMPARE(client.queuedCount(0), 1);
    }

    void connectRequests()
    {
        PeerSocket host(quickConfig());
        QSignalSpy events(&host, &PeerSocket::linkEvent);
        QVERIFY(host.Start(1, QString(), START_HOST, GAME_KIND));
        const quint16 to = host.localPort();
        RawPeer knocker;
        knocker.sendType(CONNECT_REQUEST, to);
        QVERIFY(knocker.waitFor(CONNECT_OK));
        knocker.sendType(CONNECT_REQUEST, to);
        QVERIFY(knocker.waitFor(CONNECT_BUSY));
        RawPeer other;
        other.sendType(CONNECT_REQUEST, to);
        QVERIFY(other.waitFor(CONNECT_BUSY));
        QCOMPARE(knocker.count(CONNECT_OK), 1);
        QCOMPARE(other.count(CONNECT_OK), 0);
        QCOMPARE(eventsOf(events), std::vector<unsigned>{LINK_SERVING});

        // After a client joined directly, every knock is answered busy.
        PeerSocket second(quickConfig());
        QVERIFY(second.Start(1, QString(), START_HOST, GAME_KIND));
        RawPeer joiner;
        PeerRecord join;
        join.writeJoin(GAME_KIND);
        joiner.send(join, second.localPort());
        QVERIFY(joiner.waitFor(JOIN));
        joiner.sendType(CONNECT_REQUEST, second.localPort());
        QVERIFY(joiner.waitFor(CONNECT_BUSY));
        QCOMPARE(joiner.count(CONNECT_OK), 0);

        // A client does not take knocks at all.
        RawPeer server;
        PeerSocket client(quickConfig(server.port()));
        QVERIFY(client.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND));
        QVERIFY(server.waitFor(JOIN));
        server.sendType(JOIN, client.localPort());
        QTRY_COMPARE_WITH_TIMEOUT(client.role, ROLE_CLIENT, WAIT_MS);
        server.sendType(CONNECT_REQUEST, client.localPort());
        QVERIFY(server.barrier(client.localPort()));
        QCOMPARE(server.count(CONNECT_OK) + server.count(CONNECT_BUSY), 0);
    }

    void joinRequests()
    {
        PeerSocket host(quickConfig());
        QSignalSpy events(&host, &PeerSocket::linkEvent);
        QVERIFY(host.Start(1, QString(), START_HOST, GAME_KIND));
        const quint16 to = host.localPort();

        RawPeer wrongKind;
        PeerRecord join;
        join.writeJoin(5);
        wrongKind.send(join, to);
        QVERIFY(wrongKind.barrier(to));
        QCOMPARE(wrongKind.count(JOIN), 0);
        QCOMPARE(host.peerPort(1), quint16(0));
        QCOMPARE(eventsOf(events), std::vector<unsigned>{LINK_SERVING});

        RawPeer guest;
        join.writeJoin(GAME_KIND);
        guest.send(join, to);
        QVERIFY(guest.waitFor(JOIN));
        QTRY_COMPARE_WITH_TIMEOUT(eventsOf(events), (std::vector<unsigned>{LINK_SERVING, LINK_PEER_JOINED}), WAIT_MS);
        QCOMPARE(host.peerPort(1), guest.port());

        // The one place is taken: a further JOIN gets no answer and changes nothing.
        RawPeer late;
        late.send(join, to);
        QVERIFY(late.barrier(to));
        QCOMPARE(late.count(JOIN), 0);
        QCOMPARE(host.peerPort(1), guest.port());
        QCOMPARE(events.count(), 2);
    }

    void quitFromAnySender()
    {
        PeerSocket host(quickConfig());
        QSignalSpy hostEvents(&host, &PeerSocket::linkEvent);
        QVERIFY(host.Start(1, QString(), START_HOST, GAME_KIND));
        PeerSocket client(quickConfig(host.localPort()));
        QVERIFY(client.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND));
        QTRY_COMPARE_WITH_TIMEOUT(countOf(hostEvents, LINK_PEER_JOINED), 1, WAIT_MS);

        client.SendQuit();
        QTRY_COMPARE_WITH_TIMEOUT(countOf(hostEvents, LINK_PEER_GONE), 1, WAIT_MS);
        // QUIT is never acknowledged.
        QCOMPARE(client.queuedCount(0), 1);

        // Once the client has quit it acts on no QUIT any more; a link that has not takes
        // one from anybody.
        RawPeer stranger;
        QSignalSpy clientEvents(&client, &PeerSocket::linkEvent);
        stranger.sendType(QUIT, client.localPort());
        QVERIFY(stranger.barrier(client.localPort()));
        QCOMPARE(countOf(clientEvents, LINK_PEER_GONE), 0);
        PeerSocket lone(quickConfig());
        QSignalSpy loneEvents(&lone, &PeerSocket::linkEvent);
        QVERIFY(lone.Start(1, QString(), START_HOST, GAME_KIND));
        stranger.sendType(QUIT, lone.localPort());
        QTRY_COMPARE_WITH_TIMEOUT(countOf(loneEvents, LINK_PEER_GONE), 1, WAIT_MS);
        QVERIFY(stranger.barrier(lone.localPort()));
        QCOMPARE(stranger.count(ACK), 0);
    }

    void directoryServer()
    {
        RawPeer directory;
        PeerSocket::Config config = quickConfig();
        config.directoryPort = directory.port();

        PeerSocket first(config);
        QSignalSpy firstEvents(&first, &PeerSocket::linkEvent);
        QVERIFY(first.Start(1, QStringLiteral("127.0.0.1"), START_VIA_SERVER, GAME_KIND));
        QVERIFY(!first.viaWeb);
        QVERIFY(directory.waitFor(DIRECTORY_REQUEST));
        QCOMPARE(int(directory.last(DIRECTORY_REQUEST)->record().gameKind()), int(GAME_KIND));
        const quint16 firstPort = directory.last(DIRECTORY_REQUEST)->fromPort;
        QCOMPARE(firstPort, first.localPort());

        QVERIFY(directory.barrier(firstPort)); // PROBE is answered at any time
        directory.sendType(BECOME_SERVER, firstPort);
        QTRY_COMPARE_WITH_TIMEOUT(first.role, ROLE_SERVER, WAIT_MS);
        QCOMPARE(eventsOf(firstEvents), std::vector<unsigned>{LINK_SERVING});
        directory.sendType(BECOME_SERVER, firstPort);
        QVERIFY(directory.barrier(firstPort));
        QCOMPARE(firstEvents.count(), 1);

        PeerSocket second(config);
        QSignalSpy secondEvents(&second, &PeerSocket::linkEvent);
        QVERIFY(second.Start(1, QStringLiteral("localhost"), START_VIA_SERVER, GAME_KIND));
        QVERIFY(directory.waitFor(DIRECTORY_REQUEST, 1));
        PeerRecord pair;
        pair.writeJoinPeer(firstPort, "127.0.0.1");
        directory.send(pair, second.localPort());
        QTRY_COMPARE_WITH_TIMEOUT(second.role, ROLE_CLIENT, WAIT_MS);
        QCOMPARE(eventsOf(secondEvents), std::vector<unsigned>{LINK_JOINED});
        QTRY_COMPARE_WITH_TIMEOUT(countOf(firstEvents, LINK_PEER_JOINED), 1, WAIT_MS);
        QCOMPARE(second.peerPort(0), firstPort);

        second.sendRecord.writeLeg(MOVE, 42, 35, 0);
        second.SendReliable(0);
        QTRY_COMPARE_WITH_TIMEOUT(countOf(firstEvents, LINK_RECEIVED), 1, WAIT_MS);
        QCOMPARE(int(first.recvRecord.legFrom()), 21);
        QCOMPARE(int(first.recvRecord.legTo()), 28);

        // Once joined, further directory records are ignored.
        directory.send(pair, second.localPort());
        directory.sendType(BECOME_SERVER, second.localPort());
        QVERIFY(directory.barrier(second.localPort()));
        QCOMPARE(second.role, ROLE_CLIENT);
        QCOMPARE(secondEvents.count(), 1);
    }

    void directoryStartedServerTakesARelayedClient()
    {
        // A lobby that relays passes the client's records on from its own address and port,
        // the very ones the server first asked as a directory.
        RawPeer lobby;
        PeerSocket::Config config = quickConfig();
        config.directoryPort = lobby.port();
        PeerSocket server(config);
        QSignalSpy events(&server, &PeerSocket::linkEvent);
        QVERIFY(server.Start(1, QStringLiteral("127.0.0.1"), START_VIA_SERVER, GAME_KIND));
        QVERIFY(lobby.waitFor(DIRECTORY_REQUEST));
        lobby.sendType(BECOME_SERVER, server.localPort());
        QTRY_COMPARE_WITH_TIMEOUT(server.role, ROLE_SERVER, WAIT_MS);
        QCOMPARE(server.peerPort(0), quint16(0));

        PeerRecord join;
        join.writeJoin(GAME_KIND);
        lobby.send(join, server.localPort());
        QVERIFY(lobby.waitFor(JOIN));
        QCOMPARE(countOf(events, LINK_PEER_JOINED), 1);
        QCOMPARE(server.peerPort(1), lobby.port());

        server.sendRecord.writeLeg(MOVE, 1, 2, 0);
        server.SendReliable(1);
        QVERIFY(lobby.waitFor(MOVE));
        PeerRecord ack;
        ack.writeAck(lobby.last(MOVE)->record().sequence());
        lobby.send(ack, server.localPort());
        QTRY_COMPARE_WITH_TIMEOUT(server.queuedCount(1), 0, WAIT_MS);

        PeerRecord move;
        move.writeLeg(MOVE, 3, 4, 0);
        move.setSequence(0);
        lobby.send(move, server.localPort());
        QTRY_COMPARE_WITH_TIMEOUT(countOf(events, LINK_RECEIVED), 1, WAIT_MS);
        QVERIFY(lobby.waitFor(ACK));
    }

    void chatOnlyOverAnOpenLink()
    {
        RawPeer server;
        PeerSocket client(quickConfig(server.port()));
        QVERIFY(client.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND));
        QVERIFY(server.waitFor(JOIN));
        client.SendChat("too early");
        QCOMPARE(client.queuedCount(0), 0);

        const quint16 to = client.localPort();
        server.sendType(JOIN, to);
        QTRY_COMPARE_WITH_TIMEOUT(client.role, ROLE_CLIENT, WAIT_MS);
        QVERIFY(server.barrier(to));
        QCOMPARE(server.count(CHAT), 0);

        client.SendChat("Ann: \r\nhello\r\n");
        QVERIFY(server.waitFor(CHAT));
        QCOMPARE(server.count(CHAT), 1);
        QCOMPARE(server.last(CHAT)->record().chatText(), QByteArray("Ann: \r\nhello\r\n"));
        QCOMPARE(server.last(CHAT)->record().sequence(), 0u);

        // A host without a client has nobody to chat with either.
        PeerSocket host(quickConfig());
        QVERIFY(host.Start(1, QString(), START_HOST, GAME_KIND));
        host.SendChat("anyone?");
        QCOMPARE(host.queuedCount(1), 0);
    }

    // A handler may send from inside the event that reached it, and may sit in a nested event
    // loop (a modal dialog) while further records arrive, are acknowledged and delivered.
    void handlersRunInsideTheLink()
    {
        PeerSocket host(quickConfig());
        QVERIFY(host.Start(1, QString(), START_HOST, GAME_KIND));
        // The joined client can be written to from the very event that announces it.
        connect(
            &host, &PeerSocket::linkEvent, this,
            [&host](unsigned event, int) {
                if (event == LINK_PEER_JOINED)
                    host.SendChat("welcome");
            },
            Qt::DirectConnection);

        std::vector<uint32_t> delivered;
        std::vector<uint32_t> seenInsideFirst;
        int depth = 0;
        connect(
            &host, &PeerSocket::linkEvent, this,
            [&](unsigned event, int) {
                if (event != LINK_RECEIVED || host.recvRecord.type() != MOVE)
                    return;
                const uint32_t number = host.recvRecord.readU32(5);
                delivered.push_back(number);
                if (depth > 0) {
                    seenInsideFirst.push_back(number);
                    return;
                }
                ++depth;
                QEventLoop dialog;
                QTimer::singleShot(WAIT_MS, &dialog, &QEventLoop::quit);
                QTimer poll;
                connect(&poll, &QTimer::timeout, &dialog, [&] {
                    if (delivered.size() >= 3)
                        dialog.quit();
                });
                poll.start(5);
                dialog.exec();
                --depth;
            },
            Qt::DirectConnection);

        PeerSocket client(quickConfig(host.localPort()));
        QSignalSpy clientEvents(&client, &PeerSocket::linkEvent);
        QVERIFY(client.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND));
        QTRY_COMPARE_WITH_TIMEOUT(countOf(clientEvents, LINK_RECEIVED), 1, WAIT_MS);
        QCOMPARE(client.recvRecord.chatText(), QByteArray("welcome"));

        for (uint32_t i = 0; i < 3; ++i) {
            client.sendRecord = numbered(MOVE, i, 0);
            client.SendReliable(0);
        }
        QTRY_COMPARE_WITH_TIMEOUT(delivered.size(), size_t(3), WAIT_MS);
        QCOMPARE(delivered, (std::vector<uint32_t>{0, 1, 2}));
        QCOMPARE(seenInsideFirst, (std::vector<uint32_t>{1, 2}));
        QTRY_COMPARE_WITH_TIMEOUT(client.queuedCount(0), 0, WAIT_MS);
    }

    void hostFailsWhilePortIsHeld()
    {
        for (auto mode : {QAbstractSocket::DefaultForPlatform, QAbstractSocket::ShareAddress}) {
            QUdpSocket holder;
            QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0, mode));
            PeerSocket host(quickConfig(holder.localPort()));
            QSignalSpy events(&host, &PeerSocket::linkEvent);
            QVERIFY(!host.Start(1, QString(), START_HOST, GAME_KIND));
            QCOMPARE(host.role, ROLE_NONE);
            QCOMPARE(events.count(), 0);
            QCOMPARE(host.localPort(), quint16(0));
        }
    }
};

QTEST_GUILESS_MAIN(TestPeerLink)
#include "test_peer_link.moc"
