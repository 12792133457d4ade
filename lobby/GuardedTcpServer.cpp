// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobby/GuardedTcpServer.h"

#include <QTcpSocket>
#include <QTimer>

namespace sorvada {

namespace {
QByteArray refusal(RequestScanner::Verdict why)
{
    const QByteArray status = why == RequestScanner::Verdict::HeadTooLarge
        ? QByteArrayLiteral("431 Request Header Fields Too Large")
        : QByteArrayLiteral("413 Content Too Large");
    const QByteArray body = why == RequestScanner::Verdict::HeadTooLarge
        ? QByteArrayLiteral("request line and headers too long\n")
        : QByteArrayLiteral("no request body accepted\n");
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}
} // namespace

GuardedTcpServer::GuardedTcpServer(const ConnectionLimits &limits, QObject *parent)
    : QTcpServer(parent), limits(limits), idleCheck(new QTimer(this))
{
    clock.start();
    idleCheck->setInterval(qBound(50, limits.idleMs / 4, 1000));
    connect(idleCheck, &QTimer::timeout, this, &GuardedTcpServer::closeIdle);
    idleCheck->start();
}

void GuardedTcpServer::incomingConnection(qintptr descriptor)
{
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    const QHostAddress from = socket->peerAddress();
    if (int(sockets.size()) >= limits.total || perAddress.value(from) >= limits.perAddress) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    sockets.insert(socket, Watch{from, clock.elapsed(), false, false, RequestScanner(limits.headBytes)});
    ++perAddress[from];
    // Connected before the HTTP layer connects its own, so this sees each request first.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { onBytesWritten(socket); });
    connect(socket, &QObject::destroyed, this, [this, socket] { forget(socket); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    addPendingConnection(socket);
}

void GuardedTcpServer::onReadyRead(QTcpSocket *socket)
{
    auto it = sockets.find(socket);
    if (it == sockets.end())
        return;
    if (it->refused) {
        socket->readAll(); // so that the HTTP layer, whose turn comes next, finds nothing
        return;
    }
    it->activeAt = clock.elapsed();
    // The HTTP layer reads all there is at each turn, so what is unread now is what arrived
    // since the last one.
    const RequestScanner::Verdict verdict = it->scanner.feed(socket->peek(socket->bytesAvailable()), it->activeAt);
    if (it->scanner.wantsClose())
        it->closeAfterAnswer = true;
    if (verdict != RequestScanner::Verdict::Fine)
        refuse(socket, verdict);
}

void GuardedTcpServer::refuse(QTcpSocket *socket, RequestScanner::Verdict why)
{
    auto it = sockets.find(socket);
    it->refused = true;
    it->closeAfterAnswer = true;
    socket->readAll();
    socket->write(refusal(why));
    socket->disconnectFromHost();
}

void GuardedTcpServer::onBytesWritten(QTcpSocket *socket)
{
    auto it = sockets.find(socket);
    if (it == sockets.end())
        return;
    it->activeAt = clock.elapsed();
    if (it->closeAfterAnswer && socket->bytesToWrite() == 0)
        socket->disconnectFromHost();
}

void GuardedTcpServer::closeIdle()
{
    const qint64 now = clock.elapsed();
    QList<QTcpSocket *> idle;
    for (auto it = sockets.cbegin(); it != sockets.cend(); ++it)
        if (now - it->activeAt >= limits.idleMs
            || (it->scanner.inRequest() && now - it->scanner.startedAt() >= limits.requestMs))
            idle << it.key();
    for (QTcpSocket *socket : idle) {
        forget(socket);
        socket->abort();
        socket->deleteLater();
    }
}

void GuardedTcpServer::forget(QTcpSocket *socket)
{
    const auto it = sockets.find(socket);
    if (it == sockets.end())
        return;
    if (--perAddress[it->from] <= 0)
        perAddress.remove(it->from);
    sockets.erase(it);
}

} // namespace sorvada
