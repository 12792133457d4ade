// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobby/AddressLimits.h"

#include <algorithm>

namespace sorvada {

namespace {
constexpr qint64 MINUTE_MS = 60 * 1000;
}

int waitingFrom(const WaitingQueue &queue, const QString &address)
{
    return int(std::count_if(queue.all().begin(), queue.all().end(),
                             [&](const WaitingHost &h) { return h.address == address; }));
}

std::vector<WaitingHost> makeRoomFrom(WaitingQueue &queue, const QString &address, int limit)
{
    std::vector<WaitingHost> gone;
    int count = waitingFrom(queue, address);
    // all() is oldest first, so the first entry of the address found is its oldest.
    while (count >= std::max(1, limit)) {
        const auto oldest = std::find_if(queue.all().begin(), queue.all().end(),
                                         [&](const WaitingHost &h) { return h.address == address; });
        gone.push_back(*queue.removeAt(oldest->address, oldest->port));
        --count;
    }
    return gone;
}

bool PerMinuteBudget::take(const QString &address, qint64 now)
{
    if (now - prunedAt >= MINUTE_MS)
        prune(now);
    if (maxAddresses > 0 && times.size() >= maxAddresses && !times.contains(address)) {
        prune(now);
        if (times.size() >= maxAddresses)
            return false;
    }
    std::deque<qint64> &seen = times[address];
    while (!seen.empty() && now - seen.front() >= MINUTE_MS)
        seen.pop_front();
    if (int(seen.size()) >= limit)
        return false;
    seen.push_back(now);
    return true;
}

bool PerMinuteBudget::spent(const QString &address, qint64 now) const
{
    const auto it = times.constFind(address);
    if (it == times.constEnd())
        return false;
    const auto recent = std::count_if(it->begin(), it->end(), [now](qint64 t) { return now - t < MINUTE_MS; });
    return recent >= limit;
}

void PerMinuteBudget::prune(qint64 now)
{
    prunedAt = now;
    for (auto it = times.begin(); it != times.end();) {
        if (it->empty() || now - it->back() >= MINUTE_MS)
            it = times.erase(it);
        else
            ++it;
    }
}

} // namespace sorvada
