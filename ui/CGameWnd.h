// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "BoardPainter.h"
#include "BoardTypes.h"
#include "CChatDlg.h"
#include "LegSink.h"
#include "SoundPlayer.h"

#include <QCursor>
#include <QHash>
#include <QMainWindow>
#include <QMessageBox>
#include <QPixmap>
#include <QString>

#include <vector>

class BoardView;
class CScoreDlg;
class GameBoard;
class PeerSocket;
class QAction;
class QTimer;
class SettingsStore;
class StatusParts;

// The window's one-shot timers, by identifier.
inline constexpr int TIMER_START = 1;     // runs the start sequence after creation
inline constexpr int TIMER_CONNECT = 2;   // gives up a join that found no server
inline constexpr int TIMER_NEW_SET = 6;   // sets up the board of the next set

// Cursor number for the system's standard arrow.
inline constexpr int CURSOR_ARROW = 0;

// The program's only top-level window: fixed size, the game menu, a status
// bar of three parts and the back buffer in which the board is rendered. The
// play controller, the game commands and the start sequence are further
// methods of this class, in files of their own.
class CGameWnd : public QMainWindow, public LegSink
{
    Q_OBJECT
public:
    // scoreDialog keeps the results of the whole run and outlives the
    // window. connectTimeoutMs: how long a join or a matchmaking start may
    // take to find the opponent before the program gives up.
    CGameWnd(GameBoard &board, PeerSocket &link, SettingsStore &settings, CScoreDlg &scoreDialog,
             QWidget *parent = nullptr, int connectTimeoutMs = 30000);
    ~CGameWnd() override;

    // Outer size of the window, frame included, where the window manager
    // lets the program choose it.
    static constexpr int FRAME_WIDTH = 560;
    static constexpr int FRAME_HEIGHT = 460;

    // --- services for the controller, the commands and the start sequence -
    void setStatusText(int part, const QString &text);
    QString statusText(int part) const;
    void showStatus(int stringId);    // string by number into part 0

    void startWindowTimer(int id, int ms);
    void killWindowTimer(int id);
    bool isWindowTimerActive(int id) const;
    void OnTimer(int id);

    // Renders the board into the back buffer and repaints without erasing.
    void redraw();
    const QPixmap &backBuffer() const { return backBitmap; }
    const PictureTable &pictureTable() const { return pictures; }

    // 140, 144, 145 or CURSOR_ARROW.
    void setBoardCursor(int cursorId);
    int boardCursor() const { return currentCursor; }

    // A modal message box with the program's caption; returns the button.
    int messageBox(const QString &text, QMessageBox::Icon icon = QMessageBox::Critical,
                   QMessageBox::StandardButtons buttons = QMessageBox::Ok);

    QAction *commandAction(int id) const { return actions.value(id); }
    BoardView *boardView() const { return view; }
    StatusParts *statusParts() const { return status; }

    // --- window handlers -------------------------------------------------
    void OnMouseMove(int x, int y);
    void OnMouseLeave();
    void OnLButtonDown(int x, int y);
    // A menu item highlighted (its command number, 0 for a menu title), or,
    // with closed set, the menus closed.
    void OnMenuSelect(int item, bool closed = false);
    void OnSysColorChange();
    void OnCommand(int id);

    // Command enabling and check marks, refreshed before a menu opens.
    void OnUpdateGameCommand();
    void OnUpdateStartAlarm();
    void OnUpdateMessageAlarm();
    void OnUpdateLastMove();

    // --- play controller (PlayController.cpp) ----------------------------
    void OnLinkEvent(unsigned int event, int param);

    // --- game commands (GameCommands.cpp) --------------------------------
    void OnDrawOffer();
    void OnCapitulate();
    void OnScore();
    void OnChat();
    void OnStartAlarm();
    void OnMessageAlarm();
    void OnLastMove();
    void OnHelpContents();
    void OnHomePage();
    void OnAbout();
    void OnAuthors();

    // --- start sequence (StartSequence.cpp) ------------------------------
    // 1 when the program goes on, 0 when it is to end.
    int RunStartSequence();
    // The link gave up opening (a full game server): says why and closes.
    void OnStartFailed();

    // --- state shared by the window's methods ----------------------------
    QString appTitle;
    QString playerName;
    QString messageText;
    int opponentGone = 0;
    int startAlarmOff = 1;
    int messageAlarmOff = 1;
    // 0 while the opponent's last move is marked on the board (setting "LastMove").
    int lastMoveOff = 0;
    // The squares of the opponent's last move (where it started, where each
    // of its legs landed), marked until the local player clicks.
    std::vector<uint8_t> lastMoveSquares;
    bool opponentMoveOpen = false;
    int menuTextSaved = 0;
    QString savedStatusText;
    int connectTimeoutMs;

    // The score of the run (owned by main), the chat window (no owner, so
    // the game's modal dialogs never block it) and the alarm sounds.
    CScoreDlg &scoreDialog;
    CChatDlg chatDialog;
    SoundPlayer sounds;

    // Move entry hands each leg it has applied to the board here, to be sent.
    void legEntered(uint8_t kind, uint8_t from, uint8_t to, uint8_t via) override;

signals:
    // The window has closed; the program ends with it.
    void windowClosed();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    GameBoard &board;
    PeerSocket &link;
    SettingsStore &settings;

    QPixmap backBitmap;
    PictureTable pictures;
    QHash<int, QCursor> cursors;
    int currentCursor = CURSOR_ARROW;

    BoardView *view = nullptr;
    StatusParts *status = nullptr;
    QHash<int, QAction *> actions;
    QHash<int, QTimer *> timers;

    QMargins knownFrame{-1, -1, -1, -1};
    bool screenWatched = false;
    bool destroyedOnce = false;

    // The host's variant question is open; a client's greeting that arrives
    // meanwhile is answered once the variant is known, so that the client
    // never learns a variant that is not one.
    bool choosingVariant = false;
    bool greetingHeld = false;

    // From the end of a set (and before the first) until the new board is
    // set up; the opponent's legs that arrive meanwhile wait in heldLegs.
    struct HeldLeg {
        uint8_t type, from, to, via;
    };
    static constexpr size_t MAX_HELD_LEGS = 32;
    bool newSetPending = true;
    std::vector<HeldLeg> heldLegs;
    // The match is over (the opponent left, or broke the rules): nothing
    // the peer sends is acted on any more.
    bool matchEnding = false;
    // The names have been exchanged and neither player has left: closing
    // the window now ends a match, and is asked about first.
    bool matchStarted = false;
    bool askingToLeave = false;
    bool matchUnderWay() const;

    // The own piece last clicked in vain because another must capture.
    uint8_t refusedSquare = NO_SQUARE;
    void clearLastMove();

    // Counts down the seconds a join or matchmaking start has left, in the
    // status bar's middle part, until the link has a role.
    QTimer *countdown = nullptr;
    void startCountdown();
    void showCountdown();
    QString networkErrorDetail(bool timedOut) const;

    int peerSlot() const;
    void sendBare(uint8_t type);
    void showScore(int own, int opponent, int headingId);
    void showVariantStatus();
    void onGreeting();
    void answerGreeting();
    void onOpponentLeg(uint8_t type, uint8_t from, uint8_t to, uint8_t via);
    void newSetReady();
    void endMatch(int stringId);
    void onDrawOfferReceived();
    void onDrawAccepted();
    void onGameLost();
    void onChat();

    void loadPictures();
    void buildMenu();
    void fitToFrame();
    void OnDestroy();
};
