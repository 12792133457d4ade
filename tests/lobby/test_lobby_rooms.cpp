// SPDX-License-Identifier: GPL-3.0-or-later
// Rooms on the real lobby program: copies that ask with the same code are paired with each
// other, whoever else waits; copies without a code stay in the public room. The lobby's log,
// status page and metrics never show a code.
#include "LinkCopy.h"
#include "net/PeerRecord.h"
#include "tests/support/LobbyProcess.h"

#include <QNetworkAccessManager>
#include <QNetworkDatagram>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QUdpSocket>
#include <QtTest>

#include <utility>

using namespace sorvada;

namespace {

const QString CODE = QStringLiteral("k7p2x-9md3f");

} // namespace

class TestLobbyRooms : public QObject
{
    Q_OBJECT

    QNetworkAccessManager manager;

    QByteArray get(const QString &url) { return httpGet(manager, url); }

    static PeerSocketConfig configFor(const LobbyProcess &lobby)
    {
        PeerSocketConfig config;
        config.directoryPort = lobby.directoryPort;
        config.httpTimeoutMs = 10000;
        config.userAgent = QStringLiteral("sorvada-test");
        return config;
    }

private slots:
    void initTestCase() { manager.setProxy(QNetworkProxy::NoProxy); }

    void friendsWithACodeMeetPastAStranger_data()
    {
        QTest::addColumn<bool>("web");
        QTest::newRow("directory") << false;
        QTest::newRow("web lobby by path") << true;
    }

    void friendsWithACodeMeetPastAStranger()
    {
        QFETCH(bool, web);
        LobbyProcess lobby;
        QVERIFY(lobby.start(QStringLiteral(LOBBY_PROGRAM)));
        const auto at = [&](const QString &code) {
            const QString base = web ? QStringLiteral("http://127.0.0.1:%1").arg(lobby.httpPort)
                                     : QStringLiteral("127.0.0.1");
            return code.isEmpty() ? base : base + u'/' + code;
        };
        const PeerSocketConfig config = configFor(lobby);
        Copy stranger(config), first(config), second(config), late(config);

        QVERIFY(stranger.link->Start(1, at(QString()), START_VIA_SERVER, GAME_KIND));
        QTRY_VERIFY_WITH_TIMEOUT(stranger.saw(LINK_SERVING), 10000);

        // The first friend finds the stranger waiting, yet is told to wait itself.
        QVERIFY(first.link->Start(1, at(CODE.toUpper()), START_VIA_SERVER, GAME_KIND));
        QTRY_VERIFY_WITH_TIMEOUT(first.saw(LINK_SERVING), 10000);

        // Counts only, never the code.
        const QByteArray page = get(QStringLiteral("http://127.0.0.1:%1/").arg(lobby.httpPort));
        QVERIFY2(page.contains("Waiting hosts with a code</th><td>1<"), page.constData());
        QVERIFY(page.contains("Waiting hosts without a code</th><td>1<"));
        const QByteArray metrics = get(QStringLiteral("http://127.0.0.1:%1/metrics").arg(lobby.httpPort));
        QVERIFY(metrics.contains("sorvada_lobby_waiting_hosts_by_room{room=\"code\"} 1\n"));
        QVERIFY(metrics.contains("sorvada_lobby_waiting_hosts_by_room{room=\"public\"} 1\n"));
        QVERIFY(!page.toLower().contains(CODE.toLatin1()) && !metrics.toLower().contains(CODE.toLatin1()));

        QVERIFY(second.link->Start(1, at(CODE), START_VIA_SERVER, GAME_KIND));
        QTRY_VERIFY_WITH_TIMEOUT(second.saw(LINK_JOINED), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(first.saw(LINK_PEER_JOINED), 10000);
        moveCrosses(first, second);
        QVERIFY(!stranger.saw(LINK_PEER_JOINED));

        // The public room is as it was: the next copy without a code gets the stranger.
        QVERIFY(late.link->Start(1, at(QString()), START_VIA_SERVER, GAME_KIND));
        QTRY_VERIFY_WITH_TIMEOUT(late.saw(LINK_JOINED), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(stranger.saw(LINK_PEER_JOINED), 10000);
        moveCrosses(stranger, late);

        QVERIFY(lobby.hasLineContaining(QStringLiteral(" in room #")));
        for (const QString &line : std::as_const(lobby.lines))
            QVERIFY2(!line.contains(CODE, Qt::CaseInsensitive), qPrintable(line));
    }

    // A request from a copy that writes nothing after the kind leaves there whatever its
    // send record held: that is the public room.
    void requestWithGarbageAfterTheKindIsPublic()
    {
        LobbyProcess lobby;
        QVERIFY(lobby.start(QStringLiteral(LOBBY_PROGRAM)));
        Copy waiting(configFor(lobby));
        QVERIFY(waiting.link->Start(1, QStringLiteral("127.0.0.1"), START_VIA_SERVER, GAME_KIND));
        QTRY_VERIFY_WITH_TIMEOUT(waiting.saw(LINK_SERVING), 10000);

        QUdpSocket raw;
        QVERIFY(raw.bind(QHostAddress::LocalHost, 0));
        PeerRecord request;
        QRandomGenerator(25).fillRange(reinterpret_cast<quint32 *>(request.bytes.data()), RECORD_SIZE / 4);
        request.writeDirectoryRequest(GAME_KIND);
        QCOMPARE(raw.writeDatagram(request.toByteArray(), QHostAddress::LocalHost, lobby.directoryPort), qint64(RECORD_SIZE));

        // The lobby probes the waiting copy, which answers, and sends the raw requester to it.
        bool toldToJoin = false;
        const auto readAnswers = [&] {
            while (raw.hasPendingDatagrams()) {
                PeerRecord answer;
                toldToJoin = toldToJoin || (answer.assign(raw.receiveDatagram().data()) && answer.type() == JOIN_PEER);
            }
            return toldToJoin;
        };
        QTRY_VERIFY_WITH_TIMEOUT(readAnswers(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(lobby.hasLineContaining(QStringLiteral("paired 127.0.0.1:%1").arg(raw.localPort())),
                                 10000);
    }

    void webLobbyRefusesMalformedRooms()
    {
        LobbyProcess lobby;
        QVERIFY(lobby.start(QStringLiteral(LOBBY_PROGRAM)));
        const auto ask = [&](const char *path, int port = 5000) {
            return get(QStringLiteral("http://127.0.0.1:%1%2/start.asp?type=4&port=%3&mode=WANT_CONNECT&ID=")
                           .arg(lobby.httpPort)
                           .arg(QLatin1String(path))
                           .arg(port));
        };
        for (const char *path : {"/abcdefgh-12345678", "/ab%20cd", "/ab/cd", "/ab.cd", "/%2F"}) {
            const QByteArray body = ask(path);
            QVERIFY2(!body.startsWith("Server") && !body.startsWith("Client"), path);
        }
        // Sixteen characters are a room, whose first caller waits.
        QCOMPARE(ask("/abcdefgh-1234567"), QByteArray("Server\n"));
        // The same code in capitals is the same room.
        QVERIFY(ask("/ABCDEFGH-1234567", 5001).startsWith("Client/127.0.0.1/5000/"));
    }
};

QTEST_MAIN(TestLobbyRooms)
#include "test_lobby_rooms.moc"
