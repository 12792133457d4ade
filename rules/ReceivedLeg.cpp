// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/GameBoard.h"

namespace sorvada {

// A leg from the peer is replayed only when it is the opponent's turn and the
// leg is one the opponent's own copy could have entered: the first leg of one
// of its legal moves, or the next leg of the move under way. The turning
// square of a turning leg is the one the rules find, which the peer must have
// sent; the straight legs' third byte means nothing.
bool GameBoard::applyReceivedLeg(uint8_t from, uint8_t to, uint8_t via, bool lastLeg)
{
    if (myTurn != 0)
        return false;
    uint8_t turning = 0;
    if (!opponentMoves.follow(*this, from, to, via, lastLeg, turning))
        return false;
    applyMove(from, to, turning);
    return true;
}

} // namespace sorvada
