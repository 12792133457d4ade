// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QProcess>
#include <QStringList>

namespace sorvada {

// The real sorvada-lobby program, started on free ports of 127.0.0.1 and
// stopped again when the object goes away. Its standard output is collected
// line by line.
class LobbyProcess
{
public:
    LobbyProcess();
    ~LobbyProcess();

    // Starts the program, with any further options, and waits for the line naming its ports.
    bool start(const QString &program, const QStringList &extraArguments = {});

    quint16 httpPort = 0;
    quint16 directoryPort = 0;
    QStringList lines;
    QProcess process;

    bool hasLineContaining(const QString &text) const;
    // Resident memory of the program in KiB, from /proc; -1 when unknown.
    long residentKiB() const;

private:
    QByteArray partial;
    void collect();
};

} // namespace sorvada
