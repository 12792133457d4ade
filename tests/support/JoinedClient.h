// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A client link joined to a hand-played server, with the client's events recorded: the
// starting point of the tests that throw records at a copy in a match; and a link still
// asking its directory.

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

// A link asking a hand-played directory to pair it, with its events recorded.
struct AskingClient {
    RawPeer directory;
    PeerSocket link;
    QSignalSpy events;
    quint16 to = 0; // the link's port, where the directory writes to it

    AskingClient() : link(configFor(directory)), events(&link, &PeerSocket::linkEvent) {}
    // Asks and waits for the directory to see the request.
    bool open()
    {
        if (!link.Start(1, QStringLiteral("127.0.0.1"), START_VIA_SERVER, GAME_KIND)
            || !directory.waitFor(DIRECTORY_REQUEST))
            return false;
        to = link.localPort();
        return true;
    }

private:
    static PeerSocket::Config configFor(RawPeer &directory)
    {
        PeerSocket::Config config = quickConfig();
        config.directoryPort = directory.port();
        return config;
    }
};

} // namespace sorvada
