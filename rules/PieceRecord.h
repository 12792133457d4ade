// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

namespace sorvada {

// One of the 24 pieces of a set. A piece keeps its index for the whole set.
class PieceRecord {
public:
    // 1 once the piece has been taken; the rules skip it from then on.
    int32_t captured = 0;
    // Number of valid entries in targets.
    uint8_t targetCount = 0;
    // Target squares, used 1-based: entries 1..targetCount (capacity 29).
    uint8_t targets[30] = {};
    // 1 when the piece has at least one target this turn.
    int32_t canMove = 0;
    // 1 when the targets are landing squares of captures.
    int32_t mustCapture = 0;
    // Square the piece stands on.
    uint8_t square = 0;
    // 1 = light pieces (the hosting side), 0 = blue pieces.
    int32_t owner = 0;
    // 0 light man, 1 blue man, 2 light king, 3 blue king.
    uint8_t kind = 0;
};

} // namespace sorvada
