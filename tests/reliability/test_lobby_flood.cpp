// SPDX-License-Identifier: GPL-3.0-or-later
// The real lobby program under a flood of malformed and oversized requests, over HTTP and over
// its UDP directory, while well-formed callers keep coming: each of them must still get its
// answer, and the program must still be running, and small, at the end.

#include "net/LineFetch.h"
#include "net/PeerRecord.h"
#include "tests/support/LobbyProcess.h"
#include "tests/support/RawPeer.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

#include <memory>
#include <random>
#include <vector>

using namespace sorvada;

namespace {

constexpr int ANSWER_MS = 15000;

// Requests no well-behaved client sends: each as raw bytes on a fresh connection.
std::vector<QByteArray> malformedRequests(std::mt19937 &random)
{
    std::vector<QByteArray> out;
    QByteArray noise(64 * 1024, '\0');
    for (char &c : noise)
        c = char(random());
    out.push_back(noise);
    out.push_back("GET /start.asp?type=4&port=" + QByteArray(200 * 1024, '9') + " HTTP/1.1\r\nHost: x\r\n\r\n");
    out.push_back("GET /start.asp HTTP/1.1\r\nHost: x\r\nX-Filler: " + QByteArray(1024 * 1024, 'f') + "\r\n\r\n");
    QByteArray manyHeaders = "GET /start.asp?type=4&port=1&mode=WANT_CONNECT&ID= HTTP/1.1\r\nHost: x\r\n";
    for (int i = 0; i < 20000; ++i)
        manyHeaders += "H" + QByteArray::number(i) + ": v\r\n";
    out.push_back(manyHeaders + "\r\n");
    out.push_back("POST /start.asp HTTP/1.1\r\nHost: x\r\nContent-Length: 99999999999\r\n\r\n" + QByteArray(4096, 'b'));
    out.push_back("GET /start.asp?type=\xff\xfe&port=-1&mode=%00%zz&ID=" + QByteArray(5000, '/') + " HTTP/1.1\r\n\r\n");
    out.push_back("GET /end.asp?port=&mode=" + QByteArray(70000, 'S') + " HTTP/1.0\r\n\r\n");
    out.push_back("BREW /start.asp HTTP/9.9\r\n\r\n");
    out.push_back("GET /start.asp?type=4&port=2&mode=WANT_CONNECT&ID= HTTP/1.1\r\nHost: x\r\n"
                  "Transfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFF\r\n" + QByteArray(1000, 'c'));
    out.push_back("\r\n\r\n\r\n\r\n");
    return out;
}

} // namespace

class TestLobbyFlood : public QObject {
    Q_OBJECT

private slots:
    void keepsAnsweringWellFormedCallers()
    {
        LobbyProcess lobby;
        QVERIFY(lobby.start(QStringLiteral(LOBBY_PROGRAM)));
        std::mt19937 random(20240611);
        QNetworkAccessManager manager;
        manager.setProxy(QNetworkProxy::NoProxy);

        // Connections that start a request and never finish it stay open the whole time.
        std::vector<std::unique_ptr<QTcpSocket>> stalled;
        for (int i = 0; i < 50; ++i) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->connectToHost(QHostAddress::LocalHost, lobby.httpPort);
            socket->write("GET /start.asp?type=4&port=7");
            stalled.push_back(std::move(socket));
        }

        QUdpSocket udpFlood;
        QVERIFY(udpFlood.bind(QHostAddress::LocalHost, 0));
        // Directory callers answer the lobby's liveness probes, as a waiting copy does.
        std::vector<std::unique_ptr<RawPeer>> callers;
        const std::vector<QByteArray> requests = malformedRequests(random);
        int answered = 0, directoryAnswered = 0;

        std::vector<std::unique_ptr<QTcpSocket>> burst;
        for (int round = 0; round < 7; ++round) {
            if (round == 6) {
                // Last, once every bad byte has been taken off our hands (or the lobby hung up).
                QVERIFY(QTest::qWaitFor(
                    [&] {
                        for (const auto &socket : burst)
                            if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() > 0)
                                return false;
                        return true;
                    },
                    ANSWER_MS));
            }
            // A burst of bad requests over HTTP, each on its own connection.
            for (const QByteArray &request : requests) {
                auto socket = std::make_unique<QTcpSocket>();
                socket->connectToHost(QHostAddress::LocalHost, lobby.httpPort);
                socket->write(request);
                burst.push_back(std::move(socket));
            }
            // And over UDP: every size, every type, nonsense payloads.
            for (int i = 0; i < 300; ++i) {
                const int sizes[] = {0, 1, 2, 349, 351, 1500, 9000, RECORD_SIZE, RECORD_SIZE};
                QByteArray datagram(sizes[i % 9], '\0');
                for (char &c : datagram)
                    c = char(random());
                if (datagram.size() == RECORD_SIZE && i % 3 == 0)
                    datagram[0] = char(DIRECTORY_REQUEST); // with a random kind
                udpFlood.writeDatagram(datagram, QHostAddress::LocalHost, lobby.directoryPort);
            }

            // Well-formed callers in the middle of it.
            for (int i = 0; i < 2; ++i) {
                const QString url = QStringLiteral("http://127.0.0.1:%1/start.asp?type=4&port=%2&mode=WANT_CONNECT&ID=")
                                        .arg(lobby.httpPort)
                                        .arg(20000 + round * 2 + i);
                QString line;
                QElapsedTimer clock;
                clock.start();
                QVERIFY2(fetchFirstLine(manager, url, QStringLiteral("Sorvada"), ANSWER_MS, &line),
                         qPrintable(QStringLiteral("round %1: no answer").arg(round)));
                QVERIFY2(line == QLatin1String("Server") || line.startsWith(QLatin1String("Client/")),
                         qPrintable(line));
                ++answered;
            }
            callers.push_back(std::make_unique<RawPeer>());
            RawPeer *caller = callers.back().get();
            connect(caller, &RawPeer::arrived, caller, [caller, seen = size_t(0)]() mutable {
                for (; seen < caller->received().size(); ++seen) {
                    const RawPeer::Received &r = caller->received()[seen];
                    if (r.record().type() == PROBE)
                        caller->sendType(PROBE, r.fromPort);
                }
            });
            PeerRecord request;
            request.writeDirectoryRequest(GAME_KIND);
            caller->send(request, lobby.directoryPort);
            QVERIFY2(QTest::qWaitFor(
                         [&] { return caller->count(BECOME_SERVER) + caller->count(JOIN_PEER) > 0; }, ANSWER_MS),
                     qPrintable(QStringLiteral("round %1: no directory answer").arg(round)));
            ++directoryAnswered;
        }

        QCOMPARE(answered, 14);
        QCOMPARE(directoryAnswered, 7);
        QCOMPARE(lobby.process.state(), QProcess::Running);
        const long kib = lobby.residentKiB();
#ifndef SORVADA_SANITIZED
        // Through a sanitizer the figure would be mostly the sanitizer's own bookkeeping.
        if (kib >= 0)
            QVERIFY2(kib < 256 * 1024, qPrintable(QStringLiteral("resident %1 KiB").arg(kib)));
#endif
        int hungUp = 0;
        for (const auto &socket : burst)
            hungUp += socket->state() != QAbstractSocket::ConnectedState;
        qInfo("lobby answered %d web and %d directory callers through %d bad connections (%d hung up by it)"
              " and %d stray datagrams; resident %ld KiB",
              answered, directoryAnswered, int(burst.size() + stalled.size()), hungUp, 7 * 300, kib);
    }
};

QTEST_MAIN(TestLobbyFlood)
#include "test_lobby_flood.moc"
