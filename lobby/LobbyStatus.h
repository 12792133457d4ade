// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "lobby/LobbyStats.h"
#include "lobby/WaitingQueue.h"

#include <QByteArray>
#include <QString>

#include <map>

namespace sorvada {

// What the lobby holds right now, next to its running figures.
struct LobbyFigures
{
    std::map<int, int> waitingByKind; // web and directory together
    // The same hosts by room: only how many, never which codes (a code is the friends' secret).
    int waitingWithCode = 0;
    int waitingWithoutCode = 0;
    int activeRelays = 0;

    // Adds the hosts of one queue.
    void count(const WaitingQueue &queue);
};

// The operator's status page: plain HTML, no script.
QByteArray lobbyStatusPage(const LobbyFigures &figures, const LobbyStats &stats);
// The same figures in the Prometheus text exposition format.
QByteArray lobbyMetrics(const LobbyFigures &figures, const LobbyStats &stats);

} // namespace sorvada
