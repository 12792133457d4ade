// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reliable, ordered, once-only delivery of game messages to one peer: the queue of which only
// the head is on the wire, the sequence numbers both ways, retransmission with at most
// MAX_SENDS sends, the watch on a joined peer that has nothing of ours in flight (probes and
// silence), and the grace of a lost line with its growing pauses. It knows where the peer is,
// but sends through its owner and tells its owner what happened (LINK_PEER_GONE, LINK_LOST,
// LINK_BACK); what the records mean, roles and matchmaking are the owner's business.

#include "net/PeerRecord.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <limits>

class QTimerEvent;

namespace sorvada {

class ReliableLink : public QObject {
    Q_OBJECT

public:
    // A head sent this many times without acknowledgement means the peer is gone.
    static constexpr int MAX_SENDS = 10;

    struct Timing {
        int retransmitMs = 1000;
        int probeIntervalMs = 15000; // 0: the peer is not watched
        int peerSilenceMs = 45000;   // 0: the peer is not watched
        int graceMs = 120000;
        int graceResendMaxMs = 5000;
        int knockIntervalMs = 2000;
    };
    // What the link needs of its owner: a send to an address and port, the events it raises,
    // whether a lost line may be waited for now, and the knock made once per knock interval
    // of a grace (the PROBE to a peer with nothing in flight is the link's own).
    struct Owner {
        std::function<bool(const PeerRecord &record, const QString &address, quint16 port)> send;
        std::function<void(unsigned event, int param)> raise;
        std::function<bool()> mayResume;
        std::function<void()> knock;
    };

    ReliableLink(const Timing &timing, Owner owner, QObject *parent = nullptr);

    // Forgets the peer: no timers, nothing queued, numbers from 0.
    void reset();

    QString address() const { return state.address; }
    quint16 port() const { return state.port; }
    void setPlace(const QString &address, quint16 port);
    bool send(const PeerRecord &record) const;

    // Numbers a copy of record, queues it, and sends it when nothing else is in flight. False
    // once the peer's part has ended.
    bool queue(PeerRecord record);
    int queued() const { return int(state.queue.size()); }
    uint32_t sentCount() const { return state.nextOut; }
    uint32_t receivedCount() const { return state.nextIn; }
    // An acknowledgement: of the head, it moves the queue on; of anything else, nothing.
    void acknowledged(uint32_t n);
    // A game message numbered n from the peer: a repeat, the next one (counted here), or one
    // ahead of a missing one. The owner acknowledges the first two and delivers the second.
    enum class Arrival { Repeat, Next, Ahead };
    Arrival take(uint32_t n);

    // QUIT has been queued to the peer, or came from it, or the line is lost for good: no new
    // record, no event any more.
    void end() { state.ended = true; }
    bool ended() const { return state.ended; }

    // Watching a joined peer: probes while nothing is in flight, given up when silent.
    void watch();
    void stopWatching();
    bool watched() const { return state.silenceTimer != 0; }
    // Something came from the peer.
    void heard();
    // The peer's PROBE: whether it is to be answered (it is not when it answers ours, or when
    // the peer was answered within half a probe interval).
    bool answerProbe();

    bool inGrace() const { return state.grace.on; }
    int graceRemainingMs() const;
    // The line is back: LINK_BACK, the head goes out at once, the sends counted afresh.
    void lineBack();
    // The peer now sends from elsewhere and has shown, by the token, that it is ours: the head
    // goes there at once. During a grace this is the line coming back.
    void moved(const QString &address, quint16 port);
    // The match ends during a grace: the line is not waited for any more. sendsAfresh (this copy
    // leaves): what is queued, QUIT last, gets its ordinary ten sends.
    void leaveGrace(bool sendsAfresh);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    struct Entry {
        PeerRecord record;
        uint32_t sequence = 0;
    };
    // Everything known of the peer, in one place.
    struct State {
        QString address;
        quint16 port = 0;
        std::deque<Entry> queue; // the head is in flight
        uint32_t nextOut = 0;    // number of the next record queued to the peer
        uint32_t nextIn = 0;     // number of the next game message expected from it
        int sendCount = 0;       // sends of the head
        int retransmitTimer = 0;
        bool ended = false;
        // The watch: the repeating probe timer, the silence timer, when the peer was last heard
        // from and last answered (on `clock`), the probes sent since it was heard, and whether a
        // PROBE of ours awaits its answer.
        int probeTimer = 0;
        int silenceTimer = 0;
        qint64 lastHeard = 0;
        qint64 lastAnswered = std::numeric_limits<qint64>::min() / 2;
        int probesSinceHeard = 0;
        bool probeOutstanding = false;
        // The grace: when it ends (on `clock`), its two timers, the sends of the head made in
        // it, and whether one has run out (the match is lost for good then).
        struct Grace {
            bool on = false;
            bool spent = false;
            qint64 endsAt = 0;
            int endTimer = 0;
            int knockTimer = 0;
            int sends = 0;
        } grace;
    };

    void sendHead();
    void stopRetransmit();
    int retransmitDelay();
    void probe();
    void stop(int &timer);
    void OnRetransmitTimer();
    void OnProbeTimer();
    void OnSilenceTimer();
    void enterGrace();
    void endGrace();
    void OnGraceOver();
    void OnKnockTimer();

    Timing timing;
    Owner owner;
    State state;
    QElapsedTimer clock;
};

} // namespace sorvada
