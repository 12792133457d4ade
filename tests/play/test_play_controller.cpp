// SPDX-License-Identifier: GPL-3.0-or-later
// The flow of a match between two controllers: introduction, turns, set ends,
// draw offers, capitulation and who opens each set.
#include <QtTest>

#include "PlayFakes.h"
#include "app/ResourceIds.h"
#include "app/SettingKeys.h"
#include "app/StringTable.h"
#include "rules/MatchDigest.h"
#include "sim/TemporarySettings.h"
#include "tests/support/BoardDiagram.h"

using namespace sorvada;

namespace {
QString text(int id)
{
    return loadString(id);
}

int piecesOf(const GameBoard &b, uint8_t owner)
{
    int n = 0;
    for (uint8_t cell : b.board)
        n += cell < 24 && b.pieces[cell].owner == owner;
    return n;
}

// Who moves now and who opened the set, for the host and the client.
using Turns = std::array<int, 4>;
Turns turns(const PlayPair &p)
{
    return {p.host.board.isMyTurn(), p.host.board.isFirstMover(), p.client.board.isMyTurn(),
            p.client.board.isFirstMover()};
}
} // namespace

class TestPlayController : public QObject {
    Q_OBJECT
    TemporarySettings temporarySettings;
    std::unique_ptr<SettingsStore> settings;

private slots:
    void initTestCase()
    {
        settings = std::make_unique<SettingsStore>(QStringLiteral("sorvada-play-test"));
    }

    void introductionAndTurns()
    {
        PlayPair p(*settings);
        p.introduce();
        QCOMPARE(p.host.view.title, QStringLiteral("Ann"));
        QCOMPARE(p.client.view.title, QStringLiteral("Bob"));
        QCOMPARE(p.host.board.peerName, std::string("Bob"));
        QCOMPARE(p.client.board.peerName, std::string("Ann"));
        QCOMPARE(int(p.client.board.variant()), int(VARIANT_RUSSIAN));
        QCOMPARE(p.client.view.status[2], text(res::IDS_RUS));
        QCOMPARE(turns(p), (Turns{1, 1, 0, 0}));
        QCOMPARE(p.host.view.status[0], text(res::IDS_YOUR_TURN));
        QCOMPARE(p.client.view.status[0], text(res::IDS_WAIT_OPPONENT));

        // A leg is made in the mover's squares and lands mirrored.
        p.host.click({42, 35});
        QCOMPARE(p.host.view.status[0], text(res::IDS_WAIT_OPPONENT));
        QCOMPARE(p.host.view.cursor, int(res::IDC_WAIT_TURN));
        QCOMPARE(p.client.inbox.size(), size_t(1));
        QCOMPARE(p.client.inbox.front().legFrom(), uint8_t(21));
        p.settle();
        QCOMPARE(p.client.board.board[21], EMPTY_SQUARE);
        QVERIFY(p.client.board.board[28] < 24);
        QCOMPARE(p.client.play.lastMoveSquares, (std::vector<uint8_t>{21, 28}));
        QCOMPARE(p.client.view.status[0], text(res::IDS_YOUR_TURN));
        QCOMPARE(turns(p), (Turns{0, 1, 1, 0}));

        p.client.click({46, 39});
        p.settle();
        QCOMPARE(p.host.board.board[17], EMPTY_SQUARE);
        QVERIFY(p.host.board.board[24] < 24);
        QCOMPARE(turns(p), (Turns{1, 1, 0, 0}));
        // The mark goes once the player acts.
        p.host.play.clearLastMove();
        QVERIFY(p.host.play.lastMoveSquares.empty());
    }

    // The client knocks while the host still chooses: it learns the variant
    // chosen, never the one the host had before.
    void greetingDuringTheVariantQuestion()
    {
        PlayPair p(*settings);
        size_t answeredDuringQuestion = 99;
        p.host.view.variant = VARIANT_AMERICAN;
        // Even a board that already holds a variant waits for the answer.
        p.host.board.setVariant(VARIANT_RUSSIAN);
        p.host.view.duringDialog = [&] {
            p.client.play.OnLinkEvent(LINK_JOINED, 0);
            QVERIFY(p.host.deliverOne());
            answeredDuringQuestion = p.client.inbox.size();
        };
        p.host.play.OnLinkEvent(LINK_SERVING, 0);
        QCOMPARE(answeredDuringQuestion, size_t(0));
        QCOMPARE(p.client.inbox.size(), size_t(1));
        QCOMPARE(p.client.inbox.front().greetingVariant(), VARIANT_AMERICAN);
        p.settle();
        QCOMPARE(int(p.client.board.variant()), int(VARIANT_AMERICAN));
        QCOMPARE(p.client.view.status[2], text(res::IDS_USA));
        QCOMPARE(settings->readInt(SettingKey::VarGame, 0), int(VARIANT_AMERICAN));
        QCOMPARE(turns(p), (Turns{1, 1, 0, 0}));
    }

    void drawDeclinedThenAccepted()
    {
        PlayPair p(*settings);
        p.introduce();
        p.host.play.OnDrawOffer();
        QCOMPARE(p.host.view.status[0], text(res::IDS_DRAW_OFFERED));
        QCOMPARE(p.host.board.isMyTurn(), 0);
        p.client.view.boxAnswer = QMessageBox::No;
        p.settle();
        QCOMPARE(p.client.view.boxes, QStringList{text(res::IDS_DRAW_QUESTION)});
        QCOMPARE(p.host.view.status[0], text(res::IDS_YOUR_TURN));
        QCOMPARE(turns(p), (Turns{1, 1, 0, 0}));
        QVERIFY(p.host.view.scores.empty());

        // The offering side learns of the draw only after the other has seen it.
        p.host.click({42, 35});
        p.settle();
        p.client.play.OnDrawOffer();
        p.host.view.boxAnswer = QMessageBox::Yes;
        size_t toldWhileScoreOpen = 99;
        p.host.view.duringDialog = [&] {
            p.host.view.duringDialog = [&] { toldWhileScoreOpen = p.client.inbox.size(); };
        };
        p.settle();
        QCOMPARE(toldWhileScoreOpen, size_t(0));
        const FakeView::Score drawn{0, 0, text(res::IDS_SET_DRAWN)};
        QCOMPARE(p.host.view.scores, std::vector<FakeView::Score>{drawn});
        QCOMPARE(p.client.view.scores, std::vector<FakeView::Score>{drawn});
        // The client offered and did not open set 1, so it opens set 2; the
        // host's flag changes only when it is handed the first move.
        QCOMPARE(turns(p), (Turns{0, 1, 1, 1}));
        QCOMPARE(piecesOf(p.host.board, 1), 12);
        QCOMPARE(piecesOf(p.client.board, 0), 12);
        QCOMPARE(p.client.view.status[0], text(res::IDS_YOUR_TURN));
        QCOMPARE(p.host.view.status[0], text(res::IDS_WAIT_OPPONENT));
    }

    // The winner of a set decides who opens the next one, and so does the one
    // who offered an accepted draw: it hands the first move over when its own
    // flag says it opened a set, else takes it; the other side's flag changes
    // only when the first move is handed to it.
    void capitulationsAndTheFirstMoverOverSets()
    {
        PlayPair p(*settings);
        p.introduce();
        p.host.view.confirmAnswer = false;
        p.host.play.OnCapitulate();
        QCOMPARE(p.host.board.isMyTurn(), 1);
        QVERIFY(p.client.inbox.empty());

        // Set 1: the host gives up; the loser sees his loss first.
        p.host.view.confirmAnswer = true;
        size_t toldWhileLossShown = 99;
        p.host.view.duringDialog = [&] { toldWhileLossShown = p.client.inbox.size(); };
        p.host.play.OnCapitulate();
        QCOMPARE(toldWhileLossShown, size_t(0));
        p.settle();
        QCOMPARE(p.host.view.scores.back(), FakeView::Score(0, 1, text(res::IDS_YOU_LOSE)));
        QCOMPARE(p.client.view.scores.back(), FakeView::Score(1, 0, text(res::IDS_YOU_WIN)));
        QCOMPARE(turns(p), (Turns{0, 1, 1, 1}));

        // Set 2: the client gives up after a move each; the host, its flag
        // still set, hands set 3 to the client as well.
        p.client.click({46, 39});
        p.settle();
        p.host.click({42, 35});
        p.settle();
        p.client.play.OnCapitulate();
        p.settle();
        QCOMPARE(p.host.view.scores.back(), FakeView::Score(1, 0, text(res::IDS_YOU_WIN)));
        QCOMPARE(turns(p), (Turns{0, 0, 1, 1}));
        QCOMPARE(piecesOf(p.client.board, 0), 12);

        // Set 3: the client, who opened it, offers a draw; the host opens set 4.
        p.host.view.boxAnswer = QMessageBox::Yes;
        p.client.play.OnDrawOffer();
        p.settle();
        QCOMPARE(turns(p), (Turns{1, 1, 0, 0}));
        QCOMPARE(p.host.view.scores.size(), size_t(3));
        QCOMPARE(p.client.view.scores.size(), size_t(3));
    }

    // The client opens set 2 while the host has not set up its board yet:
    // the leg waits and is played on the new board.
    void legsOfTheNextSetWaitForTheNewBoard()
    {
        PlayPair p(*settings);
        p.introduce();
        p.host.play.OnCapitulate();
        QVERIFY(p.client.deliverOne());
        QVERIFY(p.client.fireNewSet());
        QCOMPARE(p.client.board.isMyTurn(), 1);
        p.client.click({46, 39});
        QVERIFY(p.host.deliverOne()); // YOU_START is not sent: the client takes set 2
        QVERIFY(p.host.inbox.empty());
        QCOMPARE(p.host.board.board[24], EMPTY_SQUARE);
        QCOMPARE(p.host.board.isMyTurn(), 0);
        QVERIFY(p.host.fireNewSet());
        QCOMPARE(p.host.board.board[17], EMPTY_SQUARE);
        QVERIFY(p.host.board.board[24] < 24);
        QCOMPARE(p.host.board.isMyTurn(), 1);
        QCOMPARE(p.host.view.status[0], text(res::IDS_YOUR_TURN));
    }

    // The host takes the client's last man: the client, left without a
    // move, loses the set, and the host's hand-over reaches it while its
    // score is still shown.
    void aSetLostForWantOfAMove()
    {
        PlayPair p(*settings);
        p.introduce();
        const Diagram hostRows = {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-",
                                  "-b-.-.-.", ".-w-.-.-", "-.-.-.-.", "w-.-.-.-"};
        const Diagram clientRows = {"-.-.-.-b", ".-.-.-.-", "-.-.-b-.", ".-.-.-w-",
                                    "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"};
        QVERIFY(setUpDiagram(p.host.board, ROLE_SERVER, VARIANT_AMERICAN, hostRows).empty());
        QVERIFY(setUpDiagram(p.client.board, ROLE_CLIENT, VARIANT_AMERICAN, clientRows).empty());
        p.host.board.generateMoves();
        p.client.board.generateMoves();
        QString statusUnderScore;
        int turnUnderScore = -1;
        p.client.view.duringDialog = [&] {
            p.settle();
            statusUnderScore = p.client.view.status[0];
            turnUnderScore = p.client.board.isMyTurn();
        };
        p.host.click({42, 24});
        p.settle();
        QCOMPARE(statusUnderScore, text(res::IDS_YOUR_TURN));
        QCOMPARE(turnUnderScore, 1);
        QCOMPARE(p.client.view.scores, std::vector<FakeView::Score>{FakeView::Score(0, 1, text(res::IDS_YOU_LOSE))});
        QCOMPARE(p.host.view.scores, std::vector<FakeView::Score>{FakeView::Score(1, 0, text(res::IDS_YOU_WIN))});
        // Closing the score puts the waiting text back; the turn stays.
        QCOMPARE(p.client.view.status[0], text(res::IDS_WAIT_OPPONENT));
        QCOMPARE(turns(p), (Turns{0, 0, 1, 1}));
        QCOMPARE(piecesOf(p.client.board, 0), 12);
    }

    // A leg the rules refuse ends the match at once; the opponent then finds
    // the peer gone.
    void aLegThatBreaksTheRulesEndsTheMatch()
    {
        PlayPair p(*settings);
        p.introduce();
        p.host.link.sendLeg(MOVE, 42, 28, 0);
        p.host.link.sendLeg(MOVE, 44, 35, 0);
        QVERIFY(p.client.deliverOne());
        QCOMPARE(p.client.link.quits, 1);
        QCOMPARE(p.client.view.boxes, QStringList{text(res::IDS_MOVE_BREAKS_RULES)});
        QVERIFY(p.client.view.closed);
        QVERIFY(p.client.board.board[21] < 24);
        QCOMPARE(p.client.board.board[35], EMPTY_SQUARE);
        QVERIFY(p.client.deliverOne());
        QCOMPARE(p.client.view.boxes.size(), 1);
        QVERIFY(!p.client.play.matchUnderWay());

        QVERIFY(p.host.play.matchUnderWay());
        p.host.play.OnLinkEvent(LINK_PEER_GONE, PEER_GONE_LEFT);
        QCOMPARE(p.host.play.opponentGone, 1);
        QCOMPARE(p.host.view.boxes, QStringList{text(res::IDS_OPPONENT_QUIT)});
        QVERIFY(p.host.view.closed);
        QVERIFY(!p.host.play.matchUnderWay());
        p.host.play.OnWindowClosed();
        QCOMPARE(p.host.link.quits, 0);
    }

    // Two copies of ours lose their line: both count the grace down, the host still moves, and
    // once the line is back the move arrives, the digests agree, and each player hears it once.
    void aLostLineIsWaitedForAndTheMatchesCompared()
    {
        PlayPair p(*settings);
        p.introduce();
        for (PlaySide *side : {&p.host, &p.client}) {
            side->link.resumes = true;
            side->play.startAlarmOff = 0;
            side->link.graceLeftMs = 105000;
            side->play.OnLinkEvent(LINK_LOST, 120000);
            QCOMPARE(side->view.status[0], text(res::IDS_RECONNECTING).arg(QStringLiteral("1:45")));
            QVERIFY(side->view.isWindowTimerActive(TIMER_GRACE));
        }
        // The move made in the dark waits in the link; the status bar keeps counting.
        p.host.click({42, 35});
        QCOMPARE(p.client.inbox.size(), size_t(1));
        QCOMPARE(p.host.view.status[0], text(res::IDS_RECONNECTING).arg(QStringLiteral("1:45")));
        p.host.link.graceLeftMs = 59500;
        p.host.play.OnGraceTick();
        QCOMPARE(p.host.view.status[0], text(res::IDS_RECONNECTING).arg(QStringLiteral("1:00")));

        for (PlaySide *side : {&p.host, &p.client})
            side->play.OnLinkEvent(LINK_BACK, 0);
        QVERIFY(!p.host.view.isWindowTimerActive(TIMER_GRACE));
        QCOMPARE(p.host.view.status[0], text(res::IDS_WAIT_OPPONENT));
        p.settle();
        QCOMPARE(p.client.board.board[21], EMPTY_SQUARE);
        QCOMPARE(p.client.view.status[0], text(res::IDS_YOUR_TURN));
        for (PlaySide *side : {&p.host, &p.client}) {
            QVERIFY(side->play.matchUnderWay());
            QCOMPARE(side->view.alerts, 1);
            QCOMPARE(side->view.sounds, QStringList{QStringLiteral("start.wav")});
            QVERIFY(side->view.boxes.isEmpty());
        }

        // Copies that no longer agree end the match, and say why.
        p.client.click({46, 39});
        PeerRecord wrong = p.host.inbox.back();
        p.settle();
        DigestMessage digest = readDigestMessage(wrong);
        digest.seen = p.client.link.receivedTotal;
        digest.state = matchState(p.client.board, p.client.play.matchRecord());
        digest.state.positionHash ^= 1;
        writeDigestMessage(wrong, digest);
        p.host.inbox.push_back(wrong);
        p.settle();
        QCOMPARE(p.host.view.boxes, QStringList{text(res::IDS_MATCH_DIVERGED)});
        QCOMPARE(p.host.link.quits, 1);
        QVERIFY(p.host.view.closed);
    }

    // Without an answer within the grace the match ends with a message that says so; a digest
    // from a peer that announced nothing is not a message this program knows.
    void theGraceRunsOut()
    {
        PlayPair p(*settings);
        p.introduce();
        PeerRecord digest;
        DigestMessage message;
        message.state.positionHash = 1;
        message.state.toMove = TO_MOVE_HOST;
        writeDigestMessage(digest, message);
        p.client.inbox.push_back(digest);
        p.settle();
        QVERIFY(p.client.view.boxes.isEmpty());
        QVERIFY(p.host.inbox.empty());

        p.host.link.resumes = true;
        p.host.play.OnLinkEvent(LINK_LOST, 120000);
        p.host.play.OnLinkEvent(LINK_PEER_GONE, PEER_GONE_LOST);
        QCOMPARE(p.host.view.boxes, QStringList{text(res::IDS_CONNECTION_LOST)});
        QVERIFY(p.host.view.closed);
        QVERIFY(!p.host.view.isWindowTimerActive(TIMER_GRACE));
    }
};

QTEST_MAIN(TestPlayController)
#include "test_play_controller.moc"
