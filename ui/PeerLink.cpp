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

void PeerLink::sendLeg(uint8_t type, uint8_t from, uint8_t to, uint8_t via)
{
    socket.sendRecord.writeLeg(type, from, to, via);
    sendToPeer(true);
}

void PeerLink::sendGreeting(uint8_t variant, const QByteArray &name)
{
    socket.sendRecord.writeGreeting(variant, name);
    sendToPeer(true);
}

void PeerLink::sendBare(uint8_t type)
{
    socket.sendRecord.writeBare(type);
    sendToPeer(true);
}

void PeerLink::sendDigest(const DigestMessage &digest)
{
    // Only a peer that announced it is sent one: to any other it is a message it never asked for.
    if (!socket.peerResumes())
        return;
    writeDigestMessage(socket.sendRecord, digest);
    sendToPeer(false);
}

void PeerLink::sendToPeer(bool changesMatch)
{
    if (socket.SendReliable(socket.peerSlot()) && changesMatch)
        lastStateSend = socket.sentCount();
}

bool PeerLink::peerResumes() const
{
    return socket.peerResumes();
}

int PeerLink::graceRemainingMs() const
{
    return socket.graceRemainingMs();
}

uint32_t PeerLink::receivedCount() const
{
    return socket.receivedCount();
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
