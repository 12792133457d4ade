// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/PdnReplay.h"

#include "rules/Notation.h"

namespace sorvada {

namespace {

struct Line {
    Move move; // in the mover's own squares
    GameBoard after;
};

// Follows every way a move can go on from a leg, as move entry would take it.
void extend(const GameBoard& before, uint8_t from, uint8_t to, bool capture, Move move, std::vector<Line>& out)
{
    GameBoard next = before;
    next.applyMove(from, to, 0);
    move.legs.push_back(Leg{from, to, next.viaSquare});
    if (capture)
        move.taken.push_back(static_cast<uint8_t>(next.lastCapturedCol + 8 * next.lastCapturedRow));
    if (capture && next.checkContinuation(next.board[to])) {
        const PieceRecord p = next.pieces[next.board[to]];
        for (int i = 1; i <= p.targetCount && i < 30; ++i)
            extend(next, to, p.targets[i], true, move, out);
        return;
    }
    next.finishLocalMove();
    out.push_back(Line{std::move(move), std::move(next)});
}

std::vector<Line> legalLines(GameBoard& mover)
{
    mover.generateMoves();
    std::vector<Line> lines;
    const int own = mover.localMover();
    for (const PieceRecord& p : mover.pieces) {
        if (p.owner != own || p.captured || !p.canMove)
            continue;
        if (mover.captureRequired && !p.mustCapture)
            continue;
        for (int i = 1; i <= p.targetCount && i < 30; ++i)
            extend(mover, p.square, p.targets[i], p.mustCapture != 0, Move{}, lines);
    }
    return lines;
}

bool matches(const Line& line, const std::vector<uint8_t>& written, bool capture)
{
    if (line.move.isCapture() != capture)
        return false;
    const std::vector<uint8_t> landed = moveLandings(line.move);
    if (written.size() == 2)
        return landed.front() == written.front() && landed.back() == written.back();
    return landed == written;
}

std::string moveLabel(size_t index, const PdnMove& move)
{
    std::string text = std::to_string(index / 2 + 1) + (index % 2 == 0 ? ". " : "... ");
    for (size_t i = 0; i < move.squares.size(); ++i) {
        if (i > 0)
            text += move.capture ? 'x' : '-';
        text += move.squares[i];
    }
    return text;
}

} // namespace

ReplayOutcome replayMoves(uint8_t variant, const std::vector<PdnMove>& moves)
{
    ReplayOutcome outcome;
    GameBoard* boards[2] = {&outcome.firstMover, &outcome.secondMover};
    outcome.firstMover.setRole(ROLE_SERVER);
    outcome.secondMover.setRole(ROLE_CLIENT);
    for (GameBoard* b : boards) {
        b->setVariant(variant);
        b->setUpPosition(0, 0);
    }
    if (variant != VARIANT_AMERICAN && variant != VARIANT_RUSSIAN) {
        outcome.error = "the game is neither American (GameType 21) nor Russian (25) checkers";
        return outcome;
    }

    for (size_t i = 0; i < moves.size(); ++i) {
        const bool firstToMove = i % 2 == 0;
        GameBoard& mover = *boards[firstToMove ? 0 : 1];
        GameBoard& other = *boards[firstToMove ? 1 : 0];
        const std::string label = moveLabel(i, moves[i]);

        // The file names squares from the first mover's seat; the second mover's board is
        // the same board turned round.
        std::vector<uint8_t> written;
        for (const std::string& name : moves[i].squares) {
            const uint8_t s = notationSquareFromName(variant, name);
            if (s == NO_SQUARE) {
                outcome.error = label + ": '" + name + "' is not a square of this game";
                return outcome;
            }
            written.push_back(firstToMove ? s : static_cast<uint8_t>(63 - s));
        }

        std::vector<Line> lines = legalLines(mover);
        const Line* chosen = nullptr;
        for (const Line& line : lines) {
            if (!matches(line, written, moves[i].capture))
                continue;
            if (chosen && chosen->move.taken != line.move.taken) {
                outcome.error = label + ": ambiguous, more than one capture goes that way";
                return outcome;
            }
            if (!chosen)
                chosen = &line;
        }
        if (!chosen) {
            outcome.error = label + " is not a legal move here";
            return outcome;
        }

        const Move played = chosen->move;
        for (size_t k = 0; k < played.legs.size(); ++k) {
            const Leg& leg = played.legs[k];
            if (!other.applyReceivedLeg(static_cast<uint8_t>(63 - leg.from), static_cast<uint8_t>(63 - leg.to),
                                        static_cast<uint8_t>(63 - leg.via), k + 1 == played.legs.size())) {
                outcome.error = label + ": the other side's board refused it";
                return outcome;
            }
        }
        mover = chosen->after;
        outcome.moves.push_back(firstToMove ? played : mirroredMove(played));
        ++outcome.movesPlayed;
    }
    outcome.legal = true;
    return outcome;
}

} // namespace sorvada
