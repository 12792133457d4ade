// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/OpponentMoves.h"

#include "rules/GameBoard.h"

#include <optional>

namespace sorvada {

OpponentMoves::OpponentMoves() = default;
OpponentMoves::~OpponentMoves() = default;

OpponentMoves::OpponentMoves(const OpponentMoves& other)
    : view(other.view ? std::make_unique<GameBoard>(*other.view) : nullptr), underWay(other.underWay),
      moverSquare(other.moverSquare)
{
}

OpponentMoves& OpponentMoves::operator=(const OpponentMoves& other)
{
    if (this != &other) {
        view = other.view ? std::make_unique<GameBoard>(*other.view) : nullptr;
        underWay = other.underWay;
        moverSquare = other.moverSquare;
    }
    return *this;
}

void OpponentMoves::turnRound(const GameBoard& local)
{
    if (!view)
        view = std::make_unique<GameBoard>();
    GameBoard& v = *view;
    v.setRole(local.role() == ROLE_SERVER ? ROLE_CLIENT : ROLE_SERVER);
    v.setVariant(local.variant());
    // Square s here is 63 - s there; a light square stays light.
    for (int s = 0; s < 64; ++s)
        v.board[63 - s] = local.board[s];
    for (int k = 0; k < 24; ++k) {
        PieceRecord& p = v.pieces[k];
        const PieceRecord& q = local.pieces[k];
        p.captured = q.captured;
        p.owner = q.owner;
        p.kind = q.kind;
        p.square = q.square < 64 ? static_cast<uint8_t>(63 - q.square) : q.square;
        p.targetCount = 0;
        p.canMove = 0;
        p.mustCapture = 0;
    }
    v.selectedSquare = NO_SQUARE;
    v.captureRequired = 0;
    v.promotedThisMove = 0;
    v.lastCapturedCol = 0;
    v.lastCapturedRow = 0;
    v.lastDirection = 0;
    v.viaSquare = 0;
    v.ownPieceSeen = 0;
    for (uint8_t& cand : v.landingCandidates)
        cand = 0;
    v.generateMoves();
}

bool OpponentMoves::follow(const GameBoard& local, uint8_t from, uint8_t to, uint8_t via, bool last,
                           uint8_t& turning)
{
    if (from > 63 || to > 63)
        return false;
    if (!underWay)
        turnRound(local);
    const GameBoard& v = *view;
    const auto f = static_cast<uint8_t>(63 - from);
    const auto t = static_cast<uint8_t>(63 - to);

    // In the middle of a move only the piece under way has legs left, and it
    // must be the piece that made the previous leg.
    if (underWay && f != moverSquare)
        return false;
    if (!v.isLegalLeg(f, t))
        return false;
    const uint8_t k = v.board[f];

    // A refused leg must leave the view as it was. Before the first leg the
    // view is simply built again for the next one; in the middle of a move it
    // is put back from a copy.
    std::optional<GameBoard> before;
    if (underWay)
        before.emplace(v);
    GameBoard& next = *view;
    const auto refuse = [&] {
        if (before)
            next = std::move(*before);
        return false;
    };
    const bool capture = next.pieces[k].mustCapture != 0;
    if (next.applyMove(f, t, 0) != 1)
        return refuse();
    if (next.viaSquare != 0 && via != 63 - next.viaSquare)
        return refuse();
    const bool more = capture && next.checkContinuation(k) == 1;
    if (more == last)
        return refuse();
    if (!more)
        next.finishLocalMove();

    turning = next.viaSquare != 0 ? static_cast<uint8_t>(63 - next.viaSquare) : 0;
    underWay = more;
    moverSquare = t;
    return true;
}

} // namespace sorvada
