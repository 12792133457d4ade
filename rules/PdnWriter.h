// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

#include "rules/SetRecord.h"

namespace sorvada {

// What a game's tags say besides the players and the result.
struct PdnHeader {
    std::string event;
    std::string site;
    std::string date; // YYYY.MM.DD
    int round = 1;
};

// One PDN game: the seven standard tags (Event, Site, Date, Round, White, Black, Result),
// GameType 21 or 25, a blank line, the movetext with move numbers and the result, lines
// of at most 79 characters, and a blank line after it.
std::string pdnGameText(const SetRecord& set, const PdnHeader& header);

// The movetext alone ("1. 11-15 23-19 2. 8-11 *"), on one line.
std::string pdnMoveText(const SetRecord& set);

} // namespace sorvada
