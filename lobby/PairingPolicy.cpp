// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobby/PairingPolicy.h"
#include "lobby/RoomTag.h"

namespace sorvada {

namespace {
QString describe(const WaitingHost &h)
{
    return QStringLiteral("host %1 (kind %2, ID %3)%4")
        .arg(endpoint(h.address, h.port))
        .arg(h.kind)
        .arg(h.id, roomTag(h.room));
}
} // namespace

PairingPolicy::PairingPolicy(WaitingQueue &queue, MatchIds &ids, qint64 recentMs)
    : queue(queue), ids(ids), recent(recentMs)
{
}

void PairingPolicy::expire(qint64 now, QStringList &events)
{
    for (const WaitingHost &h : queue.expire(now))
        events << QStringLiteral("expired %1").arg(describe(h));
}

QString PairingPolicy::freshId()
{
    QString id;
    do {
        id = ids.make();
    } while (queue.findById(id));
    return id;
}

PairingPolicy::Answer PairingPolicy::start(const StartQuery &query, const QString &callerAddress,
                                           qint64 now)
{
    Answer answer;
    expire(now, answer.events);
    const QString caller = endpoint(callerAddress, query.port);

    if (query.mode != StartMode::WantConnect && !query.id.isEmpty()) {
        if (auto gone = queue.removeById(query.kind, query.id))
            answer.events << QStringLiteral("struck off %1: %2 reported %3")
                                 .arg(describe(*gone), caller, startModeName(query.mode));
    }

    // A caller asking again is starting afresh: whatever it announced before
    // no longer describes a copy that waits.
    queue.removeAt(callerAddress, query.port);

    // Only a host in the caller's own room is proposed: a code pairs friends with each other.
    WaitingHost *host = queue.firstOf(query.kind, [&](const WaitingHost &h) {
        return h.room == query.room && (h.proposedAt < 0 || now - h.proposedAt >= recent);
    });
    if (host) {
        host->proposedAt = now;
        answer.line = QStringLiteral("Client/%1/%2/%3").arg(host->address).arg(host->port).arg(host->id);
        answer.events << QStringLiteral("proposed %1 to %2").arg(describe(*host), caller);
        return answer;
    }

    WaitingHost fresh;
    fresh.kind = query.kind;
    fresh.address = callerAddress;
    fresh.port = query.port;
    fresh.id = freshId();
    fresh.room = query.room;
    fresh.joinedAt = now;
    if (auto pushedOut = queue.add(fresh))
        answer.events << QStringLiteral("dropped %1: queue full").arg(describe(*pushedOut));
    answer.events << QStringLiteral("%1 waits as server").arg(describe(fresh));
    answer.line = QStringLiteral("Server");
    return answer;
}

PairingPolicy::Answer PairingPolicy::end(const EndQuery &query, const QString &callerAddress,
                                         qint64 now)
{
    Answer answer;
    expire(now, answer.events);
    const QString role = query.wasServer ? QStringLiteral("Server") : QStringLiteral("Client");
    if (auto gone = queue.removeAt(callerAddress, query.port))
        answer.events << QStringLiteral("ended %1 as %2").arg(describe(*gone), role);
    else
        answer.events << QStringLiteral("ended %1 as %2").arg(endpoint(callerAddress, query.port), role);
    answer.line = QStringLiteral("OK");
    return answer;
}

} // namespace sorvada
