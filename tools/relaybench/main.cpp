// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/ResidentMemory.h"
// sorvada-relaybench [matches] [lobby program]: starts the real lobby on
// 127.0.0.1 and prints what its relay costs: memory per relayed match (after
// pairing that many matches, each with two endpoints of its own), datagrams
// per second passed through one match, and the latency a relay hop adds
// (round trips through the lobby against direct ones on loopback).
#include "net/PeerRecord.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <cstdio>
#include <thread>
#include <vector>

using namespace sorvada;

namespace {
using Clock = std::chrono::steady_clock;

sockaddr_in address(const char *ip, quint16 port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, ip, &a.sin_addr);
    return a;
}

// A UDP socket bound to ip:port (0: any free), reads time out after 2 s.
int openSocket(const char *ip, quint16 port)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in a = address(ip, port);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr *>(&a), sizeof a) != 0) {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    timeval timeout{2, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    return fd;
}

void sendRecord(int fd, const QByteArray &bytes, const sockaddr_in &to)
{
    sendto(fd, bytes.constData(), size_t(bytes.size()), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
}

// The type of the next record, or -1 when none came in time.
int receiveType(int fd, sockaddr_in *from = nullptr)
{
    char buffer[RECORD_SIZE + 1];
    socklen_t length = sizeof(sockaddr_in);
    const ssize_t n = recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(from), from ? &length : nullptr);
    return n == RECORD_SIZE ? uint8_t(buffer[0]) : -1;
}

QByteArray bare(uint8_t type)
{
    PeerRecord r;
    r.writeBare(type);
    return r.toByteArray();
}

// Host asks and waits, guest asks, host answers the lobby's probe, guest is
// told JOIN_PEER. True when it is the lobby's own port (the match is relayed).
bool pairThroughRelay(int host, int guest, const sockaddr_in &lobby)
{
    PeerRecord request;
    request.writeDirectoryRequest(GAME_KIND);
    sendRecord(host, request.toByteArray(), lobby);
    if (receiveType(host) != BECOME_SERVER)
        return false;
    sendRecord(guest, request.toByteArray(), lobby);
    if (receiveType(host) != PROBE)
        return false;
    sendRecord(host, bare(PROBE), lobby);
    char buffer[RECORD_SIZE];
    if (recv(guest, buffer, sizeof buffer, 0) != RECORD_SIZE || uint8_t(buffer[0]) != JOIN_PEER)
        return false;
    PeerRecord answer;
    answer.assign(QByteArray(buffer, RECORD_SIZE));
    return answer.joinPeerPort() == ntohs(lobby.sin_port);
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// Round trips of one record from `a` to `to`, echoed by `b` to whoever sent it, in microseconds.
std::vector<double> roundTrips(int a, int b, const sockaddr_in &to, int count)
{
    std::atomic<bool> stop{false};
    std::thread echo([&] {
        char buffer[RECORD_SIZE + 1];
        while (!stop) {
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t n = recvfrom(b, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &length);
            if (n > 0)
                sendto(b, buffer, size_t(n), 0, reinterpret_cast<sockaddr *>(&from), length);
        }
    });
    PeerRecord move;
    move.writeLeg(MOVE, 1, 2, 0);
    const QByteArray bytes = move.toByteArray();
    std::vector<double> out;
    char buffer[RECORD_SIZE + 1];
    int lost = 0;
    for (int i = 0; i < count && lost < 10; ++i) {
        const auto start = Clock::now();
        sendRecord(a, bytes, to);
        if (recv(a, buffer, sizeof buffer, 0) != RECORD_SIZE) {
            ++lost; // each costs the 2 s read time-out: give up after a few
            continue;
        }
        out.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    stop = true;
    sendRecord(a, bytes, to); // wakes the echo thread
    echo.join();
    return out;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int matches = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    const QString program = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(DEFAULT_LOBBY_PROGRAM);

    // The lobby logs a line per pairing: into a file, so that it never waits on a full pipe.
    QTemporaryFile log;
    if (!log.open()) {
        std::fprintf(stderr, "no log file\n");
        return 1;
    }
    QProcess lobby;
    lobby.setStandardOutputFile(log.fileName());
    lobby.start(program, {QStringLiteral("--bind"), QStringLiteral("127.0.0.1"), QStringLiteral("--http-port"),
                          QStringLiteral("0"), QStringLiteral("--directory-port"), QStringLiteral("0"),
                          QStringLiteral("--probe-interval"), QStringLiteral("600000"),
                          QStringLiteral("--max-relays"), QString::number(matches + 1),
                          // Every copy here is 127.0.0.1: lift the share of one address.
                          QStringLiteral("--max-relays-per-address"), QString::number(matches + 1),
                          QStringLiteral("--max-hosts-per-address"), QStringLiteral("1000000")});
    const QRegularExpression portLine(QStringLiteral("directory UDP port (\\d+)"));
    QRegularExpressionMatch m;
    for (int i = 0; i < 100 && !m.hasMatch() && lobby.state() != QProcess::NotRunning; ++i) {
        lobby.waitForFinished(100);
        QFile first(log.fileName());
        if (first.open(QIODevice::ReadOnly))
            m = portLine.match(QString::fromLocal8Bit(first.readLine()));
    }
    if (!m.hasMatch()) {
        std::fprintf(stderr, "lobby did not name its port\n");
        return 1;
    }
    const quint16 port = quint16(m.captured(1).toUInt());
    const sockaddr_in lobbyAddress = address("127.0.0.1", port);

    // Memory: the hosts on 127.0.0.2, the guests on 127.0.0.3, one port each,
    // so every match has two endpoints of its own. Sockets are closed once
    // paired; the lobby keeps the match until its ends fall silent.
    const long before = residentKiB(lobby.processId());
    const auto pairingStart = Clock::now();
    int relayed = 0;
    for (int i = 0; i < matches; ++i) {
        const int host = openSocket("127.0.0.2", quint16(20000 + i % 40000));
        const int guest = openSocket("127.0.0.3", quint16(20000 + i % 40000));
        if (host >= 0 && guest >= 0 && pairThroughRelay(host, guest, lobbyAddress))
            ++relayed;
        close(host);
        close(guest);
    }
    const double pairingSeconds = std::chrono::duration<double>(Clock::now() - pairingStart).count();
    const long after = residentKiB(lobby.processId());
    std::printf("relayed matches: %d of %d paired in %.1f s; lobby resident %ld KiB -> %ld KiB = %.0f bytes per match\n",
                relayed, matches, pairingSeconds, before, after,
                relayed > 0 ? double(after - before) * 1024.0 / relayed : 0.0);

    // One live match for throughput and latency.
    const int a = openSocket("127.0.0.1", 0), b = openSocket("127.0.0.1", 0);
    if (!pairThroughRelay(a, b, lobbyAddress)) {
        std::fprintf(stderr, "could not pair the measuring match\n");
        return 1;
    }
    int buffer = 4 << 20;
    setsockopt(b, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);

    // Throughput: a sends through the lobby to b, at most `window` ahead of what b has read.
    constexpr int window = 128;
    constexpr double seconds = 3.0;
    std::atomic<long> received{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable readMore;
    std::thread reader([&] {
        char data[RECORD_SIZE + 1];
        while (!stop)
            if (recv(b, data, sizeof data, 0) == RECORD_SIZE && ++received % 16 == 0)
                readMore.notify_one();
    });
    PeerRecord move;
    move.writeLeg(MOVE, 1, 2, 0);
    const QByteArray bytes = move.toByteArray();
    long sent = 0;
    const auto start = Clock::now();
    while (std::chrono::duration<double>(Clock::now() - start).count() < seconds) {
        if (sent - received < window) {
            sendRecord(a, bytes, lobbyAddress);
            ++sent;
        } else {
            // Wait without spinning: the lobby needs the processor more than we do.
            std::unique_lock<std::mutex> lock(mutex);
            readMore.wait_for(lock, std::chrono::milliseconds(1));
        }
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const long got = received;
    stop = true;
    sendRecord(a, bytes, lobbyAddress);
    reader.join();
    std::printf("relay throughput: %ld datagrams passed on in %.2f s = %.0f datagrams/s (%ld sent, window %d)\n", got,
                elapsed, got / elapsed, sent, window);

    // Latency: round trips through the lobby (two relay hops) against direct ones.
    // Drain what the throughput run left (each loop ends with one read time-out).
    while (receiveType(b) >= 0) {
    }
    while (receiveType(a) >= 0) {
    }
    sockaddr_in bAddress{};
    socklen_t length = sizeof bAddress;
    getsockname(b, reinterpret_cast<sockaddr *>(&bAddress), &length);
    const std::vector<double> direct = roundTrips(a, b, bAddress, 20000);
    const std::vector<double> through = roundTrips(a, b, lobbyAddress, 20000);
    const double base = percentile(direct, 0.5);
    std::vector<double> added;
    for (double rtt : through)
        added.push_back(std::max(0.0, (rtt - base) / 2));
    std::printf("round trip direct: p50 %.1f us, p99 %.1f us; through the relay: p50 %.1f us, p99 %.1f us\n", base,
                percentile(direct, 0.99), percentile(through, 0.5), percentile(through, 0.99));
    std::printf("added latency per relay hop: p50 %.1f us, p99 %.1f us (%zu samples)\n", percentile(added, 0.5),
                percentile(added, 0.99), added.size());

    lobby.terminate();
    lobby.waitForFinished(5000);
    return 0;
}
