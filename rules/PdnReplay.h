// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "rules/GameBoard.h"
#include "rules/Move.h"
#include "rules/PdnReader.h"

namespace sorvada {

struct ReplayOutcome {
    // Every move was legal in turn; else `error` says which one was not and why.
    bool legal = false;
    size_t movesPlayed = 0;
    std::string error;
    // The moves as played, in the first mover's squares (see Notation.h).
    std::vector<Move> moves;
    // The position reached, on the first mover's board (host role: its pieces are light
    // and stand at the bottom), and the same position on the other side's board.
    GameBoard firstMover;
    GameBoard secondMover;
};

// Plays the moves from the opening position, the first mover first, exactly as two
// copies of the game would: the side to move enters each move on its own board, the
// other receives it leg by leg through the checked entry. A move written short ("9x27")
// stands for the one legal move it names; one that could be several different moves is
// refused as ambiguous.
ReplayOutcome replayMoves(uint8_t variant, const std::vector<PdnMove>& moves);

} // namespace sorvada
