// SPDX-License-Identifier: GPL-3.0-or-later
// The part of the link that carries a match over a lost line: the announcement read from the
// peer's greeting, the match token, the grace with its knocks, and the line coming back.
#include "net/LinkExtension.h"
#include "net/PeerSocket.h"

#include <QRandomGenerator>

#include <algorithm>
#include <limits>

namespace sorvada {

int PeerSocket::graceRemainingMs() const
{
    if (!grace.on)
        return -1;
    return int(std::clamp<qint64>(grace.endsAt - clock.elapsed(), 0, std::numeric_limits<int>::max()));
}

uint32_t PeerSocket::receivedCount() const
{
    const int slot = peerSlot();
    return validSlot(slot) ? nextSequenceIn[slot] : 0;
}

uint32_t PeerSocket::sentCount() const
{
    const int slot = peerSlot();
    return validSlot(slot) ? nextSequenceOut[slot] : 0;
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
    const auto block = readLinkExtension(recvRecord);
    if (!block || !block->resumes())
        return;
    resumes = true;
    if (role == ROLE_CLIENT)
        token = block->token;
}

bool PeerSocket::canResume(int slot) const
{
    return resumes && token && !grace.spent && slot == peerSlot() && slot < nextSlot && validSlot(slot)
        && !slotEnded[slot];
}

bool PeerSocket::relayed(int slot) const
{
    return startMode == START_VIA_SERVER && !viaWeb && !directoryHost.isNull() && validSlot(slot)
        && peerPorts[slot] == directoryPort && knownHost(peerAddresses[slot]) == directoryHost;
}

int PeerSocket::retransmitDelay(int slot)
{
    if (!grace.on || slot != grace.slot)
        return cfg.retransmitMs;
    // retransmitMs, twice that, four times ..., at most graceResendMaxMs.
    const int doublings = std::min(grace.sends++, 20);
    const qint64 delay = qint64(cfg.retransmitMs) << doublings;
    return int(std::max<qint64>(1, std::min<qint64>(delay, std::max(cfg.graceResendMaxMs, cfg.retransmitMs))));
}

void PeerSocket::enterGrace(int slot)
{
    grace.on = true;
    grace.slot = slot;
    grace.sends = 1;
    grace.endsAt = clock.elapsed() + cfg.graceMs;
    grace.endTimer = startTimer(std::max(cfg.graceMs, 1), Qt::PreciseTimer);
    grace.knockTimer = startTimer(std::max(cfg.knockIntervalMs, 1), Qt::PreciseTimer);
    // The grace watches the line instead of the probe and silence timers.
    for (int *id : {&probeTimer[slot], &silenceTimer[slot]}) {
        if (*id != 0)
            killTimer(*id);
        *id = 0;
    }
    probeOutstanding[slot] = false;
    if (!queues[slot].empty() && retransmitTimer[slot] == 0)
        sendHead(slot);
    OnKnockTimer();
    emit linkEvent(LINK_LOST, cfg.graceMs);
}

void PeerSocket::endGrace()
{
    for (int *id : {&grace.endTimer, &grace.knockTimer}) {
        if (*id != 0)
            killTimer(*id);
        *id = 0;
    }
    grace.on = false;
}

void PeerSocket::lineBack(int slot)
{
    endGrace();
    sendCount[slot] = 0;
    stopRetransmit(slot);
    if (!queues[slot].empty())
        sendHead(slot);
    lastAnswered[slot] = std::numeric_limits<qint64>::min() / 2;
    probeOutstanding[slot] = false;
    watchPeer(slot);
    // With nothing in flight, a PROBE tells the peer, which may be waiting for the line as well.
    if (queues[slot].empty()) {
        PeerRecord probe;
        probe.writeBare(PROBE);
        sendToSlot(probe, slot);
        probeOutstanding[slot] = true;
    }
    emit linkEvent(LINK_BACK, 0);
}

void PeerSocket::OnGraceOver()
{
    const int slot = grace.slot;
    endGrace();
    grace.spent = true;
    // The match is lost: nothing more goes to the slot, and nothing from it counts.
    stopRetransmit(slot);
    stopWatching();
    slotEnded[slot] = true;
    emit linkEvent(LINK_PEER_GONE, PEER_GONE_LOST);
}

void PeerSocket::OnKnockTimer()
{
    const int slot = grace.slot;
    if (queues[slot].empty()) {
        PeerRecord probe;
        probe.writeBare(PROBE);
        sendToSlot(probe, slot);
        probeOutstanding[slot] = true;
    }
    PeerRecord knock;
    if (relayed(slot)) {
        // The directory that relays the match points our end at where we now send from.
        if (!directoryReattaches)
            return;
        writeReattach(knock, *token, role == ROLE_SERVER);
    } else if (role == ROLE_CLIENT) {
        // Our address or port may have changed on the way: the host learns the new one from
        // a JOIN that proves, by the token, to come from its own client.
        knock.writeJoin(gameKind);
        LinkExtension block;
        block.features = FEATURE_RESUME;
        block.token = token;
        writeLinkExtension(knock, block);
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
    peerAddresses[slot] = senderAddress;
    peerPorts[slot] = senderPort;
    PeerRecord answer;
    answer.setType(JOIN);
    LinkExtension ours;
    ours.features = FEATURE_RESUME;
    ours.hostEnd = true;
    ours.token = token;
    writeLinkExtension(answer, ours);
    sendToSlot(answer, slot);
    if (grace.on) {
        lineBack(slot);
        return;
    }
    // The loss had not shown here yet: the head goes to the new address at once.
    lastHeard[slot] = clock.elapsed();
    probesSinceHeard[slot] = 0;
    sendCount[slot] = 0;
    stopRetransmit(slot);
    if (!queues[slot].empty())
        sendHead(slot);
}

} // namespace sorvada
