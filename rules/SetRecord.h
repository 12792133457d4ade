// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "rules/BoardTypes.h"
#include "rules/Move.h"

namespace sorvada {

enum class SetResult : uint8_t { InPlay, FirstMoverWon, SecondMoverWon, Drawn };

// One set as it was played: the moves of both sides in turn, the first mover's first, each
// in the first mover's squares (see Notation.h), and how it ended.
struct SetRecord {
    uint8_t variant = 0;
    std::string firstMoverName;
    std::string secondMoverName;
    std::vector<Move> moves;
    SetResult result = SetResult::InPlay;
};

// The first mover plays Black in the American game and White in the Russian one.
inline bool firstMoverIsWhite(uint8_t variant)
{
    return variant != VARIANT_AMERICAN;
}

// "1-0" when White won, "0-1" when Black won, "1/2-1/2" for a draw, "*" while in play.
inline std::string resultText(const SetRecord& set)
{
    switch (set.result) {
    case SetResult::InPlay: return "*";
    case SetResult::Drawn: return "1/2-1/2";
    case SetResult::FirstMoverWon: return firstMoverIsWhite(set.variant) ? "1-0" : "0-1";
    case SetResult::SecondMoverWon: return firstMoverIsWhite(set.variant) ? "0-1" : "1-0";
    }
    return "*";
}

} // namespace sorvada
