// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "net/LinkExtension.h"
#include "net/PeerRecord.h"
#include "net/PeerSocket.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace sorvada {

// The link to the opponent's copy as the play controller uses it: the game
// messages it sends (always reliably, to the peer), the last one received,
// and the opening of the link with what kept it from opening.
class PlayLink {
public:
    virtual ~PlayLink() = default;

    virtual uint8_t role() const = 0;
    // The game message the link has just handed over.
    virtual const PeerRecord &received() const = 0;

    // A leg in this side's own squares; it crosses the wire mirrored.
    virtual void sendLeg(uint8_t type, uint8_t from, uint8_t to, uint8_t via) = 0;
    virtual void sendGreeting(uint8_t variant, const QByteArray &name) = 0;
    // A message without payload (DRAW_OFFER .. YOU_START).
    virtual void sendBare(uint8_t type) = 0;
    virtual void sendChat(const QByteArray &text) = 0;
    virtual void sendQuit() = 0;

    // Between two copies of ours that both announced it, a lost line is waited for (LINK_LOST,
    // LINK_BACK) and the two compare their matches once it is back.
    virtual bool peerResumes() const = 0;
    // What is left of the wait for a lost line, -1 while there is none.
    virtual int graceRemainingMs() const = 0;
    // Game messages received from the peer so far.
    virtual uint32_t receivedCount() const = 0;
    // Messages this side had queued for the peer just after its last one that changes the
    // match (anything but chat and digests).
    virtual uint32_t stateSentCount() const = 0;
    virtual void sendDigest(const DigestMessage &digest) = 0;

    // mode: START_JOIN, START_HOST or START_VIA_SERVER.
    virtual bool start(const QString &address, int mode) = 0;
    // Why the link did not open; timedOut: the connection time ran out.
    virtual StartFailure failure(bool timedOut) const = 0;
    virtual QString startAddress() const = 0;
    virtual QString awaitedAddress() const = 0;
};

} // namespace sorvada
