// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Two complete copies of the game in one process, linked over real UDP on
// 127.0.0.1: each with its own board, link, window (with its chat window and
// sounds), score and settings. The host is started in host mode, the client
// joins it; every dialog that comes up is answered through `answers`.
#include "app/CScoreDlg.h"
#include "app/SettingsStore.h"
#include "net/PeerSocket.h"
#include "rules/GameBoard.h"
#include "sim/LossyRelay.h"
#include "sim/ModalAnswerer.h"
#include "ui/CGameWnd.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace sorvada {

// One copy of the game, built as the program builds it, minus the start
// dialogs (the copy is opened by the harness).
struct GameCopy
{
    GameCopy(const QString &settingsName, const PeerSocket::Config &config, const QString &player);
    ~GameCopy();

    GameBoard board;
    PeerSocket link;
    SettingsStore settings;
    CScoreDlg score;
    std::unique_ptr<CGameWnd> window;

    // Window pixel of a square's centre, as the board places its pictures.
    QPoint squareCentre(uint8_t square) const;
    // A real left-button click on the board widget over the square.
    void clickSquare(uint8_t square);
    // Clicks the piece on `from`, then each square of `path` in turn.
    void playMove(uint8_t from, std::initializer_list<uint8_t> path);
    // The same by keys alone, sent to the board widget: arrow keys from the
    // keyboard cursor to the square, then `press` (Space or Enter).
    void keySquare(uint8_t square, Qt::Key press = Qt::Key_Space);
    void keyMove(uint8_t from, std::initializer_list<uint8_t> path);

    // 1 when the set is under way: pieces set up and no new set pending.
    bool setReady() const;
    QString status(int part = 0) const { return window->statusText(part); }
};

struct MatchOptions
{
    QString hostPlayer = QStringLiteral("Ann");
    QString clientPlayer = QStringLiteral("Bob");
    uint8_t variant = VARIANT_RUSSIAN;
    int retransmitMs = 100;
    // How both links watch a quiet opponent.
    int probeIntervalMs = PeerSocket::Config().probeIntervalMs;
    int peerSilenceMs = PeerSocket::Config().peerSilenceMs;
    // How both links wait out and knock through a lost line.
    int graceMs = PeerSocket::Config().graceMs;
    int graceResendMaxMs = PeerSocket::Config().graceResendMaxMs;
    int knockIntervalMs = PeerSocket::Config().knockIntervalMs;
    // Set: the client knocks at the front of a LossyRelay with this seed,
    // whose back talks to the host. Unset: at the host's own port.
    std::optional<unsigned> relaySeed;
};

class MatchHarness
{
public:
    // The answerer is shared by both copies and outlives neither.
    explicit MatchHarness(const MatchOptions &options = MatchOptions());
    ~MatchHarness();

    // Opens the link (host first, the variant dialog answered with the
    // option's variant), lets the client join and waits, up to timeoutMs,
    // until both boards of the first set are set up. False on failure.
    bool open(int timeoutMs = 10000);

    GameCopy &host() { return *hostCopy; }
    // The relay between the copies (with relaySeed), once the client joined.
    LossyRelay *relay() { return relayed.get(); }
    GameCopy &client() { return *clientCopy; }
    // The copy whose player is to move, or nullptr while neither is.
    GameCopy *mover();
    GameCopy &other(const GameCopy &copy) { return &copy == hostCopy.get() ? *clientCopy : *hostCopy; }

    enum class MoveResult { Done, SetOver, Failed };
    // Plays the whole move of `mover` with real clicks, each leg chosen among
    // the legal ones by pick(count), which answers an index below count.
    // After every leg it waits for the other copy to show it and checks the
    // two boards: exact mirrors after the last leg, mirrors but for taken
    // pieces still standing on the mover's board after a capture step.
    // SetOver: the other copy found itself without a move (its score has a
    // new row); the last position was checked before its boards were reset.
    MoveResult playMove(GameCopy &mover, const std::function<int(int count)> &pick,
                        QString *why = nullptr, int timeoutMs = 10000);

    // Every leg the local player could enter now, as (from, to).
    static std::vector<std::pair<uint8_t, uint8_t>> legalLegs(const GameBoard &board);

    // Adds answer rules that close every score dialog of a finished set with
    // OK. Each copy sets up the next set only once its own dialog is closed,
    // so the loser's final position is kept when its "Sorry" dialog comes up
    // (the loser may close it before the winner hears of the loss), and
    // compared with the winner's when the winner's dialog comes up; any
    // difference is noted in setEndMismatches.
    void answerSetEnds();
    int setEndsChecked = 0;
    QStringList setEndMismatches;

    // A piece of an arranged position: square in the host's terms and kind
    // (0 light man, 1 blue man, 2 light king, 3 blue king; light is the
    // host's).
    struct Placed {
        uint8_t hostSquare;
        uint8_t kind;
    };
    // Puts the same position on both boards, each seen from its own side,
    // with nothing selected, and recomputes the moves of both; whose turn it
    // is stays as it was. For tests that need a position a few clicks could
    // not reach quickly.
    void arrange(std::initializer_list<Placed> pieces);

    ModalAnswerer answers;
    const MatchOptions options;

private:
    // The copy whose window owns the dialog w, or null.
    GameCopy *ownerOf(QWidget *w) const;
    std::optional<GameBoard> loserFinal;
    bool loserIsHost = false;

    // Outlives the copies, so neither sees the other's datagrams stop first.
    std::unique_ptr<LossyRelay> relayed;
    std::unique_ptr<GameCopy> hostCopy;
    std::unique_ptr<GameCopy> clientCopy;
};

// Empty when b is the exact mirror of a (cell s of a holds the counterpart of
// cell 63 - s of b: same kind and owner, same pieces taken); else the first
// difference. With standingOnA, pieces of a that are taken but still stand
// (a capture not yet finished on the mover's board) may face empty squares.
QString mirrorMismatch(const GameBoard &a, const GameBoard &b, bool standingOnA = false);
// Number of pieces of the given owner still in play.
int piecesInPlay(const GameBoard &board, int owner);

} // namespace sorvada
