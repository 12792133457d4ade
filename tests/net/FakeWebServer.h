// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A matchmaking web server played by the test: it answers each GET with the body the test
// chose for that request and keeps every request line and user agent it saw. It can also
// take a connection and never answer, to stand for a server that hangs.

#include <QByteArray>
#include <QStringList>
#include <QTcpServer>

#include <functional>

namespace sorvada {

class FakeWebServer : public QObject {
    Q_OBJECT

public:
    struct Reply {
        int status = 200;
        QByteArray body;
        bool silent = false; // keep the connection open and say nothing
        int delayMs = 0;     // answer only after this long
    };
    using Answer = std::function<Reply(const QString &target)>;

    explicit FakeWebServer(QObject *parent = nullptr);

    QString base() const; // "http://127.0.0.1:<port>"
    quint16 port() const { return server.serverPort(); }
    void setAnswer(Answer answer) { answerFor = std::move(answer); }
    // Request targets in arrival order, e.g. "/start.asp?type=4&port=...".
    const QStringList &targets() const { return seen; }
    const QList<QByteArray> &userAgents() const { return agents; }

private:
    void accept();

    QTcpServer server;
    Answer answerFor;
    QStringList seen;
    QList<QByteArray> agents;
};

} // namespace sorvada
