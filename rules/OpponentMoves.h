// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <memory>

namespace sorvada {

class GameBoard;

// What the opponent may play next. The local board generates moves for the
// local side only, so the opponent's legal legs come from the same rules run
// on the board turned round, as the opponent's own copy sees it. The view is
// built afresh at the first leg of each opponent move and follows the move
// leg by leg until it ends.
class OpponentMoves {
public:
    OpponentMoves();
    ~OpponentMoves();
    OpponentMoves(const OpponentMoves& other);
    OpponentMoves& operator=(const OpponentMoves& other);

    // Forgets the move under way: a new set, or the local side has moved.
    void clear() { underWay = false; }
    bool moveUnderWay() const { return underWay; }

    // Checks a received leg (local squares) against the opponent's play in
    // the position of `local`: the first leg of one of the opponent's legal
    // moves, or the next leg of the move under way; `last` says whether the
    // leg claims to end the move, and a turning leg must name its real
    // turning square as `via`. On success the view takes the leg and
    // `turning` is the turning square in local terms (0 for a straight leg).
    // On refusal nothing changes.
    bool follow(const GameBoard& local, uint8_t from, uint8_t to, uint8_t via, bool last, uint8_t& turning);

private:
    void turnRound(const GameBoard& local);

    std::unique_ptr<GameBoard> view;
    bool underWay = false;
    uint8_t moverSquare = 0; // where the moving piece stands, in the view's terms
};

} // namespace sorvada
