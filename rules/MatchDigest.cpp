// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/MatchDigest.h"

#include "rules/GameBoard.h"
#include "rules/MatchRecord.h"

namespace sorvada {

namespace {

// 64-bit FNV-1a over what stands on each square, the host's squares in order: 0 for an empty or
// light square, 1 + the piece's kind (which tells colour and king) otherwise.
uint64_t hashFromHost(const GameBoard &board, bool localHosts)
{
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (int s = 0; s < 64; ++s) {
        const uint8_t cell = board.board[localHosts ? s : 63 - s];
        const uint8_t code = cell < 24 ? uint8_t(1 + board.pieces[cell].kind) : 0;
        hash = (hash ^ code) * 0x100000001b3ULL;
    }
    return hash;
}

} // namespace

MatchState matchState(const GameBoard &board, const MatchRecord &record)
{
    const bool localHosts = board.role() == ROLE_SERVER;
    MatchState state;
    const MatchRecord::Tally tally = record.tally();
    state.hostWins = uint16_t(localHosts ? tally.localWins : tally.peerWins);
    state.joinerWins = uint16_t(localHosts ? tally.peerWins : tally.localWins);
    state.draws = uint16_t(tally.draws);
    state.positionHash = hashFromHost(board, localHosts);
    const size_t sets = record.setCount();
    state.setNumber = uint16_t(sets);
    if (sets == 0)
        return state;
    const size_t last = sets - 1;
    state.plies = uint16_t(record.moveCount(last));
    if (!record.setEnded(last)) {
        // The opener moves on even plies.
        const bool localMoves = record.localOpens(last) == (state.plies % 2 == 0);
        state.toMove = localMoves == localHosts ? TO_MOVE_HOST : TO_MOVE_JOINER;
    }
    return state;
}

} // namespace sorvada
