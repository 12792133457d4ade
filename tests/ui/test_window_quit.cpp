// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/LinkTestSupport.h"
#include "tests/support/WindowFixture.h"

#include <QSignalSpy>
#include <QtTest>

using namespace sorvada;

// Closing the window tells the peer that this player has left, over a real
// link on 127.0.0.1, but only while there is a peer that has not left first.
class TestWindowQuit : public QObject
{
    Q_OBJECT
    TemporarySettings settings;

    static PeerSocket::Config loopback(quint16 gamePort)
    {
        PeerSocket::Config c;
        c.gamePort = gamePort;     // 0: an ephemeral port for the host
        c.directoryPort = 0;
        c.retransmitMs = 50;
        return c;
    }

    // A host and a client linked on 127.0.0.1, each with its own board and
    // window, and every link event recorded.
    struct Pair
    {
        GameBoard hostBoard, clientBoard;
        PeerSocket host{loopback(0)};
        std::unique_ptr<PeerSocket> client;
        SettingsStore settings{QStringLiteral("sorvada-quit-test")};
        CScoreDlg hostScore, clientScore;
        std::unique_ptr<CGameWnd> hostWindow, clientWindow;
        std::unique_ptr<QSignalSpy> hostEvents, clientEvents;

        bool open()
        {
            if (!host.Start(1, QString(), START_HOST, GAME_KIND))
                return false;
            client = std::make_unique<PeerSocket>(loopback(host.localPort()));
            hostEvents = std::make_unique<QSignalSpy>(&host, &PeerSocket::linkEvent);
            clientEvents = std::make_unique<QSignalSpy>(client.get(), &PeerSocket::linkEvent);
            if (!client->Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND))
                return false;
            if (!QTest::qWaitFor([&] { return client->role == ROLE_CLIENT && countOf(*hostEvents, LINK_PEER_JOINED) == 1; }, 10000))
                return false;
            hostWindow = std::make_unique<CGameWnd>(hostBoard, host, settings, hostScore);
            clientWindow = std::make_unique<CGameWnd>(clientBoard, *client, settings, clientScore);
            hostWindow->killWindowTimer(TIMER_START);
            clientWindow->killWindowTimer(TIMER_START);
            hostWindow->show();
            clientWindow->show();
            return true;
        }
    };

    // A chat text sent after the close arrives only behind a QUIT sent by
    // it, so seeing the text without LINK_PEER_GONE proves none was sent.
    static bool chatArrivesWithoutQuit(PeerSocket &from, PeerSocket &to, QSignalSpy &events)
    {
        from.SendChat("marker");
        const bool arrived = QTest::qWaitFor([&] {
            return countOf(events, LINK_PEER_GONE) > 0
                || (countOf(events, LINK_RECEIVED) > 0 && to.recvRecord.type() == CHAT
                    && to.recvRecord.chatText() == "marker");
        }, 10000);
        return arrived && countOf(events, LINK_PEER_GONE) == 0;
    }

private slots:
    void hostClosingTellsTheClient()
    {
        Pair p;
        QVERIFY(p.open());
        p.hostWindow->close();
        QTRY_COMPARE_WITH_TIMEOUT(countOf(*p.clientEvents, LINK_PEER_GONE), 1, 10000);
    }

    void clientClosingTellsTheHost()
    {
        Pair p;
        QVERIFY(p.open());
        p.clientWindow->close();
        QTRY_COMPARE_WITH_TIMEOUT(countOf(*p.hostEvents, LINK_PEER_GONE), 1, 10000);
        // Destroying the closed window sends nothing more: the one QUIT, never
        // acknowledged, is all the client has queued.
        p.clientWindow.reset();
        QCOMPARE(p.client->queuedCount(0), 1);
        QCOMPARE(countOf(*p.hostEvents, LINK_PEER_GONE), 1);
    }

    void destroyingWithoutClosingAlsoTells()
    {
        Pair p;
        QVERIFY(p.open());
        p.hostWindow.reset();
        QTRY_COMPARE_WITH_TIMEOUT(countOf(*p.clientEvents, LINK_PEER_GONE), 1, 10000);
    }

    void noQuitOnceTheOpponentHasGone()
    {
        Pair p;
        QVERIFY(p.open());
        p.hostWindow->controller().opponentGone = 1;
        p.hostWindow->close();
        p.hostWindow.reset();
        QVERIFY(chatArrivesWithoutQuit(p.host, *p.client, *p.clientEvents));
    }

    void noQuitBeforeTheLinkHasARole()
    {
        GameBoard board;
        PeerSocket link(loopback(0));
        SettingsStore settings(QStringLiteral("sorvada-quit-test"));
        {
            CScoreDlg score;
            CGameWnd window(board, link, settings, score);
            window.killWindowTimer(TIMER_START);
            link.sendRecord.setType(CHAT);
            window.close();
        }
        // The link was never asked to say goodbye.
        QCOMPARE(link.sendRecord.type(), CHAT);

        // The same holds for a linked pair whose role is not yet known here.
        Pair p;
        QVERIFY(p.open());
        p.host.role = ROLE_NONE;
        p.hostWindow->close();
        p.host.role = ROLE_SERVER;
        QVERIFY(chatArrivesWithoutQuit(p.host, *p.client, *p.clientEvents));
    }
};

QTEST_MAIN(TestWindowQuit)
#include "test_window_quit.moc"
