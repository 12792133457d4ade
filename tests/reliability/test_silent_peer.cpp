// SPDX-License-Identifier: GPL-3.0-or-later
// Two copies of the game through a relay on 127.0.0.1 while nobody moves: live copies keep the
// match going on a few probes, and a copy whose opponent's computer stops answering ends the
// match with its own message.

#include "sim/MatchHarness.h"
#include "sim/TemporarySettings.h"

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
};

QTEST_MAIN(TestSilentPeer)
#include "test_silent_peer.moc"
