// SPDX-License-Identifier: GPL-3.0-or-later
#include "NetemLoopback.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace sorvada {

namespace {

// Runs a program to its end; empty on success, else what it said.
QString run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    if (!p.waitForFinished(10000))
        return program + QStringLiteral(" did not finish");
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("%1 %2: %3")
            .arg(program, arguments.join(u' '), QString::fromLocal8Bit(p.readAll()).trimmed());
    return QString();
}

} // namespace

QString NetemLoopback::open()
{
    if (geteuid() != 0)
        return QStringLiteral("network namespaces need root");
    const QString ip = QStandardPaths::findExecutable(QStringLiteral("ip"), {"/usr/sbin", "/sbin", "/usr/bin"});
    const QString tc = QStandardPaths::findExecutable(QStringLiteral("tc"), {"/usr/sbin", "/sbin", "/usr/bin"});
    if (ip.isEmpty() || tc.isEmpty())
        return QStringLiteral("the ip and tc programs (iproute2) are not installed");

    name = QStringLiteral("sorvada-lossy-%1").arg(QCoreApplication::applicationPid());
    QString why = run(ip, {"netns", "add", name});
    if (!why.isEmpty()) {
        name.clear();
        return why;
    }
    why = run(ip, {"-n", name, "link", "set", "lo", "up"});
    if (!why.isEmpty())
        return why;
    why = run(tc, {"-n", name, "qdisc", "add", "dev", "lo", "root", "netem", "loss", "1%"});
    if (!why.isEmpty())
        return QStringLiteral("netem is not usable here: ") + why;
    why = run(tc, {"-n", name, "qdisc", "del", "dev", "lo", "root"});
    if (!why.isEmpty())
        return why;

    ownNamespace = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const int lossy = ::open(("/run/netns/" + name).toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (ownNamespace < 0 || lossy < 0 || setns(lossy, CLONE_NEWNET) != 0) {
        if (lossy >= 0)
            ::close(lossy);
        return QStringLiteral("cannot enter the namespace %1").arg(name);
    }
    ::close(lossy);
    entered = true;
    return QString();
}

NetemLoopback::~NetemLoopback()
{
    if (entered)
        setns(ownNamespace, CLONE_NEWNET);
    if (ownNamespace >= 0)
        ::close(ownNamespace);
    if (!name.isEmpty()) {
        const QString ip =
            QStandardPaths::findExecutable(QStringLiteral("ip"), {"/usr/sbin", "/sbin", "/usr/bin"});
        run(ip, {"netns", "del", name});
    }
}

QString NetemLoopback::impair(const QStringList &netem)
{
    if (!entered)
        return QStringLiteral("not in the namespace");
    const QString tc = QStandardPaths::findExecutable(QStringLiteral("tc"), {"/usr/sbin", "/sbin", "/usr/bin"});
    return run(tc, QStringList{"-n", name, "qdisc", "add", "dev", "lo", "root", "netem"} + netem);
}

} // namespace sorvada
