// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rules/Move.h"

namespace sorvada {

// The standard names of the squares, always seen from the seat of the side that moved
// first in the set: its pieces start on rows 5 to 7 of a board index (column + 8 * row,
// row 0 at the far side), exactly as a copy of the game sees its own board.
//
// American (PDN GameType 21): 1 to 32. Square 1 is the rightmost dark square of the first
// mover's back row, and the numbers run right to left, row by row away from it, so the
// first mover starts on 1 to 12.
// Russian (GameType 25): a1 to h8, a1 the dark corner at the first mover's left.

// The name of a dark square, or an empty string for a light square or no square.
std::string notationSquareName(uint8_t variant, uint8_t square);
// The board index of a named square, or NO_SQUARE when the name is not one of the
// variant's dark squares ("11", "c3"; letters in either case).
uint8_t notationSquareFromName(uint8_t variant, std::string_view name);

// Where the piece of a move started and each square it landed on, in order. A Russian
// king that turned on its landing run landed on the turning square, not where its leg
// was entered from.
std::vector<uint8_t> moveLandings(const Move& move);

// "11-15" for a simple move, "9x18x27" for a capture with every landing square written.
std::string moveNotation(uint8_t variant, const Move& move);

// The same move seen from the other side of the board.
Move mirroredMove(const Move& move);

} // namespace sorvada
