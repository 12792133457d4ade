// SPDX-License-Identifier: GPL-3.0-or-later
// Playing by keys alone, and the board as assistive technology reads it.
#include "app/ResourceIds.h"
#include "net/LinkEvents.h"
#include "net/PeerRecord.h"
#include "sim/MatchHarness.h"
#include "sim/TemporarySettings.h"
#include "tests/support/BoardDiagram.h"
#include "tests/support/WindowFixture.h"
#include "ui/BoardPainter.h"
#include "ui/BoardView.h"

#include <QAccessible>
#include <QAction>
#include <QSignalSpy>
#include <QtTest>

#include <utility>
#include <vector>

using namespace sorvada;

namespace {

const QString yourTurn = QStringLiteral("Your turn to play");
const QString waitOpponent = QStringLiteral("Please wait for the opponent");

// A window whose board shows a set under way on the hosting side.
struct WindowInSet
{
    WindowUnderTest t;
    CGameWnd &w = *t.window;
    BoardView *view = w.boardView();

    explicit WindowInSet(const Diagram *diagram = nullptr)
    {
        t.board.setRole(ROLE_SERVER);
        t.board.setVariant(VARIANT_RUSSIAN);
        w.OnTimer(TIMER_NEW_SET);
        if (diagram)
            QVERIFY(setUpDiagram(t.board, ROLE_SERVER, VARIANT_RUSSIAN, *diagram).empty());
        t.board.generateMoves();
        t.board.setMyTurn(1);
        w.redraw();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
    }
};

} // namespace

class TestKeyboardPlay : public QObject
{
    Q_OBJECT
    TemporarySettings settings;

private slots:
    void tabReachesTheBoard()
    {
        WindowUnderTest t;
        CGameWnd &w = *t.window;
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_Tab);
        QTRY_VERIFY(w.boardView()->hasFocus());
        QCOMPARE(QApplication::focusWidget(), w.boardView());
    }

    // The cursor starts in the player's own back corner, goes one square per
    // key, stops at the edges and names its square in the status bar.
    void arrowsMoveTheCursorWithoutWrapping()
    {
        const struct {
            std::vector<Qt::Key> keys;
            uint8_t square;
            const char *name;
        } cases[] = {
            {{Qt::Key_Left, Qt::Key_Down}, 56, "A 1"},
            {{Qt::Key_Up}, 48, "A 2"},
            {{Qt::Key_Right, Qt::Key_Right}, 58, "C 1"},
            {{Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up,
              Qt::Key_Up, Qt::Key_Up},
             0, "A 8"},
            {std::vector<Qt::Key>(9, Qt::Key_Right), 63, "H 1"},
        };
        for (const auto &c : cases) {
            WindowInSet s;
            QCOMPARE(s.view->cursorSquare(), uint8_t(56));
            for (Qt::Key key : c.keys)
                QTest::keyClick(s.view, key);
            QCOMPARE(s.view->cursorSquare(), c.square);
            QVERIFY(s.view->keyboardInUse());
            QCOMPARE(s.w.statusText(1), QString::fromLatin1(c.name));
        }
    }

    void aHeldSpaceIsOneClick()
    {
        WindowInSet s;
        QTest::keyClick(s.view, Qt::Key_Up);
        QTest::keyClick(s.view, Qt::Key_Up);
        QTest::keyClick(s.view, Qt::Key_Space);
        QCOMPARE(s.t.board.selectedSquare, uint8_t(40));
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
        QApplication::sendEvent(s.view, &repeat);
        QCOMPARE(s.t.board.selectedSquare, uint8_t(40));
    }

    // Drawn over the board, not into it, and unlike the last move's frame.
    void theCursorIsAnOutlineOfItsOwn()
    {
        WindowInSet s;
        s.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&s.w));
        s.view->setFocus();
        QTRY_VERIFY(s.view->hasFocus());
        const QImage before = s.w.backBuffer().toImage();
        QTest::keyClick(s.view, Qt::Key_Up);   // onto A 2, a light square
        const QImage shown = s.view->grab().toImage();
        QCOMPARE(s.w.backBuffer().toImage(), before);
        const SquareXY at = s.t.board.squareXY[48];
        // Along the outline: black and white, never the last move's orange.
        int black = 0, white = 0;
        for (int x = at.x + 7; x < at.x + 33; ++x) {
            const QRgb p = shown.pixel(x, at.y + 6) & 0xFFFFFF;
            black += p == 0x000000;
            white += p == 0xFFFFFF;
            QVERIFY(QColor(p) != BoardPainter::lastMoveColour());
        }
        QVERIFY2(black > 5 && white > 5, qPrintable(QStringLiteral("%1 black, %2 white").arg(black).arg(white)));
        // The square the cursor left shows the buffer as it is.
        const SquareXY left = s.t.board.squareXY[56];
        QCOMPARE(shown.pixel(left.x + 7, left.y + 7), before.pixel(left.x + 7, left.y + 7));
        // A real move of the pointer hands the board back to the mouse.
        QTest::mouseMove(s.view, QPoint(at.x + 20, at.y + 20));
        QTRY_VERIFY(!s.view->keyboardInUse());
        QCOMPARE(s.view->grab().toImage().pixel(at.x + 10, at.y + 6), before.pixel(at.x + 10, at.y + 6));
    }

    void aWholeMoveByKeysBetweenTwoCopies()
    {
        MatchHarness m;
        QVERIFY(m.open());
        GameCopy &host = m.host();
        GameCopy &client = m.client();
        QCOMPARE(host.board.isMyTurn(), 1);
        // From A 3 (square 40) to B 4 (33), both picked with Enter.
        host.keySquare(40, Qt::Key_Return);
        QCOMPARE(host.board.selectedSquare, uint8_t(40));
        QCOMPARE(host.status(1), QStringLiteral("A 3"));
        host.keySquare(33, Qt::Key_Enter);
        QCOMPARE(host.board.isMyTurn(), 0);
        QCOMPARE(host.status(), waitOpponent);
        QCOMPARE(host.window->boardView()->cursorSquare(), uint8_t(33));
        QTRY_COMPARE_WITH_TIMEOUT(client.board.isMyTurn(), 1, 10000);
        QCOMPARE(mirrorMismatch(host.board, client.board), QString());
        QCOMPARE(client.status(), yourTurn);

        // The joiner answers the same way; its back corner is H 8.
        QCOMPARE(client.window->boardView()->cursorSquare(), uint8_t(56));
        client.keyMove(42, {35});
        QCOMPARE(client.status(1), QStringLiteral("E 5"));
        QTRY_COMPARE_WITH_TIMEOUT(host.board.isMyTurn(), 1, 10000);
        QCOMPARE(mirrorMismatch(host.board, client.board), QString());
    }

    // A man that may not move while another must capture is refused with the
    // mouse's words; the capturing man then takes two by keys, leg by leg.
    void aRefusedMoveAndADoubleCaptureByKeys()
    {
        MatchHarness m;
        QVERIFY(m.open());
        GameCopy &host = m.host();
        GameCopy &client = m.client();
        m.arrange({{42, 0}, {62, 0}, {35, 1}, {19, 1}, {1, 1}});
        QCOMPARE(host.board.isMyTurn(), 1);

        host.keySquare(62);
        QVERIFY(!host.board.hasSelection());
        QCOMPARE(host.status(), QStringLiteral("You must capture."));

        host.keySquare(42);
        QCOMPARE(host.board.selectedSquare, uint8_t(42));
        host.keySquare(28);
        QCOMPARE(host.status(), QStringLiteral("You should capture still"));
        QCOMPARE(host.board.isMyTurn(), 1);
        host.keySquare(10);
        QCOMPARE(host.board.isMyTurn(), 0);
        QCOMPARE(host.status(), waitOpponent);
        QTRY_COMPARE_WITH_TIMEOUT(client.board.isMyTurn(), 1, 10000);
        QCOMPARE(mirrorMismatch(host.board, client.board), QString());
        QCOMPARE(piecesInPlay(client.board, 0), 1);
        QCOMPARE(piecesInPlay(host.board, 1), 2);
    }

    // The name says the cursor's square and what stands on it, the
    // description whose turn it is and whether a capture is compulsory.
    void theBoardReadsAsItsCursorSquareAndTheTurn()
    {
        const Diagram d = {"-.-.-.-.", ".-.-.-B-", "-.-.-.-.", ".-.-.-.-",
                           "-.-b-.-.", ".-w-.-.-", "-.-.-.-.", "W-.-.-.-"};
        WindowInSet s(&d);
        QAccessibleInterface *board = QAccessible::queryAccessibleInterface(s.view);
        QVERIFY(board);
        QVERIFY(board->state().focusable);
        QCOMPARE(board->text(QAccessible::Name), QStringLiteral("A 1, your king"));
        QCOMPARE(board->text(QAccessible::Description), QStringLiteral("Your turn to play. You must capture."));
        const struct {
            std::vector<Qt::Key> keys;
            const char *name;
        } walk[] = {
            {{Qt::Key_Up, Qt::Key_Up, Qt::Key_Right, Qt::Key_Right}, "C 3, your man"},
            {{Qt::Key_Up, Qt::Key_Right}, "D 4, opponent's man"},
            {{Qt::Key_Up}, "D 5, empty"},
            {{Qt::Key_Up, Qt::Key_Up, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right}, "G 7, opponent's king"},
        };
        for (const auto &step : walk) {
            for (Qt::Key key : step.keys)
                QTest::keyClick(s.view, key);
            QCOMPARE(board->text(QAccessible::Name), QString::fromLatin1(step.name));
            if (s.view->cursorSquare() == 42) {
                // The man that must capture, picked by key.
                QTest::keyClick(s.view, Qt::Key_Space);
                QCOMPARE(board->text(QAccessible::Name), QStringLiteral("C 3, your man, selected"));
            }
        }
        s.t.board.setMyTurn(0);
        s.w.redraw();
        QCOMPARE(board->text(QAccessible::Description), waitOpponent);
    }

    void cursorAndArrivingMovesRaiseEvents()
    {
        WindowInSet s;
        s.t.board.setMyTurn(0);
        s.w.redraw();
        s.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&s.w));
        s.view->setFocus();
        QTRY_VERIFY(s.view->hasFocus());
        // Qt hands the events on only to a screen reader that listens, which
        // a headless test has not: the board reports each one it raises.
        QSignalSpy raised(s.view, &BoardView::announced);
        auto raisedOf = [&](QAccessible::Event kind) {
            int n = 0;
            for (const QList<QVariant> &args : std::as_const(raised))
                n += args.at(0).toInt() == kind;
            return n;
        };

        QTest::keyClick(s.view, Qt::Key_Up);   // A 2, a light square
        QCOMPARE(raisedOf(QAccessible::Focus), 1);
        QCOMPARE(raisedOf(QAccessible::NameChanged), 1);
        // Against the edge the cursor stays, and is read again.
        QTest::keyClick(s.view, Qt::Key_Left);
        QCOMPARE(raisedOf(QAccessible::Focus), 2);
        QCOMPARE(raisedOf(QAccessible::NameChanged), 1);

        // The opponent's man comes from B 6 (square 17) to A 5 (24), under
        // the cursor, and the turn comes to the player.
        QTest::keyClick(s.view, Qt::Key_Up);
        QTest::keyClick(s.view, Qt::Key_Up);
        QTest::keyClick(s.view, Qt::Key_Up);
        QCOMPARE(s.view->cursorSquare(), uint8_t(24));
        QAccessibleInterface *board = QAccessible::queryAccessibleInterface(s.view);
        QCOMPARE(board->text(QAccessible::Name), QStringLiteral("A 5, empty"));
        raised.clear();
        s.t.link.recvRecord.writeLeg(MOVE, uint8_t(63 - 17), uint8_t(63 - 24), 63);
        s.w.OnLinkEvent(LINK_RECEIVED, 0);
        QCOMPARE(s.t.board.isMyTurn(), 1);
        QCOMPARE(raisedOf(QAccessible::NameChanged), 1);
        QCOMPARE(raisedOf(QAccessible::DescriptionChanged), 1);
        QCOMPARE(board->text(QAccessible::Name), QStringLiteral("A 5, opponent's man"));
        QCOMPARE(board->text(QAccessible::Description), yourTurn);

        // A draw offer takes the turn without touching the board.
        raised.clear();
        s.w.refreshCommands();
        s.w.commandAction(res::ID_DRAW_OFFER)->trigger();
        QCOMPARE(raisedOf(QAccessible::DescriptionChanged), 1);
        QCOMPARE(board->text(QAccessible::Description), waitOpponent);

    }
};

QTEST_MAIN(TestKeyboardPlay)
#include "test_keyboard_play.moc"
