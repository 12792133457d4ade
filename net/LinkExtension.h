// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a copy of ours can do beyond the plain protocol, announced in bytes that the record's
// type leaves undefined, and the extension messages that only such a copy is sent.
//
// The extension block, bytes 300..315 of a record:
//
//   bytes 300..303  magic: 9C 3E 51 D4
//   byte  304       version, 1; a reader takes any version from 1 on and the bits it knows
//   byte  305       features: bit 0 RESUME (the copy waits out a lost connection, knocks again
//                   and compares the match before play goes on); bit 1 REATTACH (a directory
//                   that reattaches the ends of a match it relays)
//   byte  306       flags: bit 0 the token is set; bit 1 the sender is the hosting end
//   bytes 307..314  the match token, unsigned 64-bit little-endian; zero where there is none
//   byte  315       check: markerCheck (net/MarkerCheck.h) of bytes 300..314
//
// Byte 300 lies behind every field of the records that carry the block: a name ends by byte 17,
// a JOIN_PEER address is written only when its zero byte comes before byte 300 (writeLinkExtension
// refuses otherwise), a room marker ends at byte 23. A leftover in the shared send record would
// have to match the 4 magic bytes, a version, and the check: about one chance in 2^40.
//
// Who writes it where:
//   GREETING        both ends of a match, RESUME; the server's greeting also carries the token
//   JOIN            a joiner knocking again during a lost connection: RESUME and the token;
//                   the host's answer to such a knock: the same
//   BECOME_SERVER,  a directory of ours: REATTACH, when it relays the match it is setting up
//   JOIN_PEER
//   REATTACH        a copy asking the directory to point its end of a relayed match at the
//                   address it now sends from: the token, and the hosting-end flag
//
// Extension messages are game-message types (8..244): a peer that knows nothing of them
// acknowledges and ignores them. They are sent only to a party that announced the feature.
#include "net/PeerRecord.h"
#include "rules/MatchDigest.h"

#include <cstdint>
#include <optional>

namespace sorvada {

inline constexpr int LINK_EXTENSION_OFFSET = 300;
inline constexpr int LINK_EXTENSION_SIZE = 16; // bytes 300..315
inline constexpr uint8_t LINK_EXTENSION_VERSION = 1;

inline constexpr uint8_t FEATURE_RESUME = 0x01;
inline constexpr uint8_t FEATURE_REATTACH = 0x02;

// Reliable, to a peer that announced RESUME: the state of the match, compared after the line
// came back (writeMatchDigest below).
inline constexpr uint8_t MATCH_DIGEST = 8;
// Sent once, to a directory that announced REATTACH: the block with the match token. Its
// sequence bytes are 0xFFFFFFFF, so that a copy it reached by mistake drops it as a record
// ahead of its turn rather than counting it.
inline constexpr uint8_t REATTACH = 9;
inline constexpr uint32_t NO_SEQUENCE = 0xFFFFFFFF;

struct LinkExtension {
    uint8_t version = LINK_EXTENSION_VERSION;
    uint8_t features = 0;
    bool hostEnd = false;
    std::optional<uint64_t> token;

    bool resumes() const { return (features & FEATURE_RESUME) != 0; }
    bool reattaches() const { return (features & FEATURE_REATTACH) != 0; }
};

// The block of a copy that resumes: RESUME, with the match token where it has one.
LinkExtension resumeBlock(std::optional<uint64_t> token, bool hostEnd);

// Writes the block into bytes 300..315. False, and nothing written, when the record's own text
// (a JOIN_PEER address) reaches into them.
bool writeLinkExtension(PeerRecord &record, const LinkExtension &extension);
// Zeroes bytes 300..315: a record that is to carry no block carries no stale one either.
void clearLinkExtension(PeerRecord &record);
// The block of a record, or nothing when there is no valid one.
std::optional<LinkExtension> readLinkExtension(const PeerRecord &record);

// REATTACH: the block (token and hosting-end flag), the sequence bytes set to NO_SEQUENCE.
void writeReattach(PeerRecord &record, uint64_t token, bool hostEnd);

// MATCH_DIGEST, bytes 1..24:
//   byte  1      flags: bit 0 this digest answers one that could not be compared
//   bytes 2..3   set number, from 1          bytes 4..5   plies played in the set
//   bytes 6..13  hash of the position as the host sees it (rules/MatchDigest.h)
//   bytes 14..15 sets the host won           bytes 16..17 sets the joiner won
//   bytes 18..19 sets drawn                  byte  20     side to move: 0 none, 1 host, 2 joiner
//   bytes 21..24 game messages the sender had received from the receiver when it wrote this
struct DigestMessage {
    bool answer = false;
    uint32_t seen = 0;
    MatchState state; // what both copies must agree on
};
void writeDigestMessage(PeerRecord &record, const DigestMessage &digest);
DigestMessage readDigestMessage(const PeerRecord &record);

} // namespace sorvada
