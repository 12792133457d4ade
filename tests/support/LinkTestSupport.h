// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small helpers shared by the link tests: short intervals, ephemeral ports, event bookkeeping.

#include "net/PeerSocket.h"

#include <QSignalSpy>

#include <vector>

namespace sorvada {

inline PeerSocket::Config quickConfig(quint16 gamePort = 0, int retransmitMs = 50)
{
    PeerSocket::Config c;
    c.gamePort = gamePort;
    c.directoryPort = 0;
    c.retransmitMs = retransmitMs;
    c.answerTimeoutMs = 300;
    c.httpTimeoutMs = 2000;
    return c;
}

inline std::vector<unsigned> eventsOf(const QSignalSpy &spy)
{
    std::vector<unsigned> out;
    for (const QList<QVariant> &args : spy)
        out.push_back(args.at(0).toUInt());
    return out;
}

inline int countOf(const QSignalSpy &spy, unsigned event)
{
    int n = 0;
    for (const QList<QVariant> &args : spy)
        n += args.at(0).toUInt() == event;
    return n;
}

// A game message with a number in bytes 5..8 so that a receiver can tell records apart.
inline PeerRecord numbered(uint8_t type, uint32_t number, uint32_t sequence)
{
    PeerRecord r;
    r.setType(type);
    r.writeU32(5, number);
    r.setSequence(sequence);
    return r;
}

} // namespace sorvada
