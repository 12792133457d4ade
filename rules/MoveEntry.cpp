// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/GameBoard.h"

#include <cstdio>

namespace sorvada {

uint8_t GameBoard::squareAt(int x, int y) const
{
    // Pictures overlap by one pixel; the strict bounds give every pixel to
    // at most one square.
    for (int s = 0; s < 64; ++s) {
        const SquareXY& p = squareXY[s];
        if (p.x < x && x < p.x + 40 && p.y < y && y < p.y + 40)
            return static_cast<uint8_t>(s);
    }
    return NO_SQUARE;
}

std::string GameBoard::squareName(int x, int y) const
{
    const uint8_t s = squareAt(x, y);
    if (s == NO_SQUARE)
        return std::string();
    const int c = s & 7, r = s >> 3;
    // Both players give a square and its mirror on the other screen the same name.
    const bool host = linkRole == ROLE_SERVER;
    const char letter = static_cast<char>(host ? 'A' + c : 'H' - c);
    const int number = host ? 8 - r : r + 1;
    char text[8];
    std::snprintf(text, sizeof text, "%c %d", letter, number);
    return text;
}

int GameBoard::isTargetOfSelected(uint8_t square) const
{
    if (selectedSquare > 63 || board[selectedSquare] >= 24)
        return 0;
    const PieceRecord& p = pieces[board[selectedSquare]];
    for (int i = 1; i <= p.targetCount && i < 30; ++i)
        if (p.targets[i] == square)
            return 1;
    return 0;
}

int GameBoard::handleClick(int x, int y)
{
    const uint8_t s = squareAt(x, y);
    if (s == NO_SQUARE || myTurn != 1)
        return 0;

    if (selectedSquare == NO_SQUARE) {
        // Only a piece with a legal leg can be picked: never an opponent's,
        // and while a capture is compulsory only a capturing one.
        if (!legalLegs().startsAt(s))
            return 0;
        selectedSquare = s;
        return 1;
    }

    // Clicking the picked piece again is the only way to drop it.
    if (s == selectedSquare) {
        selectedSquare = NO_SQUARE;
        return 1;
    }
    if (!isTargetOfSelected(s))
        return 0;

    const uint8_t from = selectedSquare;
    const bool wasCapture = pieces[board[from]].mustCapture != 0;
    applyMove(from, s, 0);

    uint8_t kind;
    if (wasCapture && checkContinuation(board[s])) {
        kind = LEG_PARTIAL;
        selectedSquare = s;
    } else {
        finishLocalMove();
        kind = LEG_FINAL;
        selectedSquare = NO_SQUARE;
        myTurn = 0;
    }
    if (legSink)
        legSink->legEntered(kind, from, s, viaSquare);
    return 1;
}

} // namespace sorvada
