// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdio>
#include <string>

namespace sorvada {

// Replays every game of a PDN file from the opening position and writes one line per
// game to `out`: how many moves it has and whether each was legal, or the first that was
// not. Answers 0 when every game replayed legally, 1 when one did not, 2 when the file
// could not be read as PDN at all.
int checkPdnFile(const std::string& path, std::FILE* out);

} // namespace sorvada
