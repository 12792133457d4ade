// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one UDP link between two copies of the game, and the matchmaking queries that find the
// other copy.
//
// Slots: slot 0 is the party a client talks to (its game server, or the directory server);
// a server leaves slot 0 empty and keeps its client in slot 1. Game messages go through a
// queue per slot of which only the head is on the wire; the head is sent again every
// retransmitMs until acknowledged, ten sends at most, after which LINK_PEER_GONE is raised once.
// While a joined peer has nothing of ours in flight, it is sent a PROBE every probeIntervalMs;
// a peer from which nothing at all has come for peerSilenceMs, with at least two of those probes
// unanswered, is given up as well: LINK_PEER_GONE with PEER_GONE_SILENT as its parameter.
//
// Resuming (net/LinkExtension.h). Both greetings carry the extension block when this copy sends
// them: the client's always, the server's only in answer to a client that announced RESUME, and
// then with the match token the server drew when it became server. A peer whose greeting has no
// valid block is treated exactly as above, and is never sent an extension message. With a peer
// that resumes and a known token, a lost line is not a lost match: where the link would give the
// peer up (ten sends, or silence) it raises LINK_LOST once, with the grace (graceMs) as its
// parameter, and keeps everything queued. During the grace the head is sent again with a growing
// pause (retransmitMs, twice that, ... at most graceResendMaxMs) and no limit, new records still
// queue, and a peer with nothing in flight is probed every knockIntervalMs. Knocking, every
// knockIntervalMs: a client that reached its host directly sends it a JOIN carrying the block
// with the token, because its address or port may have changed on the way; a host in its match
// takes such a JOIN from any address when the token is its own, moves its client's slot to the
// sender and answers with a tokened JOIN. In a match relayed by a directory that announced
// REATTACH (the peer's slot is the directory's own address and port), both ends send the
// directory a REATTACH instead, so that it points their end at the address they now send from.
// Any record from the peer's slot during the grace means the line is back: LINK_BACK, the head
// goes out at once and retransmission is as before; sequence numbers simply continue. A grace
// that runs out gives the peer up: LINK_PEER_GONE with PEER_GONE_LOST.
//
// Everything runs on the thread that owns the object. linkEvent is meant to be connected with
// Qt::DirectConnection: the handler runs before the operation that raised it goes on, and may
// call SendReliable, SendChat or SendQuit, or open a modal dialog whose nested event loop lets
// further datagrams, timers and queries run inside the handler.

#include "net/LinkEvents.h"
#include "net/PeerRecord.h"
#include "rules/BoardTypes.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QHostInfo;
class QNetworkAccessManager;
class QTimerEvent;
class QUdpSocket;

namespace sorvada {

struct LinkExtension;

// Ports and intervals of the protocol; tests shorten them, the game keeps the defaults.
struct PeerSocketConfig {
    quint16 gamePort = GAME_PORT;           // a host binds it, a joiner knocks at it
    quint16 directoryPort = DIRECTORY_PORT; // where a directory server listens
    int retransmitMs = 1000;                // between sends of an unacknowledged record
    int answerTimeoutMs = 15000;            // for a proposed game server to answer CONNECT_REQUEST
    int httpTimeoutMs = 10000;              // for the matchmaking web server to answer a query
    int probeIntervalMs = 15000;            // between PROBEs to a joined peer while nothing is in flight
    int peerSilenceMs = 45000;              // a joined peer heard nothing from for this long is gone
    int graceMs = 120000;                   // a lost line to a peer that resumes is waited for this long
    int graceResendMaxMs = 5000;            // the longest pause between sends of the head meanwhile
    int knockIntervalMs = 2000;             // between knocks (JOIN, REATTACH, PROBE) meanwhile
    QString userAgent = QStringLiteral("Sorvada");
    // Answers the matchmaking queries in place of the web server: the URL in, the first line of
    // the answer out, false for a failed fetch. Empty (the game) means HTTP. The fuzzer sets it,
    // so that an input reaches the link without a network round trip per query.
    std::function<bool(const QString &url, QString *line)> fetchLine;
};

// What kept the link from opening, as far as the link can tell.
enum class StartFailure {
    None,        // nothing known: the link is still opening, or gave no reason
    HostBusy,    // the game server turned this copy away: it already has its opponent
    LobbySilent, // the matchmaking server or directory server never answered
    NoAnswer,    // the party this copy knocked at never answered
    BadAddress,  // the address names no computer
};

class PeerSocket : public QObject {
    Q_OBJECT

public:
    using Config = PeerSocketConfig;

    // A head sent this many times without acknowledgement means the peer is gone.
    static constexpr int MAX_SENDS = 10;

    explicit PeerSocket(const Config &config = Config(), QObject *parent = nullptr);
    ~PeerSocket() override;

    // Opens the link: START_HOST binds the game port and becomes server at once; START_JOIN
    // sends JOIN to address on the game port; START_VIA_SERVER asks the matchmaking web server
    // (address beginning with exactly "http:") or the directory server named by address.
    // False when the link could not be opened.
    bool Start(int capacity, const QString &address, int mode, uint8_t gameKind);
    // Queues the record now in sendRecord for slot (1 on a server, 0 on a client).
    bool SendReliable(int slot);
    // Sends a chat text (cut to MAX_CHAT_BYTES) to the peer; nothing while the role is none.
    void SendChat(const QByteArray &text);
    // Tells the peer this copy leaves; after web matchmaking also makes the end query. From
    // then on nothing more is sent to or acted on from the peer; a second call does nothing.
    void SendQuit();

    // Matchmaking web server queries. mode is "WANT_CONNECT", "SERVER_BUSY" or "SERVER_NORESPONSE".
    bool QueryStart(const QString &mode);
    void QueryEnd();

    // Why Start returned false, or why the link has given up (startFailed).
    StartFailure failure() const { return startFailure; }
    // Why a link still without a role after a while has got nowhere: LobbySilent while a
    // directory server or the web server has not answered, else NoAnswer.
    StartFailure silenceReason() const;
    // The address given to Start, and the one this copy knocks at now: the game server of a
    // join, the one a directory server or web server named, else the address given to Start.
    QString startAddress() const { return baseAddress; }
    QString awaitedAddress() const;

    quint16 localPort() const;
    // Records waiting for slot, the one in flight included; 0 for a slot that does not exist.
    int queuedCount(int slot) const;
    // Address text and port the link holds for slot; empty and 0 for a slot that does not exist.
    QString peerAddress(int slot) const;
    // 1 while a host name from JOIN_PEER is being looked up (also one a new Start voided).
    bool lookingUp() const { return lookupsUnderWay > 0; }
    quint16 peerPort(int slot) const;
    const Config &config() const { return cfg; }

    // The peer's greeting announced that it resumes a match over a lost line.
    bool peerResumes() const { return resumes; }
    // A lost line is being waited for, and how long it still is (-1 while none is).
    bool inGrace() const { return grace.on; }
    int graceRemainingMs() const;
    // Game messages received in order from the peer, and records queued to it: the next
    // sequence numbers in and out.
    uint32_t receivedCount() const;
    uint32_t sentCount() const;
    // The match token: the server's from when it became server, the client's from the server's
    // greeting when that announced RESUME. Nothing before.
    std::optional<uint64_t> matchToken() const { return token; }

    // Hands the link a datagram as if the socket had just read it from sender:port. It goes
    // through the same admission (size, address family, inbox bound) and the same queued
    // OnReceive as a datagram from the wire. For tests and fuzzing; the game never calls it.
    void injectDatagram(const QByteArray &datagram, const QHostAddress &sender, quint16 port);
    // The same admission, and the datagram is acted on before the call returns (after any that
    // were waiting before it), as the socket's read handler would have it acted on. For the
    // fuzzer, which needs no event loop turn per datagram; the game never calls it.
    void receiveDatagram(const QByteArray &datagram, const QHostAddress &sender, quint16 port);
    // Matchmaking queries now waiting for their answer: never more than one.
    int queriesInFlight() const { return queryRunning ? 1 : 0; }

    uint8_t role = ROLE_NONE;
    PeerRecord sendRecord;
    PeerRecord recvRecord;

    // Matchmaking state: the last proposed game server and whether it has answered yet.
    bool answered = false;
    QString partnerAddress;
    quint16 partnerPort = 0;
    QString matchId;
    QString ownPortText;
    bool viaWeb = false;

signals:
    void linkEvent(unsigned int event, int param);
    // The start cannot succeed any more (failure() says why); raised while the role is none.
    void startFailed();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    struct Arrival {
        QByteArray datagram;
        QHostAddress from;
        quint16 fromPort = 0;
    };
    struct Entry {
        PeerRecord record;
        uint32_t sequence = 0;
    };

    bool openSocket(quint16 port);
    void readPending();
    bool admit(Arrival arrival);
    void scheduleReceive();
    void OnReceive();
    void OnRetransmitTimer(int timerId);
    void OnAnswerTimeout(int timerId);
    void OnProbeTimer(int slot);
    void OnSilenceTimer(int slot);
    void watchPeer(int slot);
    int peerSlot() const { return role == ROLE_SERVER ? 1 : 0; }
    bool canResume(int slot) const;
    void drawToken();
    void readGreeting();
    void enterGrace(int slot);
    void lineBack(int slot);
    void endGrace();
    void OnGraceOver();
    void OnKnockTimer();
    bool relayed(int slot) const;
    void takeKnock(const LinkExtension &block);
    int retransmitDelay(int slot);
    void stopWatching();
    int watchedSender();
    void handleAck();
    void handleGameMessage();
    void becomeServer();
    void handleJoin();
    void handleQuit();
    void handleBusy();
    void handleJoinPeer();
    void lookUpSlotZero();
    void slotZeroLookedUp(const QString &name, const QHostInfo &info, unsigned generation);
    bool fromDirectory() const;
    bool fromPartner() const;
    bool fromSlot(int slot) const;
    QHostAddress knownHost(const QString &address) const;
    bool runQuery(const QString &url, QString *line);
    bool startQuery(const QString &mode);
    void endQuery();
    void runDeferredQueries();
    int lookUpSender();
    bool sendTo(const PeerRecord &record, const QString &address, quint16 port);
    bool sendToSlot(const PeerRecord &record, int slot);
    void sendHead(int slot);
    void stopRetransmit(int slot);
    void resetLink();
    void queryEndOnce();
    bool fetch(const QString &url, QString *line);
    bool validSlot(int slot) const { return slot >= 0 && slot < int(peerAddresses.size()); }

    Config cfg;
    QUdpSocket *socket = nullptr;
    std::unique_ptr<QNetworkAccessManager> web;
    std::deque<Arrival> inbox;
    bool receiveScheduled = false;
    bool partnerProposed = false; // a "Client" reply has named a game server to knock at
    bool directoryAnswered = false; // the directory server has sent BECOME_SERVER or JOIN_PEER
    int startMode = START_HOST;
    StartFailure startFailure = StartFailure::None;

    int senderSlot = 0;
    QHostAddress senderHost;
    QString senderAddress;
    quint16 senderPort = 0;

    // Per slot, capacity + 1 entries each.
    std::vector<std::deque<Entry>> queues;
    std::vector<uint32_t> nextSequenceOut;
    std::vector<uint32_t> nextSequenceIn;
    std::vector<int> sendCount;
    std::vector<int> retransmitTimer;
    std::vector<QString> peerAddresses;
    std::vector<quint16> peerPorts;
    // Per slot: QUIT has been queued for it, or the peer in it has quit or stopped answering.
    // Such a slot takes no new record and raises no event any more.
    std::vector<bool> slotEnded;
    bool endQueried = false;
    bool strangerQuitTaken = false;

    std::vector<int> answerTimers;

    // One matchmaking query at a time. A busy report or an answer time-out that comes while a
    // query waits is noted here and acted on once that query is over; a busy report only while
    // the proposal it answered is still the current one. proposalNumber counts "Client" replies.
    bool queryRunning = false;
    bool busyDeferred = false;
    unsigned busyProposal = 0;
    bool timeoutDeferred = false;
    unsigned timeoutProposal = 0;
    bool endDeferred = false;
    unsigned proposalNumber = 0;

    // Resolved once, so that no datagram makes the link wait for a name server: the directory
    // this copy asked, the game server the web server proposed, and the party in slot 0 (null
    // while slot 0 holds a name whose lookup has not finished). A host name from JOIN_PEER is
    // looked up in the background, one lookup at a time; startGeneration voids a lookup that
    // finishes after a new Start.
    QHostAddress directoryHost;
    // The directory's port: the configured one, or the one an address "HOST:PORT/CODE" names.
    quint16 directoryPort = 0;
    QHostAddress partnerHost;
    QHostAddress slotZeroHost;
    int slotZeroLookup = -1;
    int lookupsUnderWay = 0; // also those a new Start voided
    unsigned startGeneration = 0;

    // Watching a joined peer, per slot: the repeating probe timer, the silence timer, when the
    // peer was last heard from and last answered (on `clock`), the probes sent since it was
    // heard, and whether a PROBE of ours awaits its answer.
    QElapsedTimer clock;
    std::vector<int> probeTimer;
    std::vector<int> silenceTimer;
    std::vector<qint64> lastHeard;
    std::vector<qint64> lastAnswered;
    std::vector<int> probesSinceHeard;
    std::vector<bool> probeOutstanding;

    // Resuming: what the peer's first greeting announced, whether our own greeting with the
    // block is queued, the match token, and whether the directory asked announced REATTACH.
    bool resumes = false;
    bool peerGreeted = false;
    bool ownAnnounced = false;
    std::optional<uint64_t> token;
    bool directoryReattaches = false;
    // The grace of a lost line: its slot, when it ends (on `clock`), its two timers, the sends
    // of the head made in it, and whether one has run out (the match is lost for good then).
    struct Grace {
        bool on = false;
        bool spent = false;
        int slot = 0;
        qint64 endsAt = 0;
        int endTimer = 0;
        int knockTimer = 0;
        int sends = 0;
    };
    Grace grace;

    int capacity = 1;
    int nextSlot = 1;
    int acceptCount = 1;
    uint8_t gameKind = GAME_KIND;
    QString baseAddress;
    QString gameKindText;
};

} // namespace sorvada
