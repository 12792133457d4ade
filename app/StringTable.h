// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

namespace sorvada {

// The program's string table: every text chosen at run time is loaded from
// here by number each time it is shown. An unknown number gives an empty
// string, as a missing string resource does.
QString loadString(int id);

// True when the table has a string under this number.
bool hasString(int id);

} // namespace sorvada
