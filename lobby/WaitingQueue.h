// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QtGlobal>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace sorvada {

// "address:port", as the lobby's log and its table of probes write where a copy is.
inline QString endpoint(const QString &address, quint16 port)
{
    return address + QLatin1Char(':') + QString::number(port);
}

// One copy that waits as a game server until the lobby proposes it to another.
struct WaitingHost
{
    int kind = 0;           // game kind the host plays
    QString address;        // dotted IPv4 address its request came from
    quint16 port = 0;       // UDP port it announced
    QString id;             // letters and digits, unique among waiting hosts
    QString room;           // the code it asked with, lower case; empty: the public room
    qint64 joinedAt = 0;    // lobby clock, milliseconds
    qint64 proposedAt = -1; // when it was last proposed to a knocker; -1 never
    qint64 heardAt = 0;     // when the host was last heard from (its request, a probe answer)
    QString proposedTo;     // "address:port" of the copy it was last proposed to

    bool isAt(const QString &otherAddress, quint16 otherPort) const
    {
        return port == otherPort && address == otherAddress;
    }
};

// The hosts waiting for a partner, oldest first, for every game kind at once.
// The queue is bounded: when it is full the oldest host of any kind is pushed
// out to make room, because the host that has waited longest is the one most
// likely to have been abandoned, and a newcomer is certainly alive. Entries
// older than the expiry time are dropped by expire().
class WaitingQueue
{
public:
    explicit WaitingQueue(int capacity = 1000, qint64 expiryMs = 10 * 60 * 1000);

    // Appends the host. Another entry at the same address and port (the same
    // copy asking again, or a new copy on a reused port) is replaced. Returns
    // the host pushed out to keep within the capacity, if any.
    std::optional<WaitingHost> add(const WaitingHost &host);

    // Removes and returns every host that has waited for the expiry time.
    std::vector<WaitingHost> expire(qint64 now);

    // Removes and returns every host last heard from before `since`.
    std::vector<WaitingHost> removeSilent(qint64 since);
    // Notes that the host at address and port was heard from; false when none waits there.
    bool heard(const QString &address, quint16 port, qint64 now);
    const std::deque<WaitingHost> &all() const { return hosts; }

    std::optional<WaitingHost> removeById(int kind, const QString &id);
    std::optional<WaitingHost> removeAt(const QString &address, quint16 port);

    // The oldest host of the kind for which the predicate holds, or null.
    // The pointer is valid until the queue is next changed.
    WaitingHost *firstOf(int kind, const std::function<bool(const WaitingHost &)> &accept);
    const WaitingHost *findById(const QString &id) const;
    const WaitingHost *findAt(const QString &address, quint16 port) const;

    int size() const { return int(hosts.size()); }
    int capacity() const { return limit; }
    int countOf(int kind) const;

private:
    int limit;
    qint64 expiry;
    std::deque<WaitingHost> hosts; // in order of arrival
};

} // namespace sorvada
