// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstring>

#include "rules/GameBoard.h"

namespace sorvada {

// What entering and receiving legs change on a GameBoard, for taking legs
// back in a search far more cheaply than a copy of the whole board: the
// cells, where each piece stands, its kind and whether it is taken, and the
// state of the capture under way. Target lists are not kept: a search reads
// them only right after generateMoves or checkContinuation has written them.
// A received move under way is not kept either: take a snapshot only while
// none is, as a search does between the opponent's whole moves.
class BoardSnapshot {
public:
    void save(const GameBoard& b)
    {
        for (int i = 0; i < 24; ++i) {
            square[i] = b.pieces[i].square;
            kind[i] = b.pieces[i].kind;
            captured[i] = static_cast<uint8_t>(b.pieces[i].captured);
        }
        std::memcpy(board, b.board, sizeof board);
        std::memcpy(landingCandidates, b.landingCandidates, sizeof landingCandidates);
        captureRequired = b.captureRequired;
        promotedThisMove = b.promotedThisMove;
        lastCapturedCol = b.lastCapturedCol;
        lastCapturedRow = b.lastCapturedRow;
        ownPieceSeen = b.ownPieceSeen;
        lastDirection = b.lastDirection;
        viaSquare = b.viaSquare;
    }

    void restore(GameBoard& b) const
    {
        for (int i = 0; i < 24; ++i) {
            b.pieces[i].square = square[i];
            b.pieces[i].kind = kind[i];
            b.pieces[i].captured = captured[i];
        }
        std::memcpy(b.board, board, sizeof board);
        std::memcpy(b.landingCandidates, landingCandidates, sizeof landingCandidates);
        b.captureRequired = captureRequired;
        b.promotedThisMove = promotedThisMove;
        b.lastCapturedCol = lastCapturedCol;
        b.lastCapturedRow = lastCapturedRow;
        b.ownPieceSeen = ownPieceSeen;
        b.lastDirection = lastDirection;
        b.viaSquare = viaSquare;
    }

private:
    uint8_t board[64];
    uint8_t landingCandidates[30];
    uint8_t square[24];
    uint8_t kind[24];
    uint8_t captured[24];
    int32_t captureRequired;
    int32_t promotedThisMove;
    int32_t lastCapturedCol;
    int32_t lastCapturedRow;
    int32_t ownPieceSeen;
    uint8_t lastDirection;
    uint8_t viaSquare;
};

} // namespace sorvada
