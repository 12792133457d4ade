// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainMenu.h"
#include "app/ResourceIds.h"
#include "app/Resources.h"
#include "app/SettingKeys.h"
#include "app/StringTable.h"
#include "sim/ModalAnswerer.h"
#include "sim/TemporarySettings.h"
#include "tests/support/BoardDiagram.h"
#include "tests/support/WindowFixture.h"
#include "ui/GameActions.h"
#include "ui/BoardPainter.h"
#include "ui/BoardView.h"
#include "ui/StatusParts.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

using namespace sorvada;

using namespace res;

namespace {

QMenu *menuTitled(const CGameWnd &w, const QString &title)
{
    for (QAction *a : w.menuBar()->actions())
        if (a->menu() && a->text() == title)
            return a->menu();
    return nullptr;
}

QPoint centreOf(const GameBoard &board, int square)
{
    return QPoint(board.squareXY[square].x + 20, board.squareXY[square].y + 20);
}

QRgb pictureCentre(int pictureId, bool inverted = false)
{
    const QRgb p = loadPicture(pictureId).toImage().pixel(20, 20);
    return inverted ? qRgb(255 - qRed(p), 255 - qGreen(p), 255 - qBlue(p)) : qRgb(qRed(p), qGreen(p), qBlue(p));
}

QRgb bufferPixel(const CGameWnd &w, QPoint at)
{
    const QRgb p = w.backBuffer().toImage().pixel(at);
    return qRgb(qRed(p), qGreen(p), qBlue(p));
}

} // namespace

class TestGameWindow : public QObject
{
    Q_OBJECT
    TemporarySettings settings;

private slots:
    void frameTitleAndPlacement()
    {
        WindowUnderTest t;
        CGameWnd &w = *t.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("Sorvada"));
        QCOMPARE(w.appTitle, QStringLiteral("Sorvada"));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.frameGeometry().size(), QSize(560, 460));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        const QRect screen = w.screen()->geometry();
        QCOMPARE(w.frameGeometry().topLeft(),
                 QPoint(screen.x() + (screen.width() - 560) / 2, screen.y() + (screen.height() - 460) / 2));
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));

        QCOMPARE(w.centralWidget(), w.boardView());
        QVERIFY(w.boardView()->testAttribute(Qt::WA_OpaquePaintEvent));
        QVERIFY(w.boardView()->hasMouseTracking());

        // Flags start as the program needs them before the settings are read.
        QCOMPARE(w.controller().opponentGone, 0);
        QCOMPARE(w.controller().startAlarmOff, 1);
        QCOMPARE(w.controller().messageAlarmOff, 1);
        QCOMPARE(w.menuTextSaved, 0);
    }

    void statusBarHasThreeParts()
    {
        WindowUnderTest t;
        CGameWnd &w = *t.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        StatusParts *bar = w.statusParts();
        QCOMPARE(w.statusBar(), bar);
        QCOMPARE(bar->partRect(0).left(), 0);
        QCOMPARE(bar->partRect(0).right() + 1, 440);
        QCOMPARE(bar->partRect(1).left(), 440);
        QCOMPARE(bar->partRect(1).right() + 1, 500);
        QCOMPARE(bar->partRect(2).right() + 1, 560);
        QCOMPARE(bar->geometry().bottom(), w.height() - 1);
        QVERIFY(bar->partRect(3).isNull());

        QCOMPARE(w.statusText(0), QStringLiteral("Please wait for joining..."));
        QCOMPARE(w.statusText(1), QString());
        QCOMPARE(w.statusText(2), QString());
        w.setStatusText(2, loadString(IDS_RUS));
        w.setStatusText(7, QStringLiteral("nowhere"));
        w.setStatusText(-1, QStringLiteral("nowhere"));
        QCOMPARE(w.statusText(2), QStringLiteral("RUS"));
        QCOMPARE(w.statusText(7), QString());
        w.showStatus(IDS_WAIT_OPPONENT_SET_END);
        QCOMPARE(w.statusText(0), QStringLiteral("Please wait for the opponent"));
    }

    void backBufferStartsGreyAndIsPaintedAsIs()
    {
        WindowUnderTest t;
        CGameWnd &w = *t.window;
        QCOMPARE(w.backBuffer().size(), QSize(560, 460));
        for (QPoint p : {QPoint(0, 0), QPoint(280, 230), QPoint(559, 459)})
            QCOMPARE(bufferPixel(w, p), qRgb(128, 128, 128));

        t.board.setRole(ROLE_SERVER);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.startWindowTimer(TIMER_NEW_SET, 10);
        QVERIFY(w.isWindowTimerActive(TIMER_NEW_SET));
        QTRY_VERIFY_WITH_TIMEOUT(t.board.board[0] == LIGHT_SQUARE, 5000);
        QVERIFY(!w.isWindowTimerActive(TIMER_NEW_SET));
        QCOMPARE(t.board.squareXY[63].x, 398);
        QCOMPARE(bufferPixel(w, centreOf(t.board, 40)), pictureCentre(IDB_LIGHT_MAN));
        QCOMPARE(bufferPixel(w, centreOf(t.board, 1)), pictureCentre(IDB_BLUE_MAN));
        // The screen shows the buffer one to one.
        const QImage shown = w.boardView()->grab().toImage();
        const QPoint p = centreOf(t.board, 40);
        QCOMPARE(qRgb(qRed(shown.pixel(p)), qGreen(shown.pixel(p)), qBlue(shown.pixel(p))),
                 pictureCentre(IDB_LIGHT_MAN));
    }

    void timersAreOneShotAndStoppedFirst()
    {
        WindowUnderTest t;
        CGameWnd &w = *t.window;
        t.board.setRole(ROLE_CLIENT);
        // A handler run early stops its own timer, so it does not run twice.
        w.startWindowTimer(TIMER_NEW_SET, 60000);
        w.OnTimer(TIMER_NEW_SET);
        QVERIFY(!w.isWindowTimerActive(TIMER_NEW_SET));
        QCOMPARE(t.board.board[40], uint8_t(12));
        QCOMPARE(bufferPixel(w, centreOf(t.board, 40)), pictureCentre(IDB_BLUE_MAN));

        // Unknown identifiers are neither started nor handled.
        w.startWindowTimer(3, 10);
        QVERIFY(!w.isWindowTimerActive(3));
        w.OnTimer(3);
        QCOMPARE(w.statusText(0), QStringLiteral("Please wait for joining..."));
    }

    void startTimerRunsOnceAfterCreation()
    {
        GameBoard board;
        PeerSocket link;
        SettingsStore settings(QStringLiteral("sorvada-window-test"));
        CScoreDlg score;
        CGameWnd w(board, link, settings, score);
        QVERIFY(w.isWindowTimerActive(TIMER_START));
        w.killWindowTimer(TIMER_START);
        QVERIFY(!w.isWindowTimerActive(TIMER_START));
    }

    void connectTimeoutWithoutRoleEndsTheProgram()
    {
        WindowUnderTest t;
        CGameWnd &w = *t.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QSignalSpy closed(&w, &CGameWnd::windowClosed);
        ModalAnswerer answers;
        answers.answerBox(QString(), QMessageBox::Ok);
        w.startWindowTimer(TIMER_CONNECT, 10);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 10000);
        QCOMPARE(answers.seen().size(), std::size_t(1));
        QCOMPARE(answers.seen().front().title, QStringLiteral("Sorvada"));
        QCOMPARE(answers.seen().front().text, QStringLiteral("Network error."));
        QCOMPARE(answers.seen().front().icon, QMessageBox::Critical);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!w.isWindowTimerActive(TIMER_CONNECT));
    }

    void connectTimeoutAfterBecomingServerDoesNothing()
    {
        WindowUnderTest t;
        CGameWnd &w = *t.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        t.link.role = ROLE_SERVER;
        w.startWindowTimer(TIMER_CONNECT, 10);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isWindowTimerActive(TIMER_CONNECT), 5000);
        QVERIFY(w.isVisible());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        t.link.role = ROLE_NONE;
    }

    void menuHasEveryCommandWithItsKeys()
    {
        WindowUnderTest t;
        CGameWnd &w = *t.window;
        // Every menu, its items with their command numbers and separators (0),
        // in order; every command has its prompt.
        QStringList seen;
        for (QAction *title : w.menuBar()->actions()) {
            seen << title->text();
            for (QAction *a : title->menu()->actions()) {
                const int id = MainMenu::commandOf(a);
                seen << QStringLiteral("%1 %2").arg(id).arg(a->isSeparator() ? QString() : a->text());
                if (!a->isSeparator()) {
                    QCOMPARE(w.commandAction(id), a);
                    QVERIFY2(hasString(id), "every menu command has its prompt");
                }
            }
        }
        QCOMPARE(seen, (QStringList{
            "&Game", "32776 &Finish set in a draw", "32783 &I capitulate", "0 ", "32785 &Score\tF9",
            "32788 &Save Game...\tCtrl+S", "0 ", "57665 &Exit",
            "&Options", "32777 &Chat\tF5", "32787 &Moves\tF4", "0 ", "32778 &Start alarm", "32779 &Message alarm",
            "32786 Show the &last move",
            "&Help", "32773 &Contents\tF1", "0 ", "32774 &Tavimore on the Web", "57664 &About..."}));

        QCOMPARE(w.commandAction(ID_HELP_FINDER)->shortcut(), QKeySequence(Qt::Key_F1));
        QCOMPARE(w.commandAction(ID_CHAT)->shortcut(), QKeySequence(Qt::Key_F5));
        QCOMPARE(w.commandAction(ID_SCORE)->shortcut(), QKeySequence(Qt::Key_F9));
        QCOMPARE(w.commandAction(ID_MOVES)->shortcut(), QKeySequence(Qt::Key_F4));
        QCOMPARE(w.commandAction(ID_SAVE_GAME)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
        QAction *authors = w.commandAction(ID_AUTHORS);
        QVERIFY(authors);
        QCOMPARE(authors->shortcut(),
                 QKeySequence(Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::Key_F12));
        for (QMenu *m : w.menuBar()->findChildren<QMenu *>())
            QVERIFY(!m->actions().contains(authors));

        // The resource carries the alarm items and the last-move item checked.
        int checkedInTable = 0;
        for (const MainMenu::Menu &m : MainMenu::menus())
            for (const MainMenu::Item &i : m.items)
                if (i.checked) {
                    ++checkedInTable;
                    QVERIFY(i.command == ID_START_ALARM || i.command == ID_MESSAGE_ALARM
                            || i.command == ID_LAST_MOVE);
                }
        QCOMPARE(checkedInTable, 3);
    }

    // Each command of the window is one entry of the command table, and its
    // action carries that entry's number, text, prompt and key; the switches
    // are exactly the entries with a check binding.
    void everyCommandIsOneEntryOfTheCommandTable()
    {
        WindowUnderTest t;
        CGameWnd &w = *t.window;
        const struct {
            int command;
            const char *text;
            const char *prompt;
            QKeySequence key;
        } expected[] = {
            {ID_DRAW_OFFER, "&Finish set in a draw", "I offer to the opponent to finish set in a draw", {}},
            {ID_CAPITULATE, "&I capitulate", "I inform the opponent that I has lost", {}},
            {ID_SCORE, "&Score\tF9", "Results of the sets", QKeySequence(Qt::Key_F9)},
            {ID_APP_EXIT, "&Exit", "Exit Sorvada", {}},
            {ID_SAVE_GAME, "&Save Game...\tCtrl+S", "Save every set of the match as a PDN file",
             QKeySequence(Qt::ControlModifier | Qt::Key_S)},
            {ID_CHAT, "&Chat\tF5", "Display the chat dialog", QKeySequence(Qt::Key_F5)},
            {ID_MOVES, "&Moves\tF4", "Display the moves of the sets", QKeySequence(Qt::Key_F4)},
            {ID_START_ALARM, "&Start alarm", "Turn on/off start alarm", {}},
            {ID_MESSAGE_ALARM, "&Message alarm", "Turn on/off income message alarm", {}},
            {ID_LAST_MOVE, "Show the &last move", "Turn on/off marking of the opponent's last move", {}},
            {ID_HELP_FINDER, "&Contents\tF1", "Display the table of contents", QKeySequence(Qt::Key_F1)},
            {ID_HOME_PAGE, "&Tavimore on the Web", "Open the Tavimore home page", {}},
            {ID_APP_ABOUT, "&About...", "Display the program information and copyright", {}},
            {ID_AUTHORS, "", "",
             QKeySequence(Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::Key_F12)},
        };
        QCOMPARE(GameActions::table().size(), std::size(expected));
        for (const auto &e : expected) {
            const GameActions::Entry *entry = GameActions::entryOf(e.command);
            QVERIFY2(entry && entry->run, qPrintable(QString::number(e.command)));
            QAction *a = w.commandAction(e.command);
            QVERIFY(a);
            QCOMPARE(MainMenu::commandOf(a), e.command);
            QCOMPARE(a->text(), QString::fromLatin1(e.text));
            QCOMPARE(a->statusTip(), QString::fromLatin1(e.prompt));
            QCOMPARE(a->shortcut(), e.key);
            QCOMPARE(a->isCheckable(), entry->checked != nullptr);
        }
        // No action of the window stands outside the table.
        QList<QAction *> all = w.QWidget::actions();
        for (QMenu *m : w.menuBar()->findChildren<QMenu *>())
            all += m->actions();
        for (QAction *a : all)
            if (!a->isSeparator() && !a->menu())
                QVERIFY2(GameActions::entryOf(MainMenu::commandOf(a)), qPrintable(a->text()));
    }

    void keysReachTheirCommands()
    {
        WindowUnderTest t;
        CGameWnd &w = *t.window;
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        // Help (no page beside the test: "Failed to launch help."), the score
        // and the authors box each open a modal window, closed here as the
        // player would.
        ModalAnswerer closer;
        for (int i = 0; i < 3; ++i)
            closer.then([](QWidget *modal) { modal->close(); });
        for (int id : {ID_HELP_FINDER, ID_CHAT, ID_SCORE, ID_AUTHORS}) {
            QSignalSpy spy(w.commandAction(id), &QAction::triggered);
            w.activateWindow(); // the window that shortcuts reach, after each modal one
            QVERIFY(QTest::qWaitForWindowActive(&w));
            const QKeyCombination key = w.commandAction(id)->shortcut()[0];
            QTest::keyClick(&w, key.key(), key.keyboardModifiers());
            QCOMPARE(spy.count(), 1);
            QVERIFY(!QApplication::activeModalWidget());
        }
        QCOMPARE(closer.pending(), 0);
    }

    void updateHandlersSetEnablingAndChecks()
    {
        WindowUnderTest t;
        CGameWnd &w = *t.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QMenu *game = menuTitled(w, "&Game");
        QMenu *options = menuTitled(w, "&Options");

        t.board.setMyTurn(0);
        game->popup(w.mapToGlobal(QPoint(10, 10)));
        QVERIFY(!w.commandAction(ID_DRAW_OFFER)->isEnabled());
        QVERIFY(!w.commandAction(ID_CAPITULATE)->isEnabled());
        QVERIFY(w.commandAction(ID_SCORE)->isEnabled());
        game->hide();

        t.board.setMyTurn(1);
        game->popup(w.mapToGlobal(QPoint(10, 10)));
        QVERIFY(w.commandAction(ID_DRAW_OFFER)->isEnabled());
        QVERIFY(w.commandAction(ID_CAPITULATE)->isEnabled());
        game->hide();

        w.controller().startAlarmOff = 0;
        w.controller().messageAlarmOff = 5;   // any value but 0 is off
        options->popup(w.mapToGlobal(QPoint(10, 10)));
        QVERIFY(w.commandAction(ID_START_ALARM)->isChecked());
        QVERIFY(!w.commandAction(ID_MESSAGE_ALARM)->isChecked());
        options->hide();
        w.controller().startAlarmOff = 1;
        w.controller().messageAlarmOff = 0;
        options->popup(w.mapToGlobal(QPoint(10, 10)));
        QVERIFY(!w.commandAction(ID_START_ALARM)->isChecked());
        QVERIFY(w.commandAction(ID_MESSAGE_ALARM)->isChecked());
        options->hide();
    }

    void menuPromptsAndTheSavedText()
    {
        WindowUnderTest t;
        CGameWnd &w = *t.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        t.board.setMyTurn(1);   // the game commands are enabled, so they can be highlighted
        w.showStatus(IDS_YOUR_TURN);
        QMenu *game = menuTitled(w, "&Game");

        // Opened from the menu bar, as the user opens it.
        w.menuBar()->setActiveAction(game->menuAction());
        QTRY_VERIFY(game->isVisible());
        QCOMPARE(w.menuTextSaved, 1);
        QCOMPARE(w.statusText(0), QString());   // a menu title has no prompt
        game->setActiveAction(w.commandAction(ID_SCORE));
        QCOMPARE(w.statusText(0), QStringLiteral("Results of the sets"));
        game->setActiveAction(w.commandAction(ID_APP_EXIT));
        QCOMPARE(w.statusText(0), QStringLiteral("Exit Sorvada"));
        // Off the items (onto a separator) the part is empty.
        game->setActiveAction(nullptr);
        QCOMPARE(w.statusText(0), QString());
        game->setActiveAction(w.commandAction(ID_CAPITULATE));
        QCOMPARE(w.statusText(0), QStringLiteral("I inform the opponent that I has lost"));
        QTest::keyClick(game, Qt::Key_Escape);
        QTRY_VERIFY(!game->isVisible());
        QCOMPARE(w.statusText(0), QStringLiteral("Your turn to play"));
        QCOMPARE(w.menuTextSaved, 0);

        // A status text written while the menu is open gives way to the saved
        // one when it closes.
        QMenu *help = menuTitled(w, "&Help");
        help->popup(w.mapToGlobal(QPoint(10, 10)));
        help->setActiveAction(w.commandAction(ID_HOME_PAGE));
        QCOMPARE(w.statusText(0), QStringLiteral("Open the Tavimore home page"));
        w.showStatus(IDS_WAIT_OPPONENT);
        help->hide();
        QCOMPARE(w.statusText(0), QStringLiteral("Your turn to play"));
    }

    void exitClosesTheWindow()
    {
        WindowUnderTest t;
        CGameWnd &w = *t.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QSignalSpy closed(&w, &CGameWnd::windowClosed);
        w.commandAction(ID_APP_EXIT)->trigger();
        QVERIFY(!w.isVisible());
        QCOMPARE(closed.count(), 1);
        t.window.reset();  // destruction after closing does not close twice
        QCOMPARE(closed.count(), 1);
    }

    void pointerShowsCursorStatusAndSquare()
    {
        WindowUnderTest t;
        CGameWnd &w = *t.window;
        t.board.setRole(ROLE_SERVER);
        t.board.setVariant(VARIANT_RUSSIAN);
        w.OnTimer(TIMER_NEW_SET);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        BoardView *view = w.boardView();

        // The opponent's turn: the W cursor, the status text stays.
        t.board.setMyTurn(0);
        w.showStatus(IDS_WAIT_OPPONENT);
        QTest::mouseMove(view, centreOf(t.board, 35));
        QTRY_COMPARE(w.statusText(1), QStringLiteral("D 4"));
        QCOMPARE(w.boardCursor(), int(IDC_WAIT_TURN));
        QCOMPARE(w.statusText(0), QStringLiteral("Please wait for the opponent"));
        QCOMPARE(view->cursor().pixmap().toImage(), loadCursor(IDC_WAIT_TURN).pixmap().toImage());

        // A click in the opponent's turn changes nothing.
        QTest::mouseClick(view, Qt::LeftButton, {}, centreOf(t.board, 42));
        QVERIFY(!t.board.hasSelection());

        // The local turn with nothing selected: the standard arrow.
        t.board.setMyTurn(1);
        QTest::mouseMove(view, centreOf(t.board, 40));
        QTRY_COMPARE(w.statusText(1), QStringLiteral("A 3"));
        QCOMPARE(w.boardCursor(), CURSOR_ARROW);
        QCOMPARE(w.statusText(0), QStringLiteral("Your turn to play"));

        // Picking a man marks it inverted in the buffer.
        QTest::mouseClick(view, Qt::LeftButton, {}, centreOf(t.board, 42));
        QCOMPARE(t.board.selectedSquare, uint8_t(42));
        QCOMPARE(bufferPixel(w, centreOf(t.board, 42)), pictureCentre(IDB_LIGHT_MAN, true));

        QTest::mouseMove(view, centreOf(t.board, 33));
        QTRY_COMPARE(w.statusText(1), QStringLiteral("B 4"));
        QCOMPARE(w.boardCursor(), int(IDC_OK));
        QCOMPARE(w.statusText(0), QStringLiteral("Here it is possible to go"));

        QTest::mouseMove(view, centreOf(t.board, 36));
        QTRY_COMPARE(w.statusText(1), QStringLiteral("E 4"));
        QCOMPARE(w.boardCursor(), int(IDC_NO));
        QCOMPARE(w.statusText(0), QStringLiteral("Here it is impossible to go"));

        // Off the board with a piece selected: No, and no square name.
        QTest::mouseMove(view, QPoint(20, 200));
        QTRY_COMPARE(w.statusText(1), QString());
        QCOMPARE(w.boardCursor(), int(IDC_NO));
        QCOMPARE(w.statusText(0), QStringLiteral("Here it is impossible to go"));

        // Leaving the board for the menu or the status bar takes the square
        // name away with it.
        QTest::mouseMove(view, centreOf(t.board, 33));
        QTRY_COMPARE(w.statusText(1), QStringLiteral("B 4"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(view, &leave);
        QCOMPARE(w.statusText(1), QString());
    }

    // The opponent's capture of two men is outlined square by square until
    // the player clicks; the switch in the menu hides it and is stored. A
    // click on a piece that may not move because another must capture says so.
    void opponentsLastMoveIsMarkedUntilThePlayerClicks()
    {
        WindowUnderTest t;
        CGameWnd &w = *t.window;
        // The set is under way: its board is up before the diagram replaces it.
        w.OnTimer(TIMER_NEW_SET);
        QVERIFY(setUpDiagram(t.board, ROLE_SERVER, VARIANT_RUSSIAN,
                             {"-.-.-.-.", ".-b-.-.-", "-.-w-.-.", ".-.-.-.-",
                              "-.-.-w-.", ".-b-.-.-", "-w-.-.-.", ".-.-.-w-"}).empty());
        t.board.setMyTurn(0);
        w.controller().lastMoveOff = 0;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QColor mark = BoardPainter::lastMoveColour();
        auto marked = [&](int square) {
            const QPoint edge(t.board.squareXY[square].x + 2, t.board.squareXY[square].y + 20);
            return bufferPixel(w, edge) == mark.rgb();
        };
        // The legs arrive in the opponent's terms, as the link delivers them.
        auto receive = [&](uint8_t type, int from, int to) {
            t.link.recvRecord.writeLeg(type, uint8_t(63 - from), uint8_t(63 - to), 63);
            w.OnLinkEvent(LINK_RECEIVED, 0);
        };
        receive(CAPTURE_STEP, 10, 28);
        QVERIFY(marked(10) && marked(28));
        QVERIFY(!marked(46));
        receive(MOVE, 28, 46);
        for (int square : {10, 28, 46})
            QVERIFY2(marked(square), qPrintable(QString::number(square)));
        for (int square : {19, 37, 42, 49, 62})
            QVERIFY2(!marked(square), qPrintable(QString::number(square)));
        QCOMPARE(t.board.isMyTurn(), 1);

        // Off and on again through the menu, stored at each change.
        QVERIFY(w.commandAction(ID_LAST_MOVE)->isChecked());
        w.commandAction(ID_LAST_MOVE)->trigger();
        QCOMPARE(w.controller().lastMoveOff, 1);
        QCOMPARE(t.settings.readInt(SettingKey::LastMove, -1), 1);
        QVERIFY(!marked(10) && !marked(46));
        w.refreshCommands();
        QVERIFY(!w.commandAction(ID_LAST_MOVE)->isChecked());
        w.commandAction(ID_LAST_MOVE)->trigger();
        QCOMPARE(t.settings.readInt(SettingKey::LastMove, -1), 0);
        QVERIFY(marked(10) && marked(46));

        // The man on 62 may not move while the one on 49 must capture.
        BoardView *view = w.boardView();
        QTest::mouseClick(view, Qt::LeftButton, {}, centreOf(t.board, 62));
        QVERIFY(!t.board.hasSelection());
        QCOMPARE(w.statusText(0), QStringLiteral("You must capture."));
        QVERIFY(!marked(10) && !marked(28) && !marked(46));
        // It stays while the pointer rests on that man, and goes with it.
        QTest::mouseMove(view, centreOf(t.board, 62) + QPoint(3, 3));
        QTRY_COMPARE(w.statusText(1), QStringLiteral("G 1"));
        QCOMPARE(w.statusText(0), QStringLiteral("You must capture."));
        QTest::mouseMove(view, centreOf(t.board, 49));
        QTRY_COMPARE(w.statusText(0), QStringLiteral("Your turn to play"));
        // The man that must capture is picked as usual.
        QTest::mouseClick(view, Qt::LeftButton, {}, centreOf(t.board, 49));
        QCOMPARE(t.board.selectedSquare, uint8_t(49));
    }

    void colourChangeReloadsAndRedraws()
    {
        WindowUnderTest t;
        CGameWnd &w = *t.window;
        t.board.setRole(ROLE_SERVER);
        w.OnTimer(TIMER_NEW_SET);
        t.board.crownPiece(40);   // crowned behind the painter's back
        QCOMPARE(bufferPixel(w, centreOf(t.board, 40)), pictureCentre(IDB_LIGHT_MAN));
        QEvent change(QEvent::PaletteChange);
        QApplication::sendEvent(&w, &change);
        QCOMPARE(bufferPixel(w, centreOf(t.board, 40)), pictureCentre(IDB_LIGHT_KING));
        QVERIFY(!w.pictureTable().usesPaletteSet());
    }
};

QTEST_MAIN(TestGameWindow)
#include "test_game_window.moc"
