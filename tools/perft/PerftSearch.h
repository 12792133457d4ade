// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "rules/GameBoard.h"
#include "rules/Move.h"

namespace sorvada {

// Counts the positions reached after a number of complete moves from the
// opening position. Two boards play, one hosting and one joining, exactly as
// two copies of the game do: each generates and enters only its own moves,
// and the other receives every leg mirrored through the checked entry.
//
// A move is a whole turn, a multiple capture included. Moves with the same
// starting square, final square and taken pieces in the same order are one
// move, whichever landing squares the legs in between used.
class PerftSearch {
public:
    struct DivideLine {
        std::string move; // from the host's side, e.g. "c3-d4" or "c3xe5xg3"
        uint64_t nodes;
    };

    explicit PerftSearch(uint8_t variant, bool verify = false);

    uint64_t count(int depth);
    // The count under each first move of the host, in generation order.
    std::vector<DivideLine> divide(int depth);

    // Set when the receiving board refused a leg or the boards fell out of
    // step; the counts are then meaningless.
    bool failed() const { return !failure.empty(); }
    const std::string& failureText() const { return failure; }

private:
    static constexpr int kMaxLegs = 16;
    static constexpr int kMaxDepth = 64;

    struct MoveKey {
        uint8_t from = 0, to = 0, count = 0;
        uint8_t taken[kMaxLegs] = {};
        bool operator==(const MoveKey& o) const;
    };
    struct Level {
        GameBoard* mover = nullptr;
        GameBoard* other = nullptr;
        int depth = 0;
        uint64_t nodes = 0;
        std::vector<MoveKey> seen;
        Leg legs[kMaxLegs] = {};
        int legCount = 0;
        MoveKey key;
        std::vector<DivideLine>* divideLines = nullptr;
    };

    void reset();
    uint64_t search(GameBoard& mover, GameBoard& other, int depth, std::vector<DivideLine>* lines);
    void enterLeg(Level& level, uint8_t from, uint8_t to, bool capture);
    void moveComplete(Level& level);
    bool boardsInStep(const GameBoard& a, const GameBoard& b) const;
    std::string moveName(const Level& level) const;

    bool verifyBoards;
    GameBoard host;
    GameBoard joiner;
    std::vector<Level> levels;
    std::string failure;
};

} // namespace sorvada
