// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace sorvada {

// What the link tells the main window, as the first argument of PeerSocket::linkEvent.
inline constexpr unsigned int LINK_RECEIVED = 0;    // a game message arrived in order; recvRecord holds it
inline constexpr unsigned int LINK_SERVING = 1;     // this copy has become the game server
inline constexpr unsigned int LINK_JOINED = 2;      // this copy is now the client of a server
inline constexpr unsigned int LINK_PEER_GONE = 3;   // QUIT arrived, or ten sends went unanswered
inline constexpr unsigned int LINK_PEER_JOINED = 4; // this server accepted its client
// Only with a peer that announced it resumes (net/LinkExtension.h):
inline constexpr unsigned int LINK_LOST = 5; // the line is lost; the link waits for it, param the grace in ms
inline constexpr unsigned int LINK_BACK = 6; // the line is back within the grace; queued records flow again

// The parameter of LINK_PEER_GONE: how the peer was lost.
inline constexpr int PEER_GONE_LEFT = 0;   // QUIT arrived, or ten sends went unanswered
inline constexpr int PEER_GONE_SILENT = 1; // nothing at all came from the peer for too long
inline constexpr int PEER_GONE_LOST = 2;   // the line was lost and did not come back within the grace

// How PeerSocket::Start opens the link.
inline constexpr int START_VIA_SERVER = 0; // through the matchmaking web server or a directory server
inline constexpr int START_HOST = 1;       // wait as game server on the game port
inline constexpr int START_JOIN = 2;       // knock at a game server by address or host name

} // namespace sorvada
