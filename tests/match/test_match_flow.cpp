// SPDX-License-Identifier: GPL-3.0-or-later
// Whole sets between two real copies over loopback: the introduction, moves
// entered by clicks on the real boards, and a set played to its end.
#include "sim/MatchHarness.h"

#include "app/ResourceIds.h"
#include "app/SettingKeys.h"
#include "net/PeerRecord.h"
#include "rules/PdnReader.h"
#include "rules/PdnReplay.h"
#include "sim/TemporarySettings.h"
#include "tests/support/BoardDiagram.h"
#include "ui/MatchFile.h"
#include "ui/MovesWindow.h"

#include <QClipboard>
#include <QGuiApplication>
#include "ui/BoardView.h"

#include <QSignalSpy>
#include <QTest>

#include <random>

using namespace sorvada;

class MatchFlowTest : public QObject
{
    Q_OBJECT

    TemporarySettings settings;

private slots:
    void introductionNamesBothSidesAndOpensTheFirstSet()
    {
        MatchHarness m;
        QVERIFY(m.open());
        GameCopy &host = m.host();
        GameCopy &client = m.client();

        QCOMPARE(host.link.role, ROLE_SERVER);
        QCOMPARE(client.link.role, ROLE_CLIENT);
        QCOMPARE(host.board.role(), ROLE_SERVER);
        QCOMPARE(client.board.role(), ROLE_CLIENT);
        QCOMPARE(host.board.peerName, std::string("Bob"));
        QCOMPARE(client.board.peerName, std::string("Ann"));
        QCOMPARE(host.window->windowTitle(), QStringLiteral("Ann"));
        QCOMPARE(client.window->windowTitle(), QStringLiteral("Bob"));
        QCOMPARE(host.settings.readInt(SettingKey::VarGame), int(VARIANT_RUSSIAN));
        QCOMPARE(client.board.variant(), VARIANT_RUSSIAN);
        QCOMPARE(host.status(2), QStringLiteral("RUS"));
        QCOMPARE(client.status(2), QStringLiteral("RUS"));
        QCOMPARE(host.status(), QStringLiteral("Your turn to play"));
        QCOMPARE(client.status(), QStringLiteral("Please wait for the opponent"));
        QCOMPARE(host.board.isFirstMover(), 1);
        QCOMPARE(client.board.isFirstMover(), 0);
        QVERIFY2(mirrorMismatch(host.board, client.board).isEmpty(),
                 qPrintable(mirrorMismatch(host.board, client.board)));

        // The host's first move, by two clicks: C3 (its square 42) to D4 (35).
        QCOMPARE(host.window->boardView()->objectName(), QStringLiteral("board"));
        host.clickSquare(42);
        QVERIFY(host.board.hasSelection());
        host.clickSquare(35);
        QCOMPARE(host.board.isMyTurn(), 0);
        QCOMPARE(host.status(), QStringLiteral("Please wait for the opponent"));
        QCOMPARE(host.window->boardCursor(), int(res::IDC_WAIT_TURN));
        QTRY_VERIFY_WITH_TIMEOUT(client.board.isMyTurn() == 1, 5000);
        // The joiner sees the piece arrive on its own square 63 - 35.
        QVERIFY(client.board.board[28] < 24);
        QCOMPARE(client.board.board[21], EMPTY_SQUARE);
        QVERIFY(mirrorMismatch(host.board, client.board).isEmpty());
        QCOMPARE(client.status(), QStringLiteral("Your turn to play"));
        QCOMPARE(client.window->boardCursor(), CURSOR_ARROW);
        // The picture shows it too: the back buffer was redrawn with the move.
        QVERIFY(client.window->backBuffer().toImage() != QImage());

        // Clicks out of turn and on the opponent's pieces change nothing.
        host.clickSquare(44);
        QVERIFY(!host.board.hasSelection());
        client.clickSquare(2);
        QVERIFY(!client.board.hasSelection());
    }

    // Both sides play legal moves picked by a seeded generator until one of
    // them is left without a move; the boards are compared after every leg.
    // Both copies then write the same PDN of the set, and an independent
    // replay of that file reaches the position both boards showed.
    void americanSetPlayedToALossByNoMovesLeft()
    {
        MatchOptions options;
        options.variant = VARIANT_AMERICAN;
        MatchHarness m(options);
        m.answerSetEnds();
        QVERIFY(m.open());
        QCOMPARE(m.client().status(2), QStringLiteral("USA"));
        std::mt19937 random(7);
        auto pick = [&random](int count) { return int(random() % unsigned(count)); };

        MatchHarness::MoveResult result = MatchHarness::MoveResult::Done;
        int moves = 0;
        GameCopy *loser = nullptr;
        std::vector<std::string> hostEnd, clientEnd;
        while (result == MatchHarness::MoveResult::Done && moves < 400) {
            GameCopy *mover = m.mover();
            QVERIFY(mover);
            QString why;
            result = m.playMove(*mover, pick, &why);
            QVERIFY2(result != MatchHarness::MoveResult::Failed, qPrintable(why));
            ++moves;
            if (result == MatchHarness::MoveResult::SetOver) {
                loser = &m.other(*mover);
                hostEnd = diagramOf(m.host().board);
                clientEnd = diagramOf(m.client().board);
            }
        }
        QVERIFY2(loser, "the set did not end");
        GameCopy &winner = m.other(*loser);
        QTRY_COMPARE_WITH_TIMEOUT(winner.score.rows().size(), qsizetype(1), 5000);
        QCOMPARE(m.setEndsChecked, 1);
        QVERIFY2(m.setEndMismatches.isEmpty(), qPrintable(m.setEndMismatches.join(';')));
        QCOMPARE(loser->score.rows().size(), qsizetype(1));
        QCOMPARE(loser->score.ownTotal(), 0);
        QCOMPARE(loser->score.opponentTotal(), 1);
        QCOMPARE(loser->score.heading(), QStringLiteral("Sorry, you lose this game."));
        QCOMPARE(winner.score.ownTotal(), 1);
        QCOMPARE(winner.score.opponentTotal(), 0);
        QCOMPARE(winner.score.heading(), QStringLiteral("Congratulations, you win this game!"));
        QVERIFY(loser->score.rows().at(0) != winner.score.rows().at(0));

        // The next set is set up on both sides, with one of them to move.
        QTRY_VERIFY_WITH_TIMEOUT(m.host().setReady() && m.client().setReady() && m.mover(), 5000);
        QCOMPARE(piecesInPlay(m.host().board, 1), 12);
        QVERIFY(mirrorMismatch(m.host().board, m.client().board).isEmpty());
        qInfo("set decided after %d moves", moves);

        const QDate day(2026, 12, 9);
        const std::string pdn = matchPdn(m.host().window->controller().matchRecord(), day);
        const std::string clientPdn = matchPdn(m.client().window->controller().matchRecord(), day);
        QCOMPARE(QString::fromStdString(clientPdn), QString::fromStdString(pdn));
        const PdnFile file = readPdn(pdn);
        QVERIFY2(file.error.empty(), file.error.c_str());
        // The second set, set up but not begun, names its players by colour on both
        // copies alike: the side that did not open the first set opens it.
        QCOMPARE(int(file.games.size()), 2);
        QCOMPARE(QString::fromStdString(file.games[1].tag("Black")), QStringLiteral("Bob"));
        const PdnGame &set = file.games.front();
        QCOMPARE(QString::fromStdString(set.tag("Result")), loser == &m.host() ? "1-0" : "0-1");
        const ReplayOutcome replay = replayMoves(set.variant(), set.moves);
        QVERIFY2(replay.legal, replay.error.c_str());
        QCOMPARE(int(replay.movesPlayed), moves);
        // The host opened the first set.
        QVERIFY(diagramOf(replay.firstMover) == hostEnd);
        QVERIFY(diagramOf(replay.secondMover) == clientEnd);

        // Moves (F4) shows the moves of the set in numbered pairs, the newest marked and
        // the result last; copying gives the set's PDN.
        GameCopy &host = m.host();
        QAction *movesCommand = host.window->commandAction(res::ID_MOVES);
        QVERIFY(movesCommand);
        QCOMPARE(movesCommand->shortcut(), QKeySequence(Qt::Key_F4));
        movesCommand->trigger();
        MovesWindow &list = host.window->movesWindow();
        QTRY_VERIFY_WITH_TIMEOUT(list.isVisible(), 5000);
        list.showSet(0);
        const QStringList rows = list.rows();
        QCOMPARE(rows.size(), (moves + 1) / 2 + 1);
        QVERIFY2(rows.first().startsWith(QStringLiteral("1. ")), qPrintable(rows.first()));
        QCOMPARE(rows.last(), QString::fromStdString(set.tag("Result")));
        QCOMPARE(list.markedRow(), rows.size() - 2);
        list.copySet();
        const PdnFile copied = readPdn(QGuiApplication::clipboard()->text().toStdString());
        QCOMPARE(int(copied.games.size()), 1);
        QCOMPARE(int(replayMoves(VARIANT_AMERICAN, copied.games[0].moves).movesPlayed), moves);
        if (!qEnvironmentVariableIsEmpty("SORVADA_DIALOG_SNAPSHOTS")) {
            const QDir dir(qEnvironmentVariable("SORVADA_DIALOG_SNAPSHOTS"));
            host.window->grab().save(dir.filePath("match-window.png"));
            list.grab().save(dir.filePath("moves-window.png"));
        }
    }

    // A save that cannot be completed leaves the file saved before as it was
    // and says why: here the temporary file beside a name of 250 characters
    // would need a name longer than any the file system takes.
    void aFailedSaveKeepsTheEarlierFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QString(246, QLatin1Char('g')) + ".pdn");
        QString why;
        QVERIFY2(writeWholeFile(path, "first\n", why), qPrintable(why));
        QVERIFY(!writeWholeFile(path, "second\n", why));
        QVERIFY(!why.isEmpty());
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray("first\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    }
};

QTEST_MAIN(MatchFlowTest)
#include "test_match_flow.moc"
