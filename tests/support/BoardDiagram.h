// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Positions for the rules tests, written as 8 text rows as the local player
// sees the board (row 0 at the top):
//   '-' light square   '.' empty dark square
//   'w' local man      'W' local king
//   'b' opponent man   'B' opponent king
// Local pieces get indices 12.., opponent pieces 0.., in reading order; the
// pieces not placed are taken pieces that stand nowhere.
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "rules/GameBoard.h"

namespace sorvada {

using Diagram = std::array<const char*, 8>;

// Returns an empty string on success, else what is wrong with the diagram.
inline std::string setUpDiagram(GameBoard& b, uint8_t role, uint8_t variant, const Diagram& rows)
{
    b.setRole(role);
    b.setVariant(variant);
    b.setUpPosition(125, 25);
    b.clearPieces();
    const int localOwner = b.localMover();
    for (int r = 0; r < 8; ++r) {
        if (std::strlen(rows[r]) != 8)
            return "row " + std::to_string(r) + " is not 8 squares wide";
        for (int c = 0; c < 8; ++c) {
            const char ch = rows[r][c];
            const bool dark = (c + r) % 2 == 1;
            if (ch == '-' ? dark : !dark)
                return "row " + std::to_string(r) + " column " + std::to_string(c) + " has the wrong colour";
            if (ch == '-' || ch == '.')
                continue;
            const bool local = ch == 'w' || ch == 'W';
            const bool king = ch == 'W' || ch == 'B';
            if (!local && ch != 'b' && ch != 'B')
                return std::string("unknown square code ") + ch;
            const int owner = local ? localOwner : 1 - localOwner;
            const auto kind = static_cast<uint8_t>((owner == 1 ? 0 : 1) + (king ? 2 : 0));
            if (b.placePiece(static_cast<uint8_t>(c + 8 * r), kind) < 0)
                return "too many pieces";
        }
    }
    return std::string();
}

// The position as a diagram again; a taken piece still standing shows as 'x'.
inline std::vector<std::string> diagramOf(const GameBoard& b)
{
    std::vector<std::string> rows(8, std::string(8, '?'));
    for (int s = 0; s < 64; ++s) {
        char& ch = rows[s >> 3][s & 7];
        const uint8_t cell = b.board[s];
        if (cell == LIGHT_SQUARE) {
            ch = '-';
        } else if (cell == EMPTY_SQUARE) {
            ch = '.';
        } else if (cell < 24) {
            const PieceRecord& p = b.pieces[cell];
            const bool local = p.owner == b.localMover();
            ch = p.captured ? 'x' : local ? (p.kind >= 2 ? 'W' : 'w') : (p.kind >= 2 ? 'B' : 'b');
        }
    }
    return rows;
}

inline std::vector<std::string> rowsOf(const Diagram& d)
{
    return std::vector<std::string>(d.begin(), d.end());
}

// Targets of a piece as a list, in generation order.
inline std::vector<int> targetsOf(const GameBoard& b, int piece)
{
    const PieceRecord& p = b.pieces[piece];
    return std::vector<int>(p.targets + 1, p.targets + 1 + p.targetCount);
}

inline std::vector<int> landingRun(const GameBoard& b)
{
    std::vector<int> run;
    for (uint8_t s : b.landingCandidates) {
        if (s == 0)
            break;
        run.push_back(s);
    }
    return run;
}

// Everything the rules read or write, for "nothing changed" checks.
inline bool sameRulesState(const GameBoard& a, const GameBoard& b)
{
    for (int i = 0; i < 24; ++i) {
        const PieceRecord& p = a.pieces[i];
        const PieceRecord& q = b.pieces[i];
        if (p.captured != q.captured || p.targetCount != q.targetCount || p.canMove != q.canMove ||
            p.mustCapture != q.mustCapture || p.square != q.square || p.owner != q.owner || p.kind != q.kind ||
            std::memcmp(p.targets, q.targets, sizeof p.targets) != 0)
            return false;
    }
    return std::memcmp(a.board, b.board, sizeof a.board) == 0 &&
           std::memcmp(a.landingCandidates, b.landingCandidates, sizeof a.landingCandidates) == 0 &&
           a.selectedSquare == b.selectedSquare && a.captureRequired == b.captureRequired && a.myTurn == b.myTurn &&
           a.promotedThisMove == b.promotedThisMove && a.lastCapturedCol == b.lastCapturedCol &&
           a.lastCapturedRow == b.lastCapturedRow && a.lastDirection == b.lastDirection &&
           a.viaSquare == b.viaSquare && a.ownPieceSeen == b.ownPieceSeen && a.gameVariant == b.gameVariant &&
           a.role() == b.role();
}

// Centre pixel of a square, for clicks.
inline int pixelX(const GameBoard& b, int square) { return b.squareXY[square].x + 20; }
inline int pixelY(const GameBoard& b, int square) { return b.squareXY[square].y + 20; }

} // namespace sorvada
