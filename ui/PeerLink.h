// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "ui/PlayLink.h"

namespace sorvada {

class PeerSocket;

// The play controller's link over the game's UDP link: each message is
// written into the link's send record and queued for the peer's slot.
class PeerLink : public PlayLink {
public:
    explicit PeerLink(PeerSocket &socket) : socket(socket) {}

    uint8_t role() const override;
    const PeerRecord &received() const override;
    void sendLeg(uint8_t type, uint8_t from, uint8_t to, uint8_t via) override;
    void sendGreeting(uint8_t variant, const QByteArray &name) override;
    void sendBare(uint8_t type) override;
    void sendChat(const QByteArray &text) override;
    void sendQuit() override;
    bool peerResumes() const override;
    int graceRemainingMs() const override;
    uint32_t receivedCount() const override;
    uint32_t stateSentCount() const override { return lastStateSend; }
    void sendDigest(const DigestMessage &digest) override;
    bool start(const QString &address, int mode) override;
    StartFailure failure(bool timedOut) const override;
    QString startAddress() const override;
    QString awaitedAddress() const override;

private:
    // Queues the send record for the peer; a message that changes the match is remembered.
    void sendToPeer(bool changesMatch);
    PeerSocket &socket;
    uint32_t lastStateSend = 0;
};

} // namespace sorvada
