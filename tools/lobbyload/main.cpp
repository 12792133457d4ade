// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/ResidentMemory.h"
// sorvada-lobbyload: starts a lobby on free ports of 127.0.0.1 and measures
// how many pairs per second it makes over HTTP and over the UDP directory,
// then its resident memory after a burst of start queries.
//
// Usage: sorvada-lobbyload [--lobby PROGRAM] [--pairs N] [--burst N] [--parallel N]
#include "net/PeerRecord.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkDatagram>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <QUdpSocket>

#include <cstdio>
#include <functional>
#include <memory>

using namespace sorvada;

namespace {

// Runs `total` jobs with at most `parallel` in flight; each job calls done() once.
// Gives up after the time limit so that the program always stops by itself.
bool runJobs(int total, int parallel, const std::function<void(int, std::function<void()>)> &job,
             int limitMs = 120000)
{
    QEventLoop loop;
    int started = 0, finished = 0;
    std::function<void()> launch = [&] {
        const int index = started++;
        job(index, [&] {
            if (++finished == total)
                loop.quit();
            else if (started < total)
                launch();
        });
    };
    for (int i = 0; i < std::min(parallel, total); ++i)
        launch();
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    if (finished < total)
        loop.exec();
    return finished == total;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures a sorvada-lobby over loopback."));
    parser.addHelpOption();
    const QCommandLineOption lobbyOption(QStringLiteral("lobby"), QStringLiteral("The lobby program."),
                                         QStringLiteral("PROGRAM"), QStringLiteral(DEFAULT_LOBBY_PROGRAM));
    const QCommandLineOption pairsOption(QStringLiteral("pairs"), QStringLiteral("Pairs to make each way."),
                                         QStringLiteral("N"), QStringLiteral("2000"));
    const QCommandLineOption burstOption(QStringLiteral("burst"), QStringLiteral("Start queries in the burst."),
                                         QStringLiteral("N"), QStringLiteral("10000"));
    const QCommandLineOption parallelOption(QStringLiteral("parallel"), QStringLiteral("Requests in flight."),
                                            QStringLiteral("N"), QStringLiteral("1"));
    parser.addOption(lobbyOption);
    parser.addOption(pairsOption);
    parser.addOption(burstOption);
    parser.addOption(parallelOption);
    parser.process(app);
    const int pairs = std::clamp(parser.value(pairsOption).toInt(), 1, 100000);
    const int burst = std::clamp(parser.value(burstOption).toInt(), 1, 100000);
    const int parallel = std::clamp(parser.value(parallelOption).toInt(), 1, 64);

    QProcess lobby;
    lobby.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    lobby.start(parser.value(lobbyOption), {QStringLiteral("--http-port"), QStringLiteral("0"),
                                            QStringLiteral("--directory-port"), QStringLiteral("0"),
                                            QStringLiteral("--bind"), QStringLiteral("127.0.0.1"),
                                            // Every copy here is 127.0.0.1: lift the share of one address.
                                            QStringLiteral("--max-hosts-per-address"), QStringLiteral("1000000"),
                                            QStringLiteral("--max-relays-per-address"), QStringLiteral("1000000")});
    if (!lobby.waitForStarted(10000) || !lobby.waitForReadyRead(10000)) {
        std::fprintf(stderr, "sorvada-lobbyload: the lobby did not start\n");
        return 1;
    }
    const QString first = QString::fromLocal8Bit(lobby.readLine());
    const QRegularExpressionMatch ports =
        QRegularExpression(QStringLiteral("TCP port (\\d+), directory UDP port (\\d+)")).match(first);
    if (!ports.hasMatch()) {
        std::fprintf(stderr, "sorvada-lobbyload: unexpected first line: %s", qPrintable(first));
        return 1;
    }
    // The lobby logs every event; drain it so it never blocks on a full pipe.
    QObject::connect(&lobby, &QProcess::readyReadStandardOutput, [&] { lobby.readAllStandardOutput(); });
    const quint16 httpPort = quint16(ports.captured(1).toUInt());
    const quint16 directoryPort = quint16(ports.captured(2).toUInt());
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(httpPort);
    std::printf("lobby on 127.0.0.1: web port %u, directory port %u; resident memory at start %ld KiB\n",
                httpPort, directoryPort, residentKiB(lobby.processId()));

    QNetworkAccessManager web;
    web.setProxy(QNetworkProxy::NoProxy);
    auto get = [&](const QString &path, std::function<void(QByteArray)> then) {
        QNetworkReply *reply = web.get(QNetworkRequest(QUrl(base + path)));
        QObject::connect(reply, &QNetworkReply::finished, [reply, then] {
            then(reply->readAll());
            reply->deleteLater();
        });
    };

    // Web pairs: a host asks and is told to wait, a guest asks and is sent to
    // a waiting host, and that host ends. Three queries make one pair.
    int webPairs = 0;
    QElapsedTimer clock;
    clock.start();
    const bool webDone = runJobs(pairs, parallel, [&](int i, std::function<void()> done) {
        const quint16 hostPort = quint16(1 + (2 * i) % 60000);
        const quint16 guestPort = quint16(hostPort + 1);
        get(QStringLiteral("/start.asp?type=4&port=%1&mode=WANT_CONNECT&ID=").arg(hostPort), [&, guestPort, done](QByteArray) {
            get(QStringLiteral("/start.asp?type=4&port=%1&mode=WANT_CONNECT&ID=").arg(guestPort),
                [&, guestPort, done](QByteArray answer) {
                    const QList<QByteArray> fields = answer.trimmed().split('/');
                    // A guest told to wait is a host too; strike it off again.
                    const QByteArray ending = fields.value(0) == "Client" ? fields.value(2)
                                                                          : QByteArray::number(guestPort);
                    if (fields.value(0) == "Client")
                        ++webPairs;
                    get(QStringLiteral("/end.asp?port=%1&mode=Server").arg(QString::fromLatin1(ending)),
                        [done](QByteArray) { done(); });
                });
        });
    });
    const double webSeconds = clock.elapsed() / 1000.0;
    std::printf("web lobby: %d pairs in %.2f s = %.0f pairs/s (%d requests in flight)%s\n", webPairs, webSeconds,
                webPairs / webSeconds, parallel, webDone ? "" : " [time limit reached]");

    // Directory pairs, one after another (two copies asking at once could be
    // paired with each other's partners): host asks and is told BECOME_SERVER,
    // guest asks, the lobby probes the host, the host answers, the guest is
    // told JOIN_PEER.
    int directoryPairs = 0;
    const QHostAddress loopback(QHostAddress::LocalHost);
    PeerRecord request;
    request.writeDirectoryRequest(GAME_KIND);
    const QByteArray requestBytes = request.toByteArray();
    clock.restart();
    const bool directoryDone = runJobs(pairs, 1, [&](int, std::function<void()> done) {
        auto host = std::make_shared<QUdpSocket>();
        auto guest = std::make_shared<QUdpSocket>();
        host->bind(loopback, 0);
        guest->bind(loopback, 0);
        QObject::connect(host.get(), &QUdpSocket::readyRead, host.get(), [h = host.get(), g = guest.get(), &requestBytes, loopback, directoryPort] {
            while (h->hasPendingDatagrams()) {
                PeerRecord r;
                if (!r.assign(h->receiveDatagram().data()))
                    continue;
                if (r.type() == BECOME_SERVER)
                    g->writeDatagram(requestBytes, loopback, directoryPort);
                else if (r.type() == PROBE)
                    h->writeDatagram(r.toByteArray(), loopback, directoryPort);
            }
        });
        QObject::connect(guest.get(), &QUdpSocket::readyRead, guest.get(), [host, guest, done, &directoryPairs] {
            while (guest->hasPendingDatagrams()) {
                PeerRecord r;
                if (r.assign(guest->receiveDatagram().data()) && r.type() == JOIN_PEER) {
                    ++directoryPairs;
                    // This handler belongs to guest: let both sockets go once it has returned.
                    QTimer::singleShot(0, [host, guest] {
                        host->disconnect();
                        guest->disconnect();
                    });
                    done();
                    return;
                }
            }
        });
        host->writeDatagram(requestBytes, loopback, directoryPort);
    }, 60000);
    const double directorySeconds = clock.elapsed() / 1000.0;
    std::printf("directory: %d pairs in %.2f s = %.0f pairs/s (one pairing at a time)%s\n", directoryPairs,
                directorySeconds, directoryPairs / directorySeconds,
                directoryDone ? "" : " [time limit reached]");

    // The burst: start queries from as many different ports, most of them
    // told to wait, so the queue fills to its bound.
    const long before = residentKiB(lobby.processId());
    int failed = 0;
    clock.restart();
    runJobs(burst, parallel, [&](int i, std::function<void()> done) {
        QNetworkReply *reply = web.get(QNetworkRequest(QUrl(
            base + QStringLiteral("/start.asp?type=4&port=%1&mode=WANT_CONNECT&ID=").arg(1 + (i * 7) % 65535))));
        QObject::connect(reply, &QNetworkReply::finished, [&failed, reply, done] {
            failed += reply->error() != QNetworkReply::NoError;
            reply->deleteLater();
            done();
        });
    });
    const double burstSeconds = clock.elapsed() / 1000.0;
    std::printf("burst: %d start queries in %.2f s (%.0f requests/s), %d failed; resident memory %ld KiB before, "
                "%ld KiB after\n",
                burst, burstSeconds, burst / burstSeconds, failed, before, residentKiB(lobby.processId()));

    lobby.terminate();
    if (!lobby.waitForFinished(5000))
        lobby.kill();
    return webDone && directoryDone && failed == 0 ? 0 : 1;
}
