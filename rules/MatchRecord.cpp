// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/MatchRecord.h"

#include "rules/GameBoard.h"
#include "rules/Notation.h"

namespace sorvada {

namespace {

int takenCount(const GameBoard& board)
{
    int n = 0;
    for (const PieceRecord& p : board.pieces)
        n += p.captured ? 1 : 0;
    return n;
}

} // namespace

void MatchRecord::beginSet(const GameBoard& board)
{
    Kept set;
    set.variant = board.variant();
    set.localName = board.localName;
    set.peerName = board.peerName;
    // Whoever ends a set, the next one is opened by the side that did not open it: the
    // winner (or the side that offered the draw) opens unless it opened the last one, and
    // then hands the opening over. The board's own flag is not trusted here: the loser of
    // a set keeps its old one until the winner's word arrives, which may be after this.
    set.localFirst = sets.empty() ? board.isFirstMover() == 1 : !sets.back().localFirst;
    set.takenSoFar = takenCount(board);
    sets.push_back(std::move(set));
}

void MatchRecord::firstMoverChanged(bool localFirst)
{
    if (!sets.empty() && sets.back().moves.empty() && sets.back().underWay.legs.empty() && !sets.back().ended)
        sets.back().localFirst = localFirst;
}

void MatchRecord::legPlayed(const GameBoard& board, uint8_t from, uint8_t to, bool local, bool last)
{
    if (sets.empty() || sets.back().ended)
        return;
    Kept& set = sets.back();
    // A leg of the other side while a move is under way cannot happen on a board that
    // checks its legs; the record starts a new move rather than merge the two.
    if (!set.underWay.legs.empty() && set.underWayLocal != local)
        set.underWay = Move{};
    if (set.moves.empty() && set.underWay.legs.empty())
        set.localFirst = local;
    set.underWayLocal = local;
    set.underWay.legs.push_back(Leg{from, to, board.viaSquare});
    const int taken = takenCount(board);
    if (taken > set.takenSoFar)
        set.underWay.taken.push_back(static_cast<uint8_t>(board.lastCapturedCol + 8 * board.lastCapturedRow));
    set.takenSoFar = taken;
    if (last) {
        set.moves.push_back(std::move(set.underWay));
        set.underWay = Move{};
    }
}

void MatchRecord::endSet(Outcome outcome)
{
    if (sets.empty() || sets.back().ended)
        return;
    sets.back().ended = true;
    sets.back().outcome = outcome;
}

MatchRecord::Tally MatchRecord::tally() const
{
    Tally tally;
    for (const Kept& set : sets) {
        if (!set.ended)
            continue;
        int& count = set.outcome == Outcome::LocalWon ? tally.localWins
            : set.outcome == Outcome::LocalLost      ? tally.peerWins
                                                     : tally.draws;
        ++count;
    }
    return tally;
}

SetRecord MatchRecord::set(size_t i) const
{
    SetRecord record;
    if (i >= sets.size())
        return record;
    const Kept& set = sets[i];
    record.variant = set.variant;
    record.firstMoverName = set.localFirst ? set.localName : set.peerName;
    record.secondMoverName = set.localFirst ? set.peerName : set.localName;
    for (const Move& move : set.moves)
        record.moves.push_back(set.localFirst ? move : mirroredMove(move));
    if (!set.ended)
        record.result = SetResult::InPlay;
    else if (set.outcome == Outcome::Drawn)
        record.result = SetResult::Drawn;
    else
        record.result = (set.outcome == Outcome::LocalWon) == set.localFirst ? SetResult::FirstMoverWon
                                                                             : SetResult::SecondMoverWon;
    return record;
}

} // namespace sorvada
