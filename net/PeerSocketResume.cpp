// SPDX-License-Identifier: GPL-3.0-or-later
// The part of the link that carries a match over a lost line, above the delivery to the peer
// (net/ReliableLink.h, which keeps the grace itself): the announcement read from the peer's
// greeting, the match token, and the knocks that find the peer again.
#include "net/LinkExtension.h"
#include "net/PeerSocket.h"
#include "net/ReliableLink.h"

#include <QRandomGenerator>

namespace sorvada {

bool PeerSocket::inGrace() const
{
    return validSlot(peerSlot()) && at(peerSlot()).inGrace();
}

int PeerSocket::graceRemainingMs() const
{
    return validSlot(peerSlot()) ? at(peerSlot()).graceRemainingMs() : -1;
}

uint32_t PeerSocket::receivedCount() const
{
    return validSlot(peerSlot()) ? at(peerSlot()).receivedCount() : 0;
}

uint32_t PeerSocket::sentCount() const
{
    return validSlot(peerSlot()) ? at(peerSlot()).sentCount() : 0;
}

void PeerSocket::drawToken()
{
    // Zero stands for "no token" in the block.
    uint64_t drawn = 0;
    while (drawn == 0)
        drawn = QRandomGenerator::system()->generate64();
    token = drawn;
}

// The peer's first greeting says whether it resumes; the client takes the server's token from
// it. Later greetings change nothing: a match keeps the token it started with.
void PeerSocket::readGreeting()
{
    if (peerGreeted)
        return;
    peerGreeted = true;
    if (!cfg.resumeMatches)
        return;
    const auto block = readLinkExtension(recvRecord);
    if (!block || !block->resumes())
        return;
    resumes = true;
    if (role == ROLE_CLIENT)
        token = block->token;
}

bool PeerSocket::canResume(int slot) const
{
    return resumes && token && slot == peerSlot() && slot < nextSlot && validSlot(slot) && !at(slot).ended();
}

bool PeerSocket::relayed(int slot) const
{
    return validSlot(slot) && match->isDirectory(knownHost(at(slot).address()), at(slot).port());
}

// Once per knock interval of a grace.
void PeerSocket::knock(int slot)
{
    PeerRecord knock;
    if (relayed(slot)) {
        // The directory that relays the match points our end at where we now send from.
        if (!match->directoryReattaches())
            return;
        writeReattach(knock, *token, role == ROLE_SERVER);
    } else if (role == ROLE_CLIENT) {
        // Our address or port may have changed on the way: the host learns the new one from
        // a JOIN that proves, by the token, to come from its own client.
        knock.writeJoin(gameKind);
        writeLinkExtension(knock, resumeBlock(token, false));
    } else {
        return;
    }
    sendToSlot(knock, slot);
}

// A tokened JOIN to a host in its match: its own client, knocking from wherever it now is.
// Any other token, or none, changes nothing and gets no answer.
void PeerSocket::takeKnock(const LinkExtension &block)
{
    const int slot = peerSlot();
    if (role != ROLE_SERVER || !canResume(slot) || !block.token || *block.token != *token)
        return;
    PeerRecord answer;
    answer.setType(JOIN);
    writeLinkExtension(answer, resumeBlock(token, true));
    sendTo(answer, senderAddress, senderPort);
    at(slot).moved(senderAddress, senderPort);
}

} // namespace sorvada
