// SPDX-License-Identifier: GPL-3.0-or-later
// The real lobby program against what anyone can send it with plain sockets: heads and bodies
// without end, trickling requests, one address filling the queues and the relay table, and
// strangers reporting other people's hosts. Other callers come from other loopback addresses
// (127.0.0.2 ...), as players behind other routers would.
#include "net/PeerRecord.h"
#include "tests/support/LobbyProcess.h"
#include "tests/support/RawPeer.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <vector>

using namespace sorvada;

namespace {

constexpr int BOUND_MS = 30000;

QHostAddress loopback(int last)
{
    return QHostAddress(QStringLiteral("127.0.0.%1").arg(last));
}

// A web connection from `from`; everything the lobby sends is kept.
struct WebClient
{
    QTcpSocket socket;
    QByteArray got;

    WebClient(quint16 port, const QHostAddress &from = loopback(1))
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { got += socket.readAll(); });
        socket.bind(from, 0);
        socket.connectToHost(QHostAddress::LocalHost, port);
    }
    bool closed() const { return socket.state() == QAbstractSocket::UnconnectedState; }
    // The status codes of the answers so far, in order.
    QList<int> statuses() const
    {
        QList<int> out;
        static const QRegularExpression status(QStringLiteral("(?:^|\n)HTTP/1\\.1 (\\d{3}) "));
        for (auto it = status.globalMatch(QString::fromLatin1(got)); it.hasNext();)
            out << it.next().captured(1).toInt();
        return out;
    }
};

// One query on a connection of its own, closed after the answer; the answer's body.
QByteArray query(quint16 port, const QString &pathAndQuery, const QHostAddress &from = loopback(1))
{
    WebClient client(port, from);
    client.socket.write("GET " + pathAndQuery.toLatin1() + " HTTP/1.1\r\nHost: lobby\r\nConnection: close\r\n\r\n");
    if (!QTest::qWaitFor([&] { return client.closed(); }, BOUND_MS))
        return QByteArray();
    return client.got.mid(client.got.indexOf("\r\n\r\n") + 4);
}

QByteArray start(quint16 port, int callerPort, const QHostAddress &from, const QString &mode = QStringLiteral("WANT_CONNECT"),
                 const QString &id = QString())
{
    return query(port, QStringLiteral("/start.asp?type=4&port=%1&mode=%2&ID=%3").arg(callerPort).arg(mode, id), from);
}

// A figure of the lobby's metrics ("sorvada_lobby_active_relays" ...), -1 when absent.
int metric(quint16 port, const QByteArray &name)
{
    const QByteArray text = query(port, QStringLiteral("/metrics"));
    for (const QByteArray &line : text.split('\n'))
        if (line.startsWith(name + ' '))
            return line.mid(name.size() + 1).toInt();
    return -1;
}

// Answers every probe of the lobby at once, as a waiting copy does.
void answerProbes(RawPeer &peer)
{
    QObject::connect(&peer, &RawPeer::arrived, &peer, [&peer, seen = size_t(0)]() mutable {
        for (; seen < peer.received().size(); ++seen)
            if (peer.received()[seen].record().type() == PROBE)
                peer.sendType(PROBE, peer.received()[seen].fromPort);
    });
}

void ask(RawPeer &peer, quint16 directory)
{
    PeerRecord request;
    request.writeDirectoryRequest(GAME_KIND);
    peer.send(request, directory);
}

// Writes `head`, then `filler` bytes of 'f' in pieces as fast as the lobby takes them, until
// all are sent or the lobby closes; returns the largest resident size seen meanwhile (KiB).
long stream(LobbyProcess &lobby, WebClient &client, const QByteArray &head, qint64 filler)
{
    client.socket.write(head);
    const QByteArray piece(64 * 1024, 'f');
    long largest = lobby.residentKiB();
    qint64 sent = 0;
    QElapsedTimer clock;
    clock.start();
    while (sent < filler && !client.closed() && clock.elapsed() < BOUND_MS) {
        if (client.socket.bytesToWrite() < 4 * piece.size()) {
            client.socket.write(piece);
            sent += piece.size();
        }
        QTest::qWait(1);
        largest = std::max(largest, lobby.residentKiB());
    }
    return largest;
}

} // namespace

class TestLobbyHostile : public QObject
{
    Q_OBJECT

    std::unique_ptr<LobbyProcess> running;
    LobbyProcess &lobby() { return *running; }

private slots:
    void init()
    {
        running = std::make_unique<LobbyProcess>();
        QVERIFY(running->start(QStringLiteral(LOBBY_PROGRAM)));
    }
    void cleanup() { running.reset(); }

    void webRequestsAreBoundedInHeadAndBody_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QList<int>>("statuses");
        const QByteArray get = "GET /metrics HTTP/1.1\r\nHost: lobby\r\n";
        const QByteArray end = "Connection: close\r\n\r\n";
        const auto filled = [&](int headSize) {
            const int room = headSize - get.size() - end.size() - int(sizeof("X-Filler: \r\n")) + 1;
            return get + "X-Filler: " + QByteArray(room, 'f') + "\r\n" + end;
        };
        QTest::newRow("a head of 8 KiB is answered") << filled(8192) << QList<int>{200};
        QTest::newRow("a byte more is refused") << filled(8193) << QList<int>{431};
        QTest::newRow("no head end within 8 KiB") << get + QByteArray(20000, 'f') << QList<int>{431};
        QTest::newRow("a body is refused") << get + "Content-Length: 5\r\n" + end + "hello" << QList<int>{413};
        QTest::newRow("a chunked body is refused")
            << get + "Transfer-Encoding: chunked\r\n" + end + "5\r\nhello\r\n0\r\n\r\n" << QList<int>{413};
        QTest::newRow("an empty body is none") << get + "Content-Length: 0\r\n" + end << QList<int>{200};
        QTest::newRow("two requests in one write are both answered")
            << get + "\r\n" + get + end << QList<int>{200, 200};
    }

    void webRequestsAreBoundedInHeadAndBody()
    {
        QFETCH(QByteArray, request);
        QFETCH(QList<int>, statuses);
        WebClient client(lobby().httpPort);
        client.socket.write(request);
        QTRY_VERIFY_WITH_TIMEOUT(client.closed(), BOUND_MS);
        QCOMPARE(client.statuses(), statuses);
        QCOMPARE(lobby().process.state(), QProcess::Running);
    }

    // Measured before these limits: 544 MiB resident after 4.5 s of the body, and the 8 MiB
    // head answered 200.
    void headAndBodyFloodsLeaveTheLobbySmall()
    {
        const long before = lobby().residentKiB();
        WebClient header(lobby().httpPort), body(lobby().httpPort);
        const long duringHeader = stream(lobby(), header, "GET /metrics HTTP/1.1\r\nX-Filler: ", 8 * 1024 * 1024);
        const long duringBody = stream(
            lobby(), body, "GET /start.asp?type=4 HTTP/1.1\r\nHost: lobby\r\nContent-Length: 2000000000\r\n\r\n",
            256 * 1024 * 1024);
        QTRY_VERIFY_WITH_TIMEOUT(header.closed(), BOUND_MS);
        QTRY_VERIFY_WITH_TIMEOUT(body.closed(), BOUND_MS);
        QVERIFY(!header.statuses().contains(200));
        QCOMPARE(query(lobby().httpPort, QStringLiteral("/start.asp?type=4&port=5&mode=WANT_CONNECT&ID=")),
                 QByteArray("Server\n"));
        qInfo("lobby resident: %ld KiB before, at most %ld KiB under an 8 MiB head, %ld KiB under a 2 GB body",
              before, duringHeader, duringBody);
#ifndef SORVADA_SANITIZED
        QVERIFY2(std::max(duringHeader, duringBody) - before < 16 * 1024, "a flood grew the lobby by 16 MiB");
#endif
    }

    // Measured before: one byte every 4 s kept a connection for as long as the client liked.
    void tricklingRequestIsClosedWhileSlowWholeRequestsStay()
    {
        WebClient trickler(lobby().httpPort), patient(lobby().httpPort);
        QVERIFY(trickler.socket.waitForConnected(BOUND_MS));
        QVERIFY(patient.socket.waitForConnected(BOUND_MS));
        QElapsedTimer clock;
        clock.start();
        trickler.socket.write("GET /metrics HTTP/1.1\r\n");
        int asked = 0;
        QTimer drip;
        QObject::connect(&drip, &QTimer::timeout, [&] {
            trickler.socket.write("X");
            // A whole request now and then on the other connection: it is never cut off.
            if (clock.elapsed() / 2000 >= asked) {
                patient.socket.write("GET /metrics HTTP/1.1\r\nHost: lobby\r\n\r\n");
                ++asked;
            }
        });
        drip.start(250);
        QTRY_VERIFY_WITH_TIMEOUT(trickler.closed(), BOUND_MS);
        const qint64 stayed = clock.elapsed();
        drip.stop();
        QVERIFY(trickler.statuses().isEmpty());
        QVERIFY(!patient.closed());
        QTRY_COMPARE_WITH_TIMEOUT(patient.statuses().size(), asked, BOUND_MS);
        qInfo("a trickling request stayed %lld ms; the connection beside it had %d whole requests answered",
              stayed, asked);
    }

    // Measured before: 2,200 start queries from one address pushed every other host out.
    void oneAddressHoldsAtMostItsShareOfTheWebQueue()
    {
        QCOMPARE(start(lobby().httpPort, 5000, loopback(2)), QByteArray("Server\n"));
        for (int i = 0; i < 40; ++i)
            QVERIFY(start(lobby().httpPort, 6000 + i, loopback(1)).endsWith('\n'));
        // The flooding address keeps its newest eight; the other address's host still waits.
        QCOMPARE(metric(lobby().httpPort, "sorvada_lobby_waiting_hosts{kind=\"4\"}"), 1 + 8);
        qInfo("waiting entries one address holds in the web lobby: %d",
              metric(lobby().httpPort, "sorvada_lobby_waiting_hosts{kind=\"4\"}") - 1);
    }

    void reportsStrikeOffOnlyFromTheProposedCopyAFewAMinute()
    {
        constexpr int HOSTS = 6;
        QStringList ids;
        for (int i = 0; i < HOSTS; ++i) {
            // Each host is proposed at once, so the next one is not proposed the one before.
            QCOMPARE(start(lobby().httpPort, 5000 + i, loopback(2)), QByteArray("Server\n"));
            const QByteArray answer = start(lobby().httpPort, 6000 + i, loopback(1)).trimmed();
            QCOMPARE(answer.left(answer.lastIndexOf('/')), "Client/127.0.0.2/" + QByteArray::number(5000 + i));
            ids << QString::fromLatin1(answer.mid(answer.lastIndexOf('/') + 1));
        }
        // A stranger who learnt an ID is not the copy the host was proposed to.
        start(lobby().httpPort, 7000, loopback(3), QStringLiteral("SERVER_BUSY"), ids[0]);
        QTRY_VERIFY_WITH_TIMEOUT(lobby().hasLineContaining(QStringLiteral("ignored SERVER_BUSY about host 127.0.0.2:5000")),
                                 BOUND_MS);
        // The copies it was proposed to may: four a minute from one address.
        for (int i = 0; i < HOSTS; ++i)
            start(lobby().httpPort, 6000 + i, loopback(1), i % 2 ? QStringLiteral("SERVER_NORESPONSE")
                                                               : QStringLiteral("SERVER_BUSY"), ids[i]);
        QTRY_VERIFY_WITH_TIMEOUT(lobby().hasLineContaining(QStringLiteral("ignored SERVER_NORESPONSE about host 127.0.0.2:5005")),
                                 BOUND_MS);
        int struck = 0;
        for (const QString &line : lobby().lines)
            struck += line.contains(QStringLiteral("struck off host 127.0.0.2:"));
        QCOMPARE(struck, 4);
        QVERIFY(lobby().hasLineContaining(QStringLiteral("ignored SERVER_BUSY about host 127.0.0.2:5004")));
    }

    // Measured before: 4,000 sockets of one address made 2,000 relayed matches, and the next
    // real pair was paired directly.
    void oneAddressHoldsAtMostItsShareOfRelaysAndTheRestArePaired()
    {
        std::vector<std::unique_ptr<RawPeer>> peers;
        const auto peer = [&](const QHostAddress &at) {
            peers.push_back(std::make_unique<RawPeer>(at));
            answerProbes(*peers.back());
            return peers.back().get();
        };
        int relayed = 0;
        for (int pair = 0; pair < 12; ++pair) {
            RawPeer *host = peer(loopback(1)), *joiner = peer(loopback(1));
            ask(*host, lobby().directoryPort);
            if (pair >= 8) {
                // Nothing is left to relay it by: refused, not told to wait for a joiner
                // that could only be sent to it directly.
                QTRY_VERIFY_WITH_TIMEOUT(lobby().hasLineContaining(QStringLiteral("refused 127.0.0.1:%1").arg(host->port())),
                                         BOUND_MS);
                QCOMPARE(host->count(BECOME_SERVER), 0);
                continue;
            }
            QVERIFY(host->waitFor(BECOME_SERVER, 0, BOUND_MS));
            ask(*joiner, lobby().directoryPort);
            QVERIFY(joiner->waitFor(JOIN_PEER, 0, BOUND_MS));
            QCOMPARE(joiner->last(JOIN_PEER)->record().joinPeerPort(), uint32_t(lobby().directoryPort));
            ++relayed;
        }
        QCOMPARE(metric(lobby().httpPort, "sorvada_lobby_active_relays"), relayed);
        QCOMPARE(metric(lobby().httpPort, "sorvada_lobby_active_relays"), 8);

        // Players of other addresses are still relayed.
        RawPeer *host = peer(loopback(2)), *joiner = peer(loopback(3));
        ask(*host, lobby().directoryPort);
        QVERIFY(host->waitFor(BECOME_SERVER, 0, BOUND_MS));
        ask(*joiner, lobby().directoryPort);
        QVERIFY(joiner->waitFor(JOIN_PEER, 0, BOUND_MS));
        QCOMPARE(joiner->last(JOIN_PEER)->record().joinPeerPort(), uint32_t(lobby().directoryPort));
        qInfo("relayed matches one address holds: %d", relayed);
    }

    // Measured before: 2,400 silent ports of one address pushed a real host out of the queue
    // and wrote 15,000 log lines.
    void oneAddressHoldsAtMostItsShareOfTheDirectoryQueue()
    {
        RawPeer real(loopback(2));
        answerProbes(real);
        ask(real, lobby().directoryPort);
        QVERIFY(real.waitFor(BECOME_SERVER, 0, BOUND_MS));
        // Each port of its own game kind, so that none is sent to another: all wait.
        constexpr int SILENT = 40;
        std::vector<std::unique_ptr<RawPeer>> silent;
        for (int i = 0; i < SILENT; ++i) {
            silent.push_back(std::make_unique<RawPeer>());
            PeerRecord request;
            request.writeDirectoryRequest(uint8_t(10 + i));
            silent.back()->send(request, lobby().directoryPort);
        }
        for (const auto &peer : silent)
            QVERIFY(peer->waitFor(BECOME_SERVER, 0, BOUND_MS));
        int waiting = 0;
        for (const QByteArray &line : query(lobby().httpPort, QStringLiteral("/metrics")).split('\n'))
            if (line.startsWith("sorvada_lobby_waiting_hosts{"))
                waiting += line.mid(line.lastIndexOf(' ') + 1).toInt();
        QCOMPARE(waiting, 1 + 8);
        // The real host is still there for a joiner of a third address.
        RawPeer joiner(loopback(3));
        ask(joiner, lobby().directoryPort);
        QVERIFY(joiner.waitFor(JOIN_PEER, 0, BOUND_MS));
        QTRY_VERIFY_WITH_TIMEOUT(lobby().hasLineContaining(QStringLiteral("with host 127.0.0.2:%1").arg(real.port())),
                                 BOUND_MS);
        // Ten lines of each kind from the flooding address, the rest summed up once a minute.
        int waitsLines = 0, droppedLines = 0;
        for (const QString &line : lobby().lines) {
            waitsLines += line.contains(QStringLiteral("host 127.0.0.1:")) && line.contains(QStringLiteral("waits as server"));
            droppedLines += line.contains(QStringLiteral("wait from its address"));
        }
        QCOMPARE(waitsLines, 10);
        QCOMPARE(droppedLines, 10);
        qInfo("waiting entries one address holds in the directory: %d; log lines for its %d requests: %d",
              waiting - 1, SILENT, waitsLines + droppedLines);
    }
};

QTEST_GUILESS_MAIN(TestLobbyHostile)
#include "test_lobby_hostile.moc"
