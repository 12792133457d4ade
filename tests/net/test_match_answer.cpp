// SPDX-License-Identifier: GPL-3.0-or-later
// The first line of the matchmaking web server's answer, as the client understands it.

#include "net/MatchAnswer.h"

#include <QTest>

#include <random>

using namespace sorvada;

class TestMatchAnswer : public QObject {
    Q_OBJECT

private slots:
    void words_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("kind");
        QTest::newRow("server") << "Server" << int(MatchAnswer::Server);
        QTest::newRow("server with more") << "Server/extra/1/2" << int(MatchAnswer::Server);
        QTest::newRow("server, trailing slash") << "Server/" << int(MatchAnswer::Server);
        QTest::newRow("lower case") << "server" << int(MatchAnswer::Invalid);
        QTest::newRow("leading space") << " Server" << int(MatchAnswer::Invalid);
        QTest::newRow("trailing space") << "Server " << int(MatchAnswer::Invalid);
        QTest::newRow("empty") << "" << int(MatchAnswer::Invalid);
        QTest::newRow("other word") << "Busy/1.2.3.4/5/6" << int(MatchAnswer::Invalid);
        QTest::newRow("client alone") << "Client" << int(MatchAnswer::Invalid);
        QTest::newRow("client, two fields") << "Client/1.2.3.4/2345" << int(MatchAnswer::Invalid);
        QTest::newRow("client, three fields") << "Client/1.2.3.4/2345/x" << int(MatchAnswer::Client);
        QTest::newRow("client, empty fields") << "Client///" << int(MatchAnswer::Client);
    }

    void words()
    {
        QFETCH(QString, line);
        QFETCH(int, kind);
        QCOMPARE(int(parseMatchAnswer(line).kind), kind);
    }

    void clientFields_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("id");
        QTest::newRow("plain") << "Client/192.0.2.7/2345/Ab12" << "192.0.2.7" << 2345 << "Ab12";
        QTest::newRow("leading spaces") << "Client/  host.example/ \t8000/  Q9" << "host.example" << 8000 << "Q9";
        QTest::newRow("trailing kept") << "Client/h /1 /id " << "h " << 1 << "id ";
        QTest::newRow("port not a number") << "Client/h/abc/id" << "h" << 0 << "id";
        QTest::newRow("port digits then text") << "Client/h/12ab/id" << "h" << 12 << "id";
        QTest::newRow("port signed") << "Client/h/-5/id" << "h" << 0 << "id";
        QTest::newRow("port too large") << "Client/h/65536/id" << "h" << 0 << "id";
        QTest::newRow("port largest") << "Client/h/65535/id" << "h" << 65535 << "id";
        QTest::newRow("port huge") << "Client/h/99999999999999999999/id" << "h" << 0 << "id";
        QTest::newRow("more fields") << "Client/h/7/id/more" << "h" << 7 << "id";
    }

    void clientFields()
    {
        QFETCH(QString, line);
        QFETCH(QString, address);
        QFETCH(int, port);
        QFETCH(QString, id);
        const MatchAnswer a = parseMatchAnswer(line);
        QCOMPARE(int(a.kind), int(MatchAnswer::Client));
        QCOMPARE(a.address, address);
        QCOMPARE(int(a.port), port);
        QCOMPARE(a.id, id);
    }

    // Arbitrary lines never break the parser, and a field never carries a separator.
    void fuzz()
    {
        std::mt19937 random(20261207);
        const QString alphabet = QStringLiteral("ClientServer/0123456789 \t.\r\x01\xff");
        int clients = 0;
        for (int round = 0; round < 20000; ++round) {
            QString line = round % 2 ? QStringLiteral("Client/") : QString();
            const int length = int(random() % 40);
            for (int i = 0; i < length; ++i)
                line += alphabet.at(int(random() % alphabet.size()));
            const MatchAnswer a = parseMatchAnswer(line);
            if (a.kind == MatchAnswer::Client) {
                ++clients;
                QVERIFY(!a.address.contains(u'/') && !a.id.contains(u'/'));
                QVERIFY(a.address.isEmpty() || !a.address.at(0).isSpace());
                QVERIFY(line.startsWith(QLatin1String("Client/")));
            } else if (a.kind == MatchAnswer::Server) {
                QVERIFY(line == QLatin1String("Server") || line.startsWith(QLatin1String("Server/")));
            }
        }
        QVERIFY(clients > 0);
    }
};

QTEST_GUILESS_MAIN(TestMatchAnswer)
#include "test_match_answer.moc"
