// SPDX-License-Identifier: GPL-3.0-or-later
// A whole match between two complete copies of the game, each in a home
// behind its own address-translating router, paired by the real lobby on the
// public side: moves both ways, a chat line, a pause longer than the routers
// keep a mapping, more moves, then one player leaves. The same match goes on
// when both routers restart in the pause and give their homes new public
// ports, and a REATTACH from a home with the token changed is refused. With the
// relay off the same pairing must fail, which shows that the routers really
// filter.
#include "NatTopology.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include <unistd.h>

#include <memory>

using namespace sorvada;

namespace {
const QString LOBBY_ADDRESS = QStringLiteral("198.51.100.1");
constexpr int ROUTER_UDP_TIMEOUT_S = 3;
constexpr int PROBE_INTERVAL_MS = 1000;
constexpr int IDLE_MS = 3 * ROUTER_UDP_TIMEOUT_S * 1000;
// Where the routers map to after their restart: below the ports a home's socket is given (the
// first mappings keep those), so that every new mapping differs from the old one.
const QString RESTARTED_PORTS = QStringLiteral("20000-20999");
constexpr int RESTARTED_LOW = 20000, RESTARTED_HIGH = 20999;

// A program run inside a namespace, its output collected line by line.
struct Running
{
    QProcess process;
    QStringList lines;
    QByteArray partial;

    void start(const QStringList &command)
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&process, &QProcess::readyReadStandardOutput, [this] {
            partial += process.readAllStandardOutput();
            qsizetype end;
            while ((end = partial.indexOf('\n')) >= 0) {
                lines << QString::fromLocal8Bit(partial.left(end));
                partial.remove(0, end + 1);
            }
        });
        process.start(command.first(), command.mid(1));
    }
    bool has(const QString &text) const { return !matching(QRegularExpression(QRegularExpression::escape(text))).isEmpty(); }
    QStringList matching(const QRegularExpression &pattern) const
    {
        QStringList found;
        for (const QString &line : lines)
            if (pattern.match(line).hasMatch())
                found << line;
        return found;
    }
    QString lastBoard() const
    {
        for (qsizetype i = lines.size() - 1; i >= 0; --i)
            if (lines[i].startsWith(QLatin1String("board ")))
                return lines[i];
        return QString();
    }
    ~Running()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
};
} // namespace

class TestNatRelay : public QObject
{
    Q_OBJECT

    std::unique_ptr<NatTopology> net;

    // The lobby in the public namespace; empty when it did not come up.
    std::unique_ptr<Running> startLobby(const QStringList &extra)
    {
        auto lobby = std::make_unique<Running>();
        lobby->start(net->inside(net->publicNs, QStringLiteral(LOBBY_PROGRAM),
                                 QStringList{QStringLiteral("--bind"), LOBBY_ADDRESS, QStringLiteral("--http-port"),
                                             QStringLiteral("0"), QStringLiteral("--probe-interval"),
                                             QString::number(PROBE_INTERVAL_MS)}
                                     + extra));
        if (!QTest::qWaitFor([&] { return lobby->has(QStringLiteral("listening")); }, 20000))
            return nullptr;
        return lobby;
    }
    std::unique_ptr<Running> startCopy(const QString &ns, const QString &name, const QString &idle, bool quitter,
                                       int joinLimitMs)
    {
        auto copy = std::make_unique<Running>();
        copy->start(net->inside(ns, QStringLiteral(COPY_PROGRAM),
                                {LOBBY_ADDRESS, name, QStringLiteral("3"), idle, QStringLiteral("3"),
                                 quitter ? QStringLiteral("1") : QStringLiteral("0"), QString::number(joinLimitMs)}));
        return copy;
    }

    // Ann hosts in home 1 and pauses after her first moves (for `idle`, milliseconds or
    // "stdin"); Bob joins from home 2 and leaves when his moves are done.
    struct Match
    {
        std::unique_ptr<Running> lobby, host, guest;
        QByteArray both() const
        {
            return (QStringLiteral("host:\n") + host->lines.join(QLatin1Char('\n')) + QStringLiteral("\nguest:\n")
                    + guest->lines.join(QLatin1Char('\n')) + QStringLiteral("\nlobby:\n")
                    + lobby->lines.join(QLatin1Char('\n')))
                .toLocal8Bit();
        }
    };
    void startMatch(Match &m, const QString &idle)
    {
        m.lobby = startLobby({});
        QVERIFY(m.lobby);
        m.host = startCopy(net->home1Ns, QStringLiteral("Ann"), idle, false, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(m.host->has(QStringLiteral("role server")), 20000);
        m.guest = startCopy(net->home2Ns, QStringLiteral("Bob"), QStringLiteral("0"), true, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(m.guest->has(QStringLiteral("role client")), 20000);
        QVERIFY(m.lobby->has(QStringLiteral("through the relay at 198.51.100.1:8100")));
        QTRY_VERIFY2_WITH_TIMEOUT(m.host->has(QStringLiteral("chat received")), m.both().constData(), 30000);
        QTRY_VERIFY2_WITH_TIMEOUT(m.host->has(QStringLiteral("idle")), m.both().constData(), 30000);
    }
    // After the pause the match goes on and ends when the guest leaves: each played his six
    // moves, and both end on the same position.
    void finishMatch(const Match &m, int timeoutMs)
    {
        QTRY_VERIFY2_WITH_TIMEOUT(m.guest->has(QStringLiteral("quitting")), m.both().constData(), timeoutMs);
        QTRY_VERIFY2_WITH_TIMEOUT(m.host->has(QStringLiteral("opponent quitted")), m.both().constData(), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(m.host->process.state(), QProcess::NotRunning, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(m.guest->process.state(), QProcess::NotRunning, 20000);
        QCOMPARE(m.host->process.exitCode(), 0);
        QCOMPARE(m.guest->process.exitCode(), 0);
        QVERIFY2(m.host->has(QStringLiteral("moved 6")) && m.guest->has(QStringLiteral("moved 6")), m.both().constData());
        QCOMPARE(m.guest->lastBoard(), m.host->lastBoard());
    }

private slots:
    void initTestCase()
    {
        for (const char *tool : {"ip", "nft", "conntrack"})
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()
                && QStandardPaths::findExecutable(QLatin1String(tool), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
                       .isEmpty())
                QSKIP(qPrintable(QStringLiteral("'%1' (iproute2, nftables, conntrack) is not installed: cannot build the homes")
                                     .arg(QLatin1String(tool))));
        if (geteuid() != 0)
            QSKIP("not root: network namespaces cannot be made");
        net = std::make_unique<NatTopology>(ROUTER_UDP_TIMEOUT_S);
        QVERIFY2(net->build(), qPrintable(net->error));
    }

    void cleanupTestCase() { net.reset(); }

    void wholeMatchThroughTheRelay()
    {
        Match m;
        startMatch(m, QString::number(IDLE_MS));
        if (QTest::currentTestFailed())
            return;
        finishMatch(m, IDLE_MS + 30000);
    }

    // Both routers restart while Ann pauses, and give their homes new public ports, which the
    // lobby does not know. Ann's next move goes nowhere; Bob, waiting for it, learns of the loss
    // by the other side's silence. Each copy counts the line lost and asks the lobby, with the match's
    // token, to point its end of the relay at where it now is.
    void matchGoesOnWhenBothRoutersRestart()
    {
        Match m;
        startMatch(m, QStringLiteral("stdin"));
        if (QTest::currentTestFailed())
            return;
        const QStringList tokens = m.host->matching(QRegularExpression(QStringLiteral("^token [0-9a-f]+$")));
        QCOMPARE(tokens.size(), 1);
        bool ok = false;
        const quint64 token = tokens.first().mid(6).toULongLong(&ok, 16);
        QVERIFY(ok);
        QVERIFY2(net->renumber(1, RESTARTED_PORTS) && net->renumber(2, RESTARTED_PORTS), qPrintable(net->error));

        // From Ann's home, the same request with the token changed is refused and not answered.
        Running stranger;
        stranger.start(net->inside(net->home1Ns, QStringLiteral(REATTACH_PROGRAM),
                                   {LOBBY_ADDRESS, QString::number(token ^ 1, 16), QStringLiteral("3000")}));
        QTRY_COMPARE_WITH_TIMEOUT(stranger.process.state(), QProcess::NotRunning, 30000);
        QCOMPARE(stranger.lines, QStringList({QStringLiteral("sent"), QStringLiteral("no answer")}));
        const QRegularExpression refused(QStringLiteral("refused REATTACH from 198\\.51\\.100\\.11:(\\d+): unknown token"));
        QTRY_VERIFY2_WITH_TIMEOUT(!m.lobby->matching(refused).isEmpty(), m.both().constData(), 10000);
        const int strangerPort = refused.match(m.lobby->matching(refused).first()).captured(1).toInt();

        m.host->process.write("go\n");
        for (const Running *copy : {m.host.get(), m.guest.get()})
            QTRY_VERIFY2_WITH_TIMEOUT(copy->has(QStringLiteral("line lost")), m.both().constData(), 90000);
        const QRegularExpression hostMoved(
            QStringLiteral("relay 198\\.51\\.100\\.11:(\\d+) <-> 198\\.51\\.100\\.12:\\d+: host end moved from 198\\.51\\.100\\.11:(\\d+)"));
        const QRegularExpression guestMoved(
            QStringLiteral("relay 198\\.51\\.100\\.12:(\\d+) <-> 198\\.51\\.100\\.11:\\d+: joiner end moved from 198\\.51\\.100\\.12:(\\d+)"));
        finishMatch(m, 90000);

        // Each end moved once, to a port of its restarted router; Ann's never to the stranger's.
        for (const QRegularExpression *moved : {&hostMoved, &guestMoved}) {
            const QStringList moves = m.lobby->matching(*moved);
            QVERIFY2(moves.size() == 1, m.both().constData());
            const int now = moved->match(moves.first()).captured(1).toInt();
            const int before = moved->match(moves.first()).captured(2).toInt();
            QVERIFY2(now >= RESTARTED_LOW && now <= RESTARTED_HIGH, qPrintable(moves.first()));
            QVERIFY2(before < RESTARTED_LOW || before > RESTARTED_HIGH, qPrintable(moves.first()));
            QVERIFY(moved != &hostMoved || now != strangerPort);
        }
    }

    void directPairingFailsBetweenTwoRouters()
    {
        auto lobby = startLobby({QStringLiteral("--relay"), QStringLiteral("off")});
        QVERIFY(lobby);
        auto host = startCopy(net->home1Ns, QStringLiteral("Ann"), QStringLiteral("0"), false, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(host->has(QStringLiteral("role server")), 20000);
        auto guest = startCopy(net->home2Ns, QStringLiteral("Bob"), QStringLiteral("0"), false, 6000);
        QTRY_COMPARE_WITH_TIMEOUT(guest->process.state(), QProcess::NotRunning, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(lobby->has(QStringLiteral("paired")), 5000);
        QVERIFY(guest->has(QStringLiteral("no partner")));
        QVERIFY(!guest->has(QStringLiteral("role client")));
    }
};

QTEST_GUILESS_MAIN(TestNatRelay)
#include "test_nat_relay.moc"
