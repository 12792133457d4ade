// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PeerLink.h"

#include "net/PeerSocket.h"

namespace sorvada {

uint8_t PeerLink::role() const
{
    return socket.role;
}

const PeerRecord &PeerLink::received() const
{
    return socket.recvRecord;
}

int PeerLink::peerSlot() const
{
    return socket.role == ROLE_SERVER ? 1 : 0;
}

void PeerLink::sendLeg(uint8_t type, uint8_t from, uint8_t to, uint8_t via)
{
    socket.sendRecord.writeLeg(type, from, to, via);
    socket.SendReliable(peerSlot());
}

void PeerLink::sendGreeting(uint8_t variant, const QByteArray &name)
{
    socket.sendRecord.writeGreeting(variant, name);
    socket.SendReliable(peerSlot());
}

void PeerLink::sendBare(uint8_t type)
{
    socket.sendRecord.writeBare(type);
    socket.SendReliable(peerSlot());
}

void PeerLink::sendChat(const QByteArray &text)
{
    socket.SendChat(text);
}

void PeerLink::sendQuit()
{
    socket.SendQuit();
}

bool PeerLink::start(const QString &address, int mode)
{
    return socket.Start(1, address, mode, GAME_KIND);
}

StartFailure PeerLink::failure(bool timedOut) const
{
    return timedOut ? socket.silenceReason() : socket.failure();
}

QString PeerLink::startAddress() const
{
    return socket.startAddress();
}

QString PeerLink::awaitedAddress() const
{
    return socket.awaitedAddress();
}

} // namespace sorvada
