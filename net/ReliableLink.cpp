// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/ReliableLink.h"

#include "net/LinkEvents.h"

#include <QTimerEvent>

#include <algorithm>

namespace sorvada {

namespace {

// A silent peer is given up only after it has left this many probes unanswered: a copy whose
// own event loop was held up (a suspended computer, a blocking query) asks before it judges.
constexpr int MIN_UNANSWERED_PROBES = 2;

} // namespace

ReliableLink::ReliableLink(const Timing &timing, Owner owner, QObject *parent)
    : QObject(parent), timing(timing), owner(std::move(owner))
{
    clock.start();
}

void ReliableLink::reset()
{
    stopRetransmit();
    stopWatching();
    endGrace();
    state = State();
    clock.start();
}

void ReliableLink::setPlace(const QString &address, quint16 port)
{
    state.address = address;
    state.port = port;
}

bool ReliableLink::send(const PeerRecord &record) const
{
    return owner.send(record, state.address, state.port);
}

bool ReliableLink::queue(PeerRecord record)
{
    if (state.ended)
        return false;
    const uint32_t sequence = state.nextOut++;
    record.setSequence(sequence);
    state.queue.push_back(Entry{record, sequence});
    if (state.queue.size() == 1)
        sendHead();
    return true;
}

void ReliableLink::acknowledged(uint32_t n)
{
    if (state.queue.empty() || n != state.queue.front().sequence)
        return;
    stopRetransmit();
    state.sendCount = 0;
    state.queue.pop_front();
    if (!state.queue.empty())
        sendHead();
}

ReliableLink::Arrival ReliableLink::take(uint32_t n)
{
    if (n < state.nextIn)
        return Arrival::Repeat; // its acknowledgement was lost
    if (n > state.nextIn)
        return Arrival::Ahead; // the sender repeats the missing one first
    ++state.nextIn;
    return Arrival::Next;
}

void ReliableLink::sendHead()
{
    // A copy: the send may not hold on to the queue across anything that could change it.
    const PeerRecord head = state.queue.front().record;
    send(head);
    ++state.sendCount;
    state.retransmitTimer = startTimer(retransmitDelay(), Qt::PreciseTimer);
}

int ReliableLink::retransmitDelay()
{
    if (!state.grace.on)
        return timing.retransmitMs;
    // retransmitMs, twice that, four times ..., at most graceResendMaxMs.
    const int doublings = std::min(state.grace.sends++, 20);
    const qint64 delay = qint64(timing.retransmitMs) << doublings;
    const qint64 most = std::max(timing.graceResendMaxMs, timing.retransmitMs);
    return int(std::max<qint64>(1, std::min(delay, most)));
}

void ReliableLink::stop(int &timer)
{
    if (timer != 0)
        killTimer(timer);
    timer = 0;
}

void ReliableLink::stopRetransmit()
{
    stop(state.retransmitTimer);
}

void ReliableLink::probe()
{
    PeerRecord probe;
    probe.writeBare(PROBE);
    send(probe);
    state.probeOutstanding = true;
}

void ReliableLink::timerEvent(QTimerEvent *event)
{
    const int id = event->timerId();
    if (id == state.retransmitTimer)
        OnRetransmitTimer();
    else if (id == state.probeTimer)
        OnProbeTimer();
    else if (id == state.silenceTimer)
        OnSilenceTimer();
    else if (id == state.grace.endTimer && state.grace.on)
        OnGraceOver();
    else if (id == state.grace.knockTimer && state.grace.on)
        OnKnockTimer();
    else
        killTimer(id);
}

void ReliableLink::OnRetransmitTimer()
{
    stopRetransmit();
    // While the line is waited for, the head goes out again and again, with growing pauses.
    if (state.grace.on) {
        if (!state.queue.empty())
            sendHead();
        return;
    }
    if (state.sendCount >= MAX_SENDS) {
        // The head and everything behind it stay queued: a late acknowledgement restarts them.
        // A peer whose part has ended (QUIT sent or received) has nobody left to report.
        if (state.ended)
            return;
        if (!state.grace.spent && owner.mayResume()) {
            enterGrace();
            return;
        }
        stopWatching();
        owner.raise(LINK_PEER_GONE, PEER_GONE_LEFT);
        return;
    }
    if (!state.queue.empty())
        sendHead();
}

void ReliableLink::watch()
{
    // Without both intervals a peer is not watched: no probes, never given up for silence.
    if (timing.probeIntervalMs <= 0 || timing.peerSilenceMs <= 0)
        return;
    heard();
    if (state.probeTimer == 0)
        state.probeTimer = startTimer(timing.probeIntervalMs, Qt::PreciseTimer);
    if (state.silenceTimer == 0)
        state.silenceTimer = startTimer(timing.peerSilenceMs, Qt::PreciseTimer);
}

void ReliableLink::stopWatching()
{
    stop(state.probeTimer);
    stop(state.silenceTimer);
    state.probeOutstanding = false;
}

void ReliableLink::heard()
{
    state.lastHeard = clock.elapsed();
    state.probesSinceHeard = 0;
}

bool ReliableLink::answerProbe()
{
    // While our own PROBE is out, the peer's PROBE is the answer (or its own probe crossing
    // ours) and is not answered: two copies that both probe never bounce probes. Nor is the
    // peer answered twice within half a probe interval: a PROBE duplicated on the way would
    // otherwise keep one circling between the two copies.
    if (state.probeOutstanding) {
        state.probeOutstanding = false;
        return false;
    }
    const qint64 now = clock.elapsed();
    if (now - state.lastAnswered < timing.probeIntervalMs / 2)
        return false;
    state.lastAnswered = now;
    return true;
}

void ReliableLink::OnProbeTimer()
{
    // A record in flight is answered by an acknowledgement or gives the peer up after ten
    // sends; a probe is needed only while the queue is empty.
    if (!state.queue.empty())
        return;
    probe();
    ++state.probesSinceHeard;
}

void ReliableLink::OnSilenceTimer()
{
    stop(state.silenceTimer);
    const qint64 quiet = clock.elapsed() - state.lastHeard;
    if (quiet < timing.peerSilenceMs) {
        state.silenceTimer = startTimer(int(timing.peerSilenceMs - quiet), Qt::PreciseTimer);
        return;
    }
    if (!state.queue.empty()) {
        // Our record in flight settles it: acknowledged, or given up after ten sends.
        state.silenceTimer = startTimer(timing.retransmitMs, Qt::PreciseTimer);
        return;
    }
    if (state.probesSinceHeard < MIN_UNANSWERED_PROBES) {
        state.silenceTimer = startTimer(timing.probeIntervalMs, Qt::PreciseTimer);
        return;
    }
    if (!state.ended && !state.grace.spent && owner.mayResume()) {
        enterGrace();
        return;
    }
    stopWatching();
    owner.raise(LINK_PEER_GONE, PEER_GONE_SILENT);
}

int ReliableLink::graceRemainingMs() const
{
    if (!state.grace.on)
        return -1;
    return int(std::clamp<qint64>(state.grace.endsAt - clock.elapsed(), 0, std::numeric_limits<int>::max()));
}

void ReliableLink::enterGrace()
{
    State::Grace &grace = state.grace;
    grace.on = true;
    grace.sends = 1;
    grace.endsAt = clock.elapsed() + timing.graceMs;
    grace.endTimer = startTimer(std::max(timing.graceMs, 1), Qt::PreciseTimer);
    grace.knockTimer = startTimer(std::max(timing.knockIntervalMs, 1), Qt::PreciseTimer);
    // The grace watches the line instead of the probe and silence timers.
    stopWatching();
    if (!state.queue.empty() && state.retransmitTimer == 0)
        sendHead();
    OnKnockTimer();
    owner.raise(LINK_LOST, timing.graceMs);
}

void ReliableLink::endGrace()
{
    stop(state.grace.endTimer);
    stop(state.grace.knockTimer);
    state.grace.on = false;
}

void ReliableLink::leaveGrace(bool sendsAfresh)
{
    if (!state.grace.on)
        return;
    if (sendsAfresh)
        state.sendCount = 0;
    endGrace();
}

void ReliableLink::lineBack()
{
    endGrace();
    state.sendCount = 0;
    stopRetransmit();
    if (!state.queue.empty())
        sendHead();
    state.lastAnswered = std::numeric_limits<qint64>::min() / 2;
    state.probeOutstanding = false;
    watch();
    // With nothing in flight, a PROBE tells the peer, which may be waiting for the line as well.
    if (state.queue.empty())
        probe();
    owner.raise(LINK_BACK, 0);
}

void ReliableLink::moved(const QString &address, quint16 port)
{
    setPlace(address, port);
    if (state.grace.on) {
        lineBack();
        return;
    }
    // The loss had not shown here yet: the head goes to the new place at once.
    heard();
    state.sendCount = 0;
    stopRetransmit();
    if (!state.queue.empty())
        sendHead();
}

void ReliableLink::OnGraceOver()
{
    endGrace();
    state.grace.spent = true;
    // The match is lost: nothing more goes to the peer, and nothing from it counts.
    stopRetransmit();
    stopWatching();
    state.ended = true;
    owner.raise(LINK_PEER_GONE, PEER_GONE_LOST);
}

void ReliableLink::OnKnockTimer()
{
    if (state.queue.empty())
        probe();
    owner.knock();
}

} // namespace sorvada
