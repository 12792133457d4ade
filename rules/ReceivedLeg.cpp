#include "GameBoard.h"

#include <cstdlib>

// A leg from the peer is replayed only when a legal game could have produced
// it: both squares on the board, one of the opponent's pieces on the first,
// an empty dark square as the second, and a path that is either one straight
// diagonal or a slide along the landing run (through the turning square the
// peer sent, or a landing candidate) followed by a diagonal. On the way the
// leg may take at most one piece, and only one of ours; and the piece must be
// one that can make such a leg.
bool GameBoard::receivedLegFits(uint8_t from, uint8_t to, uint8_t via) const
{
    if (from > 63 || to > 63 || via > 63)
        return false;
    const uint8_t k = board[from];
    if (k >= 24 || pieces[k].captured || pieces[k].square != from)
        return false;
    const int moverOwner = pieces[k].owner;
    if (moverOwner == localMover())
        return false;
    if (board[to] != EMPTY_SQUARE)
        return false;

    const int fc = from & 7, fr = from >> 3;
    const int tc = to & 7, tr = to >> 3;
    int sc = fc, sr = fr;
    if (std::abs(fc - tc) != std::abs(fr - tr)) {
        // The same search applyMove will make, with via put first.
        int v = -1;
        for (int i = 0; i < 30; ++i) {
            const uint8_t cand = (i == 0 && via != 0) ? via : landingCandidates[i];
            if (cand > 63)
                continue;
            if (std::abs(tc - (cand & 7)) == std::abs(tr - (cand >> 3))) {
                v = cand;
                break;
            }
        }
        if (v < 0 || v == from)
            return false;
        const int vc = v & 7, vr = v >> 3;
        if (std::abs(fc - vc) != std::abs(fr - vr))
            return false;
        // Nothing is taken on the slide, so every square of it must be free.
        const int dc = vc > fc ? 1 : -1, dr = vr > fr ? 1 : -1;
        for (int c = fc + dc, r = fr + dr;; c += dc, r += dr) {
            if (board[c + 8 * r] != EMPTY_SQUARE)
                return false;
            if (c == vc)
                break;
        }
        sc = vc;
        sr = vr;
    }

    const int dc = tc > sc ? 1 : -1, dr = tr > sr ? 1 : -1;
    int taken = 0;
    for (int c = sc + dc, r = sr + dr; c != tc; c += dc, r += dr) {
        const uint8_t cell = board[c + 8 * r];
        if (cell == EMPTY_SQUARE)
            continue;
        if (cell >= 24 || pieces[cell].captured || pieces[cell].owner == moverOwner || ++taken > 1)
            return false;
    }

    // Men of both variants and the American king move one step or jump one
    // piece; only the Russian king flies and turns. A man steps only towards
    // our side (the opponent's forward is down on our board), and an American
    // man jumps only that way too.
    const bool man = pieces[k].kind <= 1;
    const bool flyingKing = !man && gameVariant == VARIANT_RUSSIAN;
    if (!flyingKing) {
        const int length = std::abs(tc - fc);
        if (sc != fc || sr != fr)
            return false;
        if (!((length == 1 && taken == 0) || (length == 2 && taken == 1)))
            return false;
        const bool backwards = tr < fr;
        if (man && backwards && (taken == 0 || gameVariant != VARIANT_RUSSIAN))
            return false;
    }
    return true;
}

bool GameBoard::applyReceivedLeg(uint8_t from, uint8_t to, uint8_t via)
{
    if (!receivedLegFits(from, to, via))
        return false;
    applyMove(from, to, via);
    return true;
}
