// SPDX-License-Identifier: GPL-3.0-or-later
// Two or three copies of the game link paired through a real lobby on
// 127.0.0.1: the lobby program itself, or its web part in this process where
// the test needs to look into its queue or shorten its times.
#include "LinkCopy.h"
#include "StartBurst.h"
#include "lobby/WebLobby.h"
#include "net/LinkEvents.h"
#include "net/PeerRecord.h"
#include "net/PeerSocket.h"
#include "tests/support/LineRelay.h"
#include "tests/support/LobbyProcess.h"

#include <QNetworkAccessManager>
#include <QNetworkDatagram>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

using namespace sorvada;

namespace {

QString webAddress(quint16 port)
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

} // namespace

class TestLobbyPairing : public QObject
{
    Q_OBJECT

    QNetworkAccessManager manager;

    QByteArray get(const QString &url) { return httpGet(manager, url); }

private slots:
    void initTestCase() { manager.setProxy(QNetworkProxy::NoProxy); }

    void pairedOverHttpThenBothEnd()
    {
        LobbyProcess lobby;
        QVERIFY(lobby.start(QStringLiteral(LOBBY_PROGRAM)));
        Copy host, guest;

        QVERIFY(host.link->Start(1, webAddress(lobby.httpPort), START_VIA_SERVER, GAME_KIND));
        QVERIFY(host.link->viaWeb);
        QCOMPARE(host.link->role, ROLE_SERVER);
        QVERIFY(host.saw(LINK_SERVING));

        QVERIFY(guest.link->Start(1, webAddress(lobby.httpPort), START_VIA_SERVER, GAME_KIND));
        QCOMPARE(guest.link->partnerPort, host.link->localPort());
        QCOMPARE(guest.link->partnerAddress, QStringLiteral("127.0.0.1"));
        QVERIFY(!guest.link->matchId.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(guest.saw(LINK_JOINED), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(host.saw(LINK_PEER_JOINED), 10000);
        QCOMPARE(guest.link->role, ROLE_CLIENT);
        QCOMPARE(host.link->role, ROLE_SERVER);
        moveCrosses(host, guest);

        // The guest leaves: its end query says Client; the host's, made when
        // the QUIT reaches it, says Server and strikes it off the queue.
        guest.link->SendQuit();
        QTRY_VERIFY_WITH_TIMEOUT(host.saw(LINK_PEER_GONE), 10000);
        const QString guestEnd = QStringLiteral("ended 127.0.0.1:%1 as Client").arg(guest.link->localPort());
        const QString hostEnd = QStringLiteral("ended host 127.0.0.1:%1").arg(host.link->localPort());
        QTRY_VERIFY_WITH_TIMEOUT(lobby.hasLineContaining(guestEnd), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(lobby.hasLineContaining(hostEnd), 10000);
        QVERIFY(lobby.hasLineContaining(hostEnd + QStringLiteral(" (kind 4, ID %1) as Server").arg(guest.link->matchId)));
    }

    void pairedOverTheDirectory()
    {
        LobbyProcess lobby;
        QVERIFY(lobby.start(QStringLiteral(LOBBY_PROGRAM)));
        PeerSocketConfig config;
        config.directoryPort = lobby.directoryPort;
        Copy host(config), guest(config);

        QVERIFY(host.link->Start(1, QStringLiteral("127.0.0.1"), START_VIA_SERVER, GAME_KIND));
        QVERIFY(!host.link->viaWeb);
        QTRY_VERIFY_WITH_TIMEOUT(host.saw(LINK_SERVING), 10000);
        QCOMPARE(host.link->role, ROLE_SERVER);

        // The lobby checks the host with a probe before it sends the guest on.
        QVERIFY(guest.link->Start(1, QStringLiteral("localhost"), START_VIA_SERVER, GAME_KIND));
        QTRY_VERIFY_WITH_TIMEOUT(guest.saw(LINK_JOINED), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(host.saw(LINK_PEER_JOINED), 10000);
        QCOMPARE(guest.link->role, ROLE_CLIENT);
        moveCrosses(host, guest);
        QTRY_VERIFY_WITH_TIMEOUT(lobby.hasLineContaining(QStringLiteral("directory: paired 127.0.0.1:%1 with host 127.0.0.1:%2")
                                                             .arg(guest.link->localPort())
                                                             .arg(host.link->localPort())),
                                 5000);
    }

    // Two copies relayed by the real lobby; the host's router loses its mapping and gives it a
    // new public port. The host waits out the lost line, asks the lobby to reattach its end,
    // and the move it made meanwhile arrives; play goes on both ways.
    void relayedHostComesBackFromANewPort()
    {
        LobbyProcess lobby;
        QVERIFY(lobby.start(QStringLiteral(LOBBY_PROGRAM)));
        LineRelay router(lobby.directoryPort);
        PeerSocketConfig config;
        config.retransmitMs = 50;
        config.probeIntervalMs = 200;
        config.knockIntervalMs = 100;
        config.graceMs = 20000;
        config.directoryPort = router.frontPort();
        Copy host(config);
        config.directoryPort = lobby.directoryPort;
        Copy guest(config);
        QVERIFY(host.link->Start(1, QStringLiteral("127.0.0.1"), START_VIA_SERVER, GAME_KIND));
        QTRY_VERIFY_WITH_TIMEOUT(host.saw(LINK_SERVING), 10000);
        QVERIFY(guest.link->Start(1, QStringLiteral("127.0.0.1"), START_VIA_SERVER, GAME_KIND));
        QTRY_VERIFY_WITH_TIMEOUT(host.saw(LINK_PEER_JOINED), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(guest.saw(LINK_JOINED), 10000);
        // The greetings tell the lobby that both resume, the host's with the match's token.
        guest.link->sendRecord.writeGreeting(0, "guest");
        QVERIFY(guest.link->SendReliable(0));
        QTRY_VERIFY_WITH_TIMEOUT(host.saw(LINK_RECEIVED), 10000);
        host.link->sendRecord.writeGreeting(1, "host");
        QVERIFY(host.link->SendReliable(1));
        QTRY_VERIFY_WITH_TIMEOUT(guest.saw(LINK_RECEIVED), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(host.link->queuedCount(1), 0, 10000);

        router.moveClient();
        host.link->sendRecord.writeLeg(MOVE, 21, 28, 0);
        QVERIFY(host.link->SendReliable(1));
        QTRY_VERIFY_WITH_TIMEOUT(host.saw(LINK_LOST), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(host.saw(LINK_BACK), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(guest.receivedOf(MOVE), 10000);
        QCOMPARE(guest.receivedOf(MOVE)->legFrom(), uint8_t(63 - 21));
        QTRY_VERIFY_WITH_TIMEOUT(lobby.hasLineContaining(QStringLiteral("host end moved from 127.0.0.1:")), 10000);
        guest.link->sendRecord.writeLeg(MOVE, 42, 35, 0);
        QVERIFY(guest.link->SendReliable(0));
        QTRY_VERIFY_WITH_TIMEOUT(host.receivedOf(MOVE), 10000);
        QCOMPARE(host.receivedOf(MOVE)->legFrom(), uint8_t(63 - 42));
        QVERIFY(!host.saw(LINK_PEER_GONE) && !guest.saw(LINK_PEER_GONE));
    }

    // A host that already has its partner answers a knock with CONNECT_BUSY;
    // the knocker reports it with its ID and is sent on to the next host.
    void busyHostIsReportedAndCallerSentOn()
    {
        qint64 now = 0;
        WebLobbyConfig config;
        config.recentMs = 300;
        config.now = [&now] { return now; };
        WebLobby lobby(config);
        QSignalSpy log(&lobby, &WebLobby::pairingEvent);
        const quint16 port = lobby.listen(QHostAddress::LocalHost, 0);
        QVERIFY(port != 0);

        Copy busy, direct, next, knocker;
        QVERIFY(busy.link->Start(1, webAddress(port), START_VIA_SERVER, GAME_KIND));
        const QString busyId = lobby.waiting().findAt(QStringLiteral("127.0.0.1"), busy.link->localPort())->id;
        // Someone joins it directly, without the lobby knowing.
        PeerSocketConfig joinConfig;
        joinConfig.gamePort = busy.link->localPort();
        Copy joiner(joinConfig);
        QVERIFY(joiner.link->Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND));
        QTRY_VERIFY_WITH_TIMEOUT(busy.saw(LINK_PEER_JOINED), 10000);

        // A caller that never knocks makes the lobby propose the busy host once,
        // so that the next copy is told to wait behind it.
        QVERIFY(get(webAddress(port) + QStringLiteral("/start.asp?type=4&port=9&mode=WANT_CONNECT&ID="))
                    .startsWith("Client/"));
        QVERIFY(next.link->Start(1, webAddress(port), START_VIA_SERVER, GAME_KIND));
        QCOMPARE(next.link->role, ROLE_SERVER);
        QCOMPARE(lobby.waiting().size(), 2);

        // Once that proposal is no longer recent, the busy host is the first offered again.
        now += config.recentMs;
        QVERIFY(knocker.link->Start(1, webAddress(port), START_VIA_SERVER, GAME_KIND));
        QTRY_VERIFY_WITH_TIMEOUT(knocker.saw(LINK_JOINED), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(next.saw(LINK_PEER_JOINED), 10000);
        QCOMPARE(knocker.link->role, ROLE_CLIENT);
        QCOMPARE(knocker.link->partnerPort, next.link->localPort());
        QVERIFY(!lobby.waiting().findById(busyId));
        bool reported = false;
        for (const QList<QVariant> &line : log)
            reported |= line.at(0).toString().contains(QStringLiteral("ID %1): 127.0.0.1:%2 reported SERVER_BUSY")
                                                           .arg(busyId)
                                                           .arg(knocker.link->localPort()));
        QVERIFY(reported);
        moveCrosses(next, knocker);
    }

    // A proposed host that never answers is reported when the answer timer runs out.
    void silentHostIsReportedAfterTheAnswerTimer()
    {
        WebLobby lobby;
        QSignalSpy log(&lobby, &WebLobby::pairingEvent);
        const quint16 port = lobby.listen(QHostAddress::LocalHost, 0);
        QUdpSocket silent;
        QVERIFY(silent.bind(QHostAddress::LocalHost, 0));
        QCOMPARE(get(webAddress(port) + QStringLiteral("/start.asp?type=4&port=%1&mode=WANT_CONNECT&ID=")
                                            .arg(silent.localPort())),
                 QByteArray("Server\n"));
        const QString silentId = lobby.waiting().findAt(QStringLiteral("127.0.0.1"), silent.localPort())->id;

        Copy caller(300);
        QVERIFY(caller.link->Start(1, webAddress(port), START_VIA_SERVER, GAME_KIND));
        QCOMPARE(caller.link->role, ROLE_NONE);
        QCOMPARE(caller.link->matchId, silentId);
        // The knock reached the silent host, which lets it go unanswered.
        QTRY_VERIFY_WITH_TIMEOUT(silent.hasPendingDatagrams(), 5000);
        PeerRecord knock;
        QVERIFY(knock.assign(silent.receiveDatagram().data()));
        QCOMPARE(knock.type(), CONNECT_REQUEST);

        QTRY_COMPARE_WITH_TIMEOUT(caller.link->role, ROLE_SERVER, 10000);
        QVERIFY(caller.saw(LINK_SERVING));
        QVERIFY(!lobby.waiting().findById(silentId));
        QVERIFY(lobby.waiting().findAt(QStringLiteral("127.0.0.1"), caller.link->localPort()));
        bool reported = false;
        for (const QList<QVariant> &line : log)
            reported |= line.at(0).toString().contains(QStringLiteral("reported SERVER_NORESPONSE"));
        QVERIFY(reported);
    }

    // "HTTP:" in capitals is not the web lobby: it is taken as a directory
    // host name, which does not resolve, so the lobby never hears of it.
    void capitalisedSchemeIsNotTheWebLobby()
    {
        WebLobby lobby;
        QSignalSpy log(&lobby, &WebLobby::pairingEvent);
        const quint16 port = lobby.listen(QHostAddress::LocalHost, 0);
        Copy copy;
        copy.link->Start(1, QStringLiteral("HTTP://127.0.0.1:%1").arg(port), START_VIA_SERVER, GAME_KIND);
        QVERIFY(!copy.link->viaWeb);
        QCOMPARE(copy.link->role, ROLE_NONE);
        QVERIFY(!log.wait(300));
        QCOMPARE(lobby.waiting().size(), 0);
    }

    // A burst of 10,000 start queries from as many ports: the program keeps
    // answering and its memory stays bounded.
    void burstKeepsTheProgramSmall()
    {
        LobbyProcess lobby;
        QVERIFY(lobby.start(QStringLiteral(LOBBY_PROGRAM)));
        const long before = lobby.residentKiB();
        QVERIFY(before > 0);
#ifdef SORVADA_SANITIZED
        // Every query is several times slower through the sanitizer, and the burst has a time
        // bound: fewer queries run the same code.
        constexpr int TOTAL = 2000;
#else
        constexpr int TOTAL = 10000;
#endif
        const BurstResult burst = startBurst(manager, webAddress(lobby.httpPort), TOTAL);
        const int done = burst.done, failed = burst.failed;
        QCOMPARE(done, TOTAL);
        QCOMPARE(failed, 0);
        QVERIFY(get(webAddress(lobby.httpPort) + QStringLiteral("/start.asp?type=4&port=65530&mode=WANT_CONNECT&ID="))
                    .endsWith('\n'));
        QCOMPARE(lobby.process.state(), QProcess::Running);
        const long after = lobby.residentKiB();
        qInfo("lobby resident memory: %ld KiB before, %ld KiB after %d requests", before, after, TOTAL);
#ifdef SORVADA_SANITIZED
        QSKIP("memory growth is checked in the plain build: here it would measure the sanitizer's own bookkeeping");
#endif
        QVERIFY2(after - before < 32 * 1024, "the burst grew the lobby by more than 32 MiB");
    }
};

QTEST_GUILESS_MAIN(TestLobbyPairing)
#include "test_lobby_pairing.moc"
