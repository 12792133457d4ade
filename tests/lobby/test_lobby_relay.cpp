// SPDX-License-Identifier: GPL-3.0-or-later
// The relay table's bookkeeping, with the clock passed in.
#include "lobby/RelayTable.h"
#include "net/PeerRecord.h"

#include <QtTest>

#include <tuple>

using namespace sorvada;

namespace {
const RelayEndpoint HOST{0x64400102, 40000};   // 100.64.1.2
const RelayEndpoint JOINER{0x64400202, 40001}; // 100.64.2.2
const RelayEndpoint STRANGER{0x64400202, 40002};
const RelayEndpoint MOVED{0x64400302, 50000}; // the joiner's home under a new public port
constexpr uint64_t TOKEN = 0x1122334455667788;

// The ends of two more matches beside HOST and JOINER's, at the same two addresses.
const RelayEndpoint a2{HOST.address, 1}, b2{JOINER.address, 2};
const RelayEndpoint a3{HOST.address, 3}, b3{JOINER.address, 4};

bool addThreeMatches(RelayTable &table)
{
    return table.add(HOST, JOINER, 0) && table.add(a2, b2, 0) && table.add(a3, b3, 0);
}
} // namespace

class TestLobbyRelay : public QObject
{
    Q_OBJECT

private slots:
    void forwardsOnlyBetweenThePairAndNeverProbes()
    {
        RelayTable table;
        QVERIFY(table.add(HOST, JOINER, 0));
        RelayTable::Route r = table.route(JOINER, JOIN, 1);
        QCOMPARE(r.verdict, RelayTable::Verdict::Forward);
        QCOMPARE(r.to, HOST);
        r = table.route(HOST, MOVE, 2);
        QCOMPARE(r.verdict, RelayTable::Verdict::Forward);
        QCOMPARE(r.to, JOINER);
        QCOMPARE(table.route(STRANGER, MOVE, 3).verdict, RelayTable::Verdict::Unknown);

        // A PROBE is answered by the lobby, unless one of ours is outstanding
        // to that end: then it is the answer, and nothing goes back.
        QCOMPARE(table.route(HOST, PROBE, 4).verdict, RelayTable::Verdict::AnswerProbe);
        const std::vector<RelayEndpoint> probed = table.probeAll(5);
        QCOMPARE(probed.size(), size_t(2));
        QCOMPARE(table.route(HOST, MOVE, 6).verdict, RelayTable::Verdict::Forward);
        QCOMPARE(table.route(HOST, PROBE, 6).verdict, RelayTable::Verdict::Swallow);
        QCOMPARE(table.route(HOST, PROBE, 7).verdict, RelayTable::Verdict::AnswerProbe);

        // An end is in one match at most, and a copy is not paired with itself.
        QVERIFY(!table.add(HOST, STRANGER, 8));
        QVERIFY(!table.add(STRANGER, STRANGER, 8));
        QCOMPARE(table.remove(JOINER), std::optional<RelayEndpoint>(HOST));
        QCOMPARE(table.route(HOST, MOVE, 9).verdict, RelayTable::Verdict::Unknown);
        QCOMPARE(table.size(), 0);
    }

    void expiry()
    {
        RelayConfig config;
        config.silenceMs = 45000;
        config.graceMs = 15000;
        RelayTable table(config);
        QVERIFY(addThreeMatches(table));

        // The first hears from both ends; the second only from its host and
        // then a QUIT; the third from nobody.
        table.route(HOST, MOVE, 40000);
        table.route(JOINER, ACK, 40000);
        table.route(a2, QUIT, 30000);
        table.route(a2, PROBE, 44000);
        QVERIFY(table.expire(44999).empty());

        std::vector<RelayTable::Ending> over = table.expire(45000);
        QCOMPARE(over.size(), size_t(2));
        QCOMPARE(over[0].first, a2);
        QCOMPARE(over[0].reason, RelayTable::EndReason::Quit);
        QVERIFY(!over[0].quitTo);
        QCOMPARE(over[1].first, a3);
        QCOMPARE(over[1].reason, RelayTable::EndReason::BothSilent);

        // One end silent for the limit: its partner is to be told QUIT.
        table.route(JOINER, ACK, 80000);
        QVERIFY(table.expire(84999).empty());
        over = table.expire(85000);
        QCOMPARE(over.size(), size_t(1));
        QCOMPARE(over[0].reason, RelayTable::EndReason::OneSilent);
        QCOMPARE(over[0].quitTo, std::optional<RelayEndpoint>(JOINER));
        QCOMPARE(table.size(), 0);
    }

    // What the greetings tell: only a match both of whose ends resume, with the host's token,
    // can be reattached, and only its named side moves, to an endpoint that is no end yet.
    void reattachMovesOnlyTheNamedSideOfAResumableMatch()
    {
        RelayConfig config;
        config.perAddress = 2;
        RelayTable table(config);
        QVERIFY(table.add(HOST, JOINER, 0));
        using R = RelayTable::Reattach;
        QCOMPARE(table.reattach(MOVED, TOKEN, false, 1).outcome, R::UnknownToken);
        // The joiner does not choose the token; a host that resumes without one gives none.
        table.noteGreeting(JOINER, true, TOKEN);
        table.noteGreeting(HOST, true, std::nullopt);
        QVERIFY(!table.resumable(HOST));
        QCOMPARE(table.reattach(MOVED, TOKEN, false, 1).outcome, R::UnknownToken);
        // The host's first token is the match's; a later one changes nothing.
        table.noteGreeting(HOST, true, TOKEN);
        table.noteGreeting(HOST, true, TOKEN + 1);
        QVERIFY(table.resumable(JOINER));
        QCOMPARE(table.reattach(MOVED, TOKEN + 1, false, 1).outcome, R::UnknownToken);

        // The named end itself: a sign of life only. An end claiming its partner's side, or
        // an end of another match, is refused.
        QCOMPARE(table.reattach(HOST, TOKEN, true, 2).outcome, R::Refreshed);
        QCOMPARE(table.reattach(JOINER, TOKEN, true, 2).outcome, R::OtherMatch);
        const RelayEndpoint a2{0x64400502, 1}, b2{0x64400602, 2};
        QVERIFY(table.add(a2, b2, 0));
        QCOMPARE(table.reattach(a2, TOKEN, false, 2).outcome, R::OtherMatch);
        // An address with its share of matches takes no further one by moving.
        const RelayEndpoint full{0x64400702, 1};
        QVERIFY(table.add(full, {0x64400802, 1}, 0));
        QVERIFY(table.add({full.address, 2}, {0x64400802, 2}, 0));
        QCOMPARE(table.reattach({full.address, 3}, TOKEN, false, 2).outcome, R::AddressFull);
        QCOMPARE(table.route(HOST, MOVE, 3).to, JOINER);

        const RelayTable::ReattachResult moved = table.reattach(MOVED, TOKEN, false, 4);
        QCOMPARE(moved.outcome, R::Moved);
        QCOMPARE(moved.old, JOINER);
        QCOMPARE(moved.other, HOST);
        QCOMPARE(table.route(MOVED, MOVE, 5).to, HOST);
        QCOMPARE(table.route(HOST, MOVE, 5).to, MOVED);
        QCOMPARE(table.route(JOINER, MOVE, 5).verdict, RelayTable::Verdict::Unknown);
        QCOMPARE(table.size(), 4);
        // The old address no longer holds the match, the new one does.
        QVERIFY(table.add({JOINER.address, 7}, {JOINER.address, 8}, 5));
        QVERIFY(table.add({JOINER.address, 9}, {JOINER.address, 10}, 5));
        QVERIFY(table.add({MOVED.address, 1}, {MOVED.address, 2}, 5));
        QVERIFY(!table.add({MOVED.address, 3}, {MOVED.address, 4}, 5));
        // Moving again within its own full address takes no new share.
        QCOMPARE(table.reattach({MOVED.address, 50001}, TOKEN, false, 6).outcome, R::Moved);

        // After QUIT the match is over; once it is gone, its token is free for another.
        table.route(HOST, QUIT, 7);
        QCOMPARE(table.reattach(STRANGER, TOKEN, false, 8).outcome, R::QuitSeen);
        QVERIFY(table.remove(HOST));
        QVERIFY(table.add({1, 1}, {1, 2}, 9));
        table.noteGreeting({1, 1}, true, TOKEN);
        table.noteGreeting({1, 2}, true, std::nullopt);
        QCOMPARE(table.reattach({2, 1}, TOKEN, true, 10).outcome, R::Moved);
    }

    // A resumable match is not given up while its copies wait out a lost line: neither one
    // silent end (no QUIT to the other) nor both (it is kept for them to come back).
    void resumableMatchOutlastsTheSilenceLimit()
    {
        RelayConfig config;
        config.silenceMs = 45000;
        config.resumeGraceMs = 130000;
        RelayTable table(config);
        QVERIFY(addThreeMatches(table));
        for (const auto &[host, joiner, token] : {std::tuple{HOST, JOINER, TOKEN}, std::tuple{a3, b3, TOKEN + 1}}) {
            table.noteGreeting(host, true, token);
            table.noteGreeting(joiner, true, std::nullopt);
        }
        table.noteGreeting(a2, true, TOKEN + 2); // its joiner never says it resumes
        table.route(HOST, PROBE, 40000);
        table.route(a2, PROBE, 40000);

        std::vector<RelayTable::Ending> over = table.expire(45000);
        QCOMPARE(over.size(), size_t(1));
        QCOMPARE(over[0].first, a2);
        QCOMPARE(over[0].quitTo, std::optional<RelayEndpoint>(a2));
        QVERIFY(table.expire(129999).empty());
        over = table.expire(130000);
        QCOMPARE(over.size(), size_t(2));
        QCOMPARE(over[0].reason, RelayTable::EndReason::OneSilent);
        QCOMPARE(over[0].quitTo, std::optional<RelayEndpoint>(HOST));
        QCOMPARE(over[1].reason, RelayTable::EndReason::BothSilent);
        QCOMPARE(table.size(), 0);

        // A grace below the silence limit never cuts a resumable match shorter.
        config.resumeGraceMs = 1000;
        RelayTable shortGrace(config);
        QVERIFY(shortGrace.add(HOST, JOINER, 0));
        shortGrace.noteGreeting(HOST, true, TOKEN);
        shortGrace.noteGreeting(JOINER, true, std::nullopt);
        QVERIFY(shortGrace.expire(44999).empty());
        QCOMPARE(shortGrace.expire(45000).size(), size_t(1));
    }

    void capacityAndReuse()
    {
        RelayConfig config;
        config.capacity = 2;
        RelayTable table(config);
        QVERIFY(table.add({1, 1}, {1, 2}, 0));
        QVERIFY(table.add({1, 3}, {1, 4}, 0));
        QVERIFY(!table.add({1, 5}, {1, 6}, 0));
        QVERIFY(table.remove({1, 1}));
        QVERIFY(table.add({1, 5}, {1, 6}, 0));
        QCOMPARE(table.route({1, 6}, MOVE, 1).to, RelayEndpoint({1, 5}));
        QCOMPARE(table.route({1, 4}, MOVE, 1).to, RelayEndpoint({1, 3}));
        QCOMPARE(table.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestLobbyRelay)
#include "test_lobby_relay.moc"
