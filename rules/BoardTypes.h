// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

namespace sorvada {

// Square indices are column + 8 * row, row 0 at the top of the local screen.
// A square crosses the link mirrored as 63 - index, so both copies can keep
// their own pieces at the bottom.
inline constexpr uint8_t NO_SQUARE = 255;

// Board cell codes besides a piece index 0..23; they double as picture codes.
inline constexpr uint8_t LIGHT_SQUARE = 50;
inline constexpr uint8_t EMPTY_SQUARE = 60;

// Rule variants; the same numbers are stored in the "VarGame" setting and sent
// in the opening message, so they must not change.
inline constexpr uint8_t VARIANT_AMERICAN = 1;
inline constexpr uint8_t VARIANT_RUSSIAN = 2;

// Link roles. Only ROLE_SERVER matters to the rules: it plays the light pieces.
inline constexpr uint8_t ROLE_NONE = 0;
inline constexpr uint8_t ROLE_SERVER = 1;
inline constexpr uint8_t ROLE_CLIENT = 2;

// Window position of the top-left pixel of a square's 40 x 40 picture.
struct SquareXY {
    int x;
    int y;
};

} // namespace sorvada
