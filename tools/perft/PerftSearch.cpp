// SPDX-License-Identifier: GPL-3.0-or-later
#include "PerftSearch.h"

#include <algorithm>
#include <cstring>

#include "rules/BoardSnapshot.h"

namespace sorvada {

bool PerftSearch::MoveKey::operator==(const MoveKey& o) const
{
    return from == o.from && to == o.to && count == o.count && std::memcmp(taken, o.taken, count) == 0;
}

PerftSearch::PerftSearch(uint8_t variant, bool verify)
    : verifyBoards(verify), levels(kMaxDepth + 1)
{
    host.setRole(ROLE_SERVER);
    joiner.setRole(ROLE_CLIENT);
    for (GameBoard* b : {&host, &joiner})
        b->setVariant(variant);
}

void PerftSearch::reset()
{
    failure.clear();
    host.setUpPosition();
    joiner.setUpPosition();
}

uint64_t PerftSearch::count(int depth)
{
    reset();
    if (depth <= 0)
        return 1;
    return search(host, joiner, std::min(depth, kMaxDepth), nullptr);
}

std::vector<PerftSearch::DivideLine> PerftSearch::divide(int depth)
{
    reset();
    std::vector<DivideLine> lines;
    if (depth > 0)
        search(host, joiner, std::min(depth, kMaxDepth), &lines);
    return lines;
}

uint64_t PerftSearch::search(GameBoard& mover, GameBoard& other, int depth, std::vector<DivideLine>* lines)
{
    mover.generateMoves();

    // Bulk count at the last ply: simple moves are distinct by their squares.
    if (depth == 1 && !mover.captureIsCompulsory() && !lines)
        return static_cast<uint64_t>(mover.legalLegCount());
    const LegList legs = mover.legalLegs();

    Level& level = levels[depth];
    level.mover = &mover;
    level.other = &other;
    level.depth = depth;
    level.nodes = 0;
    level.seen.clear();
    level.legCount = 0;
    level.key.count = 0;
    level.divideLines = lines;

    // Entering a leg rewrites the target lists; the list is a copy taken before.
    for (int i = 0; i < legs.size() && !failed(); ++i) {
        const Leg leg = legs[i];
        level.key.from = leg.from;
        enterLeg(level, leg.from, leg.to, legs.captures());
    }
    return level.nodes;
}

void PerftSearch::enterLeg(Level& level, uint8_t from, uint8_t to, bool capture)
{
    GameBoard& mover = *level.mover;
    BoardSnapshot before;
    before.save(mover);

    mover.applyMove(from, to, 0);
    if (level.legCount >= kMaxLegs) {
        failure = "a move with more legs than any game allows";
        before.restore(mover);
        return;
    }
    level.legs[level.legCount++] = Leg{from, to, mover.viaSquare};
    const uint8_t keyCount = level.key.count;
    if (capture)
        level.key.taken[level.key.count++] =
            static_cast<uint8_t>(mover.lastCapturedCol + 8 * mover.lastCapturedRow);

    if (capture && mover.checkContinuation(mover.board[to])) {
        // Only the piece under way has legs now.
        const LegList next = mover.legalLegs();
        for (int i = 0; i < next.size() && !failed(); ++i)
            enterLeg(level, to, next[i].to, true);
    } else {
        mover.finishLocalMove();
        level.key.to = to;
        moveComplete(level);
    }

    --level.legCount;
    level.key.count = keyCount;
    before.restore(mover);
}

void PerftSearch::moveComplete(Level& level)
{
    // Only captures can be reached along different landing squares.
    if (level.key.count > 0) {
        if (std::find(level.seen.begin(), level.seen.end(), level.key) != level.seen.end())
            return;
        level.seen.push_back(level.key);
    }
    if (level.depth == 1 && !verifyBoards) {
        ++level.nodes;
        if (level.divideLines)
            level.divideLines->push_back(DivideLine{moveName(level), 1});
        return;
    }

    GameBoard& other = *level.other;
    BoardSnapshot before;
    before.save(other);
    for (int i = 0; i < level.legCount; ++i) {
        const Leg& leg = level.legs[i];
        if (!other.applyReceivedLeg(static_cast<uint8_t>(63 - leg.from), static_cast<uint8_t>(63 - leg.to),
                                    static_cast<uint8_t>(63 - leg.via), i + 1 == level.legCount)) {
            failure = "the receiving board refused the leg " + std::to_string(63 - leg.from) + "-" +
                      std::to_string(63 - leg.to) + " of " + moveName(level);
            before.restore(other);
            return;
        }
    }
    if (verifyBoards && !boardsInStep(*level.mover, other)) {
        failure = "the two boards differ after " + moveName(level);
        before.restore(other);
        return;
    }

    uint64_t n = 1;
    if (level.depth > 1)
        n = search(other, *level.mover, level.depth - 1, nullptr);
    before.restore(other);
    level.nodes += n;
    if (level.divideLines)
        level.divideLines->push_back(DivideLine{moveName(level), n});
}

bool PerftSearch::boardsInStep(const GameBoard& a, const GameBoard& b) const
{
    for (int s = 0; s < 64; ++s) {
        const uint8_t ca = a.board[s];
        const uint8_t cb = b.board[63 - s];
        if (ca >= 24 || cb >= 24) {
            if (ca != cb)
                return false;
            continue;
        }
        const PieceRecord& pa = a.pieces[ca];
        const PieceRecord& pb = b.pieces[cb];
        if (pa.captured || pb.captured || pa.kind != pb.kind || pa.owner != pb.owner)
            return false;
    }
    return true;
}

std::string PerftSearch::moveName(const Level& level) const
{
    const bool hostSide = level.mover->role() == ROLE_SERVER;
    auto name = [hostSide](uint8_t s) {
        const int c = s & 7, r = s >> 3;
        std::string text;
        text += static_cast<char>(hostSide ? 'a' + c : 'h' - c);
        text += static_cast<char>('0' + (hostSide ? 8 - r : r + 1));
        return text;
    };
    std::string text = name(level.legs[0].from);
    const char sep = level.key.count > 0 ? 'x' : '-';
    for (int i = 0; i < level.legCount; ++i) {
        text += sep;
        text += name(level.legs[i].to);
    }
    return text;
}

} // namespace sorvada
