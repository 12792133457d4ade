// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobby/RelayTable.h"

#include "net/PeerRecord.h"

#include <QHostAddress>

#include <algorithm>

namespace sorvada {

QString RelayEndpoint::text() const
{
    return QHostAddress(address).toString() + QLatin1Char(':') + QString::number(port);
}

RelayTable::RelayTable(const RelayConfig &config) : config(config)
{
}

bool RelayTable::add(const RelayEndpoint &host, const RelayEndpoint &joiner, qint64 now)
{
    if (!hasRoomFor(host.address) || !hasRoomFor(joiner.address) || host == joiner || contains(host)
        || contains(joiner))
        return false;
    quint32 index;
    if (!freeSlots.empty()) {
        index = freeSlots.back();
        freeSlots.pop_back();
    } else {
        index = quint32(matches.size());
        matches.emplace_back();
    }
    Match &m = matches[index];
    m = Match();
    m.used = true;
    m.side[0].at = host;
    m.side[0].heardAt = now;
    m.side[1].at = joiner;
    m.side[1].heardAt = now;
    ends.emplace(host.key(), Place{index, 0});
    ends.emplace(joiner.key(), Place{index, 1});
    count(m, +1);
    return true;
}

bool RelayTable::hasRoomFor(quint32 address) const
{
    if (size() >= config.capacity)
        return false;
    const auto it = perAddress.find(address);
    return it == perAddress.end() || it->second < config.perAddress;
}

// A match between two copies behind the same router counts once for their address.
void RelayTable::count(const Match &m, int delta)
{
    const auto adjust = [&](quint32 address) {
        int &n = perAddress[address];
        n += delta;
        if (n <= 0)
            perAddress.erase(address);
    };
    adjust(m.side[0].at.address);
    if (m.side[1].at.address != m.side[0].at.address)
        adjust(m.side[1].at.address);
}

RelayTable::Route RelayTable::route(const RelayEndpoint &from, uint8_t type, qint64 now)
{
    Route r;
    const auto it = ends.find(from.key());
    if (it == ends.end())
        return r;
    Match &m = matches[it->second.match];
    End &self = m.side[it->second.side];
    self.heardAt = now;
    if (type == PROBE) {
        if (self.probeOutstanding) {
            self.probeOutstanding = false;
            r.verdict = Verdict::Swallow;
        } else {
            r.verdict = Verdict::AnswerProbe;
        }
        return r;
    }
    if (type == QUIT && m.quitAt < 0)
        m.quitAt = now;
    r.verdict = Verdict::Forward;
    r.to = m.side[1 - it->second.side].at;
    return r;
}

void RelayTable::noteGreeting(const RelayEndpoint &from, bool resumes, std::optional<uint64_t> token)
{
    const auto it = ends.find(from.key());
    if (it == ends.end())
        return;
    const quint32 index = it->second.match;
    Match &m = matches[index];
    if (resumes)
        m.resumes[it->second.side] = true;
    // Only the host chooses the token, once; a token another match holds already is not
    // taken, so that a REATTACH names one match at most.
    if (it->second.side == 0 && token && *token != 0 && m.token == 0 && byToken.emplace(*token, index).second)
        m.token = *token;
}

bool RelayTable::resumable(const RelayEndpoint &end) const
{
    const auto it = ends.find(end.key());
    return it != ends.end() && matches[it->second.match].resumable();
}

RelayTable::ReattachResult RelayTable::reattach(const RelayEndpoint &from, uint64_t token, bool hostEnd,
                                                qint64 now)
{
    ReattachResult result;
    const int sideIndex = hostEnd ? 0 : 1;
    const auto own = ends.find(from.key());
    if (own != ends.end()) {
        Match &m = matches[own->second.match];
        // An end asking for its partner's side, or an end of another match: no move.
        if (token == 0 || m.token != token || own->second.side != sideIndex) {
            result.outcome = Reattach::OtherMatch;
            return result;
        }
        m.side[sideIndex].heardAt = now;
        result.outcome = Reattach::Refreshed;
        result.other = m.side[1 - sideIndex].at;
        return result;
    }
    const auto found = byToken.find(token);
    if (found == byToken.end() || !matches[found->second].used || !matches[found->second].resumable())
        return result; // UnknownToken
    const quint32 index = found->second;
    Match &m = matches[index];
    if (m.quitAt >= 0) {
        result.outcome = Reattach::QuitSeen;
        return result;
    }
    End &side = m.side[sideIndex];
    const RelayEndpoint other = m.side[1 - sideIndex].at;
    // The match counts once for each address it has an end at: a new address takes a share.
    if (from.address != side.at.address && from.address != other.address) {
        const auto n = perAddress.find(from.address);
        if (n != perAddress.end() && n->second >= config.perAddress) {
            result.outcome = Reattach::AddressFull;
            return result;
        }
    }
    result.outcome = Reattach::Moved;
    result.old = side.at;
    result.other = other;
    count(m, -1);
    ends.erase(side.at.key());
    side.at = from;
    side.heardAt = now;
    side.probeOutstanding = false;
    ends.emplace(from.key(), Place{index, quint8(sideIndex)});
    count(m, +1);
    return result;
}

std::optional<RelayEndpoint> RelayTable::remove(const RelayEndpoint &end)
{
    const auto it = ends.find(end.key());
    if (it == ends.end())
        return std::nullopt;
    const Place place = it->second;
    const RelayEndpoint other = matches[place.match].side[1 - place.side].at;
    release(place.match);
    return other;
}

void RelayTable::release(quint32 index)
{
    Match &m = matches[index];
    count(m, -1);
    ends.erase(m.side[0].at.key());
    ends.erase(m.side[1].at.key());
    if (m.token != 0)
        byToken.erase(m.token);
    m.used = false;
    freeSlots.push_back(index);
}

std::vector<RelayEndpoint> RelayTable::probeAll(qint64 now)
{
    Q_UNUSED(now);
    std::vector<RelayEndpoint> out;
    out.reserve(ends.size());
    for (Match &m : matches) {
        if (!m.used)
            continue;
        for (End &e : m.side) {
            e.probeOutstanding = true;
            out.push_back(e.at);
        }
    }
    return out;
}

// A match that can be resumed outlasts a lost line: neither end is taken for gone, nor its
// partner told QUIT, before the copies themselves would give up.
qint64 RelayTable::silenceOf(const Match &m) const
{
    return m.resumable() ? std::max(config.silenceMs, config.resumeGraceMs) : config.silenceMs;
}

std::vector<RelayTable::Ending> RelayTable::expire(qint64 now)
{
    std::vector<Ending> over;
    for (quint32 i = 0; i < matches.size(); ++i) {
        Match &m = matches[i];
        if (!m.used)
            continue;
        const qint64 silence = silenceOf(m);
        const bool silent0 = now - m.side[0].heardAt >= silence;
        const bool silent1 = now - m.side[1].heardAt >= silence;
        Ending ending{m.side[0].at, m.side[1].at, EndReason::Quit, std::nullopt};
        if (m.quitAt >= 0) {
            if (now - m.quitAt < config.graceMs && !(silent0 && silent1))
                continue;
        } else if (silent0 && silent1) {
            ending.reason = EndReason::BothSilent;
        } else if (silent0 || silent1) {
            ending.reason = EndReason::OneSilent;
            ending.quitTo = silent0 ? m.side[1].at : m.side[0].at;
        } else {
            continue;
        }
        over.push_back(ending);
        release(i);
    }
    return over;
}

} // namespace sorvada
