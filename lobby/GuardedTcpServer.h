// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "lobby/RequestScanner.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QTcpServer>

class QTcpSocket;
class QTimer;

namespace sorvada {

struct ConnectionLimits
{
    int total = 1000;        // open connections at most
    int perAddress = 64;     // from one source address at most
    int idleMs = 10000;      // a connection that sends and receives nothing this long is closed
    int headBytes = 8192;    // a request's line and headers together at most
    int requestMs = 10000;   // a request must be whole this long after its first byte
};

// The web lobby's listening socket. The HTTP layer answers requests but never
// closes a connection itself, so this server does: after the answer to an
// HTTP/1.0 request (unless it asked for keep-alive) or to one that says
// "Connection: close", when a connection has been idle too long, and at once
// for a connection beyond the caps, so that a crowd of idle or slow clients
// cannot take all the lobby's descriptors while others still get answers.
//
// It also reads each request's bytes before the HTTP layer does (which would keep a
// request's head and body however long they grow): a head beyond headBytes is answered 431,
// one that announces a body 413, and the connection is closed after either; a request not
// whole requestMs after its first byte has its connection closed, however slowly it
// trickles in.
class GuardedTcpServer : public QTcpServer
{
    Q_OBJECT
public:
    explicit GuardedTcpServer(const ConnectionLimits &limits = ConnectionLimits(), QObject *parent = nullptr);

    int openConnections() const { return int(sockets.size()); }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Watch
    {
        QHostAddress from;
        qint64 activeAt = 0;
        bool closeAfterAnswer = false;
        bool refused = false;    // answered and closing: nothing more of it is read
        RequestScanner scanner;
    };
    void onReadyRead(QTcpSocket *socket);
    void onBytesWritten(QTcpSocket *socket);
    void refuse(QTcpSocket *socket, RequestScanner::Verdict why);
    void closeIdle();
    void forget(QTcpSocket *socket);

    ConnectionLimits limits;
    QElapsedTimer clock;
    QTimer *idleCheck;
    QHash<QTcpSocket *, Watch> sockets;
    QHash<QHostAddress, int> perAddress;
};

} // namespace sorvada
