// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Finding the other copy before a match: the direct join (JOIN to a game server's address),
// the directory server (DIRECTORY_REQUEST, answered by BECOME_SERVER or by JOIN_PEER with the
// game server to knock at, whose host name is looked up in the background), and the matchmaking
// web server (the start and end queries, one at a time, the CONNECT_REQUEST to each proposed
// game server with its own answer timer, CONNECT_OK and CONNECT_BUSY, and the server's answers
// to CONNECT_REQUEST).
//
// It knows whom it asked and what they answered, and resolves each name once, so that no
// datagram makes the link wait for a name server. It sends through its owner (the link, which
// holds the socket and slot 0's party) and tells its owner when this copy becomes a server,
// where slot 0's party is, and when the start cannot succeed any more. A query blocks in a
// nested event loop; what comes meanwhile that would need another query is noted and asked once
// that query is over, one after another, never one inside another.

#include "net/LinkEvents.h"
#include "net/PeerRecord.h"
#include "rules/BoardTypes.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QHostInfo;
class QNetworkAccessManager;
class QTimerEvent;

namespace sorvada {

// What kept the link from opening, as far as the link can tell.
enum class StartFailure {
    None,        // nothing known: the link is still opening, or gave no reason
    HostBusy,    // the game server turned this copy away: it already has its opponent
    LobbySilent, // the matchmaking server or directory server never answered
    NoAnswer,    // the party this copy knocked at never answered
    BadAddress,  // the address names no computer
};

class Matchmaker : public QObject {
    Q_OBJECT

public:
    struct Settings {
        quint16 gamePort = GAME_PORT;
        quint16 directoryPort = DIRECTORY_PORT;
        int answerTimeoutMs = 15000;
        int httpTimeoutMs = 10000;
        QString userAgent;
        // In place of HTTP when set: the URL in, the answer's first line out.
        std::function<bool(const QString &url, QString *line)> fetchLine;
    };
    // What the handshakes need of the link: its role, a bound socket, slot 0's party (where it
    // is, and a send to it), a send to any address, becoming a server, and the news that the
    // start cannot succeed any more.
    struct Owner {
        std::function<uint8_t()> role;
        std::function<bool(quint16 port)> open;
        std::function<void(const QString &address, quint16 port)> place;
        std::function<QString()> placeAddress;
        std::function<bool(const PeerRecord &record)> sendToPlace;
        std::function<bool(const PeerRecord &record, const QString &address, quint16 port)> send;
        std::function<void()> becomeServer;
        std::function<void()> startFailed;
    };

    // out is the link's outgoing record: what is sent here is written into it, as callers of
    // the link see it afterwards.
    Matchmaker(Settings settings, Owner owner, PeerRecord &out, QObject *parent = nullptr);
    ~Matchmaker() override;

    // A new start: everything of the one before is forgotten (its answer timers too, and a
    // lookup still under way is voided).
    void reset(const QString &address, int mode, uint8_t gameKind, int capacity);
    // The socket is bound at local:port.
    void opened(const QHostAddress &local, quint16 port);
    // START_JOIN or START_VIA_SERVER after reset; false when the link could not be opened.
    bool start();

    bool queryStart(const QString &mode);
    void queryEnd();
    // The end query after web matchmaking, once per start.
    void queryEndOnce();
    int queriesInFlight() const { return state.queryRunning ? 1 : 0; }

    // Records from the network, with the address and port they came from.
    void becomeServerAsked(const PeerRecord &record, const QHostAddress &host, quint16 port);
    void joinPeer(const PeerRecord &record, const QHostAddress &host, quint16 port);
    void connectRequested(const QString &address, quint16 port);
    void connectOk(const QHostAddress &host, quint16 port);
    // fromPlace: it came from slot 0's party.
    void connectBusy(const QHostAddress &host, quint16 port, bool fromPlace);
    // A server has seated its clients in the slots below next.
    void seated(int next) { state.acceptCount = next; }
    // A client has found its server at host, the address it really sends from.
    void joinedAt(const QHostAddress &host) { state.slotZeroHost = host; }

    // The directory this copy asked, at that address and port.
    bool isDirectory(const QHostAddress &host, quint16 port) const;
    bool directoryReattaches() const { return state.directoryReattaches; }
    // A host name as it was resolved for slot 0; and for the proposed game server or the
    // directory (by the address given to start).
    QHostAddress placeHost() const { return state.slotZeroHost; }
    QHostAddress hostOf(const QString &address) const;

    StartFailure failure() const { return state.failure; }
    StartFailure silenceReason() const;
    QString startAddress() const { return state.baseAddress; }
    QString awaitedAddress() const;
    bool lookingUp() const { return state.lookupsUnderWay > 0; }

    // The last proposed game server and whether it has answered yet, the match's ID at the
    // web server, this copy's port as it tells the web server, and whether it asked one.
    bool &answered() { return state.answered; }
    QString &partnerAddress() { return state.partnerAddress; }
    quint16 &partnerPort() { return state.partnerPort; }
    QString &matchId() { return state.matchId; }
    QString &ownPortText() { return state.ownPortText; }
    bool &viaWeb() { return state.viaWeb; }

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    struct State {
        QString baseAddress;
        int mode = START_HOST;
        uint8_t gameKind = GAME_KIND;
        QString gameKindText;
        int capacity = 1;
        int acceptCount = 1;
        StartFailure failure = StartFailure::None;
        bool viaWeb = false;
        bool endQueried = false;

        // The proposals of the web server: the last one, whether it has answered, and the
        // timers of all still running (each proposal gets its own).
        bool answered = false;
        QString partnerAddress;
        quint16 partnerPort = 0;
        QString matchId;
        QString ownPortText;
        QString ownAddress; // where the socket is bound, as the web start proposes itself
        quint16 ownPort = 0;
        bool partnerProposed = false;   // a "Client" reply has named a game server to knock at
        bool directoryAnswered = false; // the directory server has sent BECOME_SERVER or JOIN_PEER
        std::vector<int> answerTimers;

        // One matchmaking query at a time. A busy report or an answer time-out that comes while
        // a query waits is noted here and acted on once that query is over; a busy report only
        // while the proposal it answered is still the current one. proposalNumber counts
        // "Client" replies.
        bool queryRunning = false;
        bool busyDeferred = false;
        unsigned busyProposal = 0;
        bool timeoutDeferred = false;
        unsigned timeoutProposal = 0;
        bool endDeferred = false;
        unsigned proposalNumber = 0;

        // Resolved once: the directory this copy asked, the game server the web server
        // proposed, and the party in slot 0 (null while slot 0 holds a name whose lookup has not
        // finished). A host name from JOIN_PEER is looked up in the background, one lookup at a
        // time; startGeneration voids a lookup that finishes after a new start.
        QHostAddress directoryHost;
        // The directory's port: the configured one, or the one an address "HOST:PORT/CODE" names.
        quint16 directoryPort = 0;
        QHostAddress partnerHost;
        QHostAddress slotZeroHost;
        int slotZeroLookup = -1;
        int lookupsUnderWay = 0; // also those a new start voided
        unsigned startGeneration = 0;
        bool directoryReattaches = false; // the directory asked announced REATTACH
    };

    bool startJoin();
    bool startDirectory();
    bool startQuery(const QString &mode);
    void endQuery();
    bool runQuery(const QString &url, QString *line);
    void runDeferredQueries();
    bool fetch(const QString &url, QString *line);
    void OnAnswerTimeout(int timerId);
    bool fromPartner(const QHostAddress &host, quint16 port) const;
    void sendJoin();
    void lookUpSlotZero();
    void slotZeroLookedUp(const QString &name, const QHostInfo &info, unsigned generation);
    void killAnswerTimers();

    Settings settings;
    Owner owner;
    PeerRecord &out;
    State state;
    std::unique_ptr<QNetworkAccessManager> web;
};

} // namespace sorvada
