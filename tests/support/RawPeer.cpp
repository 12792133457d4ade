// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/RawPeer.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTimer>

namespace sorvada {

PeerRecord RawPeer::Received::record() const
{
    PeerRecord r;
    r.assign(datagram);
    return r;
}

RawPeer::RawPeer(QObject *parent) : RawPeer(QHostAddress(QHostAddress::LocalHost), parent)
{
}

RawPeer::RawPeer(const QHostAddress &at, QObject *parent) : QObject(parent)
{
    socket.bind(at, 0);
    connect(&socket, &QUdpSocket::readyRead, this, &RawPeer::drain);
}

void RawPeer::sendRaw(const QByteArray &datagram, quint16 toPort)
{
    socket.writeDatagram(datagram, QHostAddress::LocalHost, toPort);
}

void RawPeer::sendType(uint8_t type, quint16 toPort)
{
    PeerRecord r;
    r.setType(type);
    send(r, toPort);
}

int RawPeer::count(uint8_t type) const
{
    int n = 0;
    for (const Received &r : inbox)
        if (r.datagram.size() == RECORD_SIZE && uint8_t(r.datagram.at(0)) == type)
            ++n;
    return n;
}

bool RawPeer::waitFor(uint8_t type, int already, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (count(type) <= already) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(deadline.remainingTime(), &loop, &QEventLoop::quit);
        connect(this, &RawPeer::arrived, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

bool RawPeer::barrier(quint16 toPort, int timeoutMs)
{
    const int before = count(PROBE);
    sendType(PROBE, toPort);
    return waitFor(PROBE, before, timeoutMs);
}

const RawPeer::Received *RawPeer::last(uint8_t type) const
{
    for (auto it = inbox.rbegin(); it != inbox.rend(); ++it)
        if (it->datagram.size() == RECORD_SIZE && uint8_t(it->datagram.at(0)) == type)
            return &*it;
    return nullptr;
}

void RawPeer::drain()
{
    while (socket.hasPendingDatagrams()) {
        Received r;
        r.datagram.resize(qMax<qint64>(socket.pendingDatagramSize(), 0));
        QHostAddress from;
        const qint64 n = socket.readDatagram(r.datagram.data(), r.datagram.size(), &from, &r.fromPort);
        if (n < 0)
            continue;
        r.datagram.truncate(n);
        if (answering && n == RECORD_SIZE && uint8_t(r.datagram.at(0)) == PROBE)
            sendType(PROBE, r.fromPort);
        inbox.push_back(r);
    }
    emit arrived();
}

} // namespace sorvada
