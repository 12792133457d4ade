// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Rooms on a shared lobby. Two friends who give the lobby the same code are paired only with
// each other; a copy without a code is in the public room, paired only with another without
// one. A code is 1 to 16 letters, digits or "-", and its case does not matter: it is compared
// (and sent to the directory) in lower case.
//
// The server-address box names a lobby and, optionally, a room:
//   directory:  HOST            HOST/CODE            HOST:PORT/CODE   (PORT: the directory's
//               UDP port when it is not 8100)
//   web lobby:  http://HOST:8080                     http://HOST:8080/CODE
// The web lobby's code is the first element of the query path, so every query of such a copy
// is BASE/start.asp?... and BASE/end.asp?... under it.
#include <QRandomGenerator>
#include <QString>
#include <QStringView>
#include <QtGlobal>

namespace sorvada {

inline constexpr int MAX_ROOM_CODE_LENGTH = 16;

// The start query is built in 100 bytes: at most 99 characters. Besides the base address its
// fixed parts and values take up to 55 characters, and the lobby's IDs 8 more.
inline constexpr int MAX_QUERY_LENGTH = 99;
inline constexpr int START_QUERY_FIXED_LENGTH = 55;
inline constexpr int LOBBY_ID_LENGTH = 8;
inline constexpr int MAX_WEB_BASE_LENGTH = MAX_QUERY_LENGTH - START_QUERY_FIXED_LENGTH - LOBBY_ID_LENGTH;

// True for 1..16 characters of A-Z, a-z, 0-9 and "-".
bool isRoomCode(QStringView code);

enum class LobbyAddressProblem {
    None,
    EmptyCode,    // a "/" with nothing after it
    CodeTooLong,  // more than 16 characters
    CodeCharacter, // a character other than a letter, a digit or "-" (a second "/", a space)
    WebTooLong,   // the web lobby's queries would not fit in 99 characters
};

struct LobbyAddress
{
    bool web = false;    // "http:" in small letters begins the address
    QString host;        // directory: the name or address to ask; web: the base address as typed
    quint16 port = 0;    // directory: the UDP port given after ":"; 0 for the default
    QString code;        // in lower case; empty: the public room
    LobbyAddressProblem problem = LobbyAddressProblem::None;
};

// Splits what the player typed. A text that does not look like any of the forms above is
// taken whole as the host, as before rooms existed, and resolves or fails as such.
LobbyAddress parseLobbyAddress(const QString &typed);

// A fresh code for an invitation: two groups of five characters joined by "-" (about 49 bits),
// from digits and small letters without those that are misread or misheard (0 o 1 i l).
QString drawRoomCode(QRandomGenerator &random);

} // namespace sorvada
