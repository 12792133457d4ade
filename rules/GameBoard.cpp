// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/GameBoard.h"

namespace sorvada {

namespace {

// Dark squares of rows 0..2 (opponent) and rows 5..7 (local), in piece order.
constexpr uint8_t kStartSquares[24] = {1,  3,  5,  7,  8,  10, 12, 14, 17, 19, 21, 23,
                                       40, 42, 44, 46, 49, 51, 53, 55, 56, 58, 60, 62};

} // namespace

void GameBoard::setUpPosition(int originX, int originY)
{
    setUpPosition();
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
            squareXY[c + 8 * r] = SquareXY{originX + 39 * c, originY + 39 * r};
}

void GameBoard::setUpPosition()
{
    selectedSquare = NO_SQUARE;
    opponentMoves.clear();
    for (int s = 0; s < 64; ++s)
        board[s] = ((s & 7) + (s >> 3)) % 2 == 0 ? LIGHT_SQUARE : EMPTY_SQUARE;

    // The host plays light (owner 1, kind 0) from the bottom; the joiner sees
    // the same game turned round and plays blue (owner 0, kind 1).
    const int localOwner = localMover();
    for (int i = 0; i < 24; ++i) {
        PieceRecord& p = pieces[i];
        const bool local = i >= 12;
        p.captured = 0;
        p.targetCount = 0;
        for (uint8_t& t : p.targets)
            t = 0;
        p.canMove = 0;
        p.mustCapture = 0;
        p.square = kStartSquares[i];
        p.owner = local ? localOwner : 1 - localOwner;
        p.kind = p.owner == 1 ? 0 : 1;
        board[p.square] = static_cast<uint8_t>(i);
    }
}

void GameBoard::clearPieces()
{
    selectedSquare = NO_SQUARE;
    opponentMoves.clear();
    captureRequired = 0;
    for (int s = 0; s < 64; ++s)
        board[s] = ((s & 7) + (s >> 3)) % 2 == 0 ? LIGHT_SQUARE : EMPTY_SQUARE;
    for (PieceRecord& p : pieces) {
        p.captured = 1;
        p.square = NO_SQUARE;
        p.targetCount = 0;
        p.canMove = 0;
        p.mustCapture = 0;
    }
}

int GameBoard::placePiece(uint8_t square, uint8_t kind)
{
    if (square > 63 || board[square] != EMPTY_SQUARE || kind > 3)
        return -1;
    // Kinds 0 and 2 are light, owner 1; kinds 1 and 3 blue, owner 0.
    const int owner = kind % 2 == 0 ? 1 : 0;
    const int first = owner == localMover() ? 12 : 0;
    for (int k = first; k < first + 12; ++k) {
        PieceRecord& p = pieces[k];
        if (!p.captured)
            continue;
        p.captured = 0;
        p.square = square;
        p.owner = owner;
        p.kind = kind;
        p.targetCount = 0;
        p.canMove = 0;
        p.mustCapture = 0;
        board[square] = static_cast<uint8_t>(k);
        return k;
    }
    return -1;
}

int GameBoard::removePiece(uint8_t square)
{
    if (square > 63 || board[square] >= 24)
        return 0;
    PieceRecord& p = pieces[board[square]];
    p.captured = 1;
    p.targetCount = 0;
    p.canMove = 0;
    p.mustCapture = 0;
    board[square] = EMPTY_SQUARE;
    return 1;
}

int GameBoard::crownPiece(uint8_t square)
{
    if (square > 63 || board[square] >= 24)
        return 0;
    PieceRecord& p = pieces[board[square]];
    if (p.kind > 1)
        return 0;
    p.kind = static_cast<uint8_t>(p.kind + 2);
    return 1;
}

void GameBoard::setPlayerNames(const std::string& local, const std::string& peer)
{
    localName = local;
    peerName = peer;
}

} // namespace sorvada
