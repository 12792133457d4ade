// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

namespace sorvada {

// Finds one of the program's data files (sounds, help pages) by its path
// relative to the data folder: first beside the program file, then in the
// installed data folder (<prefix>/share/games/sorvada beside the program's
// <prefix>/games). Returns an empty string when the file is in neither place.
QString findDataFile(const QString &relativePath);

} // namespace sorvada
