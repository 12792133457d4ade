// SPDX-License-Identifier: GPL-3.0-or-later
// A whole match between two complete copies of the game, each in a home
// behind its own address-translating router, paired by the real lobby on the
// public side: moves both ways, a chat line, a pause longer than the routers
// keep a mapping, more moves, then one player leaves. With the relay off the
// same pairing must fail, which shows that the routers really filter.
#include "NatTopology.h"

#include <QProcess>
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
    bool has(const QString &text) const
    {
        for (const QString &line : lines)
            if (line.contains(text))
                return true;
        return false;
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
    std::unique_ptr<Running> startCopy(const QString &ns, const QString &name, int idleMs, bool quitter, int joinLimitMs)
    {
        auto copy = std::make_unique<Running>();
        copy->start(net->inside(ns, QStringLiteral(COPY_PROGRAM),
                                {LOBBY_ADDRESS, name, QStringLiteral("3"), QString::number(idleMs), QStringLiteral("3"),
                                 quitter ? QStringLiteral("1") : QStringLiteral("0"), QString::number(joinLimitMs)}));
        return copy;
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty()
            && QStandardPaths::findExecutable(QStringLiteral("ip"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")}).isEmpty())
            QSKIP("'ip' (iproute2) is not installed: cannot build the network namespaces");
        if (QStandardPaths::findExecutable(QStringLiteral("nft")).isEmpty()
            && QStandardPaths::findExecutable(QStringLiteral("nft"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")}).isEmpty())
            QSKIP("'nft' (nftables) is not installed: cannot build the routers");
        if (geteuid() != 0)
            QSKIP("not root: network namespaces cannot be made");
        net = std::make_unique<NatTopology>(ROUTER_UDP_TIMEOUT_S);
        QVERIFY2(net->build(), qPrintable(net->error));
    }

    void cleanupTestCase() { net.reset(); }

    void wholeMatchThroughTheRelay()
    {
        auto lobby = startLobby({});
        QVERIFY(lobby);
        auto host = startCopy(net->home1Ns, QStringLiteral("Ann"), IDLE_MS, false, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(host->has(QStringLiteral("role server")), 20000);
        auto guest = startCopy(net->home2Ns, QStringLiteral("Bob"), 0, true, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(guest->has(QStringLiteral("role client")), 20000);
        QVERIFY(lobby->has(QStringLiteral("through the relay at 198.51.100.1:8100")));

        const auto both = [&] {
            return (QStringLiteral("host:\n") + host->lines.join(QLatin1Char('\n')) + QStringLiteral("\nguest:\n")
                    + guest->lines.join(QLatin1Char('\n')) + QStringLiteral("\nlobby:\n") + lobby->lines.join(QLatin1Char('\n')))
                .toLocal8Bit();
        };
        QTRY_VERIFY2_WITH_TIMEOUT(host->has(QStringLiteral("chat received")), both().constData(), 30000);
        QTRY_VERIFY2_WITH_TIMEOUT(host->has(QStringLiteral("idle")), both().constData(), 30000);
        // After the pause, past the routers' time-out, the match goes on and
        // ends when the guest leaves.
        QTRY_VERIFY2_WITH_TIMEOUT(guest->has(QStringLiteral("quitting")), both().constData(), IDLE_MS + 30000);
        QTRY_VERIFY2_WITH_TIMEOUT(host->has(QStringLiteral("opponent quitted")), both().constData(), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(host->process.state(), QProcess::NotRunning, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(guest->process.state(), QProcess::NotRunning, 20000);
        QCOMPARE(host->process.exitCode(), 0);
        QCOMPARE(guest->process.exitCode(), 0);
        // Each played its six moves, and both end on the same position.
        QVERIFY2(host->has(QStringLiteral("moved 6")) && guest->has(QStringLiteral("moved 6")), both().constData());
        QCOMPARE(guest->lastBoard(), host->lastBoard());
    }

    void directPairingFailsBetweenTwoRouters()
    {
        auto lobby = startLobby({QStringLiteral("--relay"), QStringLiteral("off")});
        QVERIFY(lobby);
        auto host = startCopy(net->home1Ns, QStringLiteral("Ann"), 0, false, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(host->has(QStringLiteral("role server")), 20000);
        auto guest = startCopy(net->home2Ns, QStringLiteral("Bob"), 0, false, 6000);
        QTRY_COMPARE_WITH_TIMEOUT(guest->process.state(), QProcess::NotRunning, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(lobby->has(QStringLiteral("paired")), 5000);
        QVERIFY(guest->has(QStringLiteral("no partner")));
        QVERIFY(!guest->has(QStringLiteral("role client")));
    }
};

QTEST_GUILESS_MAIN(TestNatRelay)
#include "test_nat_relay.moc"
