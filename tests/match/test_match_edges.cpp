// SPDX-License-Identifier: GPL-3.0-or-later
// A match's less travelled roads between two real copies: a long Russian
// capture, chat, a peer that breaks the rules, legs that come before the new
// board, a greeting without a variant, a peer that leaves, and a client that
// knocks while the host still chooses the variant.
#include "sim/MatchHarness.h"

#include "app/ResourceIds.h"
#include "net/LinkEvents.h"
#include "net/PeerRecord.h"
#include "sim/TemporarySettings.h"
#include "ui/BoardView.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <cstring>

using namespace sorvada;

namespace {
QString why(const GameBoard &a, const GameBoard &b, bool standing = false)
{
    return mirrorMismatch(a, b, standing);
}
} // namespace

class MatchEdgesTest : public QObject
{
    Q_OBJECT

    TemporarySettings settings;

private slots:
    // The host's man on B6 takes on C7, is crowned on D8 and goes on as a
    // king: over F6 to H4, then back along its landing run to G5 and, turning
    // there, over E3 to C1. Taken pieces stand on the mover's board until the
    // move ends and leave the other board at once.
    void russianCaptureWithCrowningAndATurningLeg()
    {
        MatchHarness m;
        QVERIFY(m.open());
        GameCopy &host = m.host();
        GameCopy &client = m.client();
        m.arrange({{17, 0}, {10, 1}, {21, 1}, {44, 1}, {8, 1}});

        host.clickSquare(17);
        host.clickSquare(3);
        QCOMPARE(host.board.isMyTurn(), 1);
        QCOMPARE(host.status(), QStringLiteral("You should capture still"));
        QCOMPARE(host.board.pieces[host.board.board[3]].kind, uint8_t(2));
        QTRY_VERIFY2_WITH_TIMEOUT(why(host.board, client.board, true).isEmpty(),
                                  qPrintable(why(host.board, client.board, true)), 5000);
        // The taken man still stands on the host's board only.
        QVERIFY(!why(host.board, client.board).isEmpty());
        QCOMPARE(client.board.board[63 - 10], EMPTY_SQUARE);
        QCOMPARE(client.board.pieces[client.board.board[63 - 3]].kind, uint8_t(2));
        QCOMPARE(client.board.isMyTurn(), 0);

        host.clickSquare(39);
        QCOMPARE(host.board.isMyTurn(), 1);
        QTRY_VERIFY2_WITH_TIMEOUT(why(host.board, client.board, true).isEmpty(),
                                  qPrintable(why(host.board, client.board, true)), 5000);

        host.clickSquare(58);
        QCOMPARE(host.board.isMyTurn(), 0);
        QCOMPARE(host.status(), QStringLiteral("Please wait for the opponent"));
        QTRY_COMPARE_WITH_TIMEOUT(client.board.isMyTurn(), 1, 5000);
        QVERIFY2(why(host.board, client.board).isEmpty(), qPrintable(why(host.board, client.board)));
        // The turning leg told the client where the king turned (G5 is the
        // host's 30, the client's 33).
        QCOMPARE(client.link.recvRecord.type(), MOVE);
        QCOMPARE(client.link.recvRecord.legVia(), uint8_t(63 - 30));
        QCOMPARE(piecesInPlay(client.board, 0), 1);
        QCOMPARE(piecesInPlay(host.board, 0), 1);
        QCOMPARE(client.board.pieces[client.board.board[63 - 58]].kind, uint8_t(2));
        QCOMPARE(client.status(), QStringLiteral("Your turn to play"));
    }

    void chatBothWaysWithTheAlarmOff()
    {
        MatchHarness m;
        QVERIFY(m.open());
        GameCopy &host = m.host();
        GameCopy &client = m.client();
        QCOMPARE(client.window->controller().messageAlarmOff, 1);
        QVERIFY(!client.window->chatDialog.isVisible());

        host.window->commandAction(res::ID_CHAT)->trigger();
        QVERIFY(host.window->chatDialog.isVisible());
        auto *hostInput = host.window->chatDialog.findChild<QLineEdit *>();
        QVERIFY(hostInput);
        QTest::keyClicks(hostInput, QStringLiteral("good luck"));
        QTest::keyClick(hostInput, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(client.window->chatDialog.isVisible(), 5000);
        QCOMPARE(client.window->chatDialog.history(), QStringLiteral("Ann: \r\ngood luck\r\n"));

        auto *clientInput = client.window->chatDialog.findChild<QLineEdit *>();
        QVERIFY(clientInput);
        QTest::keyClicks(clientInput, QStringLiteral("thanks"));
        QTest::keyClick(clientInput, Qt::Key_Return);
        // The client's own line goes out under the name set on arrival.
        QTRY_COMPARE_WITH_TIMEOUT(host.window->chatDialog.history(),
                                  QStringLiteral("Ann: \r\ngood luck\r\nBob: \r\nthanks\r\n"), 5000);
        QCOMPARE(client.window->chatDialog.history(),
                 QStringLiteral("Ann: \r\ngood luck\r\nBob: \r\nthanks\r\n"));
        // Text that is not UTF-8 is shown byte for byte as Latin-1.
        const QByteArray latin1("Ann: \r\ncaf\xe9 \xff\r\n");
        host.link.SendChat(latin1);
        QTRY_VERIFY_WITH_TIMEOUT(client.window->chatDialog.history().endsWith(QString::fromLatin1(latin1)), 5000);
        // A hidden chat window comes back for the next line.
        host.window->chatDialog.hide();
        QTest::keyClicks(clientInput, QStringLiteral("again"));
        QTest::keyClick(clientInput, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(host.window->chatDialog.isVisible(), 5000);

        // Chat leaves the game where it was.
        QCOMPARE(host.board.isMyTurn(), 1);
        QCOMPARE(client.board.isMyTurn(), 0);
        QCOMPARE(host.status(), QStringLiteral("Your turn to play"));
        QString reason;
        QCOMPARE(m.playMove(host, [](int) { return 0; }, &reason), MatchHarness::MoveResult::Done);
    }

    // A leg the opponent could not have played (here one sent out of turn)
    // changes nothing on the board; the match ends with one message, and the
    // opponent hears of it as of a player who left.
    void aMoveThatBreaksTheRulesEndsTheMatch()
    {
        MatchHarness m;
        QVERIFY(m.open());
        GameCopy &host = m.host();
        GameCopy &client = m.client();
        const QString broken =
            QStringLiteral("Your opponent's program sent a move that breaks the rules. The match ends.");
        const QString quitted = QStringLiteral("Your opponent quitted the game.");
        m.answers.answerBox(broken, QMessageBox::Ok, -1);
        m.answers.answerBox(quitted, QMessageBox::Ok, -1);
        QSignalSpy hostClosed(host.window.get(), &CGameWnd::windowClosed);
        QSignalSpy clientClosed(client.window.get(), &CGameWnd::windowClosed);
        uint8_t cellsBefore[64];
        std::memcpy(cellsBefore, host.board.board, sizeof cellsBefore);

        // The host is to move; the client's copy sends a step of its own man
        // (the host's 17 to 24) twice.
        for (int i = 0; i < 2; ++i) {
            client.link.sendRecord.writeLeg(MOVE, 63 - 17, 63 - 24, 63);
            client.link.SendReliable(0);
        }
        QTRY_COMPARE_WITH_TIMEOUT(int(hostClosed.count()), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(int(clientClosed.count()), 1, 10000);
        QCOMPARE(std::memcmp(cellsBefore, host.board.board, sizeof cellsBefore), 0);
        QCOMPARE(m.answers.seenCount(broken), 1);
        QCOMPARE(m.answers.seenCount(quitted), 1);
        for (const ModalAnswerer::Seen &box : m.answers.seen()) {
            if (box.text == broken || box.text == quitted) {
                QCOMPARE(box.title, QStringLiteral("Sorvada"));
                QCOMPARE(box.icon, QMessageBox::Critical);
            }
        }
        QCOMPARE(client.window->controller().opponentGone, 1);
    }

    // The winner may open the next set before the loser has closed his score
    // dialog: the legs wait for the loser's new board and are played on it.
    void legsOfTheNextSetWaitForTheNewBoard()
    {
        MatchHarness m;
        QVERIFY(m.open());
        GameCopy &host = m.host();
        GameCopy &client = m.client();
        QSignalSpy hostEvents(&host.link, &PeerSocket::linkEvent);
        qsizetype eventsAtMove = -1;
        bool oldBoardKept = false;
        // The host's "Sorry" stays open while the client, who won and did not
        // open set 1, opens set 2 and its leg reaches the host.
        m.answers.when(ModalAnswerer::ofClass(QStringLiteral("QDialog"), QStringLiteral("Sorry")), [&](QWidget *w) {
            if (eventsAtMove < 0) {
                if (!client.setReady() || client.board.isMyTurn() != 1)
                    return false;
                eventsAtMove = hostEvents.count();
                client.playMove(42, {33});
                return false;
            }
            if (hostEvents.count() == eventsAtMove)
                return false;
            oldBoardKept = host.link.recvRecord.type() == MOVE && piecesInPlay(host.board, 1) == 0;
            return ModalAnswerer::clickButton(w, QStringLiteral("OK"));
        });
        m.answers.click(QStringLiteral("QDialog"), QStringLiteral("Congratulations"), QStringLiteral("OK"));

        // The host's last man steps into the client's capture.
        m.arrange({{44, 0}, {26, 1}});
        host.playMove(44, {35});
        QTRY_COMPARE_WITH_TIMEOUT(client.board.isMyTurn(), 1, 10000);
        client.playMove(37, {19});
        QTRY_VERIFY_WITH_TIMEOUT(eventsAtMove >= 0 && host.setReady() && host.board.isMyTurn() == 1, 20000);
        QVERIFY(oldBoardKept);
        QVERIFY2(mirrorMismatch(host.board, client.board).isEmpty(),
                 qPrintable(mirrorMismatch(host.board, client.board)));
        QCOMPARE(host.status(), QStringLiteral("Your turn to play"));
        QCOMPARE(host.score.rows().size(), qsizetype(1));
    }

    // A greeting whose variant is neither game ends the client's try: it says
    // goodbye, shows "Network error." and closes, so the player can connect
    // again.
    void greetingWithoutAVariantEndsTheClient()
    {
        MatchHarness m;
        QVERIFY(m.open());
        GameCopy &host = m.host();
        GameCopy &client = m.client();
        m.answers.answerBox(QStringLiteral("Network error."), QMessageBox::Ok);
        m.answers.answerBox(QStringLiteral("Your opponent quitted the game."), QMessageBox::Ok);
        QSignalSpy clientClosed(client.window.get(), &CGameWnd::windowClosed);
        QSignalSpy hostClosed(host.window.get(), &CGameWnd::windowClosed);

        host.link.sendRecord.writeGreeting(0, "Ann");
        host.link.SendReliable(1);
        QTRY_COMPARE_WITH_TIMEOUT(int(clientClosed.count()), 1, 10000);
        QCOMPARE(m.answers.seenCount(QStringLiteral("Network error.")), 1);
        // The host learns of it as of a player who left.
        QTRY_COMPARE_WITH_TIMEOUT(int(hostClosed.count()), 1, 10000);
        QCOMPARE(client.board.variant(), VARIANT_RUSSIAN);
    }

    void opponentClosingHisWindowEndsTheOtherCopy()
    {
        MatchHarness m;
        QVERIFY(m.open());
        GameCopy &host = m.host();
        GameCopy &client = m.client();
        QSignalSpy hostClosed(host.window.get(), &CGameWnd::windowClosed);
        m.answers.answerBox(QStringLiteral("Your opponent quitted the game."), QMessageBox::Ok);
        // Leaving in the middle of a match is asked first; No keeps it going.
        const QString leave = QStringLiteral("Leave the match?");
        m.answers.answerBox(leave, QMessageBox::No);
        QVERIFY(!client.window->close());
        QVERIFY(client.window->isVisible());
        QCOMPARE(client.link.queuedCount(0), 0);
        QCOMPARE(m.answers.seen().back().text,
                 QStringLiteral("Leave the match? Your opponent will be told that you quit."));
        QCOMPARE(m.answers.seen().back().icon, QMessageBox::Question);

        m.answers.answerBox(leave, QMessageBox::Yes);
        QVERIFY(client.window->close());
        QTRY_COMPARE_WITH_TIMEOUT(int(hostClosed.count()), 1, 10000);
        QCOMPARE(m.answers.seenCount(leave), 2);
        QCOMPARE(m.answers.seenCount(QStringLiteral("Your opponent quitted the game.")), 1);
        QCOMPARE(m.answers.seen().back().icon, QMessageBox::Critical);
        QCOMPARE(m.answers.seen().back().title, QStringLiteral("Sorvada"));
        QCOMPARE(host.window->controller().opponentGone, 1);
        QVERIFY(!host.window->isVisible());
        // The copy that was left says no goodbye of its own.
        QCOMPARE(host.link.queuedCount(1), 0);
    }

    // The client's greeting arrives while the host is still choosing: it is
    // answered with the chosen variant, never with none.
    void greetingWhileTheHostChoosesTheVariant()
    {
        PeerSocket::Config quick;
        quick.gamePort = 0;
        quick.directoryPort = 0;
        quick.retransmitMs = 100;
        GameCopy host(QStringLiteral("sorvada-held-host"), quick, QStringLiteral("Ann"));
        std::unique_ptr<GameCopy> client;
        QList<int> variantsSeenByClient;
        bool namedWhileChoosing = false;

        ModalAnswerer answers;
        answers.when(ModalAnswerer::ofClass(QStringLiteral("CVariantDlg")), [&](QWidget *w) {
            if (!client) {
                PeerSocket::Config join = quick;
                join.gamePort = host.link.localPort();
                client = std::make_unique<GameCopy>(QStringLiteral("sorvada-held-client"), join,
                                                    QStringLiteral("Bob"));
                QObject::connect(&client->link, &PeerSocket::linkEvent, [&](unsigned event, int) {
                    if (event == LINK_RECEIVED && client->link.recvRecord.type() == GREETING)
                        variantsSeenByClient << client->link.recvRecord.greetingVariant();
                });
                if (!client->link.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND))
                    return true; // fails below
            }
            // Held open until the client's greeting has been taken in.
            if (host.board.peerName != "Bob")
                return false;
            namedWhileChoosing = variantsSeenByClient.isEmpty();
            for (QRadioButton *r : w->findChildren<QRadioButton *>())
                if (r->text() == QStringLiteral("American"))
                    r->click();
            return ModalAnswerer::clickButton(w, QStringLiteral("OK"));
        });
        QVERIFY(host.link.Start(1, QString(), START_HOST, GAME_KIND));
        QVERIFY(client);
        QTRY_VERIFY_WITH_TIMEOUT(client->setReady() && host.setReady() && host.board.isMyTurn() == 1, 10000);
        QVERIFY(namedWhileChoosing);
        QCOMPARE(variantsSeenByClient, QList<int>{VARIANT_AMERICAN});
        QCOMPARE(client->board.variant(), VARIANT_AMERICAN);
        QCOMPARE(client->status(2), QStringLiteral("USA"));
        QCOMPARE(host.status(2), QStringLiteral("USA"));
        QCOMPARE(host.status(), QStringLiteral("Your turn to play"));
        QCOMPARE(client->board.peerName, std::string("Ann"));
        QVERIFY(mirrorMismatch(host.board, client->board).isEmpty());
        client.reset();
    }
};

QTEST_MAIN(MatchEdgesTest)
#include "test_match_edges.moc"
