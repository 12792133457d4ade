// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobby/GuardedTcpServer.h"

#include <QTcpSocket>
#include <QTimer>

namespace sorvada {

namespace {
// Whether the requests in `head` (what the client has sent and the HTTP layer not yet read)
// want the connection closed after the answer.
bool wantsClose(const QByteArray &head)
{
    const QByteArray lower = head.toLower();
    for (qsizetype at = 0; (at = lower.indexOf(" http/1.0\r\n", at)) >= 0; ++at) {
        const qsizetype end = lower.indexOf("\r\n\r\n", at);
        const QByteArray headers = lower.mid(at, end < 0 ? -1 : end - at);
        if (!headers.contains("\r\nconnection: keep-alive"))
            return true;
    }
    return lower.contains("\r\nconnection: close");
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
    sockets.insert(socket, Watch{from, clock.elapsed(), false});
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
    it->activeAt = clock.elapsed();
    if (wantsClose(socket->peek(socket->bytesAvailable())))
        it->closeAfterAnswer = true;
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
        if (now - it->activeAt >= limits.idleMs)
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
