// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/PeerRecord.h"

#include <algorithm>
#include <cstring>

namespace sorvada {

bool isLinkRecordType(uint8_t type)
{
    return type == PROBE || type == ACK || type == JOIN || type == QUIT || type >= CONNECT_BUSY;
}

void PeerRecord::writeLeg(uint8_t type, uint8_t from, uint8_t to, uint8_t via)
{
    setType(type);
    bytes[1] = uint8_t(63 - from);
    bytes[2] = uint8_t(63 - to);
    bytes[3] = uint8_t(63 - via);
}

void PeerRecord::writeGreeting(uint8_t variant, const QByteArray &name)
{
    setType(GREETING);
    bytes[1] = variant;
    writeText(2, name);
}

void PeerRecord::writeChat(const QByteArray &text)
{
    clear();
    setType(CHAT);
    writeText(1, text);
}

void PeerRecord::writeAck(uint32_t n)
{
    setType(ACK);
    writeU32(1, n);
}

void PeerRecord::writeJoin(uint8_t kind)
{
    setType(JOIN);
    bytes[1] = kind;
}

void PeerRecord::writeDirectoryRequest(uint8_t kind)
{
    setType(DIRECTORY_REQUEST);
    bytes[1] = kind;
}

void PeerRecord::writeJoinPeer(uint32_t port, const QByteArray &address)
{
    setType(JOIN_PEER);
    writeU32(1, port);
    writeText(5, address);
}

QByteArray PeerRecord::toByteArray() const
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), RECORD_SIZE);
}

bool PeerRecord::assign(const QByteArray &datagram)
{
    if (datagram.size() != RECORD_SIZE)
        return false;
    std::memcpy(bytes.data(), datagram.constData(), RECORD_SIZE);
    return true;
}

uint32_t PeerRecord::readU32(int offset) const
{
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 | uint32_t(bytes[offset + 2]) << 16
        | uint32_t(bytes[offset + 3]) << 24;
}

void PeerRecord::writeU32(int offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = uint8_t(value >> (8 * i));
}

QByteArray PeerRecord::readText(int offset) const
{
    const auto begin = bytes.begin() + offset;
    const auto end = std::find(begin, bytes.begin() + TEXT_END, uint8_t(0));
    return QByteArray(reinterpret_cast<const char *>(&*begin), int(end - begin));
}

void PeerRecord::writeText(int offset, const QByteArray &text)
{
    const int length = std::min<int>(int(text.size()), TEXT_END - offset);
    std::memcpy(bytes.data() + offset, text.constData(), size_t(length));
    bytes[offset + length] = 0;
}

} // namespace sorvada
