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
// The delivery to each slot's party (queue, numbers, retransmission, the watch and the grace)
// is a ReliableLink of its own (net/ReliableLink.h); finding the peer (the direct join, the
// directory server and the matchmaking web server) is the Matchmaker's (net/Matchmaker.h). This
// class opens the link, reads what comes in, says which slot it is for and hands the
// matchmaking records to the Matchmaker.
//
// Everything runs on the thread that owns the object. linkEvent is meant to be connected with
// Qt::DirectConnection: the handler runs before the operation that raised it goes on, and may
// call SendReliable, SendChat or SendQuit, or open a modal dialog whose nested event loop lets
// further datagrams, timers and queries run inside the handler.

#include "net/LinkEvents.h"
#include "net/Matchmaker.h"
#include "net/PeerRecord.h"
#include "net/ReliableLink.h"
#include "rules/BoardTypes.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

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
    // Off: this copy announces nothing and reads no announcement, as one that knows nothing of
    // resuming (the tests take the part of such a copy this way).
    bool resumeMatches = true;
    int knockIntervalMs = 2000;             // between knocks (JOIN, REATTACH, PROBE) meanwhile
    QString userAgent = QStringLiteral("Sorvada");
    // Answers the matchmaking queries in place of the web server: the URL in, the first line of
    // the answer out, false for a failed fetch. Empty (the game) means HTTP. The fuzzer sets it,
    // so that an input reaches the link without a network round trip per query.
    std::function<bool(const QString &url, QString *line)> fetchLine;
};

class PeerSocket : public QObject {
    Q_OBJECT

public:
    using Config = PeerSocketConfig;

    // A head sent this many times without acknowledgement means the peer is gone.
    static constexpr int MAX_SENDS = ReliableLink::MAX_SENDS;

    explicit PeerSocket(const Config &config = Config(), QObject *parent = nullptr);
    ~PeerSocket() override;

    // Opens the link: START_HOST binds the game port and becomes server at once; START_JOIN
    // sends JOIN to address on the game port; START_VIA_SERVER asks the matchmaking web server
    // (address beginning with exactly "http:") or the directory server named by address.
    // capacity is the clients a server takes: 1, the only one a match of two has.
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
    StartFailure failure() const { return match->failure(); }
    // Why a link still without a role after a while has got nowhere: LobbySilent while a
    // directory server or the web server has not answered, else NoAnswer.
    StartFailure silenceReason() const;
    // The address given to Start, and the one this copy knocks at now: the game server of a
    // join, the one a directory server or web server named, else the address given to Start.
    QString startAddress() const { return match->startAddress(); }
    QString awaitedAddress() const;

    quint16 localPort() const;
    // Records waiting for slot, the one in flight included; 0 for a slot that does not exist.
    int queuedCount(int slot) const;
    // Address text and port the link holds for slot; empty and 0 for a slot that does not exist.
    QString peerAddress(int slot) const;
    // 1 while a host name from JOIN_PEER is being looked up (also one a new Start voided).
    bool lookingUp() const { return match->lookingUp(); }
    quint16 peerPort(int slot) const;
    const Config &config() const { return cfg; }

    // The peer's greeting announced that it resumes a match over a lost line.
    bool peerResumes() const { return resumes; }
    // A lost line is being waited for, and how long it still is (-1 while none is).
    bool inGrace() const;
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
    int queriesInFlight() const { return match->queriesInFlight(); }

    uint8_t role = ROLE_NONE;
    // The slot of the peer: a server keeps its client in slot 1, a client talks to slot 0.
    int peerSlot() const { return role == ROLE_SERVER ? 1 : 0; }
    PeerRecord sendRecord;
    PeerRecord recvRecord;

private:
    // The matchmaking handshakes and their state; made before the names below refer into it.
    std::unique_ptr<Matchmaker> match;

public:
    // Matchmaking state (the Matchmaker's): the last proposed game server and whether it has
    // answered yet, the match's ID at the web server, this copy's port as told to it, and
    // whether the start asked the web server.
    bool &answered;
    QString &partnerAddress;
    quint16 &partnerPort;
    QString &matchId;
    QString &ownPortText;
    bool &viaWeb;

signals:
    void linkEvent(unsigned int event, int param);
    // The start cannot succeed any more (failure() says why); raised while the role is none.
    void startFailed();

private:
    struct Arrival {
        QByteArray datagram;
        QHostAddress from;
        quint16 fromPort = 0;
    };

    Matchmaker::Owner matchmakerOwner();
    bool openSocket(quint16 port);
    void readPending();
    bool admit(Arrival arrival);
    void scheduleReceive();
    void OnReceive();
    bool canResume(int slot) const;
    void drawToken();
    void readGreeting();
    bool relayed(int slot) const;
    void knock(int slot);
    void takeKnock(const LinkExtension &block);
    void stopWatching();
    int watchedSender();
    void handleAck();
    void handleGameMessage();
    void becomeServer();
    void handleJoin();
    void handleQuit();
    bool fromSlot(int slot) const;
    QHostAddress knownHost(const QString &address) const;
    int lookUpSender();
    bool sendTo(const PeerRecord &record, const QString &address, quint16 port);
    bool sendToSlot(const PeerRecord &record, int slot);
    void resetLink();
    bool validSlot(int slot) const { return slot >= 0 && slot < slotCount; }

    Config cfg;
    QUdpSocket *socket = nullptr;
    std::deque<Arrival> inbox;
    bool receiveScheduled = false;

    int senderSlot = 0;
    QHostAddress senderHost;
    QString senderAddress;
    quint16 senderPort = 0;

    // Slot 0 and slot 1, each with the delivery to its party; no slot is in use until Start.
    std::array<std::unique_ptr<ReliableLink>, 2> peers;
    int slotCount = 0;
    ReliableLink &at(int slot) { return *peers[size_t(slot)]; }
    const ReliableLink &at(int slot) const { return *peers[size_t(slot)]; }
    bool strangerQuitTaken = false;

    // Resuming: what the peer's first greeting announced, whether our own greeting with the
    // block is queued, and the match token.
    bool resumes = false;
    bool peerGreeted = false;
    bool ownAnnounced = false;
    std::optional<uint64_t> token;

    int capacity = 1;
    int nextSlot = 1;
    uint8_t gameKind = GAME_KIND;
};

} // namespace sorvada
