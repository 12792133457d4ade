// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobby/LobbyQueries.h"
#include "lobby/WebLobby.h"
#include "net/RoomCode.h"

#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QTimer>

namespace sorvada {

namespace {

QHttpServerResponse line(const QString &text, QHttpServerResponse::StatusCode status =
                                                  QHttpServerResponse::StatusCode::Ok)
{
    return QHttpServerResponse(QByteArrayLiteral("text/plain"), (text + QLatin1Char('\n')).toLatin1(),
                               status);
}

QHttpServerResponse refusal(const QString &reason)
{
    return line(reason, QHttpServerResponse::StatusCode::BadRequest);
}

// The game link is IPv4: a host is proposed by its dotted address, and a
// caller that reached us over IPv6 could not be knocked at by that address.
QString dottedAddress(const QHostAddress &address)
{
    bool ok = false;
    const quint32 v4 = address.toIPv4Address(&ok);
    return ok ? QHostAddress(v4).toString() : QString();
}

} // namespace

WebLobby::WebLobby(const Config &config, LobbyStats *stats, QObject *parent)
    : QObject(parent),
      queue(config.capacity, config.expiryMs),
      ids(config.idSeed),
      policy(queue, ids, config.recentMs),
      stats(stats ? stats : &ownStats),
      now(config.now),
      tcp(new GuardedTcpServer(config.connections, this))
{
    figures = [this] {
        LobbyFigures f;
        f.count(queue);
        return f;
    };
    clock.start();
    if (!now)
        now = [this] { return clock.elapsed(); };
    policy.setLimits(config.limits);
    auto *summaries = new QTimer(this);
    connect(summaries, &QTimer::timeout, this, &WebLobby::reportLeftOut);
    summaries->start(5000);
    http.route(QStringLiteral("/start.asp"), QHttpServerRequest::Method::Get,
               [this](const QHttpServerRequest &request) { return onStart(request); });
    http.route(QStringLiteral("/end.asp"), QHttpServerRequest::Method::Get,
               [this](const QHttpServerRequest &request) { return onEnd(request); });
    // A room is the first element of the path: /CODE/start.asp pairs only with /CODE/start.asp.
    http.route(QStringLiteral("/<arg>/start.asp"), QHttpServerRequest::Method::Get,
               [this](const QString &room, const QHttpServerRequest &request) { return onStart(request, room); });
    http.route(QStringLiteral("/<arg>/end.asp"), QHttpServerRequest::Method::Get,
               [this](const QString &room, const QHttpServerRequest &request) { return onEnd(request, room); });
    http.route(QStringLiteral("/"), QHttpServerRequest::Method::Get, [this] {
        return QHttpServerResponse(QByteArrayLiteral("text/html; charset=utf-8"),
                                   lobbyStatusPage(figures(), *this->stats));
    });
    http.route(QStringLiteral("/metrics"), QHttpServerRequest::Method::Get, [this] {
        return QHttpServerResponse(QByteArrayLiteral("text/plain; version=0.0.4; charset=utf-8"),
                                   lobbyMetrics(figures(), *this->stats));
    });
}

quint16 WebLobby::listen(const QHostAddress &address, quint16 port)
{
    if (!tcp->listen(address, port))
        return 0;
    http.bind(tcp);
    return tcp->serverPort();
}

QHttpServerResponse WebLobby::onStart(const QHttpServerRequest &request, const std::optional<QString> &room)
{
    const QString caller = dottedAddress(request.remoteAddress());
    if (caller.isEmpty())
        return refusal(QStringLiteral("IPv4 callers only"));
    if (room && !isRoomCode(*room))
        return refusal(QStringLiteral("bad room code"));
    StartQuery query = parseStartQuery(request.query());
    if (!query.error.isEmpty())
        return refusal(query.error);
    if (room)
        query.room = room->toLower();
    const PairingPolicy::Answer answer = policy.start(query, caller, now());
    if (answer.line.startsWith(QLatin1String("Client/")))
        stats->paired(LobbyStats::Web);
    report(answer.events, caller);
    return line(answer.line);
}

QHttpServerResponse WebLobby::onEnd(const QHttpServerRequest &request, const std::optional<QString> &room)
{
    const QString caller = dottedAddress(request.remoteAddress());
    if (caller.isEmpty())
        return refusal(QStringLiteral("IPv4 callers only"));
    if (room && !isRoomCode(*room))
        return refusal(QStringLiteral("bad room code"));
    const EndQuery query = parseEndQuery(request.query());
    if (!query.error.isEmpty())
        return refusal(query.error);
    const PairingPolicy::Answer answer = policy.end(query, caller, now());
    report(answer.events, caller);
    return line(answer.line);
}

void WebLobby::report(const QStringList &events, const QString &caller)
{
    reportLeftOut();
    // An event's first word says what happened ("proposed", "dropped", "ignored" ...); a flood
    // from one caller is summarised per such word.
    for (const QString &event : events)
        if (logThrottle.admit(event.section(QLatin1Char(' '), 0, 0), caller, now()))
            emit pairingEvent(QStringLiteral("web: ") + event);
}

void WebLobby::reportLeftOut()
{
    for (const QString &summary : logThrottle.summaries(now()))
        emit pairingEvent(QStringLiteral("web: ") + summary);
}

} // namespace sorvada
