// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The resident memory of a running process, for the programs that measure the lobby.

#include <QFile>
#include <QRegularExpression>
#include <QString>

namespace sorvada {

// Kibibytes the process pid holds in memory now; -1 when it cannot be read.
inline long residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression rss(QStringLiteral("^VmRSS:\\s+(\\d+) kB"), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = rss.match(QString::fromLatin1(status.readAll()));
    return m.hasMatch() ? m.captured(1).toLong() : -1;
}

} // namespace sorvada
