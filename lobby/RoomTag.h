// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

namespace sorvada {

// How the log names a room: never by its code, which is the friends' only secret, but by a
// short hash keyed afresh each time the lobby starts, so that lines of one run can be matched
// and a log cannot be searched for a known code. Empty for the public room.
//   " in room #3fa9c2"
QString roomTag(const QString &room);

} // namespace sorvada
