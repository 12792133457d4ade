// SPDX-License-Identifier: GPL-3.0-or-later
// Two copies of the game through a relay on 127.0.0.1 while nobody moves: live copies keep the
// match going on a few probes, and a copy whose opponent's computer stops answering ends the
// match with its own message. And when the line between them goes dark: two copies of ours wait
// for it, and play on once it is back, also when the joiner's side comes back from a new port.

#include "net/LinkExtension.h"
#include "sim/MatchHarness.h"
#include "sim/TemporarySettings.h"

#include <QUdpSocket>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace sorvada;

namespace {

const QString silentText = QStringLiteral("Your opponent's computer stopped answering. The match ends.");

// A match through a relay, both copies probing a quiet opponent every probeMs and giving it up
// after silenceMs.
MatchOptions relayed(int probeMs, int silenceMs)
{
    MatchOptions options;
    options.probeIntervalMs = probeMs;
    options.peerSilenceMs = silenceMs;
    options.relaySeed = 1;
    return options;
}

// A relayed match whose links lose the line after ten sends 100 ms apart, or after 1.5 s of
// silence, and then wait graceMs for it.
MatchOptions darkened(int graceMs)
{
    MatchOptions options = relayed(150, 1500);
    options.graceMs = graceMs;
    options.graceResendMaxMs = 300;
    options.knockIntervalMs = 200;
    return options;
}

bool waiting(const GameCopy &copy)
{
    return copy.status().startsWith(QStringLiteral("Connection lost. Reconnecting... "));
}

} // namespace

class TestSilentPeer : public QObject {
    Q_OBJECT

    TemporarySettings settings;

private slots:
    void idleCopiesKeepTheMatch_data()
    {
        QTest::addColumn<double>("duplicate");
        QTest::addColumn<int>("perInterval");
        // Two probes and two answers.
        QTest::newRow("clean") << 0.0 << 4;
        // Each copy sends a probe and at most two answers, and the relay passes each twice.
        QTest::newRow("every datagram twice") << 1.0 << 12;
    }

    // Both copies probe, and each takes the other's probe, or its answer, as the answer to its
    // own: a few datagrams cross per interval, none circles between the copies, and the match
    // goes on.
    void idleCopiesKeepTheMatch()
    {
        QFETCH(double, duplicate);
        QFETCH(int, perInterval);
        constexpr int probeMs = 150;
        MatchHarness m(relayed(probeMs, 3000));
        QVERIFY(m.open());
        LossyRelay::Faults faults;
        faults.duplicate = duplicate;
        m.relay()->setFaults(faults);

        const int before = m.relay()->counts().passed;
        QElapsedTimer idle;
        idle.start();
        QTest::qWait(20 * probeMs); // the players think; the copies only probe
        const int exchanged = m.relay()->counts().passed - before;
        // Each copy's timer fires at most once per interval begun; answers to probes sent just
        // before the count began may still come in.
        const qint64 intervals = idle.elapsed() / probeMs + 1;
        qInfo("%d datagrams in %lld ms of idling, %lld ms apart on average", exchanged,
              idle.elapsed(), exchanged ? idle.elapsed() / exchanged : 0);
        QVERIFY2(exchanged <= perInterval * intervals + 4,
                 qPrintable(QStringLiteral("%1 datagrams in %2 intervals").arg(exchanged).arg(intervals)));
        QVERIFY(exchanged >= 2);
        QCOMPARE(m.answers.seenCount(QStringLiteral("opponent")), 0);
        QVERIFY(m.host().window->isVisible() && m.client().window->isVisible());
        QCOMPARE(m.host().window->controller().opponentGone + m.client().window->controller().opponentGone, 0);
        QCOMPARE(m.host().board.isMyTurn(), 1);
    }

    // The host, to move, falls silent: the waiting client says so and ends the match; the
    // host's window is left as it was.
    void waitingCopyNoticesSilentOpponent()
    {
        constexpr int silenceMs = 1500;
        MatchHarness m(relayed(150, silenceMs));
        QVERIFY(m.open());
        GameCopy &client = m.client();
        QCOMPARE(client.status(), QStringLiteral("Please wait for the opponent"));
        QSignalSpy clientClosed(client.window.get(), &CGameWnd::windowClosed);
        m.answers.answerBox(QStringLiteral("stopped answering"), QMessageBox::Ok, -1);

        m.relay()->silenceServer(true);
        QElapsedTimer silent;
        silent.start();
        QTRY_COMPARE_WITH_TIMEOUT(int(clientClosed.count()), 1, silenceMs + 15000);
        qInfo("the waiting copy ended the match %lld ms after its opponent fell silent", silent.elapsed());
        QCOMPARE(m.answers.seenCount(QStringLiteral("opponent")), 1);
        QCOMPARE(m.answers.seen().back().text, silentText);
        QCOMPARE(m.answers.seen().back().icon, QMessageBox::Critical);
        QCOMPARE(m.answers.seen().back().title, QStringLiteral("Sorvada"));
        QCOMPARE(client.window->controller().opponentGone, 1);
        QVERIFY(m.host().window->isVisible());
        QCOMPARE(m.host().window->controller().opponentGone, 0);
    }

    void aMoveMadeInTheDarkArrivesOnceTheLineIsBack_data()
    {
        QTest::addColumn<bool>("newPort");
        QTest::newRow("the same addresses") << false;
        QTest::newRow("the joiner's side from a new port") << true;
    }

    // The host moves while the line is dark, for longer than ten sends: both copies count the
    // grace down instead of ending the match; once the line is back the move arrives once and the
    // match goes on, the client's answer included.
    void aMoveMadeInTheDarkArrivesOnceTheLineIsBack()
    {
        QFETCH(bool, newPort);
        MatchHarness m(darkened(60000));
        QVERIFY(m.open());
        GameCopy &host = m.host(), &client = m.client();
        m.relay()->setDark(true);
        host.playMove(42, {35});
        QTRY_VERIFY_WITH_TIMEOUT(waiting(host) && waiting(client), 20000);
        QCOMPARE(host.link.queuedCount(1), 1);
        if (newPort)
            m.relay()->moveClientSide();
        m.relay()->setDark(false);

        QTRY_COMPARE_WITH_TIMEOUT(client.board.board[21], EMPTY_SQUARE, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(client.status(), QStringLiteral("Your turn to play"), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(host.status(), QStringLiteral("Please wait for the opponent"), 20000);
        QCOMPARE(host.link.peerPort(1), m.relay()->backPort());
        client.playMove(46, {39});
        QTRY_COMPARE_WITH_TIMEOUT(host.board.board[17], EMPTY_SQUARE, 20000);
        QCOMPARE(host.board.isMyTurn(), 1);
        // Nobody was told that the match ended or went wrong.
        QCOMPARE(m.answers.seenCount(QStringLiteral("The match ends")), 0);
        QCOMPARE(m.answers.seenCount(QStringLiteral("opponent")), 0);
        QVERIFY(host.window->isVisible() && client.window->isVisible());
    }

    // A stranger who knocks at the host in the dark with a made-up token changes nothing, and
    // when the grace runs out both copies end the match and say why.
    void theGraceRunsOutAndNoStrangerStepsIn()
    {
        MatchHarness m(darkened(2500));
        QVERIFY(m.open());
        GameCopy &host = m.host(), &client = m.client();
        QSignalSpy hostClosed(host.window.get(), &CGameWnd::windowClosed);
        QSignalSpy clientClosed(client.window.get(), &CGameWnd::windowClosed);
        m.answers.answerBox(QStringLiteral("was lost"), QMessageBox::Ok, -1);
        m.relay()->setDark(true);
        host.playMove(42, {35});
        QTRY_VERIFY_WITH_TIMEOUT(waiting(host), 20000);

        QUdpSocket stranger;
        QVERIFY(stranger.bind(QHostAddress::LocalHost, 0));
        PeerRecord knock;
        knock.writeJoin(GAME_KIND);
        LinkExtension extension;
        extension.features = FEATURE_RESUME;
        extension.token = host.link.matchToken().value_or(0) ^ 0x5a5a;
        QVERIFY(writeLinkExtension(knock, extension));
        const quint16 clientAt = host.link.peerPort(1);
        stranger.writeDatagram(knock.toByteArray(), QHostAddress::LocalHost, host.link.localPort());
        QTRY_COMPARE_WITH_TIMEOUT(int(hostClosed.count() + clientClosed.count()), 2, 30000);
        QCOMPARE(host.link.peerPort(1), clientAt);
        // At most told that the game is full: never accepted.
        while (stranger.hasPendingDatagrams()) {
            PeerRecord answer;
            answer.assign(stranger.receiveDatagram().data());
            QVERIFY(answer.type() != JOIN);
        }
        QCOMPARE(m.answers.seenCount(QStringLiteral("The connection to your opponent was lost. The match ends.")), 2);
    }
};

QTEST_MAIN(TestSilentPeer)
#include "test_silent_peer.moc"
