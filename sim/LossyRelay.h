// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A UDP relay on 127.0.0.1 between a link's client and its game server that misbehaves on
// purpose: it drops, duplicates and reorders datagrams, each by its own probability.
//
// Whether a datagram is dropped, duplicated or held back depends only on the seed, its
// direction, which record it carries (its type and sequence number, or the number an ACK
// acknowledges) and how many times that record has passed this way before: never on the order
// in which datagrams of different records happen to arrive, so a match played through the relay
// meets the same faults however busy the machine is. (Only a held datagram's release waits on
// the next datagram or a short timer.) The client talks to frontPort() as if it were the server; the server
// sees the relay's back socket as its client. Faults start switched off, so that the once-sent
// JOIN handshake can pass first.

#include "net/PeerSocket.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>

#include <cstdint>
#include <map>
#include <optional>
#include <tuple>

namespace sorvada {

class LossyRelay : public QObject {
    Q_OBJECT

public:
    // The same record is dropped at most this often in each direction. Of a record's ten sends
    // at least eight get through, each is acknowledged, and of those acknowledgements at most
    // two are dropped: the relay alone never makes a link give its peer up.
    static constexpr int MOST_DROPS_OF_ONE_RECORD = 2;
    static_assert(2 * MOST_DROPS_OF_ONE_RECORD < PeerSocket::MAX_SENDS);

    struct Faults {
        double drop = 0.0;      // the datagram is not passed on
        double duplicate = 0.0; // passed on twice
        double reorder = 0.0;   // held back and passed on after the next one (or shortly after)
    };
    struct Counts {
        int passed = 0;
        int dropped = 0;
        int duplicated = 0;
        int reordered = 0;
    };

    LossyRelay(quint16 serverPort, unsigned seed, QObject *parent = nullptr);

    quint16 frontPort() const { return front.localPort(); }
    quint16 backPort() const { return back.localPort(); }
    void setFaults(const Faults &faults) { current = faults; }
    const Counts &counts() const { return tally; }
    // While on, nothing from the server reaches the client, as if the server's computer had
    // stopped; the client's datagrams still reach the server.
    void silenceServer(bool on) { serverSilent = on; }
    // While dark, nothing passes either way: the line between the two copies is down.
    void setDark(bool on) { dark = on; }
    // The side facing the server sends from a new port from now on, as a home router does once it
    // has lost its mapping: the server sees its client at a new address, and whatever it still
    // sends to the old one is lost.
    void moveClientSide();

private:
    enum Direction { ToServer = 0, ToClient = 1 };
    // Direction, record type, sequence (or acknowledged) number.
    using RecordKey = std::tuple<int, uint8_t, uint32_t>;
    struct Seen {
        uint32_t times = 0;
        int dropped = 0;
    };

    void readFront();
    void readBack();
    void relay(Direction direction, const QByteArray &datagram);
    void deliver(Direction direction, const QByteArray &datagram);
    void flushHeld(Direction direction);

    QUdpSocket front;
    QUdpSocket back;
    quint16 serverPort;
    quint16 clientPort = 0;
    bool serverSilent = false;
    bool dark = false;
    Faults current;
    Counts tally;
    uint64_t seed;
    std::map<RecordKey, Seen> seen;
    std::optional<QByteArray> held[2];
    QTimer heldTimer[2];
};

} // namespace sorvada
