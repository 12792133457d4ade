// SPDX-License-Identifier: GPL-3.0-or-later
// The relay table's bookkeeping, with the clock passed in.
#include "lobby/RelayTable.h"
#include "net/PeerRecord.h"

#include <QtTest>

using namespace sorvada;

namespace {
const RelayEndpoint HOST{0x64400102, 40000};   // 100.64.1.2
const RelayEndpoint JOINER{0x64400202, 40001}; // 100.64.2.2
const RelayEndpoint STRANGER{0x64400202, 40002};
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
        const RelayEndpoint a2{HOST.address, 1}, b2{JOINER.address, 2};
        const RelayEndpoint a3{HOST.address, 3}, b3{JOINER.address, 4};
        QVERIFY(table.add(HOST, JOINER, 0));
        QVERIFY(table.add(a2, b2, 0));
        QVERIFY(table.add(a3, b3, 0));

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
