// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/LineRelay.h"

#include <QByteArray>
#include <QHostAddress>

namespace sorvada {

namespace {

// Every datagram waiting on socket, with the port it came from; an unreadable one is skipped.
template <typename Each> void drain(QUdpSocket &socket, Each each)
{
    while (socket.hasPendingDatagrams()) {
        QByteArray datagram(int(qMax<qint64>(socket.pendingDatagramSize(), 0)), '\0');
        quint16 from = 0;
        const qint64 n = socket.readDatagram(datagram.data(), datagram.size(), nullptr, &from);
        if (n >= 0)
            each(datagram.left(int(n)), from);
    }
}

} // namespace

LineRelay::LineRelay(quint16 hostPort, QObject *parent) : QObject(parent), hostPort(hostPort)
{
    front.bind(QHostAddress::LocalHost, 0);
    connect(&front, &QUdpSocket::readyRead, this, &LineRelay::readFront);
    moveClient();
}

void LineRelay::moveClient()
{
    // The old socket closes with its port: the host's records to it go nowhere.
    back = std::make_unique<QUdpSocket>();
    back->bind(QHostAddress::LocalHost, 0);
    connect(back.get(), &QUdpSocket::readyRead, this, &LineRelay::readBack);
}

void LineRelay::readFront()
{
    drain(front, [this](const QByteArray &datagram, quint16 from) {
        clientPort = from;
        if (!dark)
            back->writeDatagram(datagram, QHostAddress::LocalHost, hostPort);
    });
}

void LineRelay::readBack()
{
    drain(*back, [this](const QByteArray &datagram, quint16) {
        if (!dark && clientPort != 0)
            front.writeDatagram(datagram, QHostAddress::LocalHost, clientPort);
    });
}

} // namespace sorvada
