// SPDX-License-Identifier: GPL-3.0-or-later
// What anybody can send a copy with an ordinary socket: a flood of busy answers while the
// web server is asked, answers and orders from strangers, and a host name to look up. The copy
// keeps one query in flight, and nobody but its own parties can end, redirect or start it.

#include "FakeWebServer.h"
#include "tests/support/JoinedClient.h"
#include "tests/support/LinkTestSupport.h"
#include "tests/support/RawPeer.h"

#include <QTest>

#include <algorithm>
#include <cstdint>

using namespace sorvada;

namespace {

constexpr int WAIT_MS = 10000;

// Answer timers that never run out within a test, where a time-out would add a query.
PeerSocket::Config patientConfig()
{
    PeerSocket::Config c = quickConfig();
    c.answerTimeoutMs = 60000;
    return c;
}

using Reply = FakeWebServer::Reply;

QString clientAnswer(quint16 port, const QString &id, const char *address = "127.0.0.1")
{
    return QStringLiteral("Client/%1/%2/%3\n").arg(QLatin1String(address)).arg(port).arg(id);
}

// Counts the queries a web server has taken but not answered yet, at their most: a query made
// inside the wait of another shows as two at once.
struct QueryCounter {
    int open = 0;
    int most = 0;
    uintptr_t deepest = UINTPTR_MAX;

    Reply taken(Reply reply)
    {
        volatile char here = 0; // where the stack stands while a query waits
        deepest = std::min(deepest, uintptr_t(&here));
        most = std::max(most, ++open);
        return reply;
    }
};

// The web server's answers are written after delayMs; a copy asks again only after reading
// one, so the count goes down when the answer is on its way.
void closeAfter(QueryCounter &counter, int delayMs)
{
    QTimer::singleShot(delayMs, [&counter] { --counter.open; });
}

} // namespace

class TestPeerHostile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const char *name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
            qunsetenv(name);
    }

    // A "host" that answers every CONNECT_REQUEST with hundreds of CONNECT_BUSY: the busy
    // answers that come while the report of the first one waits are one report, made after it
    // only if no new proposal has replaced the busy one. The joiner ends up waiting as server.
    void busyFloodKeepsOneQueryInFlight()
    {
        constexpr int ROUNDS = 5;
        constexpr int BUSY_PER_REQUEST = 400;
        constexpr int ANSWER_DELAY_MS = 30;
        RawPeer hostile;
        int requests = 0;
        connect(&hostile, &RawPeer::arrived, this, [&] {
            const int seen = hostile.count(CONNECT_REQUEST);
            for (; requests < seen && requests < ROUNDS; ++requests) {
                for (int i = 0; i < BUSY_PER_REQUEST; ++i)
                    hostile.sendType(CONNECT_BUSY, hostile.received().back().fromPort);
            }
        });

        FakeWebServer web;
        QueryCounter counter;
        int proposals = 0;
        web.setAnswer([&](const QString &target) {
            closeAfter(counter, ANSWER_DELAY_MS);
            if (target.startsWith(QLatin1String("/end.asp")))
                return counter.taken(Reply{200, "ok\n", false, ANSWER_DELAY_MS});
            if (proposals == ROUNDS)
                return counter.taken(Reply{200, "Server\n", false, ANSWER_DELAY_MS});
            ++proposals;
            return counter.taken(Reply{200, clientAnswer(hostile.port(), QStringLiteral("F%1").arg(proposals)).toLatin1(),
                                       false, ANSWER_DELAY_MS});
        });

        volatile char base = 0;
        PeerSocket joiner(patientConfig());
        QVERIFY(joiner.Start(1, web.base(), START_VIA_SERVER, GAME_KIND));
        QTRY_COMPARE_WITH_TIMEOUT(joiner.role, ROLE_SERVER, WAIT_MS);
        QVERIFY(hostile.barrier(joiner.localPort()));
        qInfo("busy flood: %d CONNECT_BUSY sent, %d queries made, at most %d at once, %lld bytes of stack below the test",
              requests * BUSY_PER_REQUEST, int(web.targets().size()), counter.most,
              (long long)(uintptr_t(&base) - counter.deepest));

        QCOMPARE(counter.most, 1);
        QCOMPARE(requests, ROUNDS);
        // The first query and one busy report per proposal: the rest of each flood met a newer
        // proposal, or came from a copy no longer proposed.
        QCOMPARE(web.targets().size(), 1 + ROUNDS);
        QCOMPARE(web.targets().filter(QStringLiteral("mode=SERVER_BUSY")).size(), ROUNDS);
    }

    // Two answer time-outs of one proposal's search: the second comes while the report of the
    // first waits for the web server, and is reported after it, not inside it.
    void timeOutDuringAQueryIsReportedAfterIt()
    {
        RawPeer busyHost, silentHost;
        bool refused = false;
        connect(&busyHost, &RawPeer::arrived, this, [&] {
            if (!refused && busyHost.count(CONNECT_REQUEST) == 1) {
                refused = true;
                busyHost.sendType(CONNECT_BUSY, busyHost.received().back().fromPort);
            }
        });
        FakeWebServer web;
        QueryCounter counter;
        QList<Reply> answers{Reply{200, clientAnswer(busyHost.port(), QStringLiteral("B1")).toLatin1()},
                             Reply{200, clientAnswer(silentHost.port(), QStringLiteral("S1")).toLatin1()},
                             // Longer than the answer timer: the silent host's own time-out comes meanwhile.
                             Reply{200, "Wait\n", false, 3 * quickConfig().answerTimeoutMs},
                             Reply{200, "Server\n"}};
        web.setAnswer([&](const QString &) {
            const Reply reply = answers.isEmpty() ? Reply{200, "Wait\n"} : answers.takeFirst();
            closeAfter(counter, reply.delayMs);
            return counter.taken(reply);
        });

        PeerSocket joiner(quickConfig());
        QVERIFY(joiner.Start(1, web.base(), START_VIA_SERVER, GAME_KIND));
        QTRY_COMPARE_WITH_TIMEOUT(joiner.role, ROLE_SERVER, WAIT_MS);
        const QString port = QString::number(joiner.localPort());
        const QString start = QStringLiteral("/start.asp?type=4&port=") + port + QStringLiteral("&mode=");
        QCOMPARE(web.targets(), (QStringList{start + QStringLiteral("WANT_CONNECT&ID="),
                                            start + QStringLiteral("SERVER_BUSY&ID=B1"),
                                            start + QStringLiteral("SERVER_NORESPONSE&ID=S1"),
                                            start + QStringLiteral("SERVER_NORESPONSE&ID=S1")}));
        QCOMPARE(counter.most, 1);
    }

    // Only the copy that was proposed answers for itself: a stranger's CONNECT_BUSY reports
    // nothing, and its CONNECT_OK sends no JOIN anywhere.
    void answersOnlyFromTheProposedCopy()
    {
        RawPeer proposed, stranger;
        FakeWebServer web;
        web.setAnswer([&](const QString &) { return Reply{200, clientAnswer(proposed.port(), QStringLiteral("P1")).toLatin1()}; });
        PeerSocket joiner(patientConfig());
        QVERIFY(joiner.Start(1, web.base(), START_VIA_SERVER, GAME_KIND));
        QVERIFY(proposed.waitFor(CONNECT_REQUEST));
        const quint16 to = joiner.localPort();

        stranger.sendType(CONNECT_BUSY, to);
        stranger.sendType(CONNECT_OK, to);
        PeerRecord join;
        join.writeJoin(GAME_KIND);
        stranger.send(join, to);
        QVERIFY(stranger.barrier(to));
        QCOMPARE(web.targets().size(), 1);
        QVERIFY(!joiner.answered);
        QCOMPARE(joiner.role, ROLE_NONE);
        QCOMPARE(proposed.count(JOIN) + stranger.count(JOIN), 0);

        proposed.sendType(CONNECT_OK, to);
        QVERIFY(proposed.waitFor(JOIN));
        QVERIFY(joiner.answered);
        QCOMPARE(stranger.count(JOIN), 0);
    }

    // The records that end, redirect or restart a match, from somebody who is not in it,
    // change nothing on either side of a joined pair.
    void strangersCannotEndOrTakeOverAMatch_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("QUIT") << int(QUIT);
        QTest::newRow("JOIN") << int(JOIN);
        QTest::newRow("game message") << int(DRAW_OFFER);
        QTest::newRow("CONNECT_OK") << int(CONNECT_OK);
        QTest::newRow("BECOME_SERVER") << int(BECOME_SERVER);
        QTest::newRow("JOIN_PEER") << int(JOIN_PEER);
    }

    void strangersCannotEndOrTakeOverAMatch()
    {
        QFETCH(int, type);
        PeerSocket host(quickConfig(0, 5000));
        QSignalSpy hostEvents(&host, &PeerSocket::linkEvent);
        QVERIFY(host.Start(1, QString(), START_HOST, GAME_KIND));
        PeerSocket client(quickConfig(host.localPort(), 5000));
        QSignalSpy clientEvents(&client, &PeerSocket::linkEvent);
        QVERIFY(client.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND));
        QTRY_COMPARE_WITH_TIMEOUT(countOf(hostEvents, LINK_PEER_JOINED), 1, WAIT_MS);
        QTRY_COMPARE_WITH_TIMEOUT(client.role, ROLE_CLIENT, WAIT_MS);
        // One game message each way, so that a stranger's next one carries the number expected.
        host.sendRecord.writeBare(DRAW_OFFER);
        host.SendReliable(1);
        client.sendRecord.writeBare(DRAW_OFFER);
        client.SendReliable(0);
        QTRY_COMPARE_WITH_TIMEOUT(countOf(hostEvents, LINK_RECEIVED) + countOf(clientEvents, LINK_RECEIVED), 2, WAIT_MS);
        QTRY_COMPARE_WITH_TIMEOUT(host.queuedCount(1) + client.queuedCount(0), 0, WAIT_MS);
        const qsizetype hostBefore = hostEvents.size(), clientBefore = clientEvents.size();

        RawPeer stranger;
        PeerRecord record;
        record.setType(uint8_t(type));
        if (type == JOIN)
            record.writeJoin(GAME_KIND);
        else if (type == JOIN_PEER)
            record.writeJoinPeer(stranger.port(), "127.0.0.1");
        else if (type == DRAW_OFFER)
            record.setSequence(1);
        for (quint16 to : {host.localPort(), client.localPort()}) {
            stranger.send(record, to);
            QVERIFY(stranger.barrier(to));
        }

        QCOMPARE(hostEvents.size(), hostBefore);
        QCOMPARE(clientEvents.size(), clientBefore);
        QCOMPARE(host.role, ROLE_SERVER);
        QCOMPARE(client.role, ROLE_CLIENT);
        QCOMPARE(host.peerPort(1), client.localPort());
        QCOMPARE(client.peerPort(0), host.localPort());
        QCOMPARE(client.peerAddress(0), QStringLiteral("127.0.0.1"));
        QCOMPARE(stranger.count(JOIN) + stranger.count(ACK) + stranger.count(CONNECT_OK), 0);

        // The match goes on, and its own client can still end it.
        client.SendQuit();
        QTRY_COMPARE_WITH_TIMEOUT(countOf(hostEvents, LINK_PEER_GONE), 1, WAIT_MS);
    }

    // A client in its match takes no JOIN, not even its own server's again: the match is not
    // restarted and the event not raised a second time.
    void clientInAMatchIgnoresJoin()
    {
        JoinedClient link;
        QVERIFY(link.open());
        link.server.sendType(JOIN, link.to);
        QVERIFY(link.server.barrier(link.to));
        QCOMPARE(countOf(link.events, LINK_JOINED), 1);
    }

    // While a copy asks a directory, only that directory makes it a server or sends it on:
    // the same records from another address change nothing, and the directory's are obeyed.
    void directoryOrdersOnlyFromTheDirectory()
    {
        AskingClient asking;
        RawPeer stranger, peer;
        QVERIFY(asking.open());
        RawPeer &directory = asking.directory;
        PeerSocket &link = asking.link;
        QSignalSpy &events = asking.events;
        const quint16 to = asking.to;

        PeerRecord sendOn;
        sendOn.writeJoinPeer(stranger.port(), "127.0.0.1");
        stranger.send(sendOn, to);
        stranger.sendType(BECOME_SERVER, to);
        stranger.sendType(QUIT, to);
        stranger.sendType(JOIN, to);
        QVERIFY(stranger.barrier(to));
        QCOMPARE(link.role, ROLE_NONE);
        QCOMPARE(events.size(), 0);
        QCOMPARE(stranger.count(JOIN), 0);
        QCOMPARE(link.peerPort(0), directory.port());

        // The directory's JOIN_PEER names a host by name: it is looked up without holding the
        // link, and JOIN goes to the address it names.
        sendOn.writeJoinPeer(peer.port(), "localhost");
        directory.send(sendOn, to);
        QVERIFY(peer.waitFor(JOIN));
        QCOMPARE(peer.count(JOIN), 1);
        QCOMPARE(int(peer.last(JOIN)->record().gameKind()), int(GAME_KIND));
        peer.sendType(JOIN, to);
        QTRY_COMPARE_WITH_TIMEOUT(link.role, ROLE_CLIENT, WAIT_MS);
        QCOMPARE(link.peerAddress(0), QStringLiteral("127.0.0.1"));
    }

    // A JOIN_PEER naming no computer sends nothing, and the link goes on answering meanwhile.
    void directoryNamingNoComputer()
    {
        RawPeer directory;
        PeerSocket::Config config = quickConfig();
        config.directoryPort = directory.port();
        PeerSocket link(config);
        QVERIFY(link.Start(1, QStringLiteral("127.0.0.1"), START_VIA_SERVER, GAME_KIND));
        QVERIFY(directory.waitFor(DIRECTORY_REQUEST));
        PeerRecord sendOn;
        sendOn.writeJoinPeer(directory.port(), "no-such-host.invalid");
        directory.send(sendOn, link.localPort());
        QVERIFY(directory.barrier(link.localPort()));
        QTRY_VERIFY_WITH_TIMEOUT(!link.lookingUp(), 60000);
        QVERIFY(directory.barrier(link.localPort()));
        QCOMPARE(directory.count(JOIN), 0);
        QCOMPARE(link.role, ROLE_NONE);
        directory.sendType(BECOME_SERVER, link.localPort());
        QTRY_COMPARE_WITH_TIMEOUT(link.role, ROLE_SERVER, WAIT_MS);
    }
};

QTEST_GUILESS_MAIN(TestPeerHostile)
#include "test_peer_hostile.moc"
