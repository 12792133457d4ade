// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/ResidentMemory.h"
#include "tests/support/LobbyProcess.h"

#include <QRegularExpression>
#include <QSignalSpy>

namespace sorvada {

LobbyProcess::LobbyProcess()
{
    QObject::connect(&process, &QProcess::readyReadStandardOutput, [this] { collect(); });
}

LobbyProcess::~LobbyProcess()
{
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(5000);
    }
}

void LobbyProcess::collect()
{
    partial += process.readAllStandardOutput();
    int end;
    while ((end = partial.indexOf('\n')) >= 0) {
        lines << QString::fromLocal8Bit(partial.left(end));
        partial.remove(0, end + 1);
    }
}

bool LobbyProcess::start(const QString &program, const QStringList &extraArguments)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, QStringList{QStringLiteral("--http-port"), QStringLiteral("0"), QStringLiteral("--directory-port"),
                                       QStringLiteral("0"), QStringLiteral("--bind"), QStringLiteral("127.0.0.1")}
                               + extraArguments);
    if (!process.waitForStarted(10000))
        return false;
    const QRegularExpression ports(QStringLiteral("TCP port (\\d+), directory UDP port (\\d+)"));
    QSignalSpy output(&process, &QProcess::readyReadStandardOutput);
    for (int tries = 0; tries < 100 && lines.isEmpty(); ++tries) {
        if (process.state() == QProcess::NotRunning)
            return false;
        output.wait(100);
    }
    if (lines.isEmpty())
        return false;
    const QRegularExpressionMatch match = ports.match(lines.first());
    if (!match.hasMatch())
        return false;
    httpPort = quint16(match.captured(1).toUInt());
    directoryPort = quint16(match.captured(2).toUInt());
    return httpPort != 0 && directoryPort != 0;
}

bool LobbyProcess::hasLineContaining(const QString &text) const
{
    for (const QString &line : lines) {
        if (line.contains(text))
            return true;
    }
    return false;
}

long LobbyProcess::residentKiB() const
{
    return sorvada::residentKiB(process.processId());
}

} // namespace sorvada
