#include "LossyRelay.h"

#include <QHostAddress>

namespace {

// A reordered datagram is let go after this long if no other one overtakes it.
constexpr int HOLD_MS = 15;

QByteArray readOne(QUdpSocket &socket, quint16 *fromPort)
{
    QByteArray datagram(qMax<qint64>(socket.pendingDatagramSize(), 0), '\0');
    const qint64 n = socket.readDatagram(datagram.data(), datagram.size(), nullptr, fromPort);
    datagram.truncate(qMax<qint64>(n, 0));
    return datagram;
}

} // namespace

LossyRelay::LossyRelay(quint16 serverPort_, unsigned seed, QObject *parent)
    : QObject(parent), serverPort(serverPort_), random(seed)
{
    front.bind(QHostAddress::LocalHost, 0);
    back.bind(QHostAddress::LocalHost, 0);
    connect(&front, &QUdpSocket::readyRead, this, &LossyRelay::readFront);
    connect(&back, &QUdpSocket::readyRead, this, &LossyRelay::readBack);
    for (int d = 0; d < 2; ++d) {
        heldTimer[d].setSingleShot(true);
        connect(&heldTimer[d], &QTimer::timeout, this, [this, d] { flushHeld(Direction(d)); });
    }
}

void LossyRelay::readFront()
{
    while (front.hasPendingDatagrams()) {
        quint16 from = 0;
        const QByteArray datagram = readOne(front, &from);
        clientPort = from;
        relay(ToServer, datagram);
    }
}

void LossyRelay::readBack()
{
    while (back.hasPendingDatagrams()) {
        quint16 from = 0;
        const QByteArray datagram = readOne(back, &from);
        if (from == serverPort && clientPort != 0 && !serverSilent)
            relay(ToClient, datagram);
    }
}

bool LossyRelay::chance(double p)
{
    return std::uniform_real_distribution<double>(0.0, 1.0)(random) < p;
}

void LossyRelay::relay(Direction direction, const QByteArray &datagram)
{
    if (chance(current.drop)) {
        ++tally.dropped;
        return;
    }
    const bool twice = chance(current.duplicate);
    if (twice)
        ++tally.duplicated;
    if (!held[direction] && chance(current.reorder)) {
        ++tally.reordered;
        held[direction] = datagram;
        heldTimer[direction].start(HOLD_MS);
        if (twice)
            deliver(direction, datagram);
        return;
    }
    deliver(direction, datagram);
    if (twice)
        deliver(direction, datagram);
    flushHeld(direction);
}

void LossyRelay::deliver(Direction direction, const QByteArray &datagram)
{
    ++tally.passed;
    if (direction == ToServer)
        back.writeDatagram(datagram, QHostAddress::LocalHost, serverPort);
    else
        front.writeDatagram(datagram, QHostAddress::LocalHost, clientPort);
}

void LossyRelay::flushHeld(Direction direction)
{
    heldTimer[direction].stop();
    if (held[direction]) {
        const QByteArray datagram = *held[direction];
        held[direction].reset();
        deliver(direction, datagram);
    }
}
