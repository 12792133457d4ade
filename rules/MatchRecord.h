// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "rules/Move.h"
#include "rules/SetRecord.h"

namespace sorvada {

class GameBoard;

// The record of every set of a match as one copy saw it: each whole move once, with all
// its legs, whether this side or the opponent played it, and how each set ended. Legs are
// handed in right after the board has applied them, in the board's own squares; the
// record reads from the board what each leg took and where a turning king landed.
class MatchRecord {
public:
    // A new set starts on `board` (its opening position, variant and names set). Who opens
    // the first set is taken from the board, every later one is the side that did not open
    // the one before; the first move played has the last word.
    void beginSet(const GameBoard& board);
    // This side now knows it opens the set (the opponent said so before anyone moved).
    void firstMoverChanged(bool localFirst);
    // A leg this side entered, or one received from the opponent and accepted; `last`: the
    // move ends with it.
    void legPlayed(const GameBoard& board, uint8_t from, uint8_t to, bool local, bool last);
    enum class Outcome { LocalWon, LocalLost, Drawn };
    // The open set ends; later calls for it change nothing.
    void endSet(Outcome outcome);

    size_t setCount() const { return sets.size(); }
    // Set i (0 = the first), in the first mover's squares, the moves in turn.
    SetRecord set(size_t i) const;
    // How many moves set i has (a move under way is not counted).
    size_t moveCount(size_t i) const { return i < sets.size() ? sets[i].moves.size() : 0; }
    // Whether set i has ended, and whether this side opened it.
    bool setEnded(size_t i) const { return i < sets.size() && sets[i].ended; }
    bool localOpens(size_t i) const { return i < sets.size() && sets[i].localFirst; }
    // The sets that ended, by outcome.
    struct Tally {
        int localWins = 0;
        int peerWins = 0;
        int draws = 0;
    };
    Tally tally() const;
    void clear() { sets.clear(); }

private:
    struct Kept {
        uint8_t variant = 0;
        std::string localName, peerName;
        bool localFirst = false;
        std::vector<Move> moves; // the board's own squares
        Move underWay;
        bool underWayLocal = false;
        int takenSoFar = 0;
        bool ended = false;
        Outcome outcome = Outcome::Drawn;
    };
    std::vector<Kept> sets;
};

} // namespace sorvada
