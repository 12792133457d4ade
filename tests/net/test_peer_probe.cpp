// SPDX-License-Identifier: GPL-3.0-or-later
// Watching a joined peer: a link probes a quiet peer, a peer that answers its probes stays in
// the match, a peer that falls silent is given up once and not before its time, and nothing is
// probed while a record of ours is in flight.

#include "tests/support/LinkTestSupport.h"
#include "tests/support/RawPeer.h"

#include <QElapsedTimer>
#include <QTest>

using namespace sorvada;

namespace {

constexpr int WAIT_MS = 20000;
constexpr int PROBE_MS = 100;
constexpr int SILENCE_MS = 1500;

PeerSocket::Config watchingConfig(quint16 serverPort)
{
    PeerSocket::Config c = quickConfig(serverPort, 100);
    c.probeIntervalMs = PROBE_MS;
    c.peerSilenceMs = SILENCE_MS;
    return c;
}

// A hand-played game server that takes the link as its client.
bool joinRawServer(PeerSocket &client, RawPeer &server)
{
    if (!client.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND) || !server.waitFor(JOIN))
        return false;
    server.sendType(JOIN, client.localPort());
    return QTest::qWaitFor([&] { return client.role == ROLE_CLIENT; }, WAIT_MS);
}

int goneWith(const QSignalSpy &spy, int reason)
{
    int n = 0;
    for (const QList<QVariant> &args : spy)
        n += args.at(0).toUInt() == LINK_PEER_GONE && args.at(1).toInt() == reason;
    return n;
}

} // namespace

class TestPeerProbe : public QObject {
    Q_OBJECT

private slots:
    // A peer that answers every PROBE, as any copy of the game does, is never given up, and
    // its answers are not answered back.
    void answeringPeerStaysInTheMatch()
    {
        RawPeer server;
        PeerSocket client(watchingConfig(server.port()));
        QSignalSpy events(&client, &PeerSocket::linkEvent);
        QElapsedTimer watched;
        int answered = 0;
        connect(&server, &RawPeer::arrived, &server, [&] {
            for (; answered < server.count(PROBE); ++answered)
                server.sendType(PROBE, client.localPort());
        });
        QVERIFY(joinRawServer(client, server));
        watched.start();

        // Three silences' worth of probing.
        QTRY_VERIFY_WITH_TIMEOUT(server.count(PROBE) >= 3 * SILENCE_MS / PROBE_MS, 60000);
        QCOMPARE(countOf(events, LINK_PEER_GONE), 0);
        // One probe per interval at most: answers bouncing back would send far more.
        QVERIFY2(server.count(PROBE) <= watched.elapsed() / PROBE_MS + 2,
                 qPrintable(QStringLiteral("%1 probes in %2 ms").arg(server.count(PROBE)).arg(watched.elapsed())));
        for (const RawPeer::Received &r : server.received())
            QVERIFY(r.record().type() == JOIN || r.record().type() == PROBE);
    }

    // A peer that stops answering is given up once, with the silence as the reason, no sooner
    // than the silence after the last datagram it sent, and is then no longer probed.
    void silentPeerIsGivenUpOnce()
    {
        RawPeer server;
        PeerSocket client(watchingConfig(server.port()));
        QSignalSpy events(&client, &PeerSocket::linkEvent);
        QElapsedTimer sinceLastAnswer;
        bool answering = true;
        int answered = 0;
        connect(&server, &RawPeer::arrived, &server, [&] {
            for (; answering && answered < server.count(PROBE); ++answered) {
                server.sendType(PROBE, client.localPort());
                sinceLastAnswer.start();
                answering = answered + 1 < 3;
            }
        });
        QVERIFY(joinRawServer(client, server));

        QTRY_COMPARE_WITH_TIMEOUT(countOf(events, LINK_PEER_GONE), 1, WAIT_MS);
        const qint64 noticedAfter = sinceLastAnswer.elapsed();
        const int probesSeen = server.count(PROBE);
        QCOMPARE(goneWith(events, PEER_GONE_SILENT), 1);
        QVERIFY2(noticedAfter >= SILENCE_MS - 2, qPrintable(QString::number(noticedAfter)));
        QVERIFY(probesSeen >= 3 + 2);
        qInfo("silent peer noticed %lld ms after its last answer", noticedAfter);

        // No probe follows: a probe on its way at that moment is the last one.
        QTest::qWait(5 * PROBE_MS);
        const int probesAfter = server.count(PROBE);
        QVERIFY(probesAfter <= probesSeen + 1);
        QTest::qWait(5 * PROBE_MS);
        QCOMPARE(server.count(PROBE), probesAfter);
        QCOMPARE(countOf(events, LINK_PEER_GONE), 1);
    }

    // A record in flight is followed by its acknowledgement or given up after ten sends; no
    // probe goes out meanwhile, and the ten sends still end the match as the peer's leaving.
    void noProbeWhileARecordIsInFlight()
    {
        RawPeer server;
        PeerSocket::Config c = watchingConfig(server.port());
        c.probeIntervalMs = 30; // several probe intervals pass during every retransmission
        PeerSocket client(c);
        QSignalSpy events(&client, &PeerSocket::linkEvent);
        connect(&client, &PeerSocket::linkEvent, &client, [&](unsigned event, int) {
            if (event == LINK_JOINED) {
                client.sendRecord.writeBare(DRAW_OFFER);
                client.SendReliable(0);
            }
        }, Qt::DirectConnection);
        QVERIFY(joinRawServer(client, server));

        QTRY_COMPARE_WITH_TIMEOUT(countOf(events, LINK_PEER_GONE), 1, WAIT_MS);
        QCOMPARE(goneWith(events, PEER_GONE_LEFT), 1);
        QCOMPARE(server.count(DRAW_OFFER), PeerSocket::MAX_SENDS);
        QCOMPARE(server.count(PROBE), 0);
    }
};

QTEST_GUILESS_MAIN(TestPeerProbe)
#include "test_peer_probe.moc"
