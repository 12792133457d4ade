// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobby/LobbyOptions.h"

#include <QCommandLineParser>

#include <utility>

namespace sorvada {

namespace {
bool readPort(const QString &text, quint16 &port)
{
    bool ok = false;
    const uint value = text.toUInt(&ok, 10);
    if (!ok || value > 65535)
        return false;
    port = quint16(value);
    return true;
}
// A count between `least` and a million; false when the text is none.
bool readCount(const QString &text, int least, int &count)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < least || value > 1000000)
        return false;
    count = value;
    return true;
}
} // namespace

LobbyOptions parseLobbyOptions(const QStringList &arguments)
{
    LobbyOptions options;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Matchmaking lobby for Sorvada: pairs two copies of the game that chose to connect\n"
        "through a server. Players type \"http://<this host>:<http port>\" for the web lobby,\n"
        "or this host's name for the directory server (it must then use UDP port 8100)."));
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Show this help and exit."));
    const QCommandLineOption httpOption(QStringLiteral("http-port"),
                                        QStringLiteral("TCP port of the web lobby (default 8080, 0 any free)."),
                                        QStringLiteral("N"));
    const QCommandLineOption directoryOption(
        QStringLiteral("directory-port"),
        QStringLiteral("UDP port of the directory server (default 8100, 0 any free)."), QStringLiteral("N"));
    const QCommandLineOption bindOption(QStringLiteral("bind"),
                                        QStringLiteral("Listen on this address only (default all IPv4 interfaces)."),
                                        QStringLiteral("ADDRESS"));
    const QCommandLineOption publicOption(
        QStringLiteral("public-address"),
        QStringLiteral("Address that relayed joiners are told to join (default: the address "
                       "each joiner's request arrived on)."),
        QStringLiteral("ADDRESS"));
    const QCommandLineOption relayOption(
        QStringLiteral("relay"),
        QStringLiteral("on: directory pairings pass through the lobby, which works through home "
                       "routers (default); off: joiners are sent to the host's own address."),
        QStringLiteral("on|off"));
    const QCommandLineOption maxRelaysOption(
        QStringLiteral("max-relays"),
        QStringLiteral("Relayed matches at most (default 10000); beyond, directory pairings are refused."),
        QStringLiteral("N"));
    const QCommandLineOption hostsPerAddressOption(
        QStringLiteral("max-hosts-per-address"),
        QStringLiteral("Waiting hosts from one address at most, in the web lobby and in the directory "
                       "each (default 8); a newer one pushes out the oldest of its address."),
        QStringLiteral("N"));
    const QCommandLineOption relaysPerAddressOption(
        QStringLiteral("max-relays-per-address"),
        QStringLiteral("Relayed matches with an end at one address at most (default 8); beyond, "
                       "its pairings are refused."),
        QStringLiteral("N"));
    const QCommandLineOption probeOption(
        QStringLiteral("probe-interval"),
        QStringLiteral("Milliseconds between probes of waiting hosts and relayed copies, which "
                       "also keep their routers' doors open (default 20000)."),
        QStringLiteral("MS"));
    const QCommandLineOption silenceOption(
        QStringLiteral("relay-silence"),
        QStringLiteral("Milliseconds an end of a relayed match may stay silent before the other "
                       "end is sent QUIT on its behalf (default 45000)."),
        QStringLiteral("MS"));
    const QCommandLineOption resumeOption(
        QStringLiteral("resume-grace"),
        QStringLiteral("The same for a relayed match whose two copies wait out a lost connection, "
                       "and how long such a match is kept for its ends to come back (default 130000; "
                       "never shorter than --relay-silence)."),
        QStringLiteral("MS"));
    parser.addOption(helpOption);
    parser.addOption(publicOption);
    parser.addOption(relayOption);
    parser.addOption(maxRelaysOption);
    parser.addOption(hostsPerAddressOption);
    parser.addOption(relaysPerAddressOption);
    parser.addOption(probeOption);
    parser.addOption(silenceOption);
    parser.addOption(resumeOption);
    parser.addOption(httpOption);
    parser.addOption(directoryOption);
    parser.addOption(bindOption);
    options.helpText = parser.helpText();

    if (!parser.parse(arguments)) {
        options.error = parser.errorText();
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.error = QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first());
        return options;
    }
    options.help = parser.isSet(helpOption);
    if (parser.isSet(httpOption) && !readPort(parser.value(httpOption), options.httpPort)) {
        options.error = QStringLiteral("bad --http-port: %1").arg(parser.value(httpOption));
        return options;
    }
    if (parser.isSet(directoryOption) && !readPort(parser.value(directoryOption), options.directoryPort)) {
        options.error = QStringLiteral("bad --directory-port: %1").arg(parser.value(directoryOption));
        return options;
    }
    if (parser.isSet(publicOption)) {
        // Carried as text in JOIN_PEER, whose address field ends well before the record does.
        options.publicAddress = parser.value(publicOption);
        if (options.publicAddress.isEmpty() || options.publicAddress.size() > 255
            || options.publicAddress.contains(QLatin1Char(' '))) {
            options.error = QStringLiteral("bad --public-address: %1").arg(options.publicAddress);
            return options;
        }
    }
    if (parser.isSet(relayOption)) {
        const QString relay = parser.value(relayOption);
        if (relay != QLatin1String("on") && relay != QLatin1String("off")) {
            options.error = QStringLiteral("bad --relay: %1 (on or off)").arg(relay);
            return options;
        }
        options.relay = relay == QLatin1String("on");
    }
    if (parser.isSet(maxRelaysOption)) {
        bool ok = false;
        options.maxRelays = parser.value(maxRelaysOption).toInt(&ok, 10);
        if (!ok || options.maxRelays < 0 || options.maxRelays > 1000000) {
            options.error = QStringLiteral("bad --max-relays: %1").arg(parser.value(maxRelaysOption));
            return options;
        }
    }
    if (parser.isSet(hostsPerAddressOption)
        && !readCount(parser.value(hostsPerAddressOption), 1, options.maxHostsPerAddress)) {
        options.error = QStringLiteral("bad --max-hosts-per-address: %1").arg(parser.value(hostsPerAddressOption));
        return options;
    }
    if (parser.isSet(relaysPerAddressOption)
        && !readCount(parser.value(relaysPerAddressOption), 1, options.maxRelaysPerAddress)) {
        options.error = QStringLiteral("bad --max-relays-per-address: %1").arg(parser.value(relaysPerAddressOption));
        return options;
    }
    if (parser.isSet(probeOption)) {
        bool ok = false;
        options.probeIntervalMs = parser.value(probeOption).toInt(&ok, 10);
        if (!ok || options.probeIntervalMs < 100 || options.probeIntervalMs > 3600000) {
            options.error = QStringLiteral("bad --probe-interval: %1").arg(parser.value(probeOption));
            return options;
        }
    }
    // Milliseconds between a tenth of a second and an hour.
    for (const auto &[option, value] : {std::pair{&silenceOption, &options.relaySilenceMs},
                                        std::pair{&resumeOption, &options.resumeGraceMs}}) {
        if (!parser.isSet(*option))
            continue;
        bool ok = false;
        *value = parser.value(*option).toInt(&ok, 10);
        if (!ok || *value < 100 || *value > 3600000) {
            options.error = QStringLiteral("bad --%1: %2").arg(option->names().first(), parser.value(*option));
            return options;
        }
    }
    if (parser.isSet(bindOption)) {
        QHostAddress address;
        if (!address.setAddress(parser.value(bindOption))) {
            options.error = QStringLiteral("bad --bind address: %1").arg(parser.value(bindOption));
            return options;
        }
        options.bind = address;
    }
    return options;
}

} // namespace sorvada
