// SPDX-License-Identifier: GPL-3.0-or-later
// How sets end between two real copies: draws, capitulations, the loss for
// want of a move, and which side opens the next set.
#include "sim/MatchHarness.h"

#include "app/ResourceIds.h"
#include "net/PeerRecord.h"
#include "sim/TemporarySettings.h"
#include "ui/BoardView.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>

using namespace sorvada;

namespace {
const QString yourTurn = QStringLiteral("Your turn to play");
const QString waitOpponent = QStringLiteral("Please wait for the opponent");
const QString drawRow = QStringLiteral("1\t\t0\t\t\t0");

void command(GameCopy &copy, int id)
{
    // As when the menu opens: the enabling is brought up to date first.
    copy.window->refreshCommands();
    QAction *action = copy.window->commandAction(id);
    QVERIFY(action);
    QVERIFY(action->isEnabled());
    action->trigger();
}
} // namespace

class MatchSetsTest : public QObject
{
    Q_OBJECT

    TemporarySettings settings;

private slots:
    void drawDeclinedThenAccepted()
    {
        MatchHarness m;
        QVERIFY(m.open());
        GameCopy &host = m.host();
        GameCopy &client = m.client();
        const QString offer = QStringLiteral("Your opponent offers to finish set in a draw.");

        m.answers.answerBox(offer, QMessageBox::No);
        command(host, res::ID_DRAW_OFFER);
        QCOMPARE(host.board.isMyTurn(), 0);
        QCOMPARE(host.status(), QStringLiteral("I offer to the opponent to finish set in a draw."));
        QTRY_COMPARE_WITH_TIMEOUT(host.board.isMyTurn(), 1, 5000);
        QCOMPARE(host.status(), yourTurn);
        QCOMPARE(client.status(), waitOpponent);
        QCOMPARE(m.answers.seenCount(offer), 1);
        QCOMPARE(m.answers.seen().back().title, QStringLiteral("Sorvada"));
        QCOMPARE(m.answers.seen().back().icon, QMessageBox::Question);
        QVERIFY(host.score.rows().isEmpty() && client.score.rows().isEmpty());
        // The set goes on: the boards were not touched.
        QCOMPARE(piecesInPlay(host.board, 0), 12);

        // Accepted: the answering side sees its result before the offering
        // side learns of it.
        int hostRowsWhenClientSawDraw = -1;
        m.answers.answerBox(offer, QMessageBox::Yes);
        m.answers.when(
            [&client](QWidget *w) {
                return w->parentWidget() == client.window.get()
                       && ModalAnswerer::textOf(w).contains(QStringLiteral("The set ended in a draw."));
            },
            [&](QWidget *w) {
                hostRowsWhenClientSawDraw = int(host.score.rows().size());
                return ModalAnswerer::clickButton(w, QStringLiteral("OK"));
            });
        m.answerSetEnds();
        command(host, res::ID_DRAW_OFFER);
        QTRY_COMPARE_WITH_TIMEOUT(host.score.rows().size(), qsizetype(1), 5000);
        QCOMPARE(hostRowsWhenClientSawDraw, 0);
        QCOMPARE(client.score.rows(), QStringList{drawRow});
        QCOMPARE(host.score.rows(), QStringList{drawRow});
        QCOMPARE(host.score.heading(), QStringLiteral("The set ended in a draw."));

        // The host opened the set, so it hands the first move over.
        QTRY_VERIFY_WITH_TIMEOUT(client.board.isMyTurn() == 1 && host.setReady() && client.setReady(), 5000);
        QCOMPARE(client.board.isFirstMover(), 1);
        QCOMPARE(host.board.isFirstMover(), 0);
        QCOMPARE(host.board.isMyTurn(), 0);
        QCOMPARE(client.status(), yourTurn);
        QCOMPARE(host.status(), waitOpponent);
        QCOMPARE(piecesInPlay(host.board, 0), 12);
        QVERIFY(mirrorMismatch(host.board, client.board).isEmpty());
    }

    // Set 1: the host gives up, so the client wins and opens set 2 itself
    // while the host keeps its first-mover mark. Set 2: the client gives up;
    // the host, still marked, hands set 3 to the client as well.
    void capitulationsAndTheFirstMoverOverThreeSets()
    {
        MatchHarness m;
        QVERIFY(m.open());
        GameCopy &host = m.host();
        GameCopy &client = m.client();
        int winnerRowsWhenLoserSawLoss = -1;
        GameCopy *winner = &client;
        m.answers.when(ModalAnswerer::ofClass(QStringLiteral("QDialog"), QStringLiteral("Sorry")),
                       [&](QWidget *w) {
                           winnerRowsWhenLoserSawLoss = int(winner->score.rows().size());
                           return ModalAnswerer::clickButton(w, QStringLiteral("OK"));
                       },
                       -1);
        m.answerSetEnds();
        // Giving up is asked first: No keeps the set going, Yes gives it up.
        m.answers.answerBox(QStringLiteral("Give up this set?"), QMessageBox::No);
        m.answers.answerBox(QStringLiteral("Give up this set?"), QMessageBox::Yes, -1);

        command(host, res::ID_CAPITULATE);
        QCOMPARE(m.answers.seenCount(QStringLiteral("Give up this set?")), 1);
        QCOMPARE(m.answers.seen().back().icon, QMessageBox::Question);
        QCOMPARE(host.board.isMyTurn(), 1);
        QCOMPARE(host.score.rows().size(), qsizetype(0));
        QCOMPARE(host.link.queuedCount(1), 0);

        command(host, res::ID_CAPITULATE);
        QCOMPARE(m.answers.seenCount(QStringLiteral("Give up this set?")), 2);
        QCOMPARE(winnerRowsWhenLoserSawLoss, 0);
        QTRY_COMPARE_WITH_TIMEOUT(client.score.rows().size(), qsizetype(1), 5000);
        QCOMPARE(client.score.heading(), QStringLiteral("Congratulations, you win this game!"));
        QCOMPARE(client.score.rows().at(0), QStringLiteral("1\t\t1\t\t\t0"));
        QCOMPARE(host.score.rows().at(0), QStringLiteral("1\t\t0\t\t\t1"));
        QTRY_VERIFY_WITH_TIMEOUT(host.setReady() && client.setReady(), 5000);
        QCOMPARE(client.board.isMyTurn(), 1);
        QCOMPARE(client.board.isFirstMover(), 1);
        QCOMPARE(host.board.isMyTurn(), 0);
        QCOMPARE(host.board.isFirstMover(), 1);
        QCOMPARE(client.status(), yourTurn);
        QCOMPARE(host.status(), waitOpponent);

        // Set 2 is played a little before the client gives up.
        QString why;
        QCOMPARE(m.playMove(client, [](int) { return 0; }, &why), MatchHarness::MoveResult::Done);
        QCOMPARE(m.playMove(host, [](int) { return 0; }, &why), MatchHarness::MoveResult::Done);
        winner = &host;
        winnerRowsWhenLoserSawLoss = -1;
        command(client, res::ID_CAPITULATE);
        QCOMPARE(winnerRowsWhenLoserSawLoss, 1);
        QTRY_COMPARE_WITH_TIMEOUT(host.score.rows().size(), qsizetype(2), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(client.board.isMyTurn() == 1 && host.setReady() && client.setReady(), 5000);
        QCOMPARE(client.board.isFirstMover(), 1);
        QCOMPARE(host.board.isFirstMover(), 0);
        QCOMPARE(host.board.isMyTurn(), 0);
        QCOMPARE(host.score.ownTotal(), 1);
        QCOMPARE(host.score.opponentTotal(), 1);
        QCOMPARE(client.score.ownTotal(), 1);
        QCOMPARE(client.score.opponentTotal(), 1);
        QCOMPARE(m.setEndsChecked, 2);
        QVERIFY(m.setEndMismatches.isEmpty());
        // Set 3 opens normally with the client's move.
        QCOMPARE(piecesInPlay(client.board, 0), 12);
        QCOMPARE(m.playMove(client, [](int) { return 0; }, &why), MatchHarness::MoveResult::Done);
    }

    // The client loses for want of a move; the host (first mover) hands the
    // next set over while the client's score dialog is still open.
    void youStartArrivesWhileTheLosersScoreIsOpen()
    {
        MatchHarness m;
        QVERIFY(m.open());
        GameCopy &host = m.host();
        GameCopy &client = m.client();
        QString statusWhenClosed;
        m.answers.when(
            [&client](QWidget *w) {
                return w->parentWidget() == client.window.get()
                       && ModalAnswerer::textOf(w).contains(QStringLiteral("Sorry"));
            },
            [&](QWidget *w) {
                // Kept open until the hand-over has been handled under it.
                if (client.board.isMyTurn() != 1)
                    return false;
                statusWhenClosed = client.status();
                return ModalAnswerer::clickButton(w, QStringLiteral("OK"));
            });
        m.answerSetEnds();

        // The host's man on C3 takes the client's last piece.
        m.arrange({{42, 0}, {33, 1}, {56, 0}});
        host.window->redraw();
        QString why;
        QCOMPARE(m.playMove(host, [](int) { return 0; }, &why), MatchHarness::MoveResult::SetOver);
        QTRY_COMPARE_WITH_TIMEOUT(host.score.rows().size(), qsizetype(1), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!statusWhenClosed.isEmpty(), 5000);
        QCOMPARE(statusWhenClosed, yourTurn);
        QCOMPARE(client.score.heading(), QStringLiteral("Sorry, you lose this game."));
        QCOMPARE(m.setEndsChecked, 1);
        QVERIFY2(m.setEndMismatches.isEmpty(), qPrintable(m.setEndMismatches.join(';')));
        QTRY_VERIFY_WITH_TIMEOUT(host.setReady() && client.setReady(), 5000);
        // Closing the dialog puts back the waiting text; the turn stays.
        QCOMPARE(client.status(), waitOpponent);
        QCOMPARE(client.board.isMyTurn(), 1);
        QCOMPARE(client.board.isFirstMover(), 1);
        QCOMPARE(host.board.isMyTurn(), 0);
        QCOMPARE(host.status(), waitOpponent);
        // The pointer over the board brings the turn's text back.
        QMouseEvent move(QEvent::MouseMove, QPointF(client.squareCentre(0)),
                         client.window->boardView()->mapToGlobal(QPointF(client.squareCentre(0))),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(client.window->boardView(), &move);
        QTRY_COMPARE_WITH_TIMEOUT(client.status(), yourTurn, 2000);
        QCOMPARE(m.playMove(client, [](int) { return 0; }, &why), MatchHarness::MoveResult::Done);
    }
};

QTEST_MAIN(MatchSetsTest)
#include "test_match_sets.moc"
