// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The room code carried in a DIRECTORY_REQUEST. A request names only the game kind in byte 1;
// every later byte is free, and in a copy that leaves them alone they hold whatever an earlier
// record put in the shared send record (a chat line, an address, a name). So the code sits
// behind a header that no such leftover can imitate:
//
//   byte  0      DIRECTORY_REQUEST (250)
//   byte  1      game kind
//   bytes 2..5   magic: D7 5A 3C A1
//   byte  6      code length n, 1..16
//   bytes 7..22  the code in lower-case ASCII, then zero bytes up to byte 22
//   byte  23     check: CRC-8 (polynomial 0x07, initial 0) of bytes 2..22
//
// A request is in a room only when all of it holds: the magic, a length of 1 to 16, that many
// code characters, zeros after them and the check byte. Anything else is the public room, so a
// directory that knows nothing of rooms, and a copy that sends nothing of them, behave as
// before. A leftover would have to match 4 fixed bytes, a length, the zero padding and the
// check: about one chance in 2^40 before the code's own characters are counted.
#include "net/PeerRecord.h"

#include <QString>

namespace sorvada {

inline constexpr int ROOM_MARKER_OFFSET = 2;
inline constexpr int ROOM_MARKER_SIZE = 22; // bytes 2..23

// Writes the marker and the code (already checked and in lower case) into bytes 2..23; an
// empty code clears those bytes, so that a public request never carries a stale room.
void writeRoomMarker(PeerRecord &record, const QString &code);

// The code a request names, or the empty string for the public room.
QString readRoomMarker(const PeerRecord &record);

} // namespace sorvada
