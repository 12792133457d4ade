// SPDX-License-Identifier: GPL-3.0-or-later
// Asks a directory lobby to reattach the host's end of a relayed match to this
// program's own endpoint, presenting TOKEN, then listens WAIT_MS for anything
// sent back: the stranger's side of the router test.
//
//   nat_reattach LOBBY TOKEN_HEX WAIT_MS
//
// Prints "sent", then "answered" for the first datagram that comes back, or
// "no answer" when none came.
#include "net/LinkExtension.h"
#include "net/PeerRecord.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QUdpSocket>

#include <cstdio>

using namespace sorvada;

namespace {
void say(const char *line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = false;
    const uint64_t token = args.size() == 4 ? args[2].toULongLong(&ok, 16) : 0;
    if (!ok || token == 0) {
        say("usage: nat_reattach LOBBY TOKEN_HEX WAIT_MS");
        return 2;
    }
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, 0))
        return 1;
    PeerRecord record;
    writeReattach(record, token, true);
    if (socket.writeDatagram(reinterpret_cast<const char *>(record.bytes.data()), RECORD_SIZE,
                             QHostAddress(args[1]), DIRECTORY_PORT) != RECORD_SIZE)
        return 1;
    say("sent");
    const bool answered = socket.waitForReadyRead(args[3].toInt());
    say(answered ? "answered" : "no answer");
    return 0;
}
