// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <vector>

#include "rules/BoardTypes.h"

namespace sorvada {

// One leg of a move, in the board's own squares (column + 8 * row, row 0 at the top of the
// local screen): the piece goes from `from` to `to`; `via` is the square a Russian king's
// capture turned on, 0 when the leg went straight.
struct Leg {
    uint8_t from = NO_SQUARE;
    uint8_t to = NO_SQUARE;
    uint8_t via = 0;

    friend bool operator==(const Leg&, const Leg&) = default;
};

// One whole move: its legs in the order they were played (one for a simple move, one per
// capture otherwise) and the squares of the pieces it took, in the order they were taken.
struct Move {
    std::vector<Leg> legs;
    std::vector<uint8_t> taken;

    bool isCapture() const { return !taken.empty(); }
    friend bool operator==(const Move&, const Move&) = default;
};

} // namespace sorvada
