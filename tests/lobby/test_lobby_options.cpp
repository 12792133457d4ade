// The lobby's command line.
#include "LobbyOptions.h"

#include <QtTest>

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

    void badCommandLinesAreRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("port too big") << QStringList{QStringLiteral("--http-port"), QStringLiteral("65536")};
        QTest::newRow("negative port") << QStringList{QStringLiteral("--directory-port"), QStringLiteral("-1")};
        QTest::newRow("port not a number") << QStringList{QStringLiteral("--http-port"), QStringLiteral("80a")};
        QTest::newRow("missing value") << QStringList{QStringLiteral("--http-port")};
        QTest::newRow("not an address") << QStringList{QStringLiteral("--bind"), QStringLiteral("my.host")};
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--verbose")};
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
