// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "lobby/AddressLimits.h"
#include "lobby/LobbyStats.h"
#include "lobby/LogThrottle.h"
#include "lobby/RelayTable.h"
#include "lobby/WaitingQueue.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

class QTimer;

namespace sorvada {

struct DirectoryConfig
{
    int probeTimeoutMs = 2000;
    qint64 expiryMs = 10 * 60 * 1000; // a waiting host is forgotten after this
    int capacity = 1000;              // waiting hosts (and probes in flight) kept at most
    // Waiting hosts from one address at most, and pairings under way for requesters of one
    // address; a newcomer beyond pushes out the oldest host of its own address.
    int hostsPerAddress = 8;
    // Pairs through the lobby: JOIN_PEER names the lobby, which then passes every record
    // between the two copies. Off: JOIN_PEER names the host, as a copy behind no router needs.
    bool relay = true;
    // Address JOIN_PEER carries when relaying; empty: the address the joiner's request
    // arrived on.
    QString publicAddress;
    // Every waiting host and both ends of every relayed match are probed this often, which
    // also keeps their routers' mappings open. A waiting host that misses three is struck off.
    int keepAliveMs = 20000;
    // Beyond relays.capacity matches, or relays.perAddress for either address, a pairing is
    // refused rather than made directly: directly, copies behind two routers never meet.
    RelayConfig relays;
    // REATTACHes from one address that may be refused in a minute; beyond, its REATTACHes
    // are dropped unread until the minute is over.
    int reattachFailuresPerMinute = 8;
};

// The UDP directory: pairs copies that ask with DIRECTORY_REQUEST.
//
// The first copy of a game kind is told BECOME_SERVER and remembered as
// waiting; a later one is told JOIN_PEER with the waiting copy's port and
// address. A waiting copy may have gone away silently, so before it is handed
// out it is sent a PROBE; if it does not answer within the probe time-out it
// is dropped and the requester is served afresh. A host under probe is passed
// over by other requesters, who then wait themselves or take the next host.
//
// Relaying: home routers drop a datagram from an address their copy never
// wrote to, so two copies behind two routers cannot reach each other. The
// directory therefore tells the joiner to join the directory itself and passes
// every record of the two copies on to the other, unchanged and one for one,
// from its own port: each router only ever sees answers from the address its
// copy talks to. When one end of a relayed match falls silent, the other is
// sent QUIT on its behalf.
//
// A match the lobby relays is announced as such: BECOME_SERVER and JOIN_PEER
// carry the extension block with REATTACH. From the relayed greetings it learns
// whether both copies wait out a lost line and the host's token; such a match
// outlives a silent end for the resume grace, and an end that comes back from a
// new endpoint with REATTACH and the token is relayed from there on.
class DirectoryServer : public QObject
{
    Q_OBJECT
public:
    using Config = DirectoryConfig;

    explicit DirectoryServer(const Config &config = Config(), LobbyStats *stats = nullptr,
                             QObject *parent = nullptr);
    ~DirectoryServer() override;

    // Binds the UDP socket; port 0 takes any free port. Returns the bound port, 0 on failure.
    quint16 listen(const QHostAddress &address, quint16 port);

    const WaitingQueue &waiting() const { return queue; }
    int probesInFlight() const { return int(probes.size()); }
    const RelayTable &relayed() const { return relays; }

signals:
    void pairingEvent(const QString &line);

private:
    struct Probe
    {
        WaitingHost host;
        QString requesterAddress;
        quint16 requesterPort = 0;
        QString requesterRoom;         // the host is in the same room
        QHostAddress requesterReached; // the lobby address its request arrived on
        QTimer *timer = nullptr;
    };

    void onReadyRead();
    bool onRelayed(const char *record, const RelayEndpoint &from, uint8_t type);
    void onReattach(const char *record, const RelayEndpoint &from);
    QByteArray becomeServer() const;
    void onKeepAlive();
    // room: the code the request carries, lower case; empty for the public room.
    void onRequest(int kind, const QString &room, const QString &address, quint16 port,
                   const QHostAddress &reached);
    void onProbeAnswer(const QString &address, quint16 port);
    void pair(const Probe &probe);
    QString joinAddress(const QHostAddress &reached) const;
    void onProbeTimeout(const QString &key);
    bool isRequesterPending(const QString &address, quint16 port) const;
    int pendingFrom(const QString &address) const;
    bool canRelay(const QString &address) const;
    void send(const QByteArray &datagram, const QString &address, quint16 port);
    // A log line; `reason` (the event without its ports) and the address that caused it
    // decide whether a flood leaves it out.
    void report(const QString &reason, const QString &address, const QString &event);

    Config config;
    QUdpSocket socket;
    WaitingQueue queue;
    QElapsedTimer clock;
    QHash<QString, Probe> probes; // by the probed host's "address:port"
    RelayTable relays;
    LobbyStats ownStats;
    LobbyStats *stats;
    LogThrottle logThrottle;
    PerMinuteBudget reattachFailures;
    QTimer *keepAlive;
    qint64 lastKeepAlive = 0;
};

} // namespace sorvada
