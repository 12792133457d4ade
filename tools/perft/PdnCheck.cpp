// SPDX-License-Identifier: GPL-3.0-or-later
#include "PdnCheck.h"

#include <fstream>
#include <sstream>

#include "rules/PdnReader.h"
#include "rules/PdnReplay.h"

namespace sorvada {

namespace {

// A PDN file of whole matches is small; anything much larger is not one of ours.
constexpr std::streamsize MAX_FILE_BYTES = 16 * 1024 * 1024;

} // namespace

int checkPdnFile(const std::string& path, std::FILE* out)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(out, "%s: cannot be opened\n", path.c_str());
        return 2;
    }
    std::string text(static_cast<size_t>(MAX_FILE_BYTES) + 1, '\0');
    file.read(text.data(), MAX_FILE_BYTES + 1);
    if (file.gcount() > MAX_FILE_BYTES) {
        std::fprintf(out, "%s: larger than %lld bytes\n", path.c_str(), static_cast<long long>(MAX_FILE_BYTES));
        return 2;
    }
    text.resize(static_cast<size_t>(file.gcount()));

    const PdnFile pdn = readPdn(text);
    if (!pdn.error.empty()) {
        std::fprintf(out, "%s:%d: %s\n", path.c_str(), pdn.errorLine, pdn.error.c_str());
        return 2;
    }
    int status = 0;
    for (size_t g = 0; g < pdn.games.size(); ++g) {
        const PdnGame& game = pdn.games[g];
        const uint8_t variant = game.variant();
        if (variant == 0) {
            std::fprintf(out, "game %zu (line %d): GameType %s is neither 21 nor 25\n", g + 1, game.line,
                         game.tag("GameType").c_str());
            status = 1;
            continue;
        }
        const ReplayOutcome outcome = replayMoves(variant, game.moves);
        if (outcome.legal) {
            std::fprintf(out, "game %zu (line %d): %zu moves, every one legal\n", g + 1, game.line,
                         outcome.movesPlayed);
        } else {
            std::fprintf(out, "game %zu (line %d): %s\n", g + 1, game.line, outcome.error.c_str());
            status = 1;
        }
    }
    if (pdn.games.empty()) {
        std::fprintf(out, "%s: no game in the file\n", path.c_str());
        return 2;
    }
    return status;
}

} // namespace sorvada
