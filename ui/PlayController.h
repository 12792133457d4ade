// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "rules/BoardTypes.h"
#include "rules/LegSink.h"
#include "net/LinkExtension.h"
#include "rules/MatchRecord.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace sorvada {

class GameBoard;
class PlayLink;
class PlayView;
class SettingsStore;

// The window's one-shot timers, by identifier.
inline constexpr int TIMER_START = 1;     // runs the start sequence after creation
inline constexpr int TIMER_CONNECT = 2;   // gives up a join that found no server
inline constexpr int TIMER_NEW_SET = 6;   // sets up the board of the next set
inline constexpr int TIMER_GRACE = 7;     // counts down the wait for a lost line, once a second

// The start alarm's sound.
inline const QString START_SOUND = QStringLiteral("start.wav");

// Cursor number for the system's standard arrow.
inline constexpr int CURSOR_ARROW = 0;

// Where the window draws the board's top-left square.
inline constexpr int BOARD_ORIGIN_X = 125;
inline constexpr int BOARD_ORIGIN_Y = 25;

// The flow of a match: the start sequence, every event of the link and every
// game message the opponent's copy sends, the game commands, whose turn it is
// and who opens the next set. It shows and asks through a PlayView and talks
// to the opponent through a PlayLink.
//
// The view's dialogs run nested event loops in which the link goes on
// delivering messages, so every handler takes what it needs out of the
// received record before it opens one.
class PlayController : public LegSink {
public:
    PlayController(GameBoard &board, PlayLink &link, PlayView &view, SettingsStore &settings,
                   int connectTimeoutMs);
    ~PlayController() override;

    // --- start sequence (StartSequence.cpp) ------------------------------
    // Asks for the player's name and the way to connect, stores the answers
    // and opens the link. 1 when the program goes on, 0 when it is to end.
    int RunStartSequence();
    // The program was started with this one argument, an invitation link
    // (sorvada://HOST/CODE): the start sequence then offers "Connect through
    // the Tavimore Server" and HOST/CODE instead of the stored choice and
    // address. A malformed link is refused with a message that says what is
    // wrong, and the sequence goes on as without it.
    void setStartLink(const QString &link) { startLink = link; }
    // The link gave up opening (a full game server): says why and closes.
    void OnStartFailed();
    // The connection time has run out.
    void OnConnectTimeout();

    // --- link events and the opponent's messages -------------------------
    void OnLinkEvent(unsigned int event, int param);
    // The new-set timer has run: the next set's board is set up.
    void OnNewSet();
    // The grace timer has run: the status bar shows what is left of the wait for the line.
    void OnGraceTick();
    // Move entry hands each leg it has applied to the board here, to be sent.
    void legEntered(uint8_t kind, uint8_t from, uint8_t to, uint8_t via) override;

    // --- game commands (GameCommands.cpp) --------------------------------
    // The local player is to move: the draw offer and the capitulation may
    // be given.
    bool playerToMove() const;
    void OnDrawOffer();
    void OnCapitulate();
    void OnScore();
    void OnChat();
    void OnStartAlarm();
    void OnMessageAlarm();
    void OnLastMove();

    // The names have been exchanged and neither player has left: closing
    // the window now ends a match.
    bool matchUnderWay() const;
    // The window closes: the peer learns that this player has left, unless
    // it left first or there never was a peer.
    void OnWindowClosed();
    // The opponent's move has been seen once the player acts.
    void clearLastMove();
    uint8_t role() const;
    // Every set of the match so far, as played on this board.
    const MatchRecord &matchRecord() const { return record; }

    // Known to the window as well: the menu's check marks, the board's marks.
    QString playerName;
    int opponentGone = 0;
    int startAlarmOff = 1;
    int messageAlarmOff = 1;
    // 0 while the opponent's last move is marked on the board (setting "LastMove").
    int lastMoveOff = 0;
    // The squares of the opponent's last move (where it started, where each
    // of its legs landed), marked until the local player clicks.
    std::vector<uint8_t> lastMoveSquares;
    // How long a join or a matchmaking start may take to find the opponent.
    int connectTimeoutMs;
    QString startLink;

private:
    GameBoard &board;
    PlayLink &link;
    PlayView &view;
    SettingsStore &settings;
    MatchRecord record;

    bool opponentMoveOpen = false;

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
    bool matchStarted = false;
    // The line to the opponent is lost and waited for (PlayResume.cpp): the status bar counts
    // down, and the game's own status is kept to be shown again once the line is back.
    bool lineLost = false;
    int shownStatus = 0;
    // The line came back and no digest of the opponent's has been compared with ours since.
    bool awaitingAgreement = false;

    void showStatus(int stringId);
    void showScore(int own, int opponent, int headingId);
    void showVariantStatus();
    void onServing();
    void onGreeting();
    void answerGreeting();
    void onOpponentLeg(uint8_t type, uint8_t from, uint8_t to, uint8_t via);
    void newSetReady();
    void endMatch(int stringId);
    void endRecordedSet(MatchRecord::Outcome outcome);
    void onDrawOfferReceived();
    void onDrawAccepted();
    void onGameLost();
    void onChat();
    void onLineLost();
    void onLineBack();
    void onDigest();
    void showGraceLeft();
    DigestMessage currentDigest(bool answer) const;
    QString networkErrorDetail(bool timedOut) const;
};

} // namespace sorvada
