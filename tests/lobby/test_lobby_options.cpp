// SPDX-License-Identifier: GPL-3.0-or-later
// The lobby's command line.
#include "lobby/LobbyOptions.h"

#include <QtTest>

using namespace sorvada;

class TestLobbyOptions : public QObject
{
    Q_OBJECT

    static LobbyOptions parse(QStringList arguments)
    {
        arguments.prepend(QStringLiteral("sorvada-lobby"));
        return parseLobbyOptions(arguments);
    }

private slots:
    void defaultsAreTheProtocolPorts()
    {
        const LobbyOptions o = parse({});
        QVERIFY(o.error.isEmpty());
        QVERIFY(!o.help);
        QCOMPARE(o.httpPort, quint16(8080));
        QCOMPARE(o.directoryPort, quint16(8100));
        QCOMPARE(o.bind, QHostAddress(QHostAddress::AnyIPv4));
    }

    void portsAndAddressAreTaken()
    {
        const LobbyOptions o = parse({QStringLiteral("--http-port"), QStringLiteral("0"), QStringLiteral("--directory-port=9100"),
                                      QStringLiteral("--bind"), QStringLiteral("127.0.0.1")});
        QVERIFY(o.error.isEmpty());
        QCOMPARE(o.httpPort, quint16(0));
        QCOMPARE(o.directoryPort, quint16(9100));
        QCOMPARE(o.bind, QHostAddress(QHostAddress::LocalHost));
        QVERIFY(parse({QStringLiteral("--help")}).help);
        QVERIFY(parse({QStringLiteral("--help")}).helpText.contains(QStringLiteral("--directory-port")));
    }

    void relayOptions()
    {
        LobbyOptions o = parse({});
        QVERIFY(o.relay);
        QVERIFY(o.publicAddress.isEmpty());
        QCOMPARE(o.maxRelays, 10000);
        QCOMPARE(o.probeIntervalMs, 20000);
        QCOMPARE(o.maxHostsPerAddress, 8);
        QCOMPARE(o.maxRelaysPerAddress, 8);
        QCOMPARE(o.relaySilenceMs, 45000);
        QCOMPARE(o.resumeGraceMs, 130000);
        o = parse({QStringLiteral("--relay=off"), QStringLiteral("--public-address=198.51.100.1"),
                   QStringLiteral("--max-relays=5"), QStringLiteral("--probe-interval=500"),
                   QStringLiteral("--max-hosts-per-address=3"), QStringLiteral("--max-relays-per-address=2"),
                   QStringLiteral("--relay-silence=900"), QStringLiteral("--resume-grace"), QStringLiteral("2500")});
        QVERIFY(o.error.isEmpty());
        QVERIFY(!o.relay);
        QCOMPARE(o.publicAddress, QStringLiteral("198.51.100.1"));
        QCOMPARE(o.maxRelays, 5);
        QCOMPARE(o.probeIntervalMs, 500);
        QCOMPARE(o.maxHostsPerAddress, 3);
        QCOMPARE(o.maxRelaysPerAddress, 2);
        QCOMPARE(o.relaySilenceMs, 900);
        QCOMPARE(o.resumeGraceMs, 2500);
        const QString help = o.helpText;
        for (const char *name : {"--relay", "--public-address", "--max-relays", "--probe-interval",
                                 "--max-hosts-per-address", "--max-relays-per-address", "--relay-silence",
                                 "--resume-grace"})
            QVERIFY2(help.contains(QLatin1String(name)), name);
    }

    void badCommandLinesAreRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("port too big") << QStringList{QStringLiteral("--http-port"), QStringLiteral("65536")};
        QTest::newRow("negative port") << QStringList{QStringLiteral("--directory-port"), QStringLiteral("-1")};
        QTest::newRow("port not a number") << QStringList{QStringLiteral("--http-port"), QStringLiteral("80a")};
        QTest::newRow("missing value") << QStringList{QStringLiteral("--http-port")};
        QTest::newRow("not an address") << QStringList{QStringLiteral("--bind"), QStringLiteral("my.host")};
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--verbose")};
        QTest::newRow("relay neither on nor off") << QStringList{QStringLiteral("--relay=yes")};
        QTest::newRow("negative relay cap") << QStringList{QStringLiteral("--max-relays=-1")};
        QTest::newRow("no waiting host per address") << QStringList{QStringLiteral("--max-hosts-per-address=0")};
        QTest::newRow("relays per address not a number") << QStringList{QStringLiteral("--max-relays-per-address=8x")};
        QTest::newRow("probe interval too short") << QStringList{QStringLiteral("--probe-interval=10")};
        QTest::newRow("resume grace not a number") << QStringList{QStringLiteral("--resume-grace=2m")};
        QTest::newRow("resume grace beyond an hour") << QStringList{QStringLiteral("--resume-grace=3600001")};
        QTest::newRow("relay silence too short") << QStringList{QStringLiteral("--relay-silence=99")};
        QTest::newRow("empty public address") << QStringList{QStringLiteral("--public-address=")};
        QTest::newRow("stray argument") << QStringList{QStringLiteral("8080")};
    }

    void badCommandLinesAreRefused()
    {
        QFETCH(QStringList, arguments);
        QVERIFY(!parse(arguments).error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLobbyOptions)
#include "test_lobby_options.moc"
