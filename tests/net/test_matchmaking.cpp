// SPDX-License-Identifier: GPL-3.0-or-later
// Pairing two links through a matchmaking web server played by the test, and the client's
// side of every answer it may give.

#include "FakeWebServer.h"
#include "net/LineFetch.h"
#include "tests/support/LinkTestSupport.h"
#include "tests/support/RawPeer.h"

#include <QTcpServer>
#include <QTest>

using namespace sorvada;

namespace {

constexpr int WAIT_MS = 10000;

using Reply = FakeWebServer::Reply;

// Serves the scripted start answers in order; end queries get a line that means nothing.
void script(FakeWebServer &web, QList<Reply> &answers)
{
    web.setAnswer([&answers](const QString &target) {
        if (target.startsWith(QLatin1String("/end.asp")) || answers.isEmpty())
            return Reply{200, "thanks\n", false};
        return answers.takeFirst();
    });
}

QString startTarget(quint16 port, const char *mode, const QString &id = QString())
{
    return QStringLiteral("/start.asp?type=4&port=%1&mode=%2&ID=%3").arg(port).arg(QLatin1String(mode), id);
}

} // namespace

class TestMatchmaking : public QObject {
    Q_OBJECT

private slots:
    // The queries honour the system proxy settings; these tests talk to 127.0.0.1 directly.
    void initTestCase()
    {
        for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            qunsetenv(name);
    }

    void pairThroughWebServer()
    {
        FakeWebServer web;
        QList<Reply> answers;
        script(web, answers);

        PeerSocket host(quickConfig());
        QSignalSpy hostEvents(&host, &PeerSocket::linkEvent);
        answers << Reply{200, "Server\r\n"};
        QVERIFY(host.Start(1, web.base(), START_VIA_SERVER, GAME_KIND));
        QVERIFY(host.viaWeb);
        QCOMPARE(host.role, ROLE_SERVER);
        QCOMPARE(eventsOf(hostEvents), std::vector<unsigned>{LINK_SERVING});
        QCOMPARE(host.ownPortText, QString::number(host.localPort()));
        QCOMPARE(web.targets(), QStringList{startTarget(host.localPort(), "WANT_CONNECT")});
        QCOMPARE(web.userAgents().first(), QByteArray("Sorvada"));

        PeerSocket guest(quickConfig());
        QSignalSpy guestEvents(&guest, &PeerSocket::linkEvent);
        answers << Reply{200, QStringLiteral("Client/ 127.0.0.1/  %1/Ab12\r\n").arg(host.localPort()).toLatin1()};
        QVERIFY(guest.Start(1, web.base(), START_VIA_SERVER, GAME_KIND));
        QCOMPARE(guest.role, ROLE_NONE);
        QCOMPARE(guest.partnerAddress, QStringLiteral("127.0.0.1"));
        QCOMPARE(guest.partnerPort, host.localPort());
        QCOMPARE(guest.matchId, QStringLiteral("Ab12"));
        QTRY_COMPARE_WITH_TIMEOUT(guest.role, ROLE_CLIENT, WAIT_MS);
        QVERIFY(guest.answered);
        QCOMPARE(eventsOf(guestEvents), std::vector<unsigned>{LINK_JOINED});
        QTRY_COMPARE_WITH_TIMEOUT(eventsOf(hostEvents), (std::vector<unsigned>{LINK_SERVING, LINK_PEER_JOINED}), WAIT_MS);

        guest.sendRecord.writeGreeting(0, "Guest");
        guest.SendReliable(0);
        QTRY_COMPARE_WITH_TIMEOUT(countOf(hostEvents, LINK_RECEIVED), 1, WAIT_MS);
        QCOMPARE(host.recvRecord.greetingName(), QByteArray("Guest"));

        // The answer timer of the accepted proposal runs out and asks nothing.
        QTest::qWait(2 * quickConfig().answerTimeoutMs);
        QCOMPARE(web.targets().size(), 2);

        // Both copies live in this one thread here, so the guest may make its end query while
        // the host's is still waiting: look for both, in either order.
        host.SendQuit();
        QVERIFY(web.targets().contains(QStringLiteral("/end.asp?port=%1&mode=Server").arg(host.localPort())));
        QTRY_COMPARE_WITH_TIMEOUT(countOf(guestEvents, LINK_PEER_GONE), 1, WAIT_MS);
        QVERIFY(web.targets().contains(QStringLiteral("/end.asp?port=%1&mode=Client").arg(guest.localPort())));
        QCOMPARE(web.targets().size(), 4);
    }

    // While the end query of a copy that quits waits for a slow web server, its QUIT is not
    // repeated into the peer's lap: the peer hears of the departure once and asks once, and
    // neither copy sends or hands on anything more for the other.
    void quitOnceWhileTheEndQueryWaits()
    {
        FakeWebServer web;
        QList<Reply> answers;
        PeerSocket::Config config = quickConfig();
        config.httpTimeoutMs = 20000;
        PeerSocket host(config), guest(config);
        web.setAnswer([&answers](const QString &target) {
            if (target.startsWith(QLatin1String("/end.asp")))
                return Reply{200, "thanks\n", false, 5000};
            return answers.isEmpty() ? Reply{200, "Server\n"} : answers.takeFirst();
        });
        QSignalSpy hostEvents(&host, &PeerSocket::linkEvent);
        QSignalSpy guestEvents(&guest, &PeerSocket::linkEvent);
        answers << Reply{200, "Server\r\n"};
        QVERIFY(host.Start(1, web.base(), START_VIA_SERVER, GAME_KIND));
        answers << Reply{200, QStringLiteral("Client/127.0.0.1/%1/Q1\r\n").arg(host.localPort()).toLatin1()};
        QVERIFY(guest.Start(1, web.base(), START_VIA_SERVER, GAME_KIND));
        QTRY_COMPARE_WITH_TIMEOUT(countOf(hostEvents, LINK_PEER_JOINED), 1, WAIT_MS);

        // The guest's end query runs inside the host's (one thread): both wait 5 s, during
        // which the host's retransmission gives up on its QUIT many times over.
        host.SendQuit();
        QTRY_COMPARE_WITH_TIMEOUT(countOf(guestEvents, LINK_PEER_GONE), 1, WAIT_MS);
        QTRY_COMPARE_WITH_TIMEOUT(web.targets().filter(QStringLiteral("/end.asp")).size(), 2, 2 * WAIT_MS);
        QCOMPARE(countOf(hostEvents, LINK_PEER_GONE), 0);

        // Nothing more goes out for the slot, a second goodbye asks nothing, and a game
        // message that still comes from the guest is not handed on.
        host.sendRecord.writeBare(DRAW_OFFER);
        QVERIFY(!host.SendReliable(1));
        host.SendQuit();
        host.injectDatagram(numbered(CHAT, 1, 0).toByteArray(), QHostAddress::LocalHost, guest.localPort());
        RawPeer probe;
        QVERIFY(probe.barrier(host.localPort()));
        QVERIFY(probe.barrier(guest.localPort()));
        QCOMPARE(countOf(hostEvents, LINK_RECEIVED), 0);
        QCOMPARE(countOf(hostEvents, LINK_PEER_GONE), 0);
        QCOMPARE(countOf(guestEvents, LINK_PEER_GONE), 1);
        QCOMPARE(web.targets().filter(QStringLiteral("/end.asp")).size(), 2);
    }

    // A proposed host that has no room says so; the busy report names it, however long the
    // query becomes, and the server's next answer is acted on.
    void busyHostIsReported()
    {
        PeerSocket busy(quickConfig());
        QVERIFY(busy.Start(1, QString(), START_HOST, GAME_KIND));
        RawPeer first;
        first.sendType(CONNECT_REQUEST, busy.localPort());
        QVERIFY(first.waitFor(CONNECT_OK));

        FakeWebServer web;
        QList<Reply> answers;
        script(web, answers);
        const QString longId = QString(120, u'Z') + QStringLiteral("42");
        answers << Reply{200, QStringLiteral("Client/127.0.0.1/%1/%2\n").arg(busy.localPort()).arg(longId).toLatin1()}
                << Reply{200, "Server/you wait\n"};
        PeerSocket guest(quickConfig());
        QSignalSpy events(&guest, &PeerSocket::linkEvent);
        QVERIFY(guest.Start(1, web.base(), START_VIA_SERVER, GAME_KIND));
        QTRY_COMPARE_WITH_TIMEOUT(guest.role, ROLE_SERVER, WAIT_MS);
        QVERIFY(guest.answered);
        QCOMPARE(eventsOf(events), std::vector<unsigned>{LINK_SERVING});
        QCOMPARE(web.targets().size(), 2);
        QCOMPARE(web.targets().at(1), startTarget(guest.localPort(), "SERVER_BUSY", longId));
    }

    // A proposed host that stays silent is reported when the answer timer runs out, and the
    // copy then knocks at the next one.
    void silentHostIsReported()
    {
        RawPeer silent;
        PeerSocket host(quickConfig());
        QVERIFY(host.Start(1, QString(), START_HOST, GAME_KIND));

        FakeWebServer web;
        QList<Reply> answers;
        script(web, answers);
        answers << Reply{200, QStringLiteral("Client/127.0.0.1/%1/S3\n").arg(silent.port()).toLatin1()}
                << Reply{200, QStringLiteral("Client/localhost/%1/H9\n").arg(host.localPort()).toLatin1()};
        PeerSocket guest(quickConfig());
        QVERIFY(guest.Start(1, web.base(), START_VIA_SERVER, GAME_KIND));
        QVERIFY(silent.waitFor(CONNECT_REQUEST));
        QTRY_COMPARE_WITH_TIMEOUT(guest.role, ROLE_CLIENT, WAIT_MS);
        QCOMPARE(web.targets().at(1), startTarget(guest.localPort(), "SERVER_NORESPONSE", QStringLiteral("S3")));
        QCOMPARE(guest.partnerAddress, QStringLiteral("localhost"));
        QCOMPARE(guest.matchId, QStringLiteral("H9"));
        QCOMPARE(guest.peerAddress(0), QStringLiteral("127.0.0.1"));
        QCOMPARE(silent.count(CONNECT_REQUEST), 1);
        QCOMPARE(silent.count(JOIN), 0);
    }

    void startAnswers_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("started");
        QTest::addColumn<int>("role");
        QTest::newRow("server with more") << 200 << QByteArray("Server/extra\r\nnext line") << true << int(ROLE_SERVER);
        QTest::newRow("no line feed") << 200 << QByteArray("Server") << true << int(ROLE_SERVER);
        QTest::newRow("status not examined") << 404 << QByteArray("Server\n") << true << int(ROLE_SERVER);
        QTest::newRow("carriage returns dropped") << 200 << QByteArray("Ser\rver\r\n") << true << int(ROLE_SERVER);
        QTest::newRow("second line ignored") << 200 << QByteArray("\nServer\n") << false << int(ROLE_NONE);
        QTest::newRow("other word") << 200 << QByteArray("Wait\n") << false << int(ROLE_NONE);
        QTest::newRow("client, two fields") << 200 << QByteArray("Client/127.0.0.1/5\n") << false << int(ROLE_NONE);
        QTest::newRow("client, unknown host") << 200 << QByteArray("Client/no-such-host.invalid/5/x\n") << false << int(ROLE_NONE);
        QTest::newRow("endless line") << 200 << QByteArray(MAX_ANSWER_LINE + 10, 'S') << false << int(ROLE_NONE);
    }

    void startAnswers()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, started);
        QFETCH(int, role);
        FakeWebServer web;
        web.setAnswer([&](const QString &) { return Reply{status, body}; });
        PeerSocket link(quickConfig());
        QCOMPARE(link.Start(1, web.base(), START_VIA_SERVER, GAME_KIND), started);
        QCOMPARE(int(link.role), role);
        QCOMPARE(web.targets().size(), 1);
    }

    // A port that is no number makes the knock fail; the answer timer still runs and reports
    // the proposed host as silent.
    void portThatIsNoNumber()
    {
        FakeWebServer web;
        QList<Reply> answers;
        script(web, answers);
        answers << Reply{200, "Client/127.0.0.1/abc/X7\n"} << Reply{200, "Nothing for you\n"};
        PeerSocket link(quickConfig());
        QVERIFY(!link.Start(1, web.base(), START_VIA_SERVER, GAME_KIND));
        QCOMPARE(link.partnerPort, quint16(0));
        QCOMPARE(link.matchId, QStringLiteral("X7"));
        QTRY_COMPARE_WITH_TIMEOUT(web.targets().size(), 2, WAIT_MS);
        QCOMPARE(web.targets().at(1), startTarget(link.localPort(), "SERVER_NORESPONSE", QStringLiteral("X7")));
        QCOMPARE(link.role, ROLE_NONE);
    }

    void unreachableOrHangingServer()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 deadPort = closed.serverPort();
        closed.close();
        PeerSocket refused(quickConfig());
        QVERIFY(!refused.Start(1, QStringLiteral("http://127.0.0.1:%1").arg(deadPort), START_VIA_SERVER, GAME_KIND));
        QCOMPARE(refused.role, ROLE_NONE);
        QVERIFY(refused.viaWeb);

        FakeWebServer web;
        web.setAnswer([](const QString &) { return Reply{200, {}, true}; });
        PeerSocket::Config config = quickConfig();
        config.httpTimeoutMs = 300;
        PeerSocket waiting(config);
        QVERIFY(!waiting.Start(1, web.base(), START_VIA_SERVER, GAME_KIND));
        QCOMPARE(waiting.failure(), StartFailure::LobbySilent);
        QCOMPARE(web.targets().size(), 1);
        QCOMPARE(waiting.role, ROLE_NONE);
    }

    // Only the exact lower-case scheme means the web server; anything else names a directory
    // server, which here does not resolve, so nothing is asked and nothing is sent.
    void capitalSchemeIsADirectoryName()
    {
        FakeWebServer web;
        RawPeer directory;
        PeerSocket::Config config = quickConfig();
        config.directoryPort = directory.port();
        config.userAgent = QStringLiteral("Sorvada-test");
        PeerSocket link(config);
        const QString address = QStringLiteral("HTTP://127.0.0.1:%1").arg(web.port());
        QVERIFY(!link.Start(1, address, START_VIA_SERVER, GAME_KIND));
        QCOMPARE(link.failure(), StartFailure::BadAddress);
        QVERIFY(!link.viaWeb);
        QCOMPARE(link.peerAddress(0), address);
        QCOMPARE(link.peerPort(0), directory.port());
        QVERIFY(web.targets().isEmpty());

        // The same copy with the right scheme asks the web server, with its own user agent.
        QVERIFY(link.Start(1, web.base(), START_VIA_SERVER, GAME_KIND));
        QCOMPARE(web.userAgents(), QList<QByteArray>{"Sorvada-test"});
        QCOMPARE(directory.count(DIRECTORY_REQUEST), 0);
    }
};

QTEST_GUILESS_MAIN(TestMatchmaking)
#include "test_matchmaking.moc"
