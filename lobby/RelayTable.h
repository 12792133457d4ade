// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace sorvada {

// One UDP endpoint of a copy of the game as the lobby sees it: IPv4 address and port.
struct RelayEndpoint
{
    quint32 address = 0;
    quint16 port = 0;

    quint64 key() const { return (quint64(address) << 16) | port; }
    QString text() const;
    bool operator==(const RelayEndpoint &other) const = default;
};

struct RelayConfig
{
    int capacity = 10000;    // relayed matches at most
    int perAddress = 8;      // relayed matches with an end at one address at most
    qint64 silenceMs = 45000; // an end heard nothing from this long has gone
    qint64 graceMs = 15000;   // a match that saw QUIT is kept this long for the last acknowledgements
};

// The matches the lobby passes datagrams between, each a pair of endpoints
// that the lobby itself paired. Plain bookkeeping, no sockets: the directory
// asks it what to do with each datagram and when to probe and give up.
//
// Probes: the lobby probes both ends of every match. A PROBE from an end to
// which one of ours is outstanding is its answer and is swallowed; any other
// PROBE the lobby answers itself. PROBE is never passed on, so no probe can
// travel between the two copies and none can bounce.
class RelayTable
{
public:
    enum class Verdict {
        Forward,     // send the datagram unchanged to `to`
        AnswerProbe, // answer the sender with a PROBE of our own
        Swallow,     // the answer to our probe: nothing to send
        Unknown,     // the sender is not an end of any match
    };
    struct Route
    {
        Verdict verdict = Verdict::Unknown;
        RelayEndpoint to;
    };
    enum class EndReason { Quit, OneSilent, BothSilent };
    struct Ending
    {
        RelayEndpoint first, second;
        EndReason reason = EndReason::Quit;
        std::optional<RelayEndpoint> quitTo; // the survivor, told QUIT on the silent end's behalf
    };

    explicit RelayTable(const RelayConfig &config = RelayConfig());

    // Starts relaying between host and joiner. False when the table is full, either
    // address has its share of matches, or either endpoint is already an end of a match.
    bool add(const RelayEndpoint &host, const RelayEndpoint &joiner, qint64 now);
    // Whether a match with an end at `address` could be added now (the table has room and
    // the address has not its share).
    bool hasRoomFor(quint32 address) const;
    // What to do with a record of `type` that arrived from `from`; every
    // datagram counts as a sign of life of its sender.
    Route route(const RelayEndpoint &from, uint8_t type, qint64 now);
    bool contains(const RelayEndpoint &end) const { return ends.count(end.key()) != 0; }
    // Removes the match of `end`; returns its other end.
    std::optional<RelayEndpoint> remove(const RelayEndpoint &end);
    // Every end of every match, each marked as having a probe outstanding from now.
    std::vector<RelayEndpoint> probeAll(qint64 now);
    // Removes and returns the matches that are over: QUIT seen more than the
    // grace ago, or an end silent for the silence time.
    std::vector<Ending> expire(qint64 now);

    int size() const { return int(matches.size() - freeSlots.size()); }
    int capacity() const { return config.capacity; }

private:
    struct End
    {
        RelayEndpoint at;
        qint64 heardAt = 0;
        bool probeOutstanding = false;
    };
    struct Match
    {
        End side[2];
        qint64 quitAt = -1; // -1: no QUIT seen
        bool used = false;
    };
    struct Place
    {
        quint32 match;
        quint8 side;
    };
    void release(quint32 index);
    void count(const Match &m, int delta);

    RelayConfig config;
    std::vector<Match> matches;
    std::vector<quint32> freeSlots;
    std::unordered_map<quint64, Place> ends; // by RelayEndpoint::key()
    std::unordered_map<quint32, int> perAddress; // matches with an end at each address
};

} // namespace sorvada
