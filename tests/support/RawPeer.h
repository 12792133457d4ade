// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A bare UDP endpoint on 127.0.0.1 that plays the other party of a link by hand: it sends any
// datagram and keeps everything it receives, so a test can act as game server, client,
// directory server or stranger and see exactly what the link under test sent.

#include "net/PeerRecord.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

#include <vector>

namespace sorvada {

class RawPeer : public QObject {
    Q_OBJECT

public:
    struct Received {
        QByteArray datagram;
        quint16 fromPort = 0;
        PeerRecord record() const;
    };

    explicit RawPeer(QObject *parent = nullptr);
    // Bound to another loopback address (127.0.0.2 ...), to play a copy behind another router.
    explicit RawPeer(const QHostAddress &at, QObject *parent = nullptr);

    quint16 port() const { return socket.localPort(); }
    void sendRaw(const QByteArray &datagram, quint16 toPort);
    void send(const PeerRecord &record, quint16 toPort) { sendRaw(record.toByteArray(), toPort); }
    void sendType(uint8_t type, quint16 toPort);

    const std::vector<Received> &received() const { return inbox; }
    int count(uint8_t type) const;
    // Waits until a record of type has arrived (count above `already`), at most timeoutMs.
    bool waitFor(uint8_t type, int already = 0, int timeoutMs = 5000);
    // Sends PROBE and waits for the answer: everything sent to toPort before has been handled.
    bool barrier(quint16 toPort, int timeoutMs = 5000);
    const Received *last(uint8_t type) const;
    void clear() { inbox.clear(); }
    // Answers every PROBE at once, as a live copy does (still keeping it), or stops doing so.
    void answerProbes(bool on) { answering = on; }

signals:
    void arrived();

private:
    void drain();

    QUdpSocket socket;
    std::vector<Received> inbox;
    bool answering = false;
};

} // namespace sorvada
