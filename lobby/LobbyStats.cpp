// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobby/LobbyStats.h"

namespace sorvada {

void LobbyStats::paired(Path path, qint64 now)
{
    ++totals[path];
    const qint64 minute = now / 60000;
    Bucket &b = buckets[path][size_t(minute % MINUTES)];
    if (b.minute != minute) {
        b.minute = minute;
        b.count = 0;
    }
    ++b.count;
}

int LobbyStats::pairingsLastHour(Path path, qint64 now) const
{
    const qint64 minute = now / 60000;
    int sum = 0;
    for (const Bucket &b : buckets[path]) {
        if (b.minute >= 0 && minute - b.minute < MINUTES)
            sum += b.count;
    }
    return sum;
}

const char *LobbyStats::pathName(Path path)
{
    switch (path) {
    case Web: return "web";
    case Direct: return "direct";
    case Relayed: return "relayed";
    case PATH_COUNT: break;
    }
    return "";
}

const char *LobbyStats::dropName(Drop reason)
{
    switch (reason) {
    case Malformed: return "malformed";
    case UnknownSender: return "unknown_sender";
    case RefusedReattach: return "refused_reattach";
    case DROP_COUNT: break;
    }
    return "";
}

} // namespace sorvada
