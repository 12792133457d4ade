// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

#include "rules/Move.h"

namespace sorvada {

// The legs the local side may play next, as GameBoard::legalLegs finds them: in piece order,
// each piece's targets in the order the rules produced them. Either every leg is a capture
// or none is. A leg's `via` is 0 here: where a Russian king's capture turns is found when the
// leg is applied.
//
// A fixed-capacity value, so that a search can take one per position without allocating.
class LegList {
public:
    // At most 12 pieces with at most 29 targets each.
    static constexpr int kCapacity = 12 * 29;

    int size() const { return count; }
    bool empty() const { return count == 0; }
    // i in 0..size() - 1.
    Leg operator[](int i) const { return Leg{fromSquares[i], toSquares[i], 0}; }
    // Whether the legs are captures (capturing is compulsory, so then all of them are).
    bool captures() const { return capture; }
    bool contains(uint8_t from, uint8_t to) const
    {
        for (int i = 0; i < count; ++i)
            if (fromSquares[i] == from && toSquares[i] == to)
                return true;
        return false;
    }
    // Whether the piece on the square may move: some leg starts there.
    bool startsAt(uint8_t square) const
    {
        for (int i = 0; i < count; ++i)
            if (fromSquares[i] == square)
                return true;
        return false;
    }

    // The n squares from `to` on, each as a leg from `from`; as many as still fit.
    void addAll(uint8_t from, const uint8_t* to, int n)
    {
        if (n > kCapacity - count)
            n = kCapacity - count;
        if (n <= 0)
            return;
        uint8_t* f = fromSquares + count;
        uint8_t* t = toSquares + count;
        for (int i = 0; i < n; ++i) {
            f[i] = from;
            t[i] = to[i];
        }
        count += n;
    }
    void setCaptures(bool value) { capture = value; }

private:
    // Only entries 0..count-1 are ever written or read; the rest stay uninitialised on purpose.
    uint8_t fromSquares[kCapacity];
    uint8_t toSquares[kCapacity];
    int count = 0;
    bool capture = false;
};

} // namespace sorvada
