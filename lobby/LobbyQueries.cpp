// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobby/LobbyQueries.h"
#include "lobby/MatchIds.h"

#include <optional>

namespace sorvada {

namespace {

// Plain decimal digits only: no sign, no spaces, no hexadecimal, at most
// five digits so that nothing can overflow on the way to the range check.
std::optional<int> decimal(const QString &text, int lowest, int highest)
{
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    int value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value < lowest || value > highest)
        return std::nullopt;
    return value;
}

QString value(const QUrlQuery &query, const char *key)
{
    return query.queryItemValue(QLatin1String(key), QUrl::FullyDecoded);
}

// The caller's announced UDP port, 1..65535, into q.port; else q.error.
template <typename Query> bool readPort(const QUrlQuery &query, Query &q)
{
    const auto port = decimal(value(query, "port"), 1, 65535);
    if (!port) {
        q.error = QStringLiteral("bad port");
        return false;
    }
    q.port = quint16(*port);
    return true;
}

} // namespace

StartQuery parseStartQuery(const QUrlQuery &query)
{
    StartQuery q;
    const auto kind = decimal(value(query, "type"), 0, 255);
    if (!kind) {
        q.error = QStringLiteral("bad type");
        return q;
    }
    q.kind = *kind;
    if (!readPort(query, q))
        return q;
    const QString mode = value(query, "mode");
    if (mode == QLatin1String("WANT_CONNECT"))
        q.mode = StartMode::WantConnect;
    else if (mode == QLatin1String("SERVER_BUSY"))
        q.mode = StartMode::ServerBusy;
    else if (mode == QLatin1String("SERVER_NORESPONSE"))
        q.mode = StartMode::ServerNoResponse;
    else {
        q.error = QStringLiteral("bad mode");
        return q;
    }
    // The first query of a copy carries "ID=" with nothing after it.
    q.id = value(query, "ID");
    if (!q.id.isEmpty() && !MatchIds::isValid(q.id)) {
        q.error = QStringLiteral("bad ID");
        return q;
    }
    return q;
}

EndQuery parseEndQuery(const QUrlQuery &query)
{
    EndQuery q;
    if (!readPort(query, q))
        return q;
    const QString mode = value(query, "mode");
    if (mode == QLatin1String("Server"))
        q.wasServer = true;
    else if (mode == QLatin1String("Client"))
        q.wasServer = false;
    else
        q.error = QStringLiteral("bad mode");
    return q;
}

QString startModeName(StartMode mode)
{
    switch (mode) {
    case StartMode::WantConnect: return QStringLiteral("WANT_CONNECT");
    case StartMode::ServerBusy: return QStringLiteral("SERVER_BUSY");
    case StartMode::ServerNoResponse: return QStringLiteral("SERVER_NORESPONSE");
    }
    return QString();
}

} // namespace sorvada
