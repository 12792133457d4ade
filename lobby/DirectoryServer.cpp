// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobby/DirectoryServer.h"

#include "lobby/AddressLimits.h"
#include "lobby/RoomTag.h"
#include "net/LinkExtension.h"
#include "net/PeerRecord.h"
#include "net/RoomMarker.h"

#include <QNetworkDatagram>
#include <QTimer>

#include <algorithm>
#include <cstring>

namespace sorvada {

namespace {

QByteArray bareRecord(uint8_t type)
{
    PeerRecord record;
    record.writeBare(type);
    return record.toByteArray();
}

QString addressOf(const RelayEndpoint &end)
{
    return QHostAddress(end.address).toString();
}

} // namespace

DirectoryServer::DirectoryServer(const Config &config, LobbyStats *stats, QObject *parent)
    : QObject(parent),
      config(config),
      queue(config.capacity, config.expiryMs),
      relays(config.relays),
      stats(stats ? stats : &ownStats),
      // Source addresses of UDP can be made up by the thousand: the failures of at most so
      // many addresses are counted, and those of any further one go uncounted, not refused:
      // a token of 64 bits is not guessed in a minute.
      reattachFailures(config.reattachFailuresPerMinute, 4096),
      keepAlive(new QTimer(this))
{
    clock.start();
    connect(&socket, &QUdpSocket::readyRead, this, &DirectoryServer::onReadyRead);
    // Silence is looked for more often than probes go out, so that it is noticed soon after
    // the limit rather than up to a whole probe interval later.
    keepAlive->setInterval(qBound(20, config.keepAliveMs / 4, 1000));
    connect(keepAlive, &QTimer::timeout, this, &DirectoryServer::onKeepAlive);
}

DirectoryServer::~DirectoryServer()
{
    for (Probe &probe : probes)
        delete probe.timer;
}

quint16 DirectoryServer::listen(const QHostAddress &address, quint16 port)
{
    if (!socket.bind(address, port))
        return 0;
    keepAlive->start();
    return socket.localPort();
}

void DirectoryServer::onReadyRead()
{
    // Only a lobby on every interface without a public address has to learn, per request,
    // which of its addresses a joiner reached; otherwise the cheaper plain read will do.
    const QHostAddress own = socket.localAddress();
    const bool wantReached = config.relay && config.publicAddress.isEmpty()
        && (own == QHostAddress::AnyIPv4 || own == QHostAddress::Any);
    char buffer[RECORD_SIZE + 1];
    while (socket.hasPendingDatagrams()) {
        QHostAddress sender, reached;
        quint16 port = 0;
        qint64 size;
        if (wantReached) {
            const QNetworkDatagram datagram = socket.receiveDatagram(RECORD_SIZE + 1);
            size = datagram.isValid() ? std::min<qint64>(datagram.data().size(), RECORD_SIZE + 1) : -1;
            if (size > 0)
                std::memcpy(buffer, datagram.data().constData(), size_t(size));
            sender = datagram.senderAddress();
            port = quint16(std::max(0, datagram.senderPort()));
            reached = datagram.destinationAddress();
        } else {
            size = socket.readDatagram(buffer, sizeof buffer, &sender, &port);
        }
        bool ok = false;
        const quint32 v4 = sender.toIPv4Address(&ok);
        // Anything but a whole record from an IPv4 sender is not from a copy of the game.
        if (size != RECORD_SIZE || !ok || port == 0) {
            stats->dropped(LobbyStats::Malformed);
            continue;
        }
        const uint8_t type = uint8_t(buffer[0]);
        // Addressed to the lobby alone, whoever sends it: never passed on.
        if (type == REATTACH) {
            onReattach(buffer, RelayEndpoint{v4, port});
            continue;
        }
        if (onRelayed(buffer, RelayEndpoint{v4, port}, type))
            continue;
        const QString address = QHostAddress(v4).toString();
        if (type == DIRECTORY_REQUEST) {
            PeerRecord request;
            std::memcpy(request.bytes.data(), buffer, RECORD_SIZE);
            onRequest(request.gameKind(), readRoomMarker(request), address, port, reached);
        }
        else if (type == PROBE)
            onProbeAnswer(address, port);
        else
            stats->dropped(LobbyStats::UnknownSender);
    }
}

bool DirectoryServer::onRelayed(const char *record, const RelayEndpoint &from, uint8_t type)
{
    if (!relays.contains(from))
        return false;
    if (type == DIRECTORY_REQUEST) {
        // A copy asking again starts afresh (a new copy on a reused port, say): the match
        // it was in is over for its partner.
        if (const auto other = relays.remove(from)) {
            send(bareRecord(QUIT), QHostAddress(other->address).toString(), other->port);
            report(QStringLiteral("relay ended: an end asks again"), addressOf(from),
                   QStringLiteral("relay %1 <-> %2 ended: %1 asks again").arg(from.text(), other->text()));
        }
        return false;
    }
    if (type == GREETING) {
        PeerRecord greeting;
        std::memcpy(greeting.bytes.data(), record, RECORD_SIZE);
        if (const auto block = readLinkExtension(greeting))
            relays.noteGreeting(from, block->resumes(), block->token);
    }
    const RelayTable::Route route = relays.route(from, type, clock.elapsed());
    switch (route.verdict) {
    case RelayTable::Verdict::Forward:
        socket.writeDatagram(record, RECORD_SIZE, QHostAddress(route.to.address), route.to.port);
        stats->relayed();
        break;
    case RelayTable::Verdict::AnswerProbe:
        socket.writeDatagram(bareRecord(PROBE), QHostAddress(from.address), from.port);
        break;
    case RelayTable::Verdict::Swallow:
    case RelayTable::Verdict::Unknown:
        break;
    }
    return true;
}

void DirectoryServer::onReattach(const char *record, const RelayEndpoint &from)
{
    const qint64 now = clock.elapsed();
    const QString address = addressOf(from);
    if (reattachFailures.spent(address, now)) {
        stats->dropped(LobbyStats::RefusedReattach);
        return;
    }
    PeerRecord request;
    std::memcpy(request.bytes.data(), record, RECORD_SIZE);
    const auto block = readLinkExtension(request);
    QString why;
    if (!block || !block->token) {
        why = QStringLiteral("no token");
    } else {
        const RelayTable::ReattachResult result = relays.reattach(from, *block->token, block->hostEnd, now);
        const QString side = block->hostEnd ? QStringLiteral("host") : QStringLiteral("joiner");
        switch (result.outcome) {
        case RelayTable::Reattach::Refreshed:
            return;
        case RelayTable::Reattach::Moved:
            report(QStringLiteral("reattached an end"), address,
                   QStringLiteral("relay %1 <-> %2: %3 end moved from %4")
                       .arg(from.text(), result.other.text(), side, result.old.text()));
            return;
        case RelayTable::Reattach::UnknownToken: why = QStringLiteral("unknown token"); break;
        case RelayTable::Reattach::QuitSeen: why = QStringLiteral("the match has ended"); break;
        case RelayTable::Reattach::OtherMatch: why = QStringLiteral("already an end"); break;
        case RelayTable::Reattach::AddressFull: why = QStringLiteral("its address has its share of relays"); break;
        }
    }
    reattachFailures.take(address, now);
    stats->dropped(LobbyStats::RefusedReattach);
    report(QStringLiteral("refused REATTACH: ") + why, address,
           QStringLiteral("refused REATTACH from %1: %2").arg(from.text(), why));
}

void DirectoryServer::onKeepAlive()
{
    const qint64 now = clock.elapsed();
    for (const QString &summary : logThrottle.summaries(now))
        emit pairingEvent(QStringLiteral("directory: ") + summary);
    for (const RelayTable::Ending &over : relays.expire(now)) {
        QString why;
        switch (over.reason) {
        case RelayTable::EndReason::Quit: why = QStringLiteral("quit"); break;
        case RelayTable::EndReason::BothSilent: why = QStringLiteral("both ends silent"); break;
        case RelayTable::EndReason::OneSilent:
            why = QStringLiteral("%1 silent, QUIT sent to the other end")
                      .arg((over.quitTo == over.first ? over.second : over.first).text());
            break;
        }
        if (over.quitTo)
            send(bareRecord(QUIT), QHostAddress(over.quitTo->address).toString(), over.quitTo->port);
        report(QStringLiteral("relay ended"), addressOf(over.first),
               QStringLiteral("relay %1 <-> %2 ended: %3").arg(over.first.text(), over.second.text(), why));
    }

    if (now - lastKeepAlive < config.keepAliveMs)
        return;
    lastKeepAlive = now;
    // Three probes unanswered: the host has gone (or its router forgot it) and would only
    // be proposed to no avail.
    for (const WaitingHost &gone : queue.removeSilent(now - 3 * qint64(config.keepAliveMs)))
        report(QStringLiteral("struck off host: no answer to three probes"), gone.address,
               QStringLiteral("struck off host %1 (kind %2): no answer to three probes")
                   .arg(endpoint(gone.address, gone.port))
                   .arg(gone.kind));
    const QByteArray probe = bareRecord(PROBE);
    for (const WaitingHost &h : queue.all())
        send(probe, h.address, h.port);
    for (const RelayEndpoint &end : relays.probeAll(now))
        socket.writeDatagram(probe, QHostAddress(end.address), end.port);
}

int DirectoryServer::pendingFrom(const QString &address) const
{
    return int(std::count_if(probes.begin(), probes.end(),
                             [&](const Probe &probe) { return probe.requesterAddress == address; }));
}

bool DirectoryServer::canRelay(const QString &address) const
{
    return !config.relay || relays.hasRoomFor(QHostAddress(address).toIPv4Address());
}

bool DirectoryServer::isRequesterPending(const QString &address, quint16 port) const
{
    for (const Probe &probe : probes) {
        if (probe.requesterPort == port && probe.requesterAddress == address)
            return true;
    }
    return false;
}

void DirectoryServer::onRequest(int kind, const QString &room, const QString &address, quint16 port,
                                const QHostAddress &reached)
{
    for (const WaitingHost &gone : queue.expire(clock.elapsed()))
        report(QStringLiteral("expired host"), gone.address,
               QStringLiteral("expired host %1 (kind %2)").arg(endpoint(gone.address, gone.port)).arg(gone.kind));

    if (isRequesterPending(address, port))
        return; // already being paired

    if (const WaitingHost *waiting = queue.findAt(address, port)) {
        if (waiting->room == room) {
            // It waits already; its answer may have been lost on the way.
            queue.heard(address, port, clock.elapsed());
            send(becomeServer(), address, port);
            return;
        }
        // The same port asking for another room is a new copy: it starts afresh.
        queue.removeAt(address, port);
    }

    // A copy that could only be paired directly, which behind two routers fails, is refused
    // rather than paired; so is one whose address has its share of pairings under way.
    if (!canRelay(address)) {
        report(QStringLiteral("refused requester: no relay left for its address"), address,
               QStringLiteral("refused %1 (kind %2): %3 matches relayed, or its address has its share")
                   .arg(endpoint(address, port))
                   .arg(kind)
                   .arg(relays.size()));
        return;
    }
    if (pendingFrom(address) >= config.hostsPerAddress) {
        report(QStringLiteral("refused requester: its address has its share of pairings under way"), address,
               QStringLiteral("refused %1 (kind %2): %3 pairings under way from its address")
                   .arg(endpoint(address, port))
                   .arg(kind)
                   .arg(pendingFrom(address)));
        return;
    }

    // Only a host in the requester's own room is proposed: a code pairs friends with each other.
    WaitingHost *host = queue.firstOf(kind, [this, &room](const WaitingHost &h) {
        return h.room == room && !probes.contains(endpoint(h.address, h.port)) && canRelay(h.address);
    });
    if (host && probes.size() < config.capacity) {
        Probe probe;
        probe.host = *host;
        probe.requesterAddress = address;
        probe.requesterPort = port;
        probe.requesterRoom = room;
        probe.requesterReached = reached;
        probe.timer = new QTimer;
        probe.timer->setSingleShot(true);
        const QString key = endpoint(host->address, host->port);
        connect(probe.timer, &QTimer::timeout, this, [this, key] { onProbeTimeout(key); });
        probe.timer->start(config.probeTimeoutMs);
        probes.insert(key, probe);
        send(bareRecord(PROBE), host->address, host->port);
        return;
    }
    if (host)
        return; // too many pairings under way: the copy's own time limit ends its wait

    WaitingHost fresh;
    fresh.kind = kind;
    fresh.address = address;
    fresh.port = port;
    fresh.room = room;
    fresh.joinedAt = clock.elapsed();
    fresh.heardAt = fresh.joinedAt;
    for (const WaitingHost &own : makeRoomFrom(queue, address, config.hostsPerAddress))
        report(QStringLiteral("dropped host: its address has its share waiting"), address,
               QStringLiteral("dropped host %1 (kind %2): %3 hosts wait from its address")
                   .arg(endpoint(own.address, own.port))
                   .arg(own.kind)
                   .arg(config.hostsPerAddress));
    if (auto pushedOut = queue.add(fresh))
        report(QStringLiteral("dropped host: queue full"), pushedOut->address,
               QStringLiteral("dropped host %1 (kind %2): queue full")
                   .arg(endpoint(pushedOut->address, pushedOut->port))
                   .arg(pushedOut->kind));
    send(becomeServer(), address, port);
    report(QStringLiteral("host waits as server"), address,
           QStringLiteral("host %1 (kind %2)%3 waits as server").arg(endpoint(address, port)).arg(kind).arg(roomTag(room)));
}

void DirectoryServer::onProbeAnswer(const QString &address, quint16 port)
{
    queue.heard(address, port, clock.elapsed());
    const QString key = endpoint(address, port);
    auto it = probes.find(key);
    if (it == probes.end())
        return;
    const Probe probe = *it;
    probes.erase(it);
    delete probe.timer;
    // Struck off while its probe was out (pushed out of a full queue, say): a host the lobby
    // no longer counts as waiting is never handed out, and its requester is served afresh.
    // So is one that can no longer be relayed to because the matches filled up meanwhile.
    if (!queue.findAt(address, port) || !canRelay(address) || !canRelay(probe.requesterAddress)) {
        report(QStringLiteral("passed over host: struck off or no relay left while probed"), address,
               QStringLiteral("passed over host %1 (kind %2): struck off or no relay left while probed")
                   .arg(key)
                   .arg(probe.host.kind));
        onRequest(probe.host.kind, probe.requesterRoom, probe.requesterAddress, probe.requesterPort, probe.requesterReached);
        return;
    }
    queue.removeAt(address, port);
    pair(probe);
}

// A lobby that will relay the match says it can reattach its ends; one that pairs directly
// sends the plain record.
QByteArray DirectoryServer::becomeServer() const
{
    PeerRecord record;
    record.writeBare(BECOME_SERVER);
    if (config.relay) {
        LinkExtension announce;
        announce.features = FEATURE_REATTACH;
        writeLinkExtension(record, announce);
    }
    return record.toByteArray();
}

QString DirectoryServer::joinAddress(const QHostAddress &reached) const
{
    if (!config.publicAddress.isEmpty())
        return config.publicAddress;
    // Bound to one address, that is where everyone reaches us; bound to all, the address
    // this joiner reached is the one it can reach again.
    const QHostAddress own = socket.localAddress();
    bool ok = false;
    const quint32 v4 = (own == QHostAddress::AnyIPv4 || own == QHostAddress::Any ? reached : own)
                           .toIPv4Address(&ok);
    return ok && v4 != 0 ? QHostAddress(v4).toString() : QString();
}

void DirectoryServer::pair(const Probe &probe)
{
    const QString host = endpoint(probe.host.address, probe.host.port);
    const QString joiner = endpoint(probe.requesterAddress, probe.requesterPort);
    PeerRecord record;
    if (config.relay) {
        const QString lobby = joinAddress(probe.requesterReached);
        const RelayEndpoint hostEnd{QHostAddress(probe.host.address).toIPv4Address(), probe.host.port};
        const RelayEndpoint joinerEnd{QHostAddress(probe.requesterAddress).toIPv4Address(), probe.requesterPort};
        if (!lobby.isEmpty()) {
            if (!relays.add(hostEnd, joinerEnd, clock.elapsed())) {
                // Room was checked before the host left the queue; should it have gone
                // all the same, the host waits on and the joiner is refused.
                queue.add(probe.host);
                report(QStringLiteral("refused requester: no relay left"), probe.requesterAddress,
                       QStringLiteral("cannot relay %1: %2 matches relayed, refused").arg(joiner).arg(relays.size()));
                return;
            }
            record.writeJoinPeer(socket.localPort(), lobby.toLatin1());
            LinkExtension announce;
            announce.features = FEATURE_REATTACH;
            writeLinkExtension(record, announce); // an address reaching the block goes without
            send(record.toByteArray(), probe.requesterAddress, probe.requesterPort);
            stats->paired(LobbyStats::Relayed);
            report(QStringLiteral("paired through the relay"), probe.requesterAddress,
                   QStringLiteral("paired %1 with host %2 (kind %3)%6 through the relay at %4:%5")
                       .arg(joiner, host)
                       .arg(probe.host.kind)
                       .arg(lobby)
                       .arg(socket.localPort())
                       .arg(roomTag(probe.host.room)));
            return;
        }
        report(QStringLiteral("cannot relay: own address unknown"), probe.requesterAddress,
               QStringLiteral("cannot relay %1: own address unknown, pairing directly").arg(joiner));
    }
    record.writeJoinPeer(probe.host.port, probe.host.address.toLatin1());
    send(record.toByteArray(), probe.requesterAddress, probe.requesterPort);
    stats->paired(LobbyStats::Direct);
    report(QStringLiteral("paired"), probe.requesterAddress,
           QStringLiteral("paired %1 with host %2 (kind %3)%4")
               .arg(joiner, host)
               .arg(probe.host.kind)
               .arg(roomTag(probe.host.room)));
}

void DirectoryServer::onProbeTimeout(const QString &key)
{
    auto it = probes.find(key);
    if (it == probes.end())
        return;
    const Probe probe = *it;
    probes.erase(it);
    probe.timer->deleteLater(); // we are inside its timeout signal
    queue.removeAt(probe.host.address, probe.host.port);
    report(QStringLiteral("dropped host: no answer to probe"), probe.host.address,
           QStringLiteral("dropped host %1 (kind %2): no answer to probe").arg(key).arg(probe.host.kind));
    onRequest(probe.host.kind, probe.requesterRoom, probe.requesterAddress, probe.requesterPort,
              probe.requesterReached);
}

void DirectoryServer::send(const QByteArray &datagram, const QString &address, quint16 port)
{
    socket.writeDatagram(datagram, QHostAddress(address), port);
}

void DirectoryServer::report(const QString &reason, const QString &address, const QString &event)
{
    if (logThrottle.admit(reason, address, clock.elapsed()))
        emit pairingEvent(QStringLiteral("directory: ") + event);
}

} // namespace sorvada
