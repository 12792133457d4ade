// SPDX-License-Identifier: GPL-3.0-or-later
// Whatever arrives from the network, the link either acts on it as a whole or refuses it
// quietly: no reply, no event, no change of state.

#include "tests/support/JoinedClient.h"
#include "tests/support/LinkTestSupport.h"
#include "tests/support/RawPeer.h"

#include <QTest>

using namespace sorvada;

namespace {

constexpr int WAIT_MS = 10000;

} // namespace

class TestPeerBadInput : public QObject {
    Q_OBJECT

private slots:
    // Datagrams of any other size are dropped whole, even when their first 350 bytes would
    // make a perfect record.
    void wrongSizesAreDropped()
    {
        JoinedClient link;
        QVERIFY(link.open());
        const QByteArray good = numbered(MOVE, 77, 0).toByteArray();
        for (int size : {0, 1, 4, 349, 351, 1000, 4096}) {
            QByteArray datagram = good.leftJustified(size, '\x11', true);
            link.server.sendRaw(datagram, link.to);
        }
        QVERIFY(link.server.barrier(link.to));
        QCOMPARE(link.server.count(ACK), 0);
        QCOMPARE(countOf(link.events, LINK_RECEIVED), 0);
        QCOMPARE(link.client.role, ROLE_CLIENT);

        // The expected number is still 0: the same record at the right size is taken.
        link.server.sendRaw(good, link.to);
        QVERIFY(link.server.waitFor(ACK));
        QCOMPARE(countOf(link.events, LINK_RECEIVED), 1);
        QCOMPARE(link.client.recvRecord.readU32(5), 77u);
    }

    // Acknowledgements and game messages from a sender that holds no slot are ignored.
    void strangersAreIgnored()
    {
        JoinedClient link;
        QVERIFY(link.open());
        link.client.sendRecord.writeBare(DRAW_OFFER);
        link.client.SendReliable(0);
        QVERIFY(link.server.waitFor(DRAW_OFFER));

        RawPeer stranger;
        PeerRecord ack;
        ack.writeAck(0);
        stranger.send(ack, link.to);
        stranger.send(numbered(MOVE, 1, 0), link.to);
        QVERIFY(stranger.barrier(link.to));
        QCOMPARE(stranger.count(ACK), 0);
        QCOMPARE(link.client.queuedCount(0), 1);
        QCOMPARE(countOf(link.events, LINK_RECEIVED), 0);

        // The real server's acknowledgement and record are still taken.
        link.server.send(ack, link.to);
        link.server.send(numbered(MOVE, 2, 0), link.to);
        QVERIFY(link.server.waitFor(ACK));
        QTRY_COMPARE_WITH_TIMEOUT(link.client.queuedCount(0), 0, WAIT_MS);
        QCOMPARE(countOf(link.events, LINK_RECEIVED), 1);
        QCOMPARE(link.client.recvRecord.readU32(5), 2u);

    }

    // A directory server's JOIN_PEER is read within its fields only; a port that no UDP
    // socket can have is refused.
    void joinPeerIsBounded()
    {
        AskingClient asking;
        QVERIFY(asking.open());
        RawPeer &directory = asking.directory;
        PeerSocket &link = asking.link;
        QSignalSpy &events = asking.events;
        const quint16 to = asking.to;

        PeerRecord pair;
        pair.writeJoinPeer(70000, "127.0.0.1");
        directory.send(pair, to);
        pair.writeJoinPeer(0, "127.0.0.1");
        directory.send(pair, to);
        pair.writeJoinPeer(directory.port(), "");
        directory.send(pair, to);
        QVERIFY(directory.barrier(to));
        QCOMPARE(link.peerAddress(0), QStringLiteral("127.0.0.1"));
        QCOMPARE(link.peerPort(0), directory.port());
        QCOMPARE(directory.count(JOIN), 0);

        // An address without its zero byte ends before the sequence number.
        PeerRecord unterminated;
        unterminated.bytes.fill('a');
        unterminated.writeU32(1, 4321);
        unterminated.setType(JOIN_PEER);
        directory.send(unterminated, to);
        QVERIFY(directory.barrier(to));
        QCOMPARE(link.peerAddress(0), QString(340, u'a'));
        QCOMPARE(link.peerPort(0), quint16(4321));
        // No name of 340 letters names a computer: nothing goes out once the lookup ends.
        QTRY_VERIFY_WITH_TIMEOUT(!link.lookingUp(), 60000);
        QVERIFY(directory.barrier(to));
        QCOMPARE(directory.count(JOIN), 0);
        QCOMPARE(link.role, ROLE_NONE);
        QCOMPARE(events.count(), 0);
    }

    // Link records that mean nothing in the present role change nothing.
    void recordsOutOfRole()
    {
        JoinedClient link;
        QVERIFY(link.open());
        const int before = link.events.count();
        for (uint8_t type : {BECOME_SERVER, CONNECT_OK, CONNECT_BUSY, CONNECT_REQUEST, JOIN_PEER})
            link.server.sendType(type, link.to);
        QVERIFY(link.server.barrier(link.to));
        QCOMPARE(link.client.role, ROLE_CLIENT);
        QCOMPARE(link.events.count(), before);
        QCOMPARE(link.client.peerPort(0), link.server.port());
        QCOMPARE(link.server.count(JOIN), 1);

        // Before any matchmaking proposal an answer to a knock is no reason to JOIN anybody.
        RawPeer directory;
        PeerSocket::Config config = quickConfig();
        config.directoryPort = directory.port();
        PeerSocket waiting(config);
        QVERIFY(waiting.Start(1, QStringLiteral("127.0.0.1"), START_VIA_SERVER, GAME_KIND));
        QVERIFY(directory.waitFor(DIRECTORY_REQUEST));
        directory.sendType(CONNECT_OK, waiting.localPort());
        directory.sendType(CONNECT_BUSY, waiting.localPort());
        QVERIFY(directory.barrier(waiting.localPort()));
        QCOMPARE(waiting.role, ROLE_NONE);
        QCOMPARE(directory.count(JOIN), 0);
        QVERIFY(!waiting.answered);
    }

    void chatTextIsCut()
    {
        JoinedClient link;
        QVERIFY(link.open());
        link.client.SendChat(QByteArray(400, 'c'));
        QVERIFY(link.server.waitFor(CHAT));
        const PeerRecord sent = link.server.last(CHAT)->record();
        QCOMPARE(sent.chatText(), QByteArray(MAX_CHAT_BYTES, 'c'));
        QCOMPARE(sent.sequence(), 0u);
    }

    void badArguments()
    {
        PeerSocket link(quickConfig());
        QVERIFY(!link.Start(0, QString(), START_HOST, GAME_KIND));
        QVERIFY(!link.Start(1, QString(), 7, GAME_KIND));
        QCOMPARE(link.role, ROLE_NONE);
        QVERIFY(link.Start(1, QString(), START_HOST, GAME_KIND));
        QVERIFY(!link.SendReliable(2));
        QVERIFY(!link.SendReliable(-1));
        QCOMPARE(link.queuedCount(2), 0);
    }
};

QTEST_GUILESS_MAIN(TestPeerBadInput)
#include "test_peer_bad_input.moc"
