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
    // A match whose two copies wait out a lost line (both greeted with RESUME, the host gave
    // the token) is not given up before this: the copies' own grace of 120 s and a margin.
    // Never shorter than silenceMs.
    qint64 resumeGraceMs = 130000;
};

// The matches the lobby passes datagrams between, each a pair of endpoints
// that the lobby itself paired. Plain bookkeeping, no sockets: the directory
// asks it what to do with each datagram and when to probe and give up.
//
// Probes: the lobby probes both ends of every match. A PROBE from an end to
// which one of ours is outstanding is its answer and is swallowed; any other
// PROBE the lobby answers itself. PROBE is never passed on, so no probe can
// travel between the two copies and none can bounce.
//
// Reattaching: a home router that lost its mapping gives its copy a new public
// port. Two copies of ours that both announced RESUME in their greetings, the
// host with the match's token, wait out such a loss; the one that moved sends
// REATTACH with the token from its new endpoint, and its side of the match is
// pointed there. Such a match is given up only after the resume grace.
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
    enum class Reattach {
        Refreshed,      // the sender is already that end: a sign of life, nothing else
        Moved,          // that end now is the sender; `old` is no end any more
        UnknownToken,   // no match that can be resumed has the token
        QuitSeen,       // the match is over
        OtherMatch,     // the sender is an end already (of another match, or the other side)
        AddressFull,    // the sender's address has its share of matches
    };
    struct ReattachResult
    {
        Reattach outcome = Reattach::UnknownToken;
        RelayEndpoint old;   // Moved: the endpoint the side had before
        RelayEndpoint other; // Refreshed, Moved: the match's other end
    };
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
    // A GREETING with an extension block from `from`: with RESUME the end waits out a lost
    // line; the hosting end's first token becomes the match's. Nothing for other senders.
    void noteGreeting(const RelayEndpoint &from, bool resumes, std::optional<uint64_t> token);
    // Whether the match of `end` can be resumed: both ends resume and the token is known.
    bool resumable(const RelayEndpoint &end) const;
    // REATTACH from `from`: point the host's (hostEnd) or the joiner's side of the resumable
    // match with `token` at `from`. Nothing changes unless the outcome is Refreshed or Moved.
    ReattachResult reattach(const RelayEndpoint &from, uint64_t token, bool hostEnd, qint64 now);
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
        uint64_t token = 0; // 0: none known (a block never carries 0 as a token)
        bool resumes[2] = {false, false};
        bool used = false;

        bool resumable() const { return token != 0 && resumes[0] && resumes[1]; }
    };
    struct Place
    {
        quint32 match;
        quint8 side;
    };
    void release(quint32 index);
    void count(const Match &m, int delta);
    qint64 silenceOf(const Match &m) const;

    RelayConfig config;
    std::vector<Match> matches;
    std::vector<quint32> freeSlots;
    std::unordered_map<quint64, Place> ends; // by RelayEndpoint::key()
    std::unordered_map<quint32, int> perAddress; // matches with an end at each address
    std::unordered_map<uint64_t, quint32> byToken; // matches whose token is known
};

} // namespace sorvada
