// SPDX-License-Identifier: GPL-3.0-or-later
// A match between two copies that both announce it survives a lost line: the links wait out a
// grace, knock again, follow a joiner to a new port and go on where they stopped; with a peer
// that announces nothing, everything stays as before.

#include "net/LinkExtension.h"
#include "tests/support/LineRelay.h"
#include "tests/support/LinkTestSupport.h"
#include "tests/support/RawPeer.h"

#include <QTest>

using namespace sorvada;

namespace {

constexpr int WAIT_MS = 10000;

PeerSocket::Config resumeConfig(quint16 gamePort = 0, int graceMs = 20000)
{
    PeerSocket::Config c = quickConfig(gamePort, 20);
    c.probeIntervalMs = 40;
    c.peerSilenceMs = 200;
    c.graceMs = graceMs;
    c.graceResendMaxMs = 100;
    c.knockIntervalMs = 50;
    return c;
}

// The parameters of every `event` a spy saw.
std::vector<int> paramsOf(const QSignalSpy &spy, unsigned event)
{
    std::vector<int> out;
    for (const QList<QVariant> &args : spy)
        if (args.at(0).toUInt() == event)
            out.push_back(args.at(1).toInt());
    return out;
}

// The game messages of one type a link delivered, by the number in bytes 5..8.
struct Delivered {
    std::vector<uint32_t> numbers;
    void watch(PeerSocket &link, uint8_t type)
    {
        QObject::connect(
            &link, &PeerSocket::linkEvent, &link,
            [this, &link, type](unsigned event, int) {
                if (event == LINK_RECEIVED && link.recvRecord.type() == type)
                    numbers.push_back(link.recvRecord.readU32(5));
            },
            Qt::DirectConnection);
    }
};

// A host and a client joined through a line the test switches, greeted as the game greets:
// the client first, the host in answer.
struct Match {
    PeerSocket host;
    QSignalSpy hostEvents{&host, &PeerSocket::linkEvent};
    std::unique_ptr<LineRelay> line;
    std::unique_ptr<PeerSocket> client;
    std::unique_ptr<QSignalSpy> clientEvents;

    Match(const PeerSocket::Config &hostConfig, PeerSocket::Config clientConfig) : host(hostConfig)
    {
        if (!host.Start(1, QString(), START_HOST, GAME_KIND))
            return;
        line = std::make_unique<LineRelay>(host.localPort());
        clientConfig.gamePort = line->frontPort();
        client = std::make_unique<PeerSocket>(clientConfig);
        clientEvents = std::make_unique<QSignalSpy>(client.get(), &PeerSocket::linkEvent);
    }

    bool open()
    {
        if (!client || !client->Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND))
            return false;
        // The client greets once it has joined, as the game does.
        const auto joined = [this] {
            return countOf(hostEvents, LINK_PEER_JOINED) == 1 && client->role == ROLE_CLIENT;
        };
        if (!QTest::qWaitFor(joined, WAIT_MS))
            return false;
        client->sendRecord.writeGreeting(0, "Guest");
        client->SendReliable(0);
        if (!QTest::qWaitFor([this] { return countOf(hostEvents, LINK_RECEIVED) == 1; }, WAIT_MS))
            return false;
        host.sendRecord.writeGreeting(VARIANT_RUSSIAN, "Host");
        host.SendReliable(1);
        return QTest::qWaitFor(
            [this] {
                return countOf(*clientEvents, LINK_RECEIVED) == 1 && host.queuedCount(1) == 0
                    && client->queuedCount(0) == 0;
            },
            WAIT_MS);
    }
};

PeerRecord knockWith(std::optional<uint64_t> token)
{
    PeerRecord knock;
    knock.writeJoin(GAME_KIND);
    LinkExtension block;
    block.features = FEATURE_RESUME;
    block.token = token;
    writeLinkExtension(knock, block);
    return knock;
}

} // namespace

class TestPeerResume : public QObject {
    Q_OBJECT

private slots:
    // Dark longer than ten sends and than the silence: both ends lose the line, not the match;
    // what was queued in the dark arrives once when it is back, and the numbers go on.
    void darkLineComesBack()
    {
        Match m(resumeConfig(), resumeConfig());
        QVERIFY(m.open());
        QVERIFY(m.host.peerResumes());
        QVERIFY(m.client->peerResumes());
        QVERIFY(m.host.matchToken().has_value());
        QCOMPARE(m.client->matchToken(), m.host.matchToken());
        QCOMPARE(m.host.graceRemainingMs(), -1);
        Delivered atClient, atHost;
        atClient.watch(*m.client, MOVE);
        atHost.watch(m.host, CHAT);

        m.line->setDark(true);
        m.host.sendRecord = numbered(MOVE, 7, 0);
        QVERIFY(m.host.SendReliable(1));
        // The host by its ten sends, the client by the silence.
        QTRY_VERIFY_WITH_TIMEOUT(m.host.inGrace() && m.client->inGrace(), WAIT_MS);
        QCOMPARE(paramsOf(m.hostEvents, LINK_LOST), std::vector<int>{20000});
        QCOMPARE(paramsOf(*m.clientEvents, LINK_LOST), std::vector<int>{20000});
        QVERIFY(m.host.graceRemainingMs() > 0 && m.host.graceRemainingMs() <= 20000);
        // The player to move may move meanwhile; it waits in the queue.
        m.client->sendRecord.writeChat("still there?");
        m.client->sendRecord.writeU32(5, 8);
        QVERIFY(m.client->SendReliable(0));
        QTest::qWait(300); // many grace resends and knocks into the dark
        QCOMPARE(countOf(m.hostEvents, LINK_PEER_GONE) + countOf(*m.clientEvents, LINK_PEER_GONE), 0);
        QCOMPARE(m.host.queuedCount(1), 1);

        m.line->setDark(false);
        QTRY_VERIFY_WITH_TIMEOUT(!m.host.inGrace() && !m.client->inGrace(), WAIT_MS);
        QTRY_COMPARE_WITH_TIMEOUT(m.host.queuedCount(1) + m.client->queuedCount(0), 0, WAIT_MS);
        QCOMPARE(countOf(m.hostEvents, LINK_BACK), 1);
        QCOMPARE(countOf(*m.clientEvents, LINK_BACK), 1);
        QCOMPARE(atClient.numbers, std::vector<uint32_t>{7});
        QCOMPARE(atHost.numbers, std::vector<uint32_t>{8});
        QCOMPARE(m.host.sentCount(), 2u);
        QCOMPARE(m.client->receivedCount(), 2u);
        QCOMPARE(m.client->sentCount(), 2u);
        QCOMPARE(m.host.receivedCount(), 2u);
        QCOMPARE(m.host.graceRemainingMs(), -1);
        QCOMPARE(countOf(*m.clientEvents, LINK_JOINED), 1);

        // Normal retransmission again: the next record goes through at once.
        m.host.sendRecord = numbered(MOVE, 9, 0);
        m.host.SendReliable(1);
        QTRY_COMPARE_WITH_TIMEOUT(atClient.numbers, (std::vector<uint32_t>{7, 9}), WAIT_MS);
    }

    // The joiner's router lost its mapping: the joiner's records reach the host from a new port.
    // Its tokened JOIN moves the host's slot there; a stranger's JOIN with any other token, or
    // none, changes nothing and is not answered.
    void joinerAtANewPort()
    {
        // The host watches slowly: it has not noticed the loss when the knock comes.
        PeerSocket::Config hostConfig = resumeConfig();
        hostConfig.probeIntervalMs = 15000;
        hostConfig.peerSilenceMs = 45000;
        Match m(hostConfig, resumeConfig());
        QVERIFY(m.open());
        const quint16 oldPort = m.line->backPort();
        QCOMPARE(m.host.peerPort(1), oldPort);
        Delivered atHost;
        atHost.watch(m.host, MOVE);

        RawPeer stranger;
        for (const std::optional<uint64_t> &token : {std::optional<uint64_t>(*m.host.matchToken() + 1),
                                                     std::optional<uint64_t>()}) {
            stranger.send(knockWith(token), m.host.localPort());
            QVERIFY(stranger.barrier(m.host.localPort()));
        }
        QCOMPARE(stranger.received().size(), size_t(2)); // the answers to its two PROBEs
        QCOMPARE(m.host.peerPort(1), oldPort);

        m.line->moveClient();
        m.client->sendRecord = numbered(MOVE, 3, 0);
        QVERIFY(m.client->SendReliable(0));
        QTRY_COMPARE_WITH_TIMEOUT(countOf(*m.clientEvents, LINK_BACK), 1, WAIT_MS);
        QCOMPARE(countOf(*m.clientEvents, LINK_LOST), 1);
        QCOMPARE(m.host.peerPort(1), m.line->backPort());
        QVERIFY(m.host.peerPort(1) != oldPort);
        QTRY_COMPARE_WITH_TIMEOUT(m.client->queuedCount(0), 0, WAIT_MS);
        QCOMPARE(atHost.numbers, std::vector<uint32_t>{3});
        QCOMPARE(m.host.receivedCount(), 2u);
        // The host never noticed; the joiner joined once.
        QCOMPARE(countOf(m.hostEvents, LINK_LOST) + countOf(m.hostEvents, LINK_BACK), 0);
        QCOMPARE(countOf(*m.clientEvents, LINK_JOINED), 1);

        // The host's records reach the joiner at its new place.
        m.host.sendRecord.writeBare(DRAW_OFFER);
        m.host.SendReliable(1);
        QTRY_COMPARE_WITH_TIMEOUT(countOf(*m.clientEvents, LINK_RECEIVED), 2, WAIT_MS);
        QCOMPARE(stranger.count(JOIN), 0);

        // The same tokened knock for a match that is over moves nothing.
        m.client->SendQuit();
        QTRY_COMPARE_WITH_TIMEOUT(countOf(m.hostEvents, LINK_PEER_GONE), 1, WAIT_MS);
        stranger.send(knockWith(m.host.matchToken()), m.host.localPort());
        QVERIFY(stranger.barrier(m.host.localPort()));
        QCOMPARE(stranger.count(JOIN), 0);
        QCOMPARE(m.host.peerPort(1), m.line->backPort());
    }

    // A line that stays dark past the grace loses the match on both ends, once.
    void graceRunsOut()
    {
        Match m(resumeConfig(0, 400), resumeConfig(0, 400));
        QVERIFY(m.open());
        m.line->setDark(true);
        m.host.sendRecord.writeBare(DRAW_OFFER);
        m.host.SendReliable(1);
        QTRY_COMPARE_WITH_TIMEOUT(countOf(m.hostEvents, LINK_PEER_GONE), 1, WAIT_MS);
        QTRY_COMPARE_WITH_TIMEOUT(countOf(*m.clientEvents, LINK_PEER_GONE), 1, WAIT_MS);
        QCOMPARE(paramsOf(m.hostEvents, LINK_PEER_GONE), std::vector<int>{PEER_GONE_LOST});
        QCOMPARE(paramsOf(*m.clientEvents, LINK_PEER_GONE), std::vector<int>{PEER_GONE_LOST});
        QCOMPARE(countOf(m.hostEvents, LINK_LOST), 1);
        QCOMPARE(countOf(*m.clientEvents, LINK_LOST), 1);
        QVERIFY(!m.host.inGrace());

        // The match is over: nothing more is queued to the peer on either end.
        m.host.sendRecord.writeBare(GAME_LOST);
        QVERIFY(!m.host.SendReliable(1));
        QVERIFY(!m.client->SendReliable(0));
        QCOMPARE(countOf(m.hostEvents, LINK_BACK) + countOf(*m.clientEvents, LINK_BACK), 0);
    }

    // A peer that announces nothing, as server and as client: ten unacknowledged sends give it
    // up as before, and it is sent no block and no record of types 8..244.
    void plainPeerAsBefore()
    {
        PeerSocket::Config config = resumeConfig();
        config.probeIntervalMs = 15000;
        config.peerSilenceMs = 45000;
        const auto neverExtended = [](const RawPeer &peer) {
            for (const RawPeer::Received &r : peer.received()) {
                const PeerRecord record = r.record();
                if (readLinkExtension(record) || (record.type() >= 8 && record.type() <= 244))
                    return false;
            }
            return true;
        };

        // Our host, a plain client.
        PeerSocket host(config);
        QSignalSpy hostEvents(&host, &PeerSocket::linkEvent);
        QVERIFY(host.Start(1, QString(), START_HOST, GAME_KIND));
        RawPeer guest;
        PeerRecord record;
        record.writeJoin(GAME_KIND);
        guest.send(record, host.localPort());
        QVERIFY(guest.waitFor(JOIN));
        record.writeGreeting(0, "Plain");
        record.setSequence(0);
        guest.send(record, host.localPort());
        QTRY_COMPARE_WITH_TIMEOUT(countOf(hostEvents, LINK_RECEIVED), 1, WAIT_MS);
        QVERIFY(!host.peerResumes());
        host.sendRecord.writeGreeting(VARIANT_RUSSIAN, "Host");
        QVERIFY(host.SendReliable(1));
        PeerRecord digest;
        writeDigestMessage(digest, DigestMessage{});
        host.sendRecord = digest;
        QVERIFY(!host.SendReliable(1));
        QTRY_COMPARE_WITH_TIMEOUT(countOf(hostEvents, LINK_PEER_GONE), 1, WAIT_MS);
        QCOMPARE(paramsOf(hostEvents, LINK_PEER_GONE), std::vector<int>{PEER_GONE_LEFT});
        QCOMPARE(guest.count(GREETING), PeerSocket::MAX_SENDS);
        QCOMPARE(countOf(hostEvents, LINK_LOST), 0);
        QVERIFY(!host.inGrace());
        // A knock with the host's own token is no knock while the client does not resume.
        guest.send(knockWith(host.matchToken()), host.localPort());
        QVERIFY(guest.barrier(host.localPort()));
        QVERIFY(neverExtended(guest));
        QCOMPARE(guest.count(JOIN), 1);

        // Our client, a plain server: the client's own greeting announces, the server's does not.
        RawPeer server;
        PeerSocket client(quickConfig(server.port(), 20));
        QSignalSpy clientEvents(&client, &PeerSocket::linkEvent);
        QVERIFY(client.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND));
        QVERIFY(server.waitFor(JOIN));
        server.sendType(JOIN, client.localPort());
        QTRY_COMPARE_WITH_TIMEOUT(client.role, ROLE_CLIENT, WAIT_MS);
        client.sendRecord.writeGreeting(0, "Guest");
        client.SendReliable(0);
        QVERIFY(server.waitFor(GREETING));
        QVERIFY(readLinkExtension(server.last(GREETING)->record())->resumes());
        PeerRecord ack;
        ack.writeAck(0);
        server.send(ack, client.localPort());
        record.writeGreeting(VARIANT_RUSSIAN, "Plain");
        record.setSequence(0);
        server.send(record, client.localPort());
        QTRY_COMPARE_WITH_TIMEOUT(countOf(clientEvents, LINK_RECEIVED), 1, WAIT_MS);
        QVERIFY(!client.peerResumes());
        QVERIFY(!client.matchToken());
        client.sendRecord.writeBare(DRAW_OFFER);
        client.SendReliable(0);
        QTRY_COMPARE_WITH_TIMEOUT(countOf(clientEvents, LINK_PEER_GONE), 1, WAIT_MS);
        QCOMPARE(server.count(DRAW_OFFER), PeerSocket::MAX_SENDS);
        QCOMPARE(countOf(clientEvents, LINK_LOST), 0);
        for (const RawPeer::Received &r : server.received())
            QVERIFY(r.record().type() == GREETING || !readLinkExtension(r.record()));
    }

    // A match relayed by a directory that reattaches: the host end asks it, with the token,
    // to point the host's end at where it now sends from; a directory that did not announce it
    // is not asked.
    void relayedEndAsksTheDirectory()
    {
        for (const bool announced : {true, false}) {
            RawPeer lobby;
            PeerSocket::Config config = resumeConfig();
            config.directoryPort = lobby.port();
            config.probeIntervalMs = 15000;
            config.peerSilenceMs = 45000;
            PeerSocket host(config);
            QSignalSpy events(&host, &PeerSocket::linkEvent);
            QVERIFY(host.Start(1, QStringLiteral("127.0.0.1"), START_VIA_SERVER, GAME_KIND));
            QVERIFY(lobby.waitFor(DIRECTORY_REQUEST));
            const quint16 to = host.localPort();
            PeerRecord record;
            record.writeBare(BECOME_SERVER);
            LinkExtension block;
            block.features = FEATURE_REATTACH;
            if (announced)
                writeLinkExtension(record, block);
            lobby.send(record, to);
            QTRY_COMPARE_WITH_TIMEOUT(host.role, ROLE_SERVER, WAIT_MS);
            // The client, relayed from the directory's own address and port.
            record.clear();
            record.writeJoin(GAME_KIND);
            lobby.send(record, to);
            QVERIFY(lobby.waitFor(JOIN));
            record.writeGreeting(0, "Guest");
            record.setSequence(0);
            block.features = FEATURE_RESUME;
            writeLinkExtension(record, block);
            lobby.send(record, to);
            QVERIFY(lobby.waitFor(ACK));
            host.sendRecord.writeGreeting(VARIANT_RUSSIAN, "Host");
            host.SendReliable(1);
            QVERIFY(lobby.waitFor(GREETING));
            const auto greeted = readLinkExtension(lobby.last(GREETING)->record());
            QVERIFY(greeted && greeted->resumes() && greeted->hostEnd);
            QCOMPARE(greeted->token, host.matchToken());

            QTRY_COMPARE_WITH_TIMEOUT(countOf(events, LINK_LOST), 1, WAIT_MS);
            if (announced) {
                QVERIFY(lobby.waitFor(REATTACH));
                const PeerRecord reattach = lobby.last(REATTACH)->record();
                const auto asked = readLinkExtension(reattach);
                QVERIFY(asked && asked->hostEnd);
                QCOMPARE(asked->token, host.matchToken());
                QCOMPARE(reattach.sequence(), NO_SEQUENCE);
            } else {
                QTest::qWait(5 * config.knockIntervalMs);
                QVERIFY(lobby.barrier(to));
                QCOMPARE(lobby.count(REATTACH), 0);
            }
            QCOMPARE(lobby.count(JOIN), 1); // the relayed end knocks with no JOIN

            // Records from the slot again: the line is back, the greeting acknowledged at last.
            PeerRecord ack;
            ack.writeAck(0);
            lobby.send(ack, to);
            QTRY_COMPARE_WITH_TIMEOUT(countOf(events, LINK_BACK), 1, WAIT_MS);
            QTRY_COMPARE_WITH_TIMEOUT(host.queuedCount(1), 0, WAIT_MS);
        }
    }
};

QTEST_GUILESS_MAIN(TestPeerResume)
#include "test_peer_resume.moc"
