// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The first line of a matchmaking web server's answer to a start query:
//   "Server" (anything after a "/" is ignored), or
//   "Client/<address>/<port>/<id>" naming a waiting game server to knock at.
// Each field loses its leading white space and runs to the next "/" or the end of the line.
// The port is the value of its leading digits (0 when there are none or when they exceed a
// UDP port). A "Client" line with fewer than three fields, or any other word, is Invalid.

#include <QString>
#include <QtGlobal>

namespace sorvada {

struct MatchAnswer {
    enum Kind { Invalid, Server, Client };
    Kind kind = Invalid;
    QString address;
    quint16 port = 0;
    QString id;
};

MatchAnswer parseMatchAnswer(const QString &line);

// Leading decimal digits of text as a port; 0 when there are none or the value exceeds 65535.
quint16 leadingPort(const QString &text);

} // namespace sorvada
