// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/LossyRelay.h"

#include "net/PeerRecord.h"

#include <QHostAddress>

namespace sorvada {

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

// One step of the splitmix64 generator: a well-mixed 64-bit value from any 64-bit state.
uint64_t mix(uint64_t &state)
{
    uint64_t z = (state += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

// A number in [0, 1) drawn from the state.
double uniform(uint64_t &state)
{
    return double(mix(state) >> 11) * 0x1.0p-53;
}

} // namespace

LossyRelay::LossyRelay(quint16 serverPort_, unsigned seed_, QObject *parent)
    : QObject(parent), serverPort(serverPort_), seed(seed_)
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

void LossyRelay::moveClientSide()
{
    const quint16 old = back.localPort();
    back.close();
    // Bound while the old port is still held, so that the new one cannot be the same.
    QUdpSocket keepOld;
    keepOld.bind(QHostAddress::LocalHost, old);
    back.bind(QHostAddress::LocalHost, 0);
}

void LossyRelay::relay(Direction direction, const QByteArray &datagram)
{
    if (dark)
        return;
    // Which record this is, and which of its sends: the fate of the datagram follows from that.
    PeerRecord record;
    if (!record.assign(datagram)) {
        deliver(direction, datagram);
        return;
    }
    const uint32_t number = record.type() == ACK ? record.ackNumber() : record.sequence();
    Seen &times = seen[RecordKey(direction, record.type(), number)];
    uint64_t state = seed;
    for (const uint64_t part : {uint64_t(direction), uint64_t(record.type()), uint64_t(number),
                                uint64_t(times.times++)})
        state = mix(state) ^ part;
    const double dropDraw = uniform(state), duplicateDraw = uniform(state), reorderDraw = uniform(state);

    if (dropDraw < current.drop && times.dropped < MOST_DROPS_OF_ONE_RECORD) {
        ++times.dropped;
        ++tally.dropped;
        return;
    }
    const bool twice = duplicateDraw < current.duplicate;
    if (twice)
        ++tally.duplicated;
    if (!held[direction] && reorderDraw < current.reorder) {
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

} // namespace sorvada
