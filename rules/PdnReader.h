// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sorvada {

// One move as a PDN file writes it: the squares named ("11", "15" or "c3", "e5"), the
// start first, and whether it was written as a capture ("x" or ":").
struct PdnMove {
    std::vector<std::string> squares;
    bool capture = false;
};

struct PdnGame {
    std::vector<std::pair<std::string, std::string>> tags;
    std::vector<PdnMove> moves;
    std::string result; // "1-0", "0-1", "1/2-1/2", "*", ... as written; empty if none
    int line = 0;       // where the game starts in the file, from 1

    // The value of a tag, or an empty string.
    std::string tag(std::string_view name) const;
    // VARIANT_AMERICAN for GameType 21 (also when the tag is missing, as PDN's default),
    // VARIANT_RUSSIAN for 25, 0 for any other game.
    uint8_t variant() const;
};

struct PdnFile {
    std::vector<PdnGame> games;
    std::string error; // empty when the whole text was read
    int errorLine = 0;
};

// Reads the games of a PDN text: tag pairs, movetext with move numbers, simple moves
// ("11-15", "c3-d4"), captures with "x" or ":" written short or with every landing
// square, and a result. Comments in braces, rest-of-line comments after ';', variations
// in parentheses, annotation marks ("!", "?") and numeric glyphs ("$1") are skipped.
// At most maxGames games are read; a text that is not PDN stops the reading with an error.
PdnFile readPdn(std::string_view text, size_t maxGames = 10000);

} // namespace sorvada
