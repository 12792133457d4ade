// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string>

#include "rules/BoardTypes.h"
#include "rules/LegList.h"
#include "rules/LegSink.h"
#include "rules/OpponentMoves.h"
#include "rules/PieceRecord.h"

namespace sorvada {

// The one game-state object of a copy: the 8 x 8 board seen from the local
// side (own pieces at the bottom, moving up), its 24 pieces, the screen
// positions of the squares, the selection, whose turn it is, the variant and
// the state a multiple capture needs to go on.
//
// Moves are generated for the local side only. Legs of the opponent arrive
// already mirrored into local squares and go through applyReceivedLeg, which
// checks them against the opponent's legal moves (the same rules run on the
// board turned round) and refuses anything else.
//
// Rule operations answer 1 or 0 (flags are 32-bit 0/1 values) and report
// nothing themselves.
class GameBoard {
public:

    // --- set-up and plain state -------------------------------------------
    // The link role decides colours: ROLE_SERVER plays light (owner 1) and
    // moves first in the first set; any other role plays blue (owner 0).
    void setRole(uint8_t value) { linkRole = value; }
    uint8_t role() const { return linkRole; }

    // Builds the starting position and the square positions with the given
    // window origin; leaves turn, variant, first mover and names alone.
    void setUpPosition(int originX, int originY);
    // The same starting position for a board that is never drawn or clicked
    // (searches, fuzzers): the square positions stay as they were.
    void setUpPosition();

    void setMyTurn(int value) { myTurn = value; }
    int isMyTurn() const { return myTurn; }
    void setVariant(uint8_t value) { gameVariant = value; }
    uint8_t variant() const { return gameVariant; }
    void setFirstMover(int value) { firstMover = value; }
    int isFirstMover() const { return firstMover; }
    void setPlayerNames(const std::string& local, const std::string& peer);
    bool hasSelection() const { return selectedSquare != NO_SQUARE; }

    // Owner value, man kind and king kind of the local pieces.
    int localMover() const { return linkRole == ROLE_SERVER ? 1 : 0; }
    uint8_t localManKind() const { return linkRole == ROLE_SERVER ? 0 : 1; }
    uint8_t localKingKind() const { return linkRole == ROLE_SERVER ? 2 : 3; }

    // --- arranging a position ---------------------------------------------
    // Every piece leaves the board as taken and the selection goes; turn,
    // variant, names and square positions stay. Then placePiece builds the
    // position, and generateMoves gives the local side its targets.
    void clearPieces();
    // Puts a piece of the given kind (0..3, see PieceRecord) on an empty dark
    // square, as the lowest free index of its side (local 12..23, opponent
    // 0..11). Answers the index, or -1 when the square is not an empty dark
    // square, the kind is no kind, or that side has no index free.
    int placePiece(uint8_t square, uint8_t kind);
    // The piece on the square leaves the board as taken; 0 when none stands there.
    int removePiece(uint8_t square);
    // The man on the square becomes a king of its colour; 0 when no man stands there.
    int crownPiece(uint8_t square);
    // Marks a square as picked (NO_SQUARE: nothing picked), as a click would.
    void setSelection(uint8_t square) { selectedSquare = square; }

    // --- move rules -------------------------------------------------------
    // The legs the local side may play now, from the targets of the last
    // generateMoves or checkContinuation: of every local piece that may move,
    // only the capturing ones when a capture is compulsory, and only the
    // piece under way after checkContinuation has answered 1. Whose turn it
    // is does not matter here.
    LegList legalLegs() const;
    // Whether from -> to is one of legalLegs(), without building the list.
    bool isLegalLeg(uint8_t from, uint8_t to) const;
    // legalLegs().size() without building the list (a search's last ply).
    int legalLegCount() const;
    // Whether the legal legs are captures: one is open, so capturing is compulsory.
    bool captureIsCompulsory() const { return captureRequired == 1; }
    // Recomputes captureRequired and the targets of every local piece.
    void generateMoves();
    // 0 off the board (or a piece already taken in the move under way, which
    // stands as a wall until the move ends), 1 empty dark square, 2 a piece
    // of owner `mover`, 3 any other piece.
    int probeSquare(int c, int r, int mover) const;
    // One short jump test of piece k from (c, r) in direction (dc, dr).
    void addShortCapture(int k, int c, int r, int dc, int dr, int mover);
    // Flying capture scan of piece k from (c, r) in direction (dc, dr).
    void addKingCaptures(int k, int c, int r, int dc, int dr, int mover);
    // After a flying capture: collects the king's landing run into
    // landingCandidates and the captures further along the same line.
    void scanLandingLine(int k, int dc, int dr, int mover);
    // Carries out one leg. A non-zero via is stored as the first landing
    // candidate (the sender's turning point of a received leg). When the
    // piece moved is a local one and the variant is Russian, pieces taken
    // stay standing (captured = 1) until finishLocalMove; otherwise they leave
    // the board at the leg that takes them. Trusts its input: legs from the
    // peer must go through applyReceivedLeg.
    int applyMove(uint8_t from, uint8_t to, uint8_t via);
    // After a local capture leg of piece k: 1 when it must capture again
    // (then its targets are the only targets on the board), else 0.
    int checkContinuation(int k);
    // Ends the local move: every piece taken during it leaves the board.
    void finishLocalMove();
    // 1 when no local piece that is still on the board has a target.
    int hasNoMoves() const;

    // Checked entry for a leg received from the peer (squares already in
    // local terms); lastLeg: the leg ends the opponent's move (MOVE), else
    // the same piece must capture again (CAPTURE_STEP). Refuses, changing
    // nothing on the board, a leg out of turn or one the opponent could not
    // play now; otherwise applies it exactly as applyMove does.
    bool applyReceivedLeg(uint8_t from, uint8_t to, uint8_t via, bool lastLeg);
    // 1 while a received move has legs still to come.
    bool opponentMoveUnderWay() const { return opponentMoves.moveUnderWay(); }

    // --- geometry and move entry ------------------------------------------
    // Square under window pixel (x, y), or NO_SQUARE.
    uint8_t squareAt(int x, int y) const;
    // "%c %d" name of the square under the pixel as this side sees the board
    // (A1 bottom left for the host, H8 for the joiner); empty off the board.
    std::string squareName(int x, int y) const;
    // Turns a click into a selection or a leg; 1 when something changed.
    int handleClick(int x, int y);
    // 1 when the square is a target of the selected piece.
    int isTargetOfSelected(uint8_t square) const;
    // Where handleClick reports applied legs; nullptr reports nothing.
    void setLegSink(LegSink* sink) { legSink = sink; }

    // --- state ------------------------------------------------------------
    std::string localName;
    std::string peerName;
    PieceRecord pieces[24];
    uint8_t board[64] = {};
    SquareXY squareXY[64] = {};
    uint8_t selectedSquare = NO_SQUARE;
    int32_t captureRequired = 0;
    int32_t myTurn = 0;
    int32_t promotedThisMove = 0;
    int32_t lastCapturedCol = 0;
    int32_t lastCapturedRow = 0;
    uint8_t lastDirection = 0;
    uint8_t landingCandidates[30] = {};
    uint8_t viaSquare = 0;
    int32_t firstMover = 0;
    int32_t ownPieceSeen = 0;
    uint8_t gameVariant = 0;

private:
    void addTarget(int k, uint8_t square, bool capture);
    // The one rule for which pieces may start a leg now: a local piece on the
    // board with targets, and a capturing one while a capture is compulsory.
    static bool mayMove(const PieceRecord& p, int mover, bool onlyCaptures)
    {
        return p.owner == mover && !p.captured && p.canMove && (!onlyCaptures || p.mustCapture);
    }

    uint8_t linkRole = ROLE_NONE;
    LegSink* legSink = nullptr;
    OpponentMoves opponentMoves;
};

} // namespace sorvada
