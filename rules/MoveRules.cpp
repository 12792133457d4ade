// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/GameBoard.h"

#include <cstdlib>

namespace sorvada {

namespace {

// Directions as (column step, row step); the index is the lastDirection code.
constexpr int kDc[4] = {+1, -1, +1, -1};
constexpr int kDr[4] = {-1, -1, +1, +1};

// The two directions at right angles to a capture line, in scan order.
constexpr int kPerpendicular[4][2] = {{1, 2}, {3, 0}, {3, 0}, {1, 2}};

int directionCode(int dc, int dr)
{
    if (dr < 0)
        return dc > 0 ? 0 : 1;
    return dc > 0 ? 2 : 3;
}

} // namespace

void GameBoard::addTarget(int k, uint8_t square, bool capture)
{
    PieceRecord& p = pieces[k];
    // Entries are 1-based; entry 0 is never used, so 29 fit.
    if (p.targetCount >= 29)
        return;
    ++p.targetCount;
    p.targets[p.targetCount] = square;
    p.canMove = 1;
    if (capture)
        p.mustCapture = 1;
}

int GameBoard::probeSquare(int c, int r, int mover) const
{
    if (c > 7 || r > 7 || c < 0 || r < 0)
        return 0;
    const uint8_t cell = board[c + 8 * r];
    if (cell == EMPTY_SQUARE)
        return 1;
    if (cell >= 24)
        return 0;
    // A piece taken earlier in the move under way still stands there until
    // the move ends: it can be neither jumped again nor passed.
    if (pieces[cell].captured)
        return 0;
    return pieces[cell].owner == mover ? 2 : 3;
}

void GameBoard::addShortCapture(int k, int c, int r, int dc, int dr, int mover)
{
    if (probeSquare(c + dc, r + dr, mover) == 3 && probeSquare(c + 2 * dc, r + 2 * dr, mover) == 1)
        addTarget(k, static_cast<uint8_t>((c + 2 * dc) + 8 * (r + 2 * dr)), true);
}

void GameBoard::addKingCaptures(int k, int c, int r, int dc, int dr, int mover)
{
    int i = 1;
    for (;; ++i) {
        const int p = probeSquare(c + i * dc, r + i * dr, mover);
        if (p == 1)
            continue;
        if (p == 3)
            break;
        return; // edge, wall or own piece
    }
    for (int j = i + 1; probeSquare(c + j * dc, r + j * dr, mover) == 1; ++j)
        addTarget(k, static_cast<uint8_t>((c + j * dc) + 8 * (r + j * dr)), true);
}

void GameBoard::scanLandingLine(int k, int dc, int dr, int mover)
{
    for (int i = 0; i < 30; ++i) {
        const int c = lastCapturedCol + (i + 1) * dc;
        const int r = lastCapturedRow + (i + 1) * dr;
        const int p = probeSquare(c, r, mover);
        if (p == 0)
            return;
        const auto s = static_cast<uint8_t>(c + 8 * r);
        if (p == 1) {
            landingCandidates[i] = s;
        } else if (p == 2) {
            // The first own piece behind the taken one is the capturing king.
            if (ownPieceSeen)
                return;
            ownPieceSeen = 1;
            landingCandidates[i] = s;
        } else {
            for (int j = 1; probeSquare(c + j * dc, r + j * dr, mover) == 1; ++j)
                addTarget(k, static_cast<uint8_t>((c + j * dc) + 8 * (r + j * dr)), true);
            return;
        }
    }
}

void GameBoard::generateMoves()
{
    captureRequired = 0;
    const int mover = localMover();
    const uint8_t man = localManKind();
    const uint8_t king = localKingKind();
    for (int k = 0; k < 24; ++k) {
        PieceRecord& p = pieces[k];
        if (p.captured)
            continue;
        if (p.owner != mover) {
            p.canMove = 0;
            continue;
        }
        p.targetCount = 0;
        p.mustCapture = 0;
        p.canMove = 0;
        const int c = p.square & 7;
        const int r = p.square >> 3;
        if (gameVariant != VARIANT_AMERICAN && gameVariant != VARIANT_RUSSIAN)
            continue;
        const bool russian = gameVariant == VARIANT_RUSSIAN;

        if (p.kind == man) {
            const int dirs = russian ? 4 : 2;
            for (int d = 0; d < dirs; ++d)
                addShortCapture(k, c, r, kDc[d], kDr[d], mover);
            if (p.mustCapture) {
                captureRequired = 1;
                continue;
            }
            for (int d = 0; d < 2; ++d)
                if (probeSquare(c + kDc[d], r + kDr[d], mover) == 1)
                    addTarget(k, static_cast<uint8_t>((c + kDc[d]) + 8 * (r + kDr[d])), false);
        } else if (p.kind == king) {
            for (int d = 0; d < 4; ++d) {
                if (russian)
                    addKingCaptures(k, c, r, kDc[d], kDr[d], mover);
                else
                    addShortCapture(k, c, r, kDc[d], kDr[d], mover);
            }
            if (p.mustCapture) {
                captureRequired = 1;
                continue;
            }
            if (russian) {
                for (int d = 0; d < 4; ++d)
                    for (int i = 1; probeSquare(c + i * kDc[d], r + i * kDr[d], mover) == 1; ++i)
                        addTarget(k, static_cast<uint8_t>((c + i * kDc[d]) + 8 * (r + i * kDr[d])), false);
            } else {
                // One-step order: up-right, up-left, down-left, down-right.
                static constexpr int order[4] = {0, 1, 3, 2};
                for (int d : order)
                    if (probeSquare(c + kDc[d], r + kDr[d], mover) == 1)
                        addTarget(k, static_cast<uint8_t>((c + kDc[d]) + 8 * (r + kDr[d])), false);
            }
        }
    }
}

int GameBoard::applyMove(uint8_t from, uint8_t to, uint8_t via)
{
    // Guards against reading outside the board; the checked entry for peer
    // legs refuses such legs before they get here.
    if (from > 63 || to > 63 || board[from] >= 24)
        return 0;
    const uint8_t k = board[from];
    PieceRecord& piece = pieces[k];
    // A local leg leaves no opponent move under way.
    if (piece.owner == localMover())
        opponentMoves.clear();
    const int fc = from & 7, fr = from >> 3;
    const int tc = to & 7, tr = to >> 3;

    if (via != 0)
        landingCandidates[0] = via;

    // A local capture in the Russian game leaves the taken pieces standing
    // until the whole move is over, so that they are never jumped twice.
    const bool keepTaken = gameVariant == VARIANT_RUSSIAN && piece.owner == localMover();

    int sc = fc, sr = fr;
    if (std::abs(fc - tc) == std::abs(fr - tr)) {
        viaSquare = 0;
    } else {
        // Turning leg: the king first slides along its landing run to the
        // square from which the capture goes off at right angles.
        int v = -1;
        for (uint8_t cand : landingCandidates) {
            if (cand > 63)
                continue;
            if (std::abs(tc - (cand & 7)) == std::abs(tr - (cand >> 3))) {
                v = cand;
                break;
            }
        }
        if (v < 0)
            return 0;
        const int vc = v & 7, vr = v >> 3;
        if (std::abs(fc - vc) != std::abs(fr - vr) || v == from)
            return 0;
        const int dc = vc > fc ? 1 : -1, dr = vr > fr ? 1 : -1;
        for (int c = fc, r = fr; c != vc; c += dc, r += dr) {
            board[(c + dc) + 8 * (r + dr)] = board[c + 8 * r];
            board[c + 8 * r] = EMPTY_SQUARE;
        }
        piece.square = static_cast<uint8_t>(v);
        viaSquare = static_cast<uint8_t>(v);
        sc = vc;
        sr = vr;
    }

    const int dc = tc > sc ? 1 : -1;
    const int dr = tr > sr ? 1 : -1;
    lastDirection = static_cast<uint8_t>(directionCode(dc, dr));

    for (int c = sc + dc, r = sr + dr; (c - dc) != tc; c += dc, r += dr) {
        if (c < 0 || c > 7 || r < 0 || r > 7)
            break;
        const int s = c + 8 * r;
        const uint8_t cell = board[s];
        if (cell < 24) {
            lastCapturedCol = c;
            lastCapturedRow = r;
            pieces[cell].captured = 1;
            if (!keepTaken)
                board[s] = EMPTY_SQUARE;
        }
    }
    board[sc + 8 * sr] = EMPTY_SQUARE;
    board[to] = k;

    promotedThisMove = 0;
    if (linkRole == ROLE_SERVER) {
        if (piece.kind == 0 && tr == 0) {
            piece.kind = 2;
            promotedThisMove = 1;
        } else if (piece.kind == 1 && tr == 7) {
            piece.kind = 3;
        }
    } else {
        if (piece.kind == 0 && tr == 7) {
            piece.kind = 2;
        } else if (piece.kind == 1 && tr == 0) {
            piece.kind = 3;
            promotedThisMove = 1;
        }
    }
    piece.square = to;
    return 1;
}

int GameBoard::checkContinuation(int k)
{
    captureRequired = 0;
    if (k < 0 || k >= 24)
        return 0;
    PieceRecord& p = pieces[k];
    const int mover = localMover();
    const bool russian = gameVariant == VARIANT_RUSSIAN;
    const int c = p.square & 7;
    const int r = p.square >> 3;

    if (promotedThisMove == 0) {
        p.targetCount = 0;
        p.mustCapture = 0;
        if (p.kind == localManKind()) {
            const int dirs = russian ? 4 : 2;
            for (int d = 0; d < dirs; ++d)
                addShortCapture(k, c, r, kDc[d], kDr[d], mover);
        } else if (p.kind == localKingKind()) {
            if (!russian) {
                for (int d = 0; d < 4; ++d)
                    addShortCapture(k, c, r, kDc[d], kDr[d], mover);
            } else {
                for (uint8_t& cand : landingCandidates)
                    cand = 0;
                ownPieceSeen = 0;
                const int line = lastDirection & 3;
                scanLandingLine(k, kDc[line], kDr[line], mover);
                for (uint8_t cand : landingCandidates) {
                    if (cand == 0)
                        break;
                    for (int d : kPerpendicular[line])
                        addKingCaptures(k, cand & 7, cand >> 3, kDc[d], kDr[d], mover);
                }
            }
        }
    } else {
        // A man crowned by this leg: the American move ends here, the Russian
        // one goes on with the new king's flying captures.
        if (!russian)
            return 0;
        p.targetCount = 0;
        p.mustCapture = 0;
        static constexpr int order[4] = {2, 3, 0, 1};
        for (int d : order)
            addKingCaptures(k, c, r, kDc[d], kDr[d], mover);
    }

    if (!p.mustCapture)
        return 0;
    captureRequired = 1;
    for (int i = 0; i < 24; ++i) {
        if (i == k || pieces[i].captured)
            continue;
        pieces[i].targetCount = 0;
        pieces[i].mustCapture = 0;
    }
    return 1;
}

void GameBoard::finishLocalMove()
{
    for (int i = 0; i < 24; ++i) {
        const PieceRecord& p = pieces[i];
        if (p.captured && p.square < 64 && board[p.square] == i)
            board[p.square] = EMPTY_SQUARE;
    }
}

int GameBoard::hasNoMoves() const
{
    const int mover = localMover();
    for (const PieceRecord& p : pieces)
        if (p.owner == mover && !p.captured && p.targetCount != 0)
            return 0;
    return 1;
}

LegList GameBoard::legalLegs() const
{
    LegList legs;
    const int mover = localMover();
    const bool onlyCaptures = captureRequired == 1;
    legs.setCaptures(onlyCaptures);
    for (const PieceRecord& p : pieces)
        if (mayMove(p, mover, onlyCaptures))
            legs.addAll(p.square, p.targets + 1, p.targetCount < 30 ? p.targetCount : 29);
    return legs;
}

int GameBoard::legalLegCount() const
{
    const int mover = localMover();
    const bool onlyCaptures = captureRequired == 1;
    int n = 0;
    for (const PieceRecord& p : pieces)
        if (mayMove(p, mover, onlyCaptures))
            n += p.targetCount < 30 ? p.targetCount : 29;
    return n < LegList::kCapacity ? n : LegList::kCapacity;
}

bool GameBoard::isLegalLeg(uint8_t from, uint8_t to) const
{
    if (from > 63 || board[from] >= 24)
        return false;
    const PieceRecord& p = pieces[board[from]];
    if (p.square != from || !mayMove(p, localMover(), captureRequired == 1))
        return false;
    for (int i = 1; i <= p.targetCount && i < 30; ++i)
        if (p.targets[i] == to)
            return true;
    return false;
}

} // namespace sorvada
