#include "LobbyOptions.h"

#include <QCommandLineParser>

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
    parser.addOption(helpOption);
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
