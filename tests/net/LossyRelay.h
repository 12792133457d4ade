#pragma once

// A UDP relay on 127.0.0.1 between a link's client and its game server that misbehaves on
// purpose: it drops, duplicates and reorders datagrams, each by its own probability, drawn from
// a seeded generator so that a failing run can be replayed. The client talks to frontPort()
// as if it were the server; the server sees the relay's back socket as its client.
// Faults start switched off, so that the once-sent JOIN handshake can pass first.

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>

#include <optional>
#include <random>

class LossyRelay : public QObject {
    Q_OBJECT

public:
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

private:
    enum Direction { ToServer = 0, ToClient = 1 };

    void readFront();
    void readBack();
    void relay(Direction direction, const QByteArray &datagram);
    void deliver(Direction direction, const QByteArray &datagram);
    void flushHeld(Direction direction);
    bool chance(double p);

    QUdpSocket front;
    QUdpSocket back;
    quint16 serverPort;
    quint16 clientPort = 0;
    bool serverSilent = false;
    Faults current;
    Counts tally;
    std::mt19937 random;
    std::optional<QByteArray> held[2];
    QTimer heldTimer[2];
};
