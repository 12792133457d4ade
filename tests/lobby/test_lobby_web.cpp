// SPDX-License-Identifier: GPL-3.0-or-later
// The web lobby over real HTTP on 127.0.0.1: answers, refusals and a flood.
#include "lobby/WebLobby.h"

#include "StartBurst.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

using namespace sorvada;

namespace {
struct Reply
{
    int status = 0;
    QByteArray body;
};
} // namespace

class TestLobbyWeb : public QObject
{
    Q_OBJECT

    QNetworkAccessManager manager;

    Reply get(quint16 port, const QString &pathAndQuery)
    {
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(pathAndQuery)));
        QNetworkReply *reply = manager.get(request);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        if (!reply->isFinished())
            finished.wait(10000);
        Reply r;
        r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        r.body = reply->readAll();
        reply->deleteLater();
        return r;
    }

private slots:
    void initTestCase()
    {
        manager.setProxy(QNetworkProxy::NoProxy);
    }

    void pairsTwoCallersAndEndsTheHost()
    {
        WebLobby lobby;
        QSignalSpy events(&lobby, &WebLobby::pairingEvent);
        const quint16 port = lobby.listen(QHostAddress::LocalHost, 0);
        QVERIFY(port != 0);

        const Reply host = get(port, QStringLiteral("/start.asp?type=4&port=2345&mode=WANT_CONNECT&ID="));
        QCOMPARE(host.status, 200);
        QCOMPARE(host.body, QByteArray("Server\n"));
        const QString id = lobby.waiting().findAt(QStringLiteral("127.0.0.1"), 2345)->id;

        const Reply knocker = get(port, QStringLiteral("/start.asp?type=4&port=3456&mode=WANT_CONNECT&ID="));
        QCOMPARE(knocker.status, 200);
        QCOMPARE(QString::fromLatin1(knocker.body), QStringLiteral("Client/127.0.0.1/2345/%1\n").arg(id));

        const Reply end = get(port, QStringLiteral("/end.asp?port=2345&mode=Server"));
        QCOMPARE(end.status, 200);
        QCOMPARE(lobby.waiting().size(), 0);
        // Waits, proposal and end: one log line each.
        QCOMPARE(events.size(), 3);
        QVERIFY(events.at(1).at(0).toString().contains(QStringLiteral("proposed")));
        QVERIFY(events.at(2).at(0).toString().contains(QStringLiteral("as Server")));
    }

    void malformedQueriesAreRefusedWithAReason_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("no parameters") << "/start.asp" << 400 << QByteArray("bad type\n");
        QTest::newRow("letters for port") << "/start.asp?type=4&port=abc&mode=WANT_CONNECT&ID=" << 400
                                          << QByteArray("bad port\n");
        QTest::newRow("unknown mode") << "/start.asp?type=4&port=5&mode=PLEASE&ID=" << 400
                                      << QByteArray("bad mode\n");
        QTest::newRow("ID with markup") << "/start.asp?type=4&port=5&mode=SERVER_BUSY&ID=%3Cb%3E" << 400
                                        << QByteArray("bad ID\n");
        QTest::newRow("end without mode") << "/end.asp?port=5" << 400 << QByteArray("bad mode\n");
        QTest::newRow("end with port zero") << "/end.asp?port=0&mode=Client" << 400 << QByteArray("bad port\n");
        QTest::newRow("garbage bytes") << "/start.asp?type=%00%FF&port=%0A&mode=%0D%0A" << 400
                                       << QByteArray("bad type\n");
    }

    void malformedQueriesAreRefusedWithAReason()
    {
        QFETCH(QString, path);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        WebLobby lobby;
        QSignalSpy events(&lobby, &WebLobby::pairingEvent);
        const quint16 port = lobby.listen(QHostAddress::LocalHost, 0);
        const Reply reply = get(port, path);
        QCOMPARE(reply.status, status);
        QCOMPARE(reply.body, body);
        QCOMPARE(lobby.waiting().size(), 0);
        QCOMPARE(events.size(), 0);
    }

    void otherPathsAreNotFound()
    {
        WebLobby lobby;
        const quint16 port = lobby.listen(QHostAddress::LocalHost, 0);
        QCOMPARE(get(port, QStringLiteral("/index.html")).status, 404);
        QCOMPARE(get(port, QStringLiteral("/start.aspx?type=4")).status, 404);
    }

    void connectionsAreClosedAfterTheAnswerWhenIdleAndBeyondTheCap()
    {
        WebLobbyConfig config;
        config.connections.perAddress = 3;
        config.connections.idleMs = 2000;
        WebLobby lobby(config);
        const quint16 port = lobby.listen(QHostAddress::LocalHost, 0);
        auto open = [port] {
            auto socket = std::make_unique<QTcpSocket>();
            socket->connectToHost(QHostAddress::LocalHost, port);
            socket->waitForConnected(5000);
            return socket;
        };
        auto answeredThenClosed = [](QTcpSocket &socket) {
            return QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 10000)
                && socket.readAll().startsWith("HTTP/1.1 200");
        };
        const QByteArray query = "GET /start.asp?type=4&port=2345&mode=WANT_CONNECT&ID= ";

        auto old = open();
        old->write(query + "HTTP/1.0\r\n\r\n");
        QVERIFY(answeredThenClosed(*old));
        auto closing = open();
        closing->write(query + "HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
        QVERIFY(answeredThenClosed(*closing));

        // Three kept-alive connections fill this address's share: a fourth
        // is closed at once, while the three are still answered.
        std::vector<std::unique_ptr<QTcpSocket>> kept;
        for (int i = 0; i < 3; ++i) {
            kept.push_back(open());
            kept.back()->write(query + "HTTP/1.1\r\nHost: x\r\n\r\n");
            QTRY_VERIFY_WITH_TIMEOUT(kept.back()->bytesAvailable() > 0, 10000);
        }
        auto extra = open();
        QTRY_COMPARE_WITH_TIMEOUT(extra->state(), QAbstractSocket::UnconnectedState, 10000);
        kept[0]->readAll();
        kept[0]->write(query + "HTTP/1.1\r\nHost: x\r\n\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(kept[0]->bytesAvailable() > 0, 10000);
        QVERIFY(kept[0]->readAll().startsWith("HTTP/1.1 200"));
        // Left idle, they are closed.
        for (auto &socket : kept)
            QTRY_COMPARE_WITH_TIMEOUT(socket->state(), QAbstractSocket::UnconnectedState, 10000);
    }

    void statusPageAndMetricsShowTheFigures()
    {
        LobbyStats stats;
        WebLobby lobby(WebLobbyConfig(), &stats);
        const quint16 port = lobby.listen(QHostAddress::LocalHost, 0);
        get(port, QStringLiteral("/start.asp?type=4&port=2345&mode=WANT_CONNECT&ID="));
        get(port, QStringLiteral("/start.asp?type=7&port=2346&mode=WANT_CONNECT&ID="));
        get(port, QStringLiteral("/start.asp?type=4&port=3456&mode=WANT_CONNECT&ID="));
        stats.paired(LobbyStats::Relayed);
        stats.relayed();
        stats.dropped(LobbyStats::UnknownSender);

        const Reply page = get(port, QStringLiteral("/"));
        QCOMPARE(page.status, 200);
        QVERIFY(page.body.contains("<tr><th>Waiting hosts, game kind 4</th><td>1</td></tr>"));
        QVERIFY(page.body.contains("<tr><th>Waiting hosts, game kind 7</th><td>1</td></tr>"));
        QVERIFY(page.body.contains("<tr><th>web</th><td>1</td></tr>"));
        QVERIFY(page.body.contains("<tr><th>relayed</th><td>1</td></tr>"));
        QVERIFY(!page.body.contains("<script"));

        const Reply metrics = get(port, QStringLiteral("/metrics"));
        QCOMPARE(metrics.status, 200);
        for (const char *line : {"sorvada_lobby_pairings_total{path=\"web\"} 1\n",
                                 "sorvada_lobby_pairings_total{path=\"direct\"} 0\n",
                                 "sorvada_lobby_relayed_datagrams_total 1\n",
                                 "sorvada_lobby_dropped_datagrams_total{reason=\"unknown_sender\"} 1\n",
                                 "sorvada_lobby_waiting_hosts{kind=\"7\"} 1\n",
                                 "# TYPE sorvada_lobby_active_relays gauge\nsorvada_lobby_active_relays 0\n"})
            QVERIFY2(metrics.body.contains(line), line);
    }

    // Thousands of callers, each on a port of its own, most of them told to
    // wait: the queue stays at its bound, and the lobby still pairs afterwards.
    // (The 10,000-request burst against the program itself is in the pairing test.)
    void floodKeepsTheQueueBounded()
    {
        WebLobbyConfig config;
        config.capacity = 200;
        config.limits.waitingHosts = config.capacity; // every caller here is 127.0.0.1
        WebLobby lobby(config);
        const quint16 port = lobby.listen(QHostAddress::LocalHost, 0);
        constexpr int TOTAL = 3000;
        int maxWaiting = 0;
        const BurstResult burst =
            startBurst(manager, QStringLiteral("http://127.0.0.1:%1").arg(port), TOTAL,
                       [&] { maxWaiting = std::max(maxWaiting, lobby.waiting().size()); });
        const int done = burst.done, failed = burst.failed;
        QCOMPARE(done, TOTAL);
        QCOMPARE(failed, 0);
        QVERIFY(maxWaiting <= config.capacity);
        QCOMPARE(lobby.waiting().size(), config.capacity);
        const Reply after = get(port, QStringLiteral("/start.asp?type=4&port=65500&mode=WANT_CONNECT&ID="));
        QCOMPARE(after.status, 200);
        QVERIFY(after.body.startsWith("Client/127.0.0.1/") || after.body == "Server\n");
    }
};

QTEST_GUILESS_MAIN(TestLobbyWeb)
#include "test_lobby_web.moc"
