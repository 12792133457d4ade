#include "WebLobby.h"
#include "LobbyQueries.h"

#include <QHttpServerRequest>
#include <QHttpServerResponse>

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

WebLobby::WebLobby(const Config &config, QObject *parent)
    : QObject(parent),
      queue(config.capacity, config.expiryMs),
      ids(config.idSeed),
      policy(queue, ids, config.recentMs),
      now(config.now)
{
    clock.start();
    if (!now)
        now = [this] { return clock.elapsed(); };
    http.route(QStringLiteral("/start.asp"), QHttpServerRequest::Method::Get,
               [this](const QHttpServerRequest &request) { return onStart(request); });
    http.route(QStringLiteral("/end.asp"), QHttpServerRequest::Method::Get,
               [this](const QHttpServerRequest &request) { return onEnd(request); });
}

quint16 WebLobby::listen(const QHostAddress &address, quint16 port)
{
    return http.listen(address, port);
}

QHttpServerResponse WebLobby::onStart(const QHttpServerRequest &request)
{
    const QString caller = dottedAddress(request.remoteAddress());
    if (caller.isEmpty())
        return refusal(QStringLiteral("IPv4 callers only"));
    const StartQuery query = parseStartQuery(request.query());
    if (!query.error.isEmpty())
        return refusal(query.error);
    const PairingPolicy::Answer answer = policy.start(query, caller, now());
    report(answer.events);
    return line(answer.line);
}

QHttpServerResponse WebLobby::onEnd(const QHttpServerRequest &request)
{
    const QString caller = dottedAddress(request.remoteAddress());
    if (caller.isEmpty())
        return refusal(QStringLiteral("IPv4 callers only"));
    const EndQuery query = parseEndQuery(request.query());
    if (!query.error.isEmpty())
        return refusal(query.error);
    const PairingPolicy::Answer answer = policy.end(query, caller, now());
    report(answer.events);
    return line(answer.line);
}

void WebLobby::report(const QStringList &events)
{
    for (const QString &event : events)
        emit pairingEvent(QStringLiteral("web: ") + event);
}
