// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobby/WaitingQueue.h"

#include <algorithm>

namespace sorvada {

WaitingQueue::WaitingQueue(int capacity, qint64 expiryMs)
    : limit(std::max(1, capacity)), expiry(expiryMs)
{
}

std::optional<WaitingHost> WaitingQueue::add(const WaitingHost &host)
{
    removeAt(host.address, host.port);
    std::optional<WaitingHost> pushedOut;
    if (int(hosts.size()) >= limit) {
        pushedOut = hosts.front();
        hosts.pop_front();
    }
    hosts.push_back(host);
    return pushedOut;
}

std::vector<WaitingHost> WaitingQueue::expire(qint64 now)
{
    std::vector<WaitingHost> gone;
    // Arrival order is join order, so the expired hosts are all at the front.
    while (!hosts.empty() && now - hosts.front().joinedAt >= expiry) {
        gone.push_back(hosts.front());
        hosts.pop_front();
    }
    return gone;
}

std::vector<WaitingHost> WaitingQueue::removeSilent(qint64 since)
{
    std::vector<WaitingHost> gone;
    for (auto it = hosts.begin(); it != hosts.end();) {
        if (it->heardAt < since) {
            gone.push_back(*it);
            it = hosts.erase(it);
        } else {
            ++it;
        }
    }
    return gone;
}

bool WaitingQueue::heard(const QString &address, quint16 port, qint64 now)
{
    for (WaitingHost &h : hosts) {
        if (h.isAt(address, port)) {
            h.heardAt = now;
            return true;
        }
    }
    return false;
}

std::optional<WaitingHost> WaitingQueue::removeById(int kind, const QString &id)
{
    auto it = std::find_if(hosts.begin(), hosts.end(), [&](const WaitingHost &h) {
        return h.kind == kind && h.id == id;
    });
    if (it == hosts.end())
        return std::nullopt;
    WaitingHost host = *it;
    hosts.erase(it);
    return host;
}

std::optional<WaitingHost> WaitingQueue::removeAt(const QString &address, quint16 port)
{
    auto it = std::find_if(hosts.begin(), hosts.end(),
                           [&](const WaitingHost &h) { return h.isAt(address, port); });
    if (it == hosts.end())
        return std::nullopt;
    WaitingHost host = *it;
    hosts.erase(it);
    return host;
}

WaitingHost *WaitingQueue::firstOf(int kind, const std::function<bool(const WaitingHost &)> &accept)
{
    for (WaitingHost &h : hosts) {
        if (h.kind == kind && accept(h))
            return &h;
    }
    return nullptr;
}

const WaitingHost *WaitingQueue::findById(const QString &id) const
{
    for (const WaitingHost &h : hosts) {
        if (h.id == id)
            return &h;
    }
    return nullptr;
}

const WaitingHost *WaitingQueue::findAt(const QString &address, quint16 port) const
{
    for (const WaitingHost &h : hosts) {
        if (h.isAt(address, port))
            return &h;
    }
    return nullptr;
}

int WaitingQueue::countOf(int kind) const
{
    return int(std::count_if(hosts.begin(), hosts.end(),
                             [kind](const WaitingHost &h) { return h.kind == kind; }));
}

} // namespace sorvada
