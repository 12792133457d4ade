// SPDX-License-Identifier: GPL-3.0-or-later
// The lobby's bookkeeping against floods, without sockets: how a request's bytes are followed
// however they are cut, and how the log and the reports are held to a few a minute.
#include "lobby/AddressLimits.h"
#include "lobby/LogThrottle.h"
#include "lobby/RequestScanner.h"

#include <QtTest>

using namespace sorvada;

using Verdict = RequestScanner::Verdict;

class TestLobbyLimits : public QObject
{
    Q_OBJECT

private slots:
    void requestIsFollowedHoweverItsBytesAreCut_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("piece");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<bool>("inRequest");
        QTest::addColumn<bool>("wantsClose");
        const QByteArray get = "GET /start.asp HTTP/1.1\r\nHost: lobby\r\n\r\n";
        const QByteArray old = "GET / HTTP/1.0\r\n\r\n";
        for (const int piece : {1, 3, 1000}) {
            const QByteArray at = " in pieces of " + QByteArray::number(piece);
            QTest::newRow("one whole head" + at) << get << piece << int(Verdict::Fine) << false << false;
            QTest::newRow("two heads, the second begun" + at) << get + "GET /" << piece << int(Verdict::Fine) << true << false;
            QTest::newRow("HTTP/1.0 closes" + at) << old << piece << int(Verdict::Fine) << false << true;
            QTest::newRow("HTTP/1.0 with keep-alive stays" + at)
                << QByteArray("GET / HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n") << piece << int(Verdict::Fine) << false << false;
            QTest::newRow("a body after a fine head" + at)
                << get + "POST / HTTP/1.1\r\nContent-Length: 12\r\n\r\n" << piece << int(Verdict::BodyAnnounced) << false << false;
            QTest::newRow("a head of 8 KiB" + at)
                << "GET / HTTP/1.1\r\nX: " + QByteArray(8192 - 23, 'x') + "\r\n\r\n" << piece << int(Verdict::Fine) << false << false;
            QTest::newRow("a byte longer" + at)
                << "GET / HTTP/1.1\r\nX: " + QByteArray(8192 - 22, 'x') + "\r\n\r\n" << piece << int(Verdict::HeadTooLarge) << true << false;
        }
    }

    void requestIsFollowedHoweverItsBytesAreCut()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, piece);
        QFETCH(int, verdict);
        RequestScanner scanner;
        Verdict last = Verdict::Fine;
        for (qsizetype at = 0; at < bytes.size() && last == Verdict::Fine; at += piece)
            last = scanner.feed(QByteArrayView(bytes).sliced(at, std::min<qsizetype>(piece, bytes.size() - at)), at);
        QCOMPARE(int(last), verdict);
        QTEST(scanner.inRequest(), "inRequest");
        QTEST(scanner.wantsClose(), "wantsClose");
    }

    // The time a request started is its first byte's, whatever came before in the connection.
    void requestTimeStartsAtItsFirstByte()
    {
        RequestScanner scanner;
        scanner.feed("GET / HTTP/1.1\r\n\r\nGE", 100);
        QCOMPARE(scanner.startedAt(), 100);
        scanner.feed("T / HTTP/1.1\r\n\r\n", 5000);
        QVERIFY(!scanner.inRequest());
        scanner.feed("G", 9000);
        QCOMPARE(scanner.startedAt(), 9000);
    }

    void floodOfOneAddressIsSummedUpOncePerMinute()
    {
        LogThrottle throttle(3);
        int written = 0;
        for (int i = 0; i < 100; ++i)
            written += throttle.admit(QStringLiteral("waits"), QStringLiteral("192.0.2.1"), 1000 + i);
        // Another address and another reason are not held back by it.
        QVERIFY(throttle.admit(QStringLiteral("waits"), QStringLiteral("192.0.2.2"), 2000));
        QVERIFY(throttle.admit(QStringLiteral("paired"), QStringLiteral("192.0.2.1"), 2000));
        QCOMPARE(written, 3);
        QVERIFY(throttle.summaries(60999).isEmpty());
        QCOMPARE(throttle.summaries(61000),
                 QStringList{QStringLiteral("97 more lines \"waits\" left out in the last minute (from 1 addresses)")});
        QVERIFY(throttle.summaries(200000).isEmpty());
        QVERIFY(throttle.admit(QStringLiteral("waits"), QStringLiteral("192.0.2.1"), 200000));
    }

    void budgetAllowsAFewAMinutePerAddress()
    {
        PerMinuteBudget budget(2);
        QVERIFY(budget.take(QStringLiteral("192.0.2.1"), 0));
        QVERIFY(budget.take(QStringLiteral("192.0.2.1"), 30000));
        QVERIFY(!budget.take(QStringLiteral("192.0.2.1"), 59999));
        QVERIFY(budget.take(QStringLiteral("192.0.2.2"), 59999));
        QVERIFY(budget.take(QStringLiteral("192.0.2.1"), 60000)); // the first has left the minute
        QVERIFY(!budget.take(QStringLiteral("192.0.2.1"), 60001));
        QVERIFY(budget.spent(QStringLiteral("192.0.2.1"), 60001));
        QVERIFY(!budget.spent(QStringLiteral("192.0.2.2"), 60001));
        QVERIFY(!budget.spent(QStringLiteral("192.0.2.1"), 90000)); // only the later one is left

        // Bounded in addresses: one beyond is not counted until the minute frees a place.
        PerMinuteBudget bounded(1, 2);
        QVERIFY(bounded.take(QStringLiteral("192.0.2.1"), 0));
        QVERIFY(bounded.take(QStringLiteral("192.0.2.2"), 10));
        QVERIFY(!bounded.take(QStringLiteral("192.0.2.3"), 20));
        QVERIFY(!bounded.spent(QStringLiteral("192.0.2.3"), 20));
        QVERIFY(bounded.spent(QStringLiteral("192.0.2.1"), 20));
        QVERIFY(bounded.take(QStringLiteral("192.0.2.3"), 60000));
        QVERIFY(bounded.spent(QStringLiteral("192.0.2.3"), 60000));
    }
};

QTEST_GUILESS_MAIN(TestLobbyLimits)
#include "test_lobby_limits.moc"
