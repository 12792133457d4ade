// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QHostAddress>
#include <QString>
#include <QStringList>

namespace sorvada {

// What the lobby is told on its command line.
struct LobbyOptions
{
    quint16 httpPort = 8080;
    quint16 directoryPort = 8100;
    // The game link is IPv4 only, so "all interfaces" means all IPv4 ones.
    QHostAddress bind = QHostAddress(QHostAddress::AnyIPv4);
    QString publicAddress;     // empty: the address each joiner reached
    bool relay = true;
    int maxRelays = 10000;
    int maxHostsPerAddress = 8;  // waiting hosts from one address, web and directory each
    int maxRelaysPerAddress = 8; // relayed matches with an end at one address
    int probeIntervalMs = 20000;
    int relaySilenceMs = 45000;  // an end of a relayed match heard nothing from this long has gone
    int resumeGraceMs = 130000;  // the same for a match whose copies wait out a lost line
    bool help = false;
    QString helpText;
    QString error; // non-empty: the command line could not be used
};

LobbyOptions parseLobbyOptions(const QStringList &arguments);

} // namespace sorvada
