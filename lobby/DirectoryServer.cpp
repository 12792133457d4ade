#include "DirectoryServer.h"

#include "PeerRecord.h"

#include <QNetworkDatagram>
#include <QTimer>

namespace {

QString endpoint(const QString &address, quint16 port)
{
    return address + QLatin1Char(':') + QString::number(port);
}

QByteArray bareRecord(uint8_t type)
{
    PeerRecord record;
    record.writeBare(type);
    return record.toByteArray();
}

} // namespace

DirectoryServer::DirectoryServer(const Config &config, QObject *parent)
    : QObject(parent), config(config), queue(config.capacity, config.expiryMs)
{
    clock.start();
    connect(&socket, &QUdpSocket::readyRead, this, &DirectoryServer::onReadyRead);
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
    return socket.localPort();
}

void DirectoryServer::onReadyRead()
{
    while (socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket.receiveDatagram(RECORD_SIZE + 1);
        PeerRecord record;
        // Anything but a whole record is not from a copy of the game.
        if (!datagram.isValid() || !record.assign(datagram.data()))
            continue;
        bool ok = false;
        const quint32 v4 = datagram.senderAddress().toIPv4Address(&ok);
        const int port = datagram.senderPort();
        if (!ok || port <= 0 || port > 65535)
            continue;
        const QString address = QHostAddress(v4).toString();
        if (record.type() == DIRECTORY_REQUEST)
            onRequest(record.gameKind(), address, quint16(port));
        else if (record.type() == PROBE)
            onProbeAnswer(address, quint16(port));
    }
}

bool DirectoryServer::isRequesterPending(const QString &address, quint16 port) const
{
    for (const Probe &probe : probes) {
        if (probe.requesterPort == port && probe.requesterAddress == address)
            return true;
    }
    return false;
}

void DirectoryServer::onRequest(int kind, const QString &address, quint16 port)
{
    for (const WaitingHost &gone : queue.expire(clock.elapsed()))
        report(QStringLiteral("expired host %1 (kind %2)").arg(endpoint(gone.address, gone.port)).arg(gone.kind));

    if (isRequesterPending(address, port))
        return; // already being paired

    if (queue.findAt(address, port)) {
        // It waits already; its answer may have been lost on the way.
        send(bareRecord(BECOME_SERVER), address, port);
        return;
    }

    WaitingHost *host = queue.firstOf(kind, [this](const WaitingHost &h) {
        return !probes.contains(endpoint(h.address, h.port));
    });
    if (host && probes.size() < config.capacity) {
        Probe probe;
        probe.host = *host;
        probe.requesterAddress = address;
        probe.requesterPort = port;
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
    fresh.joinedAt = clock.elapsed();
    if (auto pushedOut = queue.add(fresh))
        report(QStringLiteral("dropped host %1 (kind %2): queue full")
                   .arg(endpoint(pushedOut->address, pushedOut->port))
                   .arg(pushedOut->kind));
    send(bareRecord(BECOME_SERVER), address, port);
    report(QStringLiteral("host %1 (kind %2) waits as server").arg(endpoint(address, port)).arg(kind));
}

void DirectoryServer::onProbeAnswer(const QString &address, quint16 port)
{
    const QString key = endpoint(address, port);
    auto it = probes.find(key);
    if (it == probes.end())
        return;
    const Probe probe = *it;
    probes.erase(it);
    delete probe.timer;
    queue.removeAt(address, port);

    PeerRecord record;
    record.writeJoinPeer(probe.host.port, probe.host.address.toLatin1());
    send(record.toByteArray(), probe.requesterAddress, probe.requesterPort);
    report(QStringLiteral("paired %1 with host %2 (kind %3)")
               .arg(endpoint(probe.requesterAddress, probe.requesterPort), key)
               .arg(probe.host.kind));
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
    report(QStringLiteral("dropped host %1 (kind %2): no answer to probe").arg(key).arg(probe.host.kind));
    onRequest(probe.host.kind, probe.requesterAddress, probe.requesterPort);
}

void DirectoryServer::send(const QByteArray &datagram, const QString &address, quint16 port)
{
    socket.writeDatagram(datagram, QHostAddress(address), port);
}

void DirectoryServer::report(const QString &event)
{
    emit pairingEvent(QStringLiteral("directory: ") + event);
}
