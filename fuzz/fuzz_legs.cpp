// SPDX-License-Identifier: GPL-3.0-or-later
// Received legs into the board. Two boards play one set against each other, one as host and one
// as joiner, the way two copies do: each local move is chosen by the input among the legal ones
// (captures continued leg by leg as move entry does) and its legs go through the other board's
// checked entry. Between moves, and between the legs of a move, the input throws in arbitrary
// legs to either board: to the side whose turn it is (out of turn) or to the side receiving.
//
// What must hold:
// - nothing reads or writes outside the board (the sanitizers watch that);
// - a refused leg changes nothing;
// - every board stays whole: each piece on the board stands where its record says, light
//   squares stay light, taken pieces leave the board once the move is over;
// - a leg sent to the side whose turn it is is refused;
// - while no arbitrary leg has been let through, every leg of legal play is accepted by the other
//   board and both boards show the same position, turned round.

#include "rules/GameBoard.h"
#include "rules/Move.h"

#include "FuzzInput.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace sorvada;

namespace {

struct Snapshot {
    uint8_t board[64];
    struct {
        int32_t captured;
        uint8_t square;
        int32_t owner;
        uint8_t kind;
    } pieces[24];
    uint8_t landing[30];

    explicit Snapshot(const GameBoard &b)
    {
        std::memset(this, 0, sizeof *this);
        std::memcpy(board, b.board, sizeof board);
        for (int k = 0; k < 24; ++k) {
            pieces[k].captured = b.pieces[k].captured;
            pieces[k].square = b.pieces[k].square;
            pieces[k].owner = b.pieces[k].owner;
            pieces[k].kind = b.pieces[k].kind;
        }
        std::memcpy(landing, b.landingCandidates, sizeof landing);
    }
    bool operator==(const Snapshot &o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
};

bool isLight(int s)
{
    return ((s & 7) + (s >> 3)) % 2 == 0;
}

// allowStanding: pieces taken in a local move under way may still stand (Russian game).
void checkWhole(const GameBoard &b, bool allowStanding)
{
    int onBoard = 0;
    for (int s = 0; s < 64; ++s) {
        const uint8_t cell = b.board[s];
        if (isLight(s)) {
            require(cell == LIGHT_SQUARE);
            continue;
        }
        if (cell == EMPTY_SQUARE)
            continue;
        require(cell < 24);
        const PieceRecord &p = b.pieces[cell];
        require(p.square == s);
        require(allowStanding || !p.captured);
        require(p.kind <= 3);
        // A man of each colour is the colour's own kind, and so is its king.
        require(p.owner == 1 ? (p.kind == 0 || p.kind == 2) : (p.kind == 1 || p.kind == 3));
        ++onBoard;
    }
    int alive = 0;
    for (int k = 0; k < 24; ++k) {
        const PieceRecord &p = b.pieces[k];
        require(p.targetCount <= 29);
        if (p.captured)
            continue;
        ++alive;
        require(p.square < 64 && b.board[p.square] == k);
    }
    require(allowStanding ? onBoard >= alive : onBoard == alive);
}

// The same position seen from the other side: square s there is 63 - s here.
bool samePosition(const GameBoard &a, const GameBoard &b)
{
    for (int s = 0; s < 64; ++s) {
        const uint8_t ca = a.board[s], cb = b.board[63 - s];
        if ((ca < 24) != (cb < 24))
            return false;
        if (ca < 24 && (a.pieces[ca].owner != b.pieces[cb].owner || a.pieces[ca].kind != b.pieces[cb].kind))
            return false;
    }
    return true;
}

// One whole local move on b chosen by the input, as move entry makes it; empty when b has none.
// The legs come back mirrored, as they cross the link.
std::vector<Leg> playLocalMove(GameBoard &b, Input &in)
{
    std::vector<Leg> legs;
    b.generateMoves();
    const LegList choices = b.legalLegs();
    if (choices.empty()) {
        require(b.hasNoMoves() == 1);
        return legs;
    }
    require(b.hasNoMoves() == 0);
    const Leg first = choices[int(in.next() % unsigned(choices.size()))];
    const int k = b.board[first.from];
    uint8_t target = first.to;
    bool wasCapture = choices.captures();
    for (;;) {
        const uint8_t from = b.pieces[k].square;
        require(b.applyMove(from, target, 0) == 1);
        require(b.board[target] == k && b.pieces[k].square == target);
        const Leg leg{uint8_t(63 - from), uint8_t(63 - target), uint8_t(63 - b.viaSquare)};
        legs.push_back(leg);
        if (!(wasCapture && b.checkContinuation(b.board[target]))) {
            b.finishLocalMove();
            break;
        }
        checkWhole(b, true);
        // Only the piece under way may go on, and only by capturing.
        const LegList next = b.legalLegs();
        require(!next.empty() && next.captures());
        for (int i = 0; i < next.size(); ++i)
            require(next[i].from == target);
        target = next[int(in.next() % unsigned(next.size()))].to;
        wasCapture = true;
    }
    return legs;
}

// An arbitrary leg as a peer could send it, to sides[op & 1]; bit 1 of op marks it as the last
// leg of its move. Answers whether the board took it.
bool throwIn(GameBoard sides[2], uint8_t op, Input &in)
{
    GameBoard &target = sides[op & 1];
    const uint8_t from = in.next(), to = in.next(), via = in.next();
    const Snapshot before(target);
    const bool outOfTurn = target.isMyTurn() == 1;
    if (target.applyReceivedLeg(from, to, via, (op & 2) != 0)) {
        require(!outOfTurn);
        checkWhole(target, false);
        return true;
    }
    require(Snapshot(target) == before);
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in(data, size);
    const uint8_t setup = in.next();
    const uint8_t variant = (setup & 1) ? VARIANT_RUSSIAN : VARIANT_AMERICAN;

    GameBoard sides[2];
    sides[0].setRole(ROLE_SERVER);
    sides[1].setRole(ROLE_CLIENT);
    for (GameBoard &b : sides) {
        b.setVariant(variant);
        b.setUpPosition();
        b.generateMoves();
        checkWhole(b, false);
    }
    bool inSync = true;
    int mover = 0; // the host moves first
    sides[0].setMyTurn(1);

    for (int ops = 0; !in.empty() && ops < 400; ++ops) {
        const uint8_t op = in.next();
        if (op < 0xC0) {
            // A legal move of the side to move, received by the other side.
            GameBoard &local = sides[mover];
            GameBoard &peer = sides[1 - mover];
            const std::vector<Leg> legs = playLocalMove(local, in);
            checkWhole(local, false);
            if (legs.empty())
                break; // the set is over
            for (size_t i = 0; i < legs.size(); ++i) {
                // Arbitrary legs in the middle of the move.
                while (i > 0 && in.peek() >= 0xC0 && ++ops < 400)
                    if (throwIn(sides, in.next(), in))
                        inSync = false;
                const Leg &leg = legs[i];
                const Snapshot before(peer);
                const bool taken = peer.applyReceivedLeg(leg.from, leg.to, leg.via, i + 1 == legs.size());
                if (inSync)
                    require(taken);
                if (!taken)
                    require(Snapshot(peer) == before);
                checkWhole(peer, false);
            }
            if (inSync)
                require(samePosition(local, peer));
            peer.generateMoves();
            local.setMyTurn(0);
            peer.setMyTurn(1);
            mover = 1 - mover;
        } else {
            if (throwIn(sides, op, in))
                inSync = false;
            GameBoard &target = sides[op & 1];
            target.generateMoves();
            target.hasNoMoves();
        }
    }
    return 0;
}
