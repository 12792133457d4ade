// SPDX-License-Identifier: GPL-3.0-or-later
// Prints how fast the peer link is on this machine:
//  1. the time from SendReliable on one copy to LINK_RECEIVED on the other over loopback,
//     one record at a time (each waits for the previous acknowledgement), median and 99th
//     percentile;
//  2. how long a burst of records takes to be delivered, in order, through a relay that drops
//     a share of the datagrams in each direction, with a short retransmission interval;
//  3. with --outages N, two copies that resume, with the game's own timings, through a relay
//     that goes dark N times: each time until the host, whose move is in flight, has counted
//     the line lost, and a few seconds more; then the time from the line coming back to the
//     move's delivery, median and worst.
// Only 127.0.0.1 and ephemeral ports are used.

#include "net/PeerSocket.h"
#include "sim/LossyRelay.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace sorvada;

namespace {

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QTimer tick; // keeps the loop waking up even when nothing arrives
    tick.start(50);
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

PeerSocket::Config config(quint16 gamePort, int retransmitMs)
{
    PeerSocket::Config c;
    c.gamePort = gamePort;
    c.retransmitMs = retransmitMs;
    return c;
}

bool link(PeerSocket &host, PeerSocket &client)
{
    return client.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND)
        && waitUntil([&] { return client.role == ROLE_CLIENT && host.peerPort(1) != 0; }, 5000);
}

double percentile(std::vector<double> sorted, double p)
{
    std::sort(sorted.begin(), sorted.end());
    const size_t index = std::min(sorted.size() - 1, size_t(p * double(sorted.size() - 1) + 0.5));
    return sorted[index];
}

int latency(int count)
{
    PeerSocket host(config(0, 1000));
    if (!host.Start(1, QString(), START_HOST, GAME_KIND))
        return 1;
    PeerSocket client(config(host.localPort(), 1000));
    if (!link(host, client))
        return 1;

    QElapsedTimer clock;
    qint64 arrivedAt = 0;
    int received = 0;
    QObject::connect(
        &host, &PeerSocket::linkEvent, &host,
        [&](unsigned event, int) {
            if (event == LINK_RECEIVED) {
                arrivedAt = clock.nsecsElapsed();
                ++received;
            }
        },
        Qt::DirectConnection);

    std::vector<double> micros;
    clock.start();
    for (int i = 0; i < count; ++i) {
        client.sendRecord.writeLeg(MOVE, uint8_t(i % 64), uint8_t((i + 9) % 64), 0);
        const qint64 sentAt = clock.nsecsElapsed();
        client.SendReliable(0);
        if (!waitUntil([&] { return received == i + 1 && client.queuedCount(0) == 0; }, 5000)) {
            std::printf("record %d was not delivered\n", i);
            return 1;
        }
        micros.push_back(double(arrivedAt - sentAt) / 1000.0);
    }
    std::printf("loopback, %d records one at a time: SendReliable -> LINK_RECEIVED median %.1f us, "
                "99th percentile %.1f us, worst %.1f us\n",
                count, percentile(micros, 0.5), percentile(micros, 0.99), percentile(micros, 1.0));
    return 0;
}

int lossy(int count, double drop, int retransmitMs, unsigned seed)
{
    PeerSocket host(config(0, retransmitMs));
    if (!host.Start(1, QString(), START_HOST, GAME_KIND))
        return 1;
    LossyRelay relay(host.localPort(), seed);
    PeerSocket client(config(relay.frontPort(), retransmitMs));
    if (!link(host, client))
        return 1;

    std::vector<uint32_t> order;
    QObject::connect(
        &host, &PeerSocket::linkEvent, &host,
        [&](unsigned event, int) {
            if (event == LINK_RECEIVED)
                order.push_back(host.recvRecord.readU32(5));
        },
        Qt::DirectConnection);
    relay.setFaults({drop, 0.0, 0.0});

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        client.sendRecord.setType(MOVE);
        client.sendRecord.writeU32(5, uint32_t(i));
        client.SendReliable(0);
    }
    const bool done = waitUntil([&] { return int(order.size()) >= count; }, 600000);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    bool inOrder = int(order.size()) == count;
    for (size_t i = 0; inOrder && i < order.size(); ++i)
        inOrder = order[i] == i;
    std::printf("relay dropping %.0f %% each way, retransmission every %d ms: %d records delivered "
                "in %.2f s (%.1f ms per record), %s; relay passed %d and dropped %d datagrams\n",
                drop * 100, retransmitMs, int(order.size()), seconds, seconds * 1000 / count,
                done && inOrder ? "in order, once each" : "NOT complete or out of order",
                relay.counts().passed, relay.counts().dropped);
    return done && inOrder ? 0 : 1;
}

int outages(int count, unsigned seed)
{
    PeerSocket host(config(0, 1000));
    if (!host.Start(1, QString(), START_HOST, GAME_KIND))
        return 1;
    LossyRelay relay(host.localPort(), seed);
    PeerSocket client(config(relay.frontPort(), 1000));
    if (!link(host, client))
        return 1;
    int delivered = 0;
    QObject::connect(&client, &PeerSocket::linkEvent, &client, [&](unsigned event, int) {
        delivered += event == LINK_RECEIVED;
    }, Qt::DirectConnection);
    // The greetings announce that both resume, and give the client the match's token.
    client.sendRecord.writeGreeting(0, "client");
    client.SendReliable(0);
    if (!waitUntil([&] { return host.peerResumes() && client.queuedCount(0) == 0; }, 5000))
        return 1;
    host.sendRecord.writeGreeting(VARIANT_RUSSIAN, "host");
    host.SendReliable(1);
    if (!waitUntil([&] { return delivered == 1 && client.peerResumes() && host.queuedCount(1) == 0; }, 5000))
        return 1;

    uint64_t state = seed;
    std::vector<double> seconds;
    for (int i = 0; i < count; ++i) {
        relay.setDark(true);
        host.sendRecord.writeLeg(MOVE, 42, 35, 0);
        host.SendReliable(1);
        if (!waitUntil([&] { return host.inGrace(); }, 30000))
            return 1;
        // The line comes back anywhere in the resends' pattern.
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        QElapsedTimer extra;
        extra.start();
        const int extraMs = int((state >> 33) % 6000);
        waitUntil([&] { return extra.elapsed() >= extraMs; }, extraMs + 1000);
        relay.setDark(false);
        QElapsedTimer back;
        back.start();
        const int before = delivered;
        if (!waitUntil([&] { return delivered > before && !host.inGrace() && host.queuedCount(1) == 0; }, 60000)) {
            std::printf("outage %d: the move was not delivered\n", i + 1);
            return 1;
        }
        seconds.push_back(double(back.nsecsElapsed()) / 1e9);
    }
    std::printf("%d outages, each longer than ten sends: line back -> the move made in the dark delivered "
                "median %.2f s, worst %.2f s\n",
                count, percentile(seconds, 0.5), percentile(seconds, 1.0));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures the peer link over loopback."));
    parser.addHelpOption();
    const QCommandLineOption countOption(QStringLiteral("count"), QStringLiteral("Records per run."),
                                         QStringLiteral("n"), QStringLiteral("1000"));
    const QCommandLineOption dropOption(QStringLiteral("drop"), QStringLiteral("Share dropped each way."),
                                        QStringLiteral("p"), QStringLiteral("0.2"));
    const QCommandLineOption retransmitOption(QStringLiteral("retransmit-ms"),
                                              QStringLiteral("Retransmission interval for the lossy run."),
                                              QStringLiteral("ms"), QStringLiteral("20"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed of the relay."),
                                        QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption outagesOption(QStringLiteral("outages"),
                                           QStringLiteral("Outages of the line to measure (0: none)."),
                                           QStringLiteral("n"), QStringLiteral("0"));
    parser.addOptions({countOption, dropOption, retransmitOption, seedOption, outagesOption});
    parser.process(app);

    const int count = std::max(1, parser.value(countOption).toInt());
    const double drop = std::clamp(parser.value(dropOption).toDouble(), 0.0, 0.9);
    const int retransmitMs = std::max(1, parser.value(retransmitOption).toInt());
    if (latency(count) != 0)
        return 1;
    if (lossy(count, drop, retransmitMs, parser.value(seedOption).toUInt()) != 0)
        return 1;
    const int outageCount = std::max(0, parser.value(outagesOption).toInt());
    return outageCount == 0 ? 0 : outages(outageCount, parser.value(seedOption).toUInt());
}
