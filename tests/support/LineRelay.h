// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The line between a client link and its host, on 127.0.0.1, switched by the test: dark drops
// everything both ways, as a dead Wi-Fi or a rebooting router would; moveClient() makes what the
// client sends reach the host from a new port, as a router that lost its mapping would, and
// what the host still sends to the old port is lost. The client talks to frontPort() as if it
// were the host; the host sees the client at backPort().

#include <QObject>
#include <QUdpSocket>

#include <memory>

namespace sorvada {

class LineRelay : public QObject {
    Q_OBJECT

public:
    explicit LineRelay(quint16 hostPort, QObject *parent = nullptr);

    quint16 frontPort() const { return front.localPort(); }
    quint16 backPort() const { return back->localPort(); }
    void setDark(bool on) { dark = on; }
    void moveClient();

private:
    void readFront();
    void readBack();

    QUdpSocket front;
    std::unique_ptr<QUdpSocket> back;
    quint16 hostPort;
    quint16 clientPort = 0;
    bool dark = false;
};

} // namespace sorvada
