// SPDX-License-Identifier: GPL-3.0-or-later
// sorvada-lobby: pairs copies of the game that connect through a server,
// over HTTP (start.asp / end.asp) and over the UDP directory protocol.
#include "lobby/DirectoryServer.h"
#include "lobby/LobbyOptions.h"
#include "lobby/WebLobby.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

using namespace sorvada;

namespace {
void printLine(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sorvada-lobby"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LOBBY_VERSION));

    const LobbyOptions options = parseLobbyOptions(QCoreApplication::arguments());
    if (!options.error.isEmpty()) {
        printLine(stderr, QStringLiteral("sorvada-lobby: %1\n\n%2").arg(options.error, options.helpText));
        return 2;
    }
    if (options.help) {
        printLine(stdout, options.helpText);
        return 0;
    }

    LobbyStats stats;
    WebLobby::Config webConfig;
    webConfig.limits.waitingHosts = options.maxHostsPerAddress;
    WebLobby web(webConfig, &stats);
    DirectoryConfig directoryConfig;
    directoryConfig.relay = options.relay;
    directoryConfig.publicAddress = options.publicAddress;
    directoryConfig.keepAliveMs = options.probeIntervalMs;
    directoryConfig.relays.capacity = options.maxRelays;
    directoryConfig.relays.perAddress = options.maxRelaysPerAddress;
    directoryConfig.relays.silenceMs = options.relaySilenceMs;
    directoryConfig.relays.resumeGraceMs = options.resumeGraceMs;
    directoryConfig.hostsPerAddress = options.maxHostsPerAddress;
    DirectoryServer directory(directoryConfig, &stats);
    web.setFigures([&web, &directory] {
        LobbyFigures f;
        f.count(web.waiting());
        f.count(directory.waiting());
        f.activeRelays = directory.relayed().size();
        return f;
    });
    auto log = [](const QString &event) {
        printLine(stdout, QDateTime::currentDateTime().toString(Qt::ISODate) + QLatin1Char(' ') + event);
    };
    QObject::connect(&web, &WebLobby::pairingEvent, &app, log);
    QObject::connect(&directory, &DirectoryServer::pairingEvent, &app, log);

    const quint16 httpPort = web.listen(options.bind, options.httpPort);
    if (httpPort == 0) {
        printLine(stderr, QStringLiteral("sorvada-lobby: cannot listen on TCP port %1").arg(options.httpPort));
        return 1;
    }
    const quint16 directoryPort = directory.listen(options.bind, options.directoryPort);
    if (directoryPort == 0) {
        printLine(stderr,
                  QStringLiteral("sorvada-lobby: cannot bind UDP port %1").arg(options.directoryPort));
        return 1;
    }
    // The first line names the ports actually bound, so that a caller that
    // asked for port 0 learns which ones it got.
    printLine(stdout, QStringLiteral("sorvada-lobby listening on %1: web lobby TCP port %2, directory UDP port %3")
                          .arg(options.bind.toString())
                          .arg(httpPort)
                          .arg(directoryPort));
    return app.exec();
}
