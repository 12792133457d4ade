// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one datagram two copies exchange: always RECORD_SIZE bytes, type in byte 0, payload
// from byte 1, and the sequence number of the reliable path in bytes 346..349. All
// multi-byte integers are little-endian. The readers and writers here are the only code that
// knows byte positions; everybody else goes through them.
//
// A writer touches the type byte and its own fields only: bytes outside them keep whatever an
// earlier record left in the shared send record. Only the chat writer clears the record first.

#include <QByteArray>

#include <array>
#include <cstddef>
#include <cstdint>

namespace sorvada {

inline constexpr int RECORD_SIZE = 350;

// Game messages: numbered, acknowledged and handed to the play controller in order.
inline constexpr uint8_t GREETING = 0;
inline constexpr uint8_t MOVE = 1;
inline constexpr uint8_t CAPTURE_STEP = 2;
inline constexpr uint8_t DRAW_OFFER = 3;
inline constexpr uint8_t DRAW_ACCEPTED = 4;
inline constexpr uint8_t DRAW_DECLINED = 5;
inline constexpr uint8_t GAME_LOST = 6;
inline constexpr uint8_t YOU_START = 7;
inline constexpr uint8_t CHAT = 246;

// Link records: the link acts on them itself and never hands them to the game.
inline constexpr uint8_t PROBE = 245;
inline constexpr uint8_t ACK = 247;
inline constexpr uint8_t JOIN = 248;
inline constexpr uint8_t QUIT = 249;
inline constexpr uint8_t DIRECTORY_REQUEST = 250; // travels to the directory server only
inline constexpr uint8_t CONNECT_BUSY = 251;
inline constexpr uint8_t CONNECT_OK = 252;
inline constexpr uint8_t BECOME_SERVER = 253;
inline constexpr uint8_t JOIN_PEER = 254;
inline constexpr uint8_t CONNECT_REQUEST = 255;

inline constexpr uint8_t GAME_KIND = 4;
inline constexpr uint16_t GAME_PORT = 8000;
inline constexpr uint16_t DIRECTORY_PORT = 8100;

// Texts never reach the sequence number: a reader stops at the zero byte or before this byte.
inline constexpr int TEXT_END = 345;
inline constexpr int SEQUENCE_OFFSET = 346;
// Longest chat text: bytes 1..344, so that its zero byte is at most byte 345.
inline constexpr int MAX_CHAT_BYTES = TEXT_END - 1;

// True for types the link handles itself; every other value is a game message.
bool isLinkRecordType(uint8_t type);

struct PeerRecord {
    std::array<uint8_t, RECORD_SIZE> bytes{};

    uint8_t type() const { return bytes[0]; }
    void setType(uint8_t type) { bytes[0] = type; }

    uint32_t sequence() const { return readU32(SEQUENCE_OFFSET); }
    void setSequence(uint32_t n) { writeU32(SEQUENCE_OFFSET, n); }

    // MOVE and CAPTURE_STEP. The writer takes the sender's own squares and writes them
    // mirrored (63 - square), because each copy shows its own pieces at the bottom. The readers
    // return the bytes as they arrived, which are already squares of the receiver's board; they
    // are not checked here (see legSquaresValid).
    void writeLeg(uint8_t type, uint8_t from, uint8_t to, uint8_t via);
    uint8_t legFrom() const { return bytes[1]; }
    uint8_t legTo() const { return bytes[2]; }
    uint8_t legVia() const { return bytes[3]; }
    bool legSquaresValid() const { return legFrom() < 64 && legTo() < 64 && legVia() < 64; }

    // GREETING: byte 1 the variant (meaningful in the server's greeting only), name from byte 2.
    void writeGreeting(uint8_t variant, const QByteArray &name);
    uint8_t greetingVariant() const { return bytes[1]; }
    QByteArray greetingName() const { return readText(2); }

    // Types without payload (DRAW_OFFER .. YOU_START, QUIT, PROBE, CONNECT_*, BECOME_SERVER).
    void writeBare(uint8_t type) { setType(type); }

    // CHAT: clears the whole record, then the text from byte 1, cut to MAX_CHAT_BYTES.
    void writeChat(const QByteArray &text);
    QByteArray chatText() const { return readText(1); }

    // ACK: bytes 1..4 the acknowledged sequence number.
    void writeAck(uint32_t n);
    uint32_t ackNumber() const { return readU32(1); }

    // JOIN (request: byte 1 the game kind; acceptance: type only) and DIRECTORY_REQUEST.
    void writeJoin(uint8_t gameKind);
    void writeDirectoryRequest(uint8_t gameKind);
    uint8_t gameKind() const { return bytes[1]; }

    // JOIN_PEER: bytes 1..4 the port to join, address text from byte 5.
    void writeJoinPeer(uint32_t port, const QByteArray &address);
    uint32_t joinPeerPort() const { return readU32(1); }
    QByteArray joinPeerAddress() const { return readText(5); }

    void clear() { bytes.fill(0); }
    QByteArray toByteArray() const;
    // Copies exactly RECORD_SIZE bytes; anything else leaves the record untouched.
    bool assign(const QByteArray &datagram);

    uint32_t readU32(int offset) const;
    void writeU32(int offset, uint32_t value);
    // The text from offset up to its zero byte, never past byte TEXT_END - 1.
    QByteArray readText(int offset) const;
    // Writes text and its zero byte from offset, cut so that the zero byte is at most TEXT_END.
    void writeText(int offset, const QByteArray &text);
};

} // namespace sorvada
