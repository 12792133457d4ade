// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/Notation.h"

#include "rules/BoardTypes.h"

namespace sorvada {

namespace {

bool isDark(int c, int r)
{
    return (c + r) % 2 == 1;
}

uint8_t mirrored(uint8_t square)
{
    return square < 64 ? static_cast<uint8_t>(63 - square) : square;
}

} // namespace

std::string notationSquareName(uint8_t variant, uint8_t square)
{
    if (square > 63)
        return std::string();
    const int c = square & 7, r = square >> 3;
    if (!isDark(c, r))
        return std::string();
    if (variant == VARIANT_RUSSIAN)
        return std::string{static_cast<char>('a' + c), static_cast<char>('0' + 8 - r)};
    if (variant != VARIANT_AMERICAN)
        return std::string();
    // Rows counted from the first mover's back row; dark squares right to left.
    const int number = 4 * (7 - r) + (7 - c) / 2 + 1;
    return std::to_string(number);
}

uint8_t notationSquareFromName(uint8_t variant, std::string_view name)
{
    if (variant == VARIANT_RUSSIAN) {
        if (name.size() != 2)
            return NO_SQUARE;
        const char letter = static_cast<char>(name[0] | 0x20);
        if (letter < 'a' || letter > 'h' || name[1] < '1' || name[1] > '8')
            return NO_SQUARE;
        const int c = letter - 'a', r = 8 - (name[1] - '0');
        return isDark(c, r) ? static_cast<uint8_t>(c + 8 * r) : NO_SQUARE;
    }
    if (variant != VARIANT_AMERICAN || name.empty() || name.size() > 2)
        return NO_SQUARE;
    int number = 0;
    for (char ch : name) {
        if (ch < '0' || ch > '9')
            return NO_SQUARE;
        number = number * 10 + (ch - '0');
    }
    if (number < 1 || number > 32)
        return NO_SQUARE;
    const int r = 7 - (number - 1) / 4;
    const int p = (number - 1) % 4;
    const int c = (r % 2 == 1 ? 6 : 7) - 2 * p;
    return static_cast<uint8_t>(c + 8 * r);
}

std::vector<uint8_t> moveLandings(const Move& move)
{
    std::vector<uint8_t> squares;
    if (move.legs.empty())
        return squares;
    squares.push_back(move.legs.front().from);
    for (size_t i = 0; i < move.legs.size(); ++i) {
        const Leg& leg = move.legs[i];
        // Only a dark square can be a turning square; 0 (light) stands for none.
        if (i > 0 && leg.via < 64 && isDark(leg.via & 7, leg.via >> 3))
            squares.back() = leg.via;
        squares.push_back(leg.to);
    }
    return squares;
}

std::string moveNotation(uint8_t variant, const Move& move)
{
    const std::vector<uint8_t> squares = moveLandings(move);
    std::string text;
    for (size_t i = 0; i < squares.size(); ++i) {
        if (i > 0)
            text += move.isCapture() ? 'x' : '-';
        const std::string name = notationSquareName(variant, squares[i]);
        text += name.empty() ? std::string("?") : name;
    }
    return text;
}

Move mirroredMove(const Move& move)
{
    Move turned;
    for (const Leg& leg : move.legs)
        turned.legs.push_back(Leg{mirrored(leg.from), mirrored(leg.to), leg.via == 0 ? uint8_t(0) : mirrored(leg.via)});
    for (uint8_t s : move.taken)
        turned.taken.push_back(mirrored(s));
    return turned;
}

} // namespace sorvada
