// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QUrlQuery>
#include <QtGlobal>

namespace sorvada {

// The two questions a game copy asks the web lobby, checked and decoded.
// A query that fails a check carries the short reason sent back with
// status 400; the lobby acts only on queries without one.

enum class StartMode { WantConnect, ServerBusy, ServerNoResponse };

struct StartQuery
{
    int kind = 0;          // game kind, 0..255
    quint16 port = 0;      // the caller's UDP port, 1..65535
    StartMode mode = StartMode::WantConnect;
    QString id;            // the host being reported; empty when none
    QString room;          // from the query's path, lower case; empty: the public room
    QString error;         // non-empty: the query is refused with this reason
};

struct EndQuery
{
    quint16 port = 0;
    bool wasServer = false;
    QString error;
};

StartQuery parseStartQuery(const QUrlQuery &query);
EndQuery parseEndQuery(const QUrlQuery &query);

QString startModeName(StartMode mode);

} // namespace sorvada
