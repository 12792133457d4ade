// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Puts the calling thread into a network namespace of its own whose loopback interface loses,
// duplicates and reorders packets by the kernel's network emulator, so that two copies of the
// game talking on 127.0.0.1 there meet a lossy network for real. Sockets keep the namespace they
// were created in; the thread returns to its own namespace when the object goes.
//
// Needs root, the ip and tc programs and the kernel's netem queueing discipline; open() says in
// words why it cannot be done where any of them is missing.

#include <QString>
#include <QStringList>

namespace sorvada {

class NetemLoopback {
public:
    NetemLoopback() = default;
    ~NetemLoopback();
    NetemLoopback(const NetemLoopback &) = delete;
    NetemLoopback &operator=(const NetemLoopback &) = delete;

    // Makes the namespace with a working loopback, checks that netem can be put on it, and moves
    // the thread into it. Empty on success, else the reason why not.
    QString open();
    // Puts the emulator on the loopback from now on; netem: its arguments, for example
    // {"loss", "20%"}. Empty on success, else the reason why not.
    QString impair(const QStringList &netem);

private:
    QString name;
    int ownNamespace = -1;
    bool entered = false;
};

} // namespace sorvada
