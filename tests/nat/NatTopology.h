// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QStringList>

namespace sorvada {

// A public network and two homes, each behind a router that translates
// addresses and lets in only answers to what went out, built in network
// namespaces of their own and removed again when the object goes away.
//
//   lobby 198.51.100.1 --- 198.51.100.11 router 1 100.64.1.1 --- 100.64.1.2 home 1
//                     \--- 198.51.100.12 router 2 100.64.2.1 --- 100.64.2.2 home 2
//
// The routers forget a UDP mapping after udpTimeoutS seconds without traffic.
class NatTopology
{
public:
    explicit NatTopology(int udpTimeoutS);
    ~NatTopology();

    // Builds it all; false (and why in `error`) when a step failed.
    bool build();

    // Router `which` (1 or 2) forgets every mapping it holds and from now on gives each new one
    // a public port picked at random from `ports` ("20000-20999"): what a home router does
    // when it restarts. False (and why in `error`) when a step failed.
    bool renumber(int which, const QString &ports);

    // The command line that runs program inside namespace ns.
    QStringList inside(const QString &ns, const QString &program, const QStringList &args) const;

    QString publicNs, home1Ns, home2Ns;
    QString error;

private:
    bool run(const QStringList &command);
    QString router1Ns, router2Ns;
    int udpTimeout;
    QStringList created;
};

} // namespace sorvada
