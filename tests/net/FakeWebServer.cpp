// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeWebServer.h"

#include <QTcpSocket>
#include <QTimer>

namespace sorvada {

FakeWebServer::FakeWebServer(QObject *parent) : QObject(parent)
{
    server.listen(QHostAddress::LocalHost, 0);
    connect(&server, &QTcpServer::newConnection, this, &FakeWebServer::accept);
    answerFor = [](const QString &) { return Reply{200, "Server\r\n", false}; };
}

QString FakeWebServer::base() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

void FakeWebServer::accept()
{
    while (QTcpSocket *connection = server.nextPendingConnection()) {
        connect(connection, &QTcpSocket::disconnected, connection, &QObject::deleteLater);
        connect(connection, &QTcpSocket::readyRead, this, [this, connection] {
            QByteArray request = connection->property("request").toByteArray() + connection->readAll();
            connection->setProperty("request", request);
            if (!request.contains("\r\n\r\n") || connection->property("answered").toBool())
                return;
            connection->setProperty("answered", true);
            const QList<QByteArray> lines = request.split('\n');
            const QList<QByteArray> words = lines.first().trimmed().split(' ');
            const QString target = QString::fromLatin1(words.value(1));
            seen << target;
            QByteArray agent;
            for (const QByteArray &line : lines)
                if (line.toLower().startsWith("user-agent:"))
                    agent = line.mid(11).trimmed();
            agents << agent;
            const Reply reply = answerFor(target);
            if (reply.silent)
                return;
            QTimer::singleShot(reply.delayMs, connection, [connection, reply] {
                connection->write("HTTP/1.1 " + QByteArray::number(reply.status) + " Whatever\r\n"
                                  "Content-Type: text/plain\r\nConnection: close\r\nContent-Length: "
                                  + QByteArray::number(reply.body.size()) + "\r\n\r\n" + reply.body);
                connection->disconnectFromHost();
            });
        });
    }
}

} // namespace sorvada
