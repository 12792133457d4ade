// SPDX-License-Identifier: GPL-3.0-or-later
// The lobby's pairing rules, checked without any sockets: the clock is passed in.
#include "lobby/LobbyQueries.h"
#include "lobby/MatchIds.h"
#include "lobby/PairingPolicy.h"
#include "lobby/WaitingQueue.h"

#include <QRegularExpression>
#include <QSet>
#include <QtTest>

using namespace sorvada;

namespace {
constexpr qint64 RECENT = 20 * 1000;
constexpr qint64 EXPIRY = 10 * 60 * 1000;

StartQuery want(quint16 port, int kind = 4)
{
    return parseStartQuery(QUrlQuery(QStringLiteral("type=%1&port=%2&mode=WANT_CONNECT&ID=").arg(kind).arg(port)));
}

StartQuery report(const char *mode, quint16 port, const QString &id)
{
    return parseStartQuery(
        QUrlQuery(QStringLiteral("type=4&port=%1&mode=%2&ID=%3").arg(port).arg(QLatin1String(mode), id)));
}

EndQuery finish(quint16 port, const char *mode)
{
    return parseEndQuery(QUrlQuery(QStringLiteral("port=%1&mode=%2").arg(port).arg(QLatin1String(mode))));
}

// Puts a host straight into the queue, as if it had been told "Server".
void seed(WaitingQueue &queue, const QString &address, quint16 port, qint64 now, int kind = 4)
{
    WaitingHost host;
    host.kind = kind;
    host.address = address;
    host.port = port;
    host.id = QStringLiteral("seed%1").arg(port);
    host.joinedAt = now;
    queue.add(host);
}

// "Client/<address>/<port>/<ID>" split into its fields, or empty.
QStringList clientFields(const PairingPolicy::Answer &answer)
{
    const QStringList parts = answer.line.split(QLatin1Char('/'));
    if (parts.size() != 4 || parts[0] != QLatin1String("Client"))
        return {};
    return parts.mid(1);
}
} // namespace

class TestLobbyPolicy : public QObject
{
    Q_OBJECT

private slots:
    void startQueriesAreCheckedField_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("error");
        QTest::newRow("first query, empty ID") << "type=4&port=2345&mode=WANT_CONNECT&ID=" << "";
        QTest::newRow("ID missing entirely") << "type=4&port=2345&mode=WANT_CONNECT" << "";
        QTest::newRow("busy report") << "type=4&port=1&mode=SERVER_BUSY&ID=Ab3" << "";
        QTest::newRow("silent report") << "type=255&port=65535&mode=SERVER_NORESPONSE&ID=x" << "";
        QTest::newRow("no type") << "port=2345&mode=WANT_CONNECT&ID=" << "bad type";
        QTest::newRow("type too big") << "type=256&port=2345&mode=WANT_CONNECT&ID=" << "bad type";
        QTest::newRow("negative type") << "type=-4&port=2345&mode=WANT_CONNECT&ID=" << "bad type";
        QTest::newRow("no port") << "type=4&mode=WANT_CONNECT&ID=" << "bad port";
        QTest::newRow("port zero") << "type=4&port=0&mode=WANT_CONNECT&ID=" << "bad port";
        QTest::newRow("port too big") << "type=4&port=65536&mode=WANT_CONNECT&ID=" << "bad port";
        QTest::newRow("port with letters") << "type=4&port=23a&mode=WANT_CONNECT&ID=" << "bad port";
        QTest::newRow("port with sign") << "type=4&port=+23&mode=WANT_CONNECT&ID=" << "bad port";
        QTest::newRow("huge port") << "type=4&port=99999999999999999999&mode=WANT_CONNECT&ID=" << "bad port";
        QTest::newRow("mode in lower case") << "type=4&port=2345&mode=want_connect&ID=" << "bad mode";
        QTest::newRow("no mode") << "type=4&port=2345&ID=" << "bad mode";
        QTest::newRow("ID with a slash") << "type=4&port=2345&mode=SERVER_BUSY&ID=ab/cd" << "bad ID";
        QTest::newRow("ID with a space") << "type=4&port=2345&mode=SERVER_BUSY&ID=ab%20cd" << "bad ID";
        QTest::newRow("ID too long") << "type=4&port=2345&mode=SERVER_BUSY&ID=" + QString(33, QLatin1Char('a'))
                                     << "bad ID";
        QTest::newRow("ID not ASCII") << "type=4&port=2345&mode=SERVER_BUSY&ID=%C3%A9" << "bad ID";
    }

    void startQueriesAreCheckedField()
    {
        QFETCH(QString, query);
        QFETCH(QString, error);
        QCOMPARE(parseStartQuery(QUrlQuery(query)).error, error);
    }

    void endQueriesAreChecked()
    {
        const EndQuery server = finish(2345, "Server");
        QVERIFY(server.error.isEmpty());
        QCOMPARE(server.port, quint16(2345));
        QVERIFY(server.wasServer);
        const EndQuery client = finish(7, "Client");
        QVERIFY(client.error.isEmpty());
        QVERIFY(!client.wasServer);
        QCOMPARE(finish(2345, "server").error, QStringLiteral("bad mode"));
        QCOMPARE(parseEndQuery(QUrlQuery(QStringLiteral("mode=Server"))).error, QStringLiteral("bad port"));
    }

    void idsAreLettersAndDigitsAndDistinct()
    {
        MatchIds ids(12345);
        QSet<QString> seen;
        const QRegularExpression shape(QStringLiteral("^[A-Za-z0-9]{8}$"));
        for (int i = 0; i < 2000; ++i) {
            const QString id = ids.make();
            QVERIFY2(shape.match(id).hasMatch(), qPrintable(id));
            QVERIFY(MatchIds::isValid(id));
            seen.insert(id);
        }
        QCOMPARE(seen.size(), 2000);
        QVERIFY(!MatchIds::isValid(QString()));
        QVERIFY(!MatchIds::isValid(QStringLiteral("a-b")));
    }

    void firstWaitsSecondIsSentToIt()
    {
        WaitingQueue queue;
        MatchIds ids(1);
        PairingPolicy policy(queue, ids);
        const auto a = policy.start(want(2000), QStringLiteral("10.0.0.1"), 0);
        QCOMPARE(a.line, QStringLiteral("Server"));
        QCOMPARE(queue.size(), 1);
        const QString idA = queue.findAt(QStringLiteral("10.0.0.1"), 2000)->id;
        QVERIFY(MatchIds::isValid(idA));

        const auto b = policy.start(want(3000), QStringLiteral("10.0.0.2"), 1000);
        QCOMPARE(clientFields(b), (QStringList{QStringLiteral("10.0.0.1"), QStringLiteral("2000"), idA}));
        // A proposed host keeps waiting until it is struck off.
        QCOMPARE(queue.size(), 1);
        QVERIFY(!b.events.isEmpty());
    }

    void recentlyProposedHostIsPassedOver()
    {
        WaitingQueue queue;
        MatchIds ids(2);
        PairingPolicy policy(queue, ids, RECENT);
        seed(queue, QStringLiteral("10.0.0.1"), 2000, 0);
        seed(queue, QStringLiteral("10.0.0.1"), 2001, 10);

        QCOMPARE(clientFields(policy.start(want(3000), QStringLiteral("10.0.0.2"), 100)).value(1),
                 QStringLiteral("2000"));
        QCOMPARE(clientFields(policy.start(want(3001), QStringLiteral("10.0.0.3"), 200)).value(1),
                 QStringLiteral("2001"));
        // Both just proposed: the next caller waits itself.
        QCOMPARE(policy.start(want(3002), QStringLiteral("10.0.0.4"), 300).line, QStringLiteral("Server"));
        QCOMPARE(queue.size(), 3);
        // Once the first proposal is old enough, the oldest host is offered again.
        QCOMPARE(clientFields(policy.start(want(3003), QStringLiteral("10.0.0.5"), 100 + RECENT)).value(1),
                 QStringLiteral("2000"));
    }

    void reportedHostIsStruckOffAndCallerSentOn()
    {
        WaitingQueue queue;
        MatchIds ids(3);
        PairingPolicy policy(queue, ids);
        seed(queue, QStringLiteral("10.0.0.1"), 2000, 0);
        seed(queue, QStringLiteral("10.0.0.9"), 2001, 0);
        const QStringList first = clientFields(policy.start(want(3000), QStringLiteral("10.0.0.2"), 5));
        QCOMPARE(first.value(1), QStringLiteral("2000"));

        const auto busy = policy.start(report("SERVER_BUSY", 3000, first.value(2)), QStringLiteral("10.0.0.2"), 6);
        QCOMPARE(clientFields(busy).value(0), QStringLiteral("10.0.0.9"));
        QVERIFY(!queue.findById(first.value(2)));
        QVERIFY(busy.events.join(QLatin1Char('\n')).contains(QStringLiteral("SERVER_BUSY")));

        // The silent one goes too; nobody is left, so the caller waits.
        const QString second = clientFields(busy).value(2);
        const auto silent =
            policy.start(report("SERVER_NORESPONSE", 3000, second), QStringLiteral("10.0.0.2"), 7);
        QCOMPARE(silent.line, QStringLiteral("Server"));
        QCOMPARE(queue.size(), 1);
        QVERIFY(queue.findAt(QStringLiteral("10.0.0.2"), 3000));
    }

    void reportOfUnknownIdIsAnsweredLikeWantConnect()
    {
        WaitingQueue queue;
        MatchIds ids(4);
        PairingPolicy policy(queue, ids);
        QCOMPARE(policy.start(report("SERVER_BUSY", 3000, QStringLiteral("nobody")), QStringLiteral("10.0.0.2"), 0)
                     .line,
                 QStringLiteral("Server"));
        QCOMPARE(queue.size(), 1);
    }

    void callerIsNeverSentToItselfNorListedTwice()
    {
        WaitingQueue queue;
        MatchIds ids(5);
        PairingPolicy policy(queue, ids);
        QCOMPARE(policy.start(want(2000), QStringLiteral("10.0.0.1"), 0).line, QStringLiteral("Server"));
        QCOMPARE(policy.start(want(2000), QStringLiteral("10.0.0.1"), 1).line, QStringLiteral("Server"));
        QCOMPARE(queue.size(), 1);
    }

    void kindsArePairedSeparately()
    {
        WaitingQueue queue;
        MatchIds ids(6);
        PairingPolicy policy(queue, ids);
        policy.start(want(2000, 4), QStringLiteral("10.0.0.1"), 0);
        QCOMPARE(policy.start(want(2001, 5), QStringLiteral("10.0.0.2"), 1).line, QStringLiteral("Server"));
        QCOMPARE(clientFields(policy.start(want(2002, 5), QStringLiteral("10.0.0.3"), 2)).value(1),
                 QStringLiteral("2001"));
        QCOMPARE(queue.countOf(4), 1);
        QCOMPARE(queue.countOf(5), 1);
    }

    void endStrikesOffOnlyTheCallersOwnEntry()
    {
        WaitingQueue queue;
        MatchIds ids(7);
        PairingPolicy policy(queue, ids);
        policy.start(want(2000), QStringLiteral("10.0.0.1"), 0);
        policy.start(want(2000, 5), QStringLiteral("10.0.0.2"), 0);
        // Same port from another address is somebody else.
        const auto other = policy.end(finish(2000, "Client"), QStringLiteral("10.0.0.3"), 1);
        QCOMPARE(other.line, QStringLiteral("OK"));
        QCOMPARE(queue.size(), 2);
        const auto own = policy.end(finish(2000, "Server"), QStringLiteral("10.0.0.1"), 2);
        QCOMPARE(queue.size(), 1);
        QVERIFY(!queue.findAt(QStringLiteral("10.0.0.1"), 2000));
        QVERIFY(own.events.value(0).contains(QStringLiteral("as Server")));
    }

    void waitingHostsExpire()
    {
        WaitingQueue queue(1000, EXPIRY);
        MatchIds ids(8);
        PairingPolicy policy(queue, ids);
        seed(queue, QStringLiteral("10.0.0.1"), 2000, 0);
        seed(queue, QStringLiteral("10.0.0.1"), 2001, 60 * 1000);
        QCOMPARE(clientFields(policy.start(want(3000), QStringLiteral("10.0.0.2"), EXPIRY - 1)).value(1),
                 QStringLiteral("2000"));
        // Ten minutes after it joined the first host is gone; the second is not.
        const auto later = policy.start(want(3001), QStringLiteral("10.0.0.3"), EXPIRY);
        QCOMPARE(clientFields(later).value(1), QStringLiteral("2001"));
        QVERIFY(later.events.value(0).startsWith(QStringLiteral("expired")));
        QCOMPARE(queue.size(), 1);
    }

    void fullQueueDropsTheOldest()
    {
        WaitingQueue queue(3, EXPIRY);
        MatchIds ids(9);
        PairingPolicy policy(queue, ids, RECENT);
        for (quint16 port = 1; port <= 3; ++port)
            seed(queue, QStringLiteral("10.0.0.1"), port, port);
        // All three proposed just now: every further caller waits, and each
        // newcomer pushes out the oldest.
        for (int i = 0; i < 3; ++i)
            policy.start(want(quint16(100 + i)), QStringLiteral("10.0.0.2"), 10);
        QCOMPARE(queue.size(), 3);
        QCOMPARE(policy.start(want(4), QStringLiteral("10.0.0.3"), 20).line, QStringLiteral("Server"));
        QCOMPARE(queue.size(), 3);
        QVERIFY(!queue.findAt(QStringLiteral("10.0.0.1"), 1));
        QVERIFY(queue.findAt(QStringLiteral("10.0.0.3"), 4));
        for (quint16 port = 10; port < 2010; ++port) {
            policy.start(want(port), QStringLiteral("10.0.1.1"), 30);
            QVERIFY(queue.size() <= 3);
        }
        // Callers alternate between waiting and being sent to a waiting host,
        // and the queue never grows past its bound.
        QVERIFY(queue.findAt(QStringLiteral("10.0.1.1"), 2009) || queue.findAt(QStringLiteral("10.0.1.1"), 2008));
    }
};

QTEST_GUILESS_MAIN(TestLobbyPolicy)
#include "test_lobby_policy.moc"
