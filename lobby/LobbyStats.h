// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QElapsedTimer>
#include <QtGlobal>

#include <array>

namespace sorvada {

// The lobby's running figures for its status page and metrics. Pairings of
// the last hour are kept in one-minute buckets, so the memory is fixed.
class LobbyStats
{
public:
    enum Path { Web, Direct, Relayed, PATH_COUNT };
    enum Drop { Malformed, UnknownSender, RefusedReattach, DROP_COUNT };

    LobbyStats() { clock.start(); }

    // Milliseconds since the lobby started.
    qint64 now() const { return clock.elapsed(); }
    void paired(Path path) { paired(path, now()); }
    void paired(Path path, qint64 now);
    void dropped(Drop reason) { ++drops[reason]; }
    void relayed() { ++relayedDatagrams; }

    quint64 pairingsTotal(Path path) const { return totals[path]; }
    int pairingsLastHour(Path path, qint64 now) const;
    quint64 droppedTotal(Drop reason) const { return drops[reason]; }
    quint64 relayedTotal() const { return relayedDatagrams; }

    static const char *pathName(Path path);
    static const char *dropName(Drop reason);

private:
    static constexpr int MINUTES = 60;
    struct Bucket
    {
        qint64 minute = -1;
        int count = 0;
    };
    std::array<std::array<Bucket, MINUTES>, PATH_COUNT> buckets{};
    std::array<quint64, PATH_COUNT> totals{};
    std::array<quint64, DROP_COUNT> drops{};
    quint64 relayedDatagrams = 0;
    QElapsedTimer clock;
};

} // namespace sorvada
