// SPDX-License-Identifier: GPL-3.0-or-later
#include "NatTopology.h"

#include <QCoreApplication>
#include <QProcess>

namespace sorvada {

namespace {
// Translates addresses on the way out and lets in only what answers it.
QString routerRules()
{
    return QStringLiteral(
        "table ip nat {\n"
        "  chain outgoing {\n"
        "    type nat hook postrouting priority 100; policy accept;\n"
        "    oifname \"wan\" masquerade\n"
        "  }\n"
        "}\n"
        "table ip filter {\n"
        "  chain forwarding {\n"
        "    type filter hook forward priority 0; policy drop;\n"
        "    ct state established,related accept\n"
        "    iifname \"inside\" oifname \"wan\" accept\n"
        "  }\n"
        "  chain incoming {\n"
        "    type filter hook input priority 0; policy drop;\n"
        "    ct state established,related accept\n"
        "    iifname \"inside\" accept\n"
        "  }\n"
        "}\n");
}
} // namespace

NatTopology::NatTopology(int udpTimeoutS) : udpTimeout(udpTimeoutS)
{
    const QString tag = QString::number(QCoreApplication::applicationPid());
    publicNs = QStringLiteral("sv-pub-") + tag;
    router1Ns = QStringLiteral("sv-r1-") + tag;
    router2Ns = QStringLiteral("sv-r2-") + tag;
    home1Ns = QStringLiteral("sv-h1-") + tag;
    home2Ns = QStringLiteral("sv-h2-") + tag;
}

NatTopology::~NatTopology()
{
    // Deleting a namespace takes its interfaces, and so both ends of every pair, with it.
    for (const QString &ns : created)
        QProcess::execute(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), ns});
}

bool NatTopology::run(const QStringList &command)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(command.first(), command.mid(1));
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        error = command.join(QLatin1Char(' ')) + QStringLiteral(": ") + QString::fromLocal8Bit(p.readAll()).trimmed();
        return false;
    }
    return true;
}

bool NatTopology::renumber(int which, const QString &ports)
{
    const QString &ns = which == 1 ? router1Ns : router2Ns;
    const auto nft = [&](const QString &args) { return run(inside(ns, QStringLiteral("nft"), args.split(QLatin1Char(' ')))); };
    // The rule first, so that nothing is mapped the old way once the table is empty.
    return nft(QStringLiteral("flush chain ip nat outgoing"))
           && nft(QStringLiteral("add rule ip nat outgoing oifname wan meta l4proto udp masquerade to :%1 random").arg(ports))
           && nft(QStringLiteral("add rule ip nat outgoing oifname wan masquerade"))
           && run(inside(ns, QStringLiteral("conntrack"), {QStringLiteral("--flush")}));
}

QStringList NatTopology::inside(const QString &ns, const QString &program, const QStringList &args) const
{
    return QStringList{QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("exec"), ns, program} + args;
}

bool NatTopology::build()
{
    auto ip = [this](const QString &ns, const QString &args) {
        return run(inside(ns, QStringLiteral("ip"), args.split(QLatin1Char(' '))));
    };
    for (const QString &ns : {publicNs, router1Ns, router2Ns, home1Ns, home2Ns}) {
        if (!run({QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("add"), ns}))
            return false;
        created << ns;
        if (!ip(ns, QStringLiteral("link set lo up")))
            return false;
    }
    if (!ip(publicNs, QStringLiteral("link add pubbr type bridge")) || !ip(publicNs, QStringLiteral("addr add 198.51.100.1/24 dev pubbr"))
        || !ip(publicNs, QStringLiteral("link set pubbr up")))
        return false;

    struct Router
    {
        QString ns, home, publicAddress, net;
    };
    const Router routers[] = {{router1Ns, home1Ns, QStringLiteral("198.51.100.11"), QStringLiteral("100.64.1")},
                              {router2Ns, home2Ns, QStringLiteral("198.51.100.12"), QStringLiteral("100.64.2")}};
    int n = 0;
    for (const Router &r : routers) {
        const QString side = QStringLiteral("p%1").arg(++n);
        const bool ok =
            // The router's public side, plugged into the public bridge.
            run({QStringLiteral("ip"), QStringLiteral("link"), QStringLiteral("add"), QStringLiteral("wan"), QStringLiteral("netns"),
                 r.ns, QStringLiteral("type"), QStringLiteral("veth"), QStringLiteral("peer"), QStringLiteral("name"), side,
                 QStringLiteral("netns"), publicNs})
            && ip(publicNs, QStringLiteral("link set %1 master pubbr up").arg(side))
            && ip(r.ns, QStringLiteral("addr add %1/24 dev wan").arg(r.publicAddress)) && ip(r.ns, QStringLiteral("link set wan up"))
            // The home's one link, to its router.
            && run({QStringLiteral("ip"), QStringLiteral("link"), QStringLiteral("add"), QStringLiteral("inside"), QStringLiteral("netns"),
                    r.ns, QStringLiteral("type"), QStringLiteral("veth"), QStringLiteral("peer"), QStringLiteral("name"),
                    QStringLiteral("eth0"), QStringLiteral("netns"), r.home})
            && ip(r.ns, QStringLiteral("addr add %1.1/24 dev inside").arg(r.net)) && ip(r.ns, QStringLiteral("link set inside up"))
            && ip(r.home, QStringLiteral("addr add %1.2/24 dev eth0").arg(r.net)) && ip(r.home, QStringLiteral("link set eth0 up"))
            && ip(r.home, QStringLiteral("route add default via %1.1").arg(r.net))
            && run(inside(r.ns, QStringLiteral("sysctl"), {QStringLiteral("-qw"), QStringLiteral("net.ipv4.ip_forward=1")}));
        if (!ok)
            return false;
        QProcess nft;
        nft.start(QStringLiteral("ip"), inside(r.ns, QStringLiteral("nft"), {QStringLiteral("-f"), QStringLiteral("-")}).mid(1));
        nft.write(routerRules().toUtf8());
        nft.closeWriteChannel();
        if (!nft.waitForFinished(30000) || nft.exitCode() != 0) {
            error = QStringLiteral("nft: ") + QString::fromLocal8Bit(nft.readAllStandardError());
            return false;
        }
        // The rules have loaded connection tracking, whose time-outs are per namespace.
        for (const char *key : {"net.netfilter.nf_conntrack_udp_timeout", "net.netfilter.nf_conntrack_udp_timeout_stream"})
            if (!run(inside(r.ns, QStringLiteral("sysctl"),
                            {QStringLiteral("-qw"), QStringLiteral("%1=%2").arg(QLatin1String(key)).arg(udpTimeout)})))
                return false;
    }
    return true;
}

} // namespace sorvada
