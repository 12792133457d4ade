// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "lobby/AddressLimits.h"
#include "lobby/GuardedTcpServer.h"
#include "lobby/LogThrottle.h"
#include "lobby/LobbyStatus.h"
#include "lobby/MatchIds.h"
#include "lobby/PairingPolicy.h"
#include "lobby/WaitingQueue.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QHttpServer>
#include <QObject>

#include <functional>
#include <optional>

class QHttpServerRequest;
class QHttpServerResponse;

namespace sorvada {

struct WebLobbyConfig
{
    int capacity = 1000;                 // waiting hosts kept at most
    qint64 expiryMs = 10 * 60 * 1000;    // a waiting host is forgotten after this
    qint64 recentMs = 20 * 1000;         // a proposed host is passed over this long
    quint32 idSeed = 0;                  // 0: seeded from the system
    ConnectionLimits connections;
    AddressLimits limits;
    // The lobby's time in milliseconds; unset: time since the lobby was made.
    std::function<qint64()> now;
};

// The matchmaking web server: answers "/start.asp" and "/end.asp" with one
// text line each, the same under "/CODE/" for the room of that code, and the
// operator's status page "/" and "/metrics". Everything else the HTTP layer
// answers 404.
class WebLobby : public QObject
{
    Q_OBJECT
public:
    using Config = WebLobbyConfig;

    explicit WebLobby(const Config &config = Config(), LobbyStats *stats = nullptr, QObject *parent = nullptr);

    // Where the status page and metrics learn what the rest of the lobby holds; unset, they
    // show this web lobby's own waiting hosts.
    void setFigures(std::function<LobbyFigures()> source) { figures = std::move(source); }

    // Starts listening; port 0 takes any free port. Returns the bound port, 0 on failure.
    quint16 listen(const QHostAddress &address, quint16 port);

    const WaitingQueue &waiting() const { return queue; }

signals:
    // One line for each pairing event: a host waits, is proposed, struck off,
    // dropped, expired or ends its game.
    void pairingEvent(const QString &line);

private:
    // room: the first element of the query's path, unset for the public /start.asp.
    QHttpServerResponse onStart(const QHttpServerRequest &request, const std::optional<QString> &room = {});
    QHttpServerResponse onEnd(const QHttpServerRequest &request, const std::optional<QString> &room = {});
    void report(const QStringList &events, const QString &caller);
    void reportLeftOut();

    WaitingQueue queue;
    MatchIds ids;
    PairingPolicy policy;
    QElapsedTimer clock;
    LobbyStats ownStats;
    LobbyStats *stats;
    std::function<LobbyFigures()> figures;
    std::function<qint64()> now;
    LogThrottle logThrottle;
    QHttpServer http;
    GuardedTcpServer *tcp;
};

} // namespace sorvada
