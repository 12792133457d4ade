// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

namespace sorvada {

class GameBoard;
class MatchRecord;

// What two copies must agree on about their match, told from the host's side so that both
// copies compute the same values: each shows its own pieces at the bottom, so the joiner
// turns its board round (square s is the host's 63 - s) before it hashes it.
struct MatchState {
    uint16_t setNumber = 0;   // sets begun, from 1
    uint16_t plies = 0;       // whole moves of the set so far
    uint64_t positionHash = 0;
    uint16_t hostWins = 0;
    uint16_t joinerWins = 0;
    uint16_t draws = 0;
    uint8_t toMove = 0;       // 0 none (no set, or it has ended), 1 the host, 2 the joiner

    bool operator==(const MatchState &other) const = default;
};

inline constexpr uint8_t TO_MOVE_NONE = 0;
inline constexpr uint8_t TO_MOVE_HOST = 1;
inline constexpr uint8_t TO_MOVE_JOINER = 2;

MatchState matchState(const GameBoard &board, const MatchRecord &record);

} // namespace sorvada
