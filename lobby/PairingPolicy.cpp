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

void PairingPolicy::setLimits(const AddressLimits &newLimits)
{
    limits = newLimits;
    strikes = PerMinuteBudget(limits.strikesPerMinute);
}

void PairingPolicy::strikeOff(const StartQuery &query, const QString &callerAddress, qint64 now,
                              QStringList &events)
{
    const QString caller = endpoint(callerAddress, query.port);
    const WaitingHost *named = queue.findById(query.id);
    if (!named || named->kind != query.kind)
        return;
    // Only the copy that was sent to knock at the host can know it busy or silent.
    if (named->proposedTo != caller) {
        events << QStringLiteral("ignored %1 about %2 from %3: not proposed to it")
                      .arg(startModeName(query.mode), describe(*named), caller);
        return;
    }
    if (!strikes.take(callerAddress, now)) {
        events << QStringLiteral("ignored %1 about %2 from %3: its address struck off %4 hosts this minute")
                      .arg(startModeName(query.mode), describe(*named), caller)
                      .arg(limits.strikesPerMinute);
        return;
    }
    if (auto gone = queue.removeById(query.kind, query.id))
        events << QStringLiteral("struck off %1: %2 reported %3").arg(describe(*gone), caller, startModeName(query.mode));
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

    if (query.mode != StartMode::WantConnect && !query.id.isEmpty())
        strikeOff(query, callerAddress, now, answer.events);

    // A caller asking again is starting afresh: whatever it announced before
    // no longer describes a copy that waits.
    queue.removeAt(callerAddress, query.port);

    // Only a host in the caller's own room is proposed: a code pairs friends with each other.
    WaitingHost *host = queue.firstOf(query.kind, [&](const WaitingHost &h) {
        return h.room == query.room && (h.proposedAt < 0 || now - h.proposedAt >= recent);
    });
    if (host) {
        host->proposedAt = now;
        host->proposedTo = caller;
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
    for (const WaitingHost &own : makeRoomFrom(queue, callerAddress, limits.waitingHosts))
        answer.events << QStringLiteral("dropped %1: %2 hosts wait from its address")
                             .arg(describe(own))
                             .arg(limits.waitingHosts);
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
