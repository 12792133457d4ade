// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A client link joined to a hand-played server, with the client's events recorded: the
// starting point of the tests that throw records at a copy in a match.

#include "tests/support/LinkTestSupport.h"
#include "tests/support/RawPeer.h"

#include <QSignalSpy>
#include <QTest>

namespace sorvada {

struct JoinedClient {
    RawPeer server;
    PeerSocket client;
    QSignalSpy events;
    quint16 to = 0; // the client's port, where the server writes to it

    JoinedClient() : client(quickConfig(server.port(), 5000)), events(&client, &PeerSocket::linkEvent) {}
    // Joins and waits, up to waitMs, for the client to take its role.
    bool open(int waitMs = 10000)
    {
        if (!client.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND) || !server.waitFor(JOIN))
            return false;
        to = client.localPort();
        server.sendType(JOIN, to);
        return QTest::qWaitFor([this] { return client.role == ROLE_CLIENT; }, waitMs);
    }
};

} // namespace sorvada
