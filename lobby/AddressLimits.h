// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "lobby/WaitingQueue.h"

#include <QHash>
#include <QString>
#include <QtGlobal>

#include <deque>
#include <vector>

namespace sorvada {

// What one source address may hold of the lobby. Anyone can open thousands of ports from
// one machine; a household behind one router never has more than a few copies, so the
// defaults are far above what it meets and far below what would crowd others out.
struct AddressLimits
{
    int waitingHosts = 8;     // hosts waiting (and, at the directory, pairings under way) per address
    int relays = 8;           // relayed matches with an end at the address
    int strikesPerMinute = 4; // hosts one reporter's address may have struck off in a minute
};

// How many hosts from `address` wait in the queue.
int waitingFrom(const WaitingQueue &queue, const QString &address);

// Makes room for one more host from `address`: removes its oldest waiting hosts until fewer
// than `limit` remain, and returns them. A newcomer from an address is more likely alive than
// the oldest entry of the same address, and nobody else's entry is touched.
std::vector<WaitingHost> makeRoomFrom(WaitingQueue &queue, const QString &address, int limit);

// Counts events per address over a sliding minute and says whether one more is allowed.
// Only addresses with an event in the last minute are kept, and at most `maxAddresses` of
// them (0: no bound); an address beyond is not counted, and take() refuses its event.
class PerMinuteBudget
{
public:
    explicit PerMinuteBudget(int perMinute, int maxAddresses = 0) : limit(perMinute), maxAddresses(maxAddresses) {}

    // Records an event from `address` at `now` (milliseconds) if fewer than the limit
    // happened in the minute before; returns whether it did.
    bool take(const QString &address, qint64 now);
    // Whether `address` has had the limit of events in the minute before `now`.
    bool spent(const QString &address, qint64 now) const;

private:
    void prune(qint64 now);

    int limit;
    int maxAddresses;
    qint64 prunedAt = 0;
    QHash<QString, std::deque<qint64>> times;
};

} // namespace sorvada
