#pragma once
#include "WaitingQueue.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

class QTimer;

struct DirectoryConfig
{
    int probeTimeoutMs = 2000;
    qint64 expiryMs = 10 * 60 * 1000; // a waiting host is forgotten after this
    int capacity = 1000;              // waiting hosts (and probes in flight) kept at most
};

// The UDP directory: pairs copies that ask with DIRECTORY_REQUEST.
//
// The first copy of a game kind is told BECOME_SERVER and remembered as
// waiting; a later one is told JOIN_PEER with the waiting copy's port and
// address. A waiting copy may have gone away silently, so before it is handed
// out it is sent a PROBE; if it does not answer within the probe time-out it
// is dropped and the requester is served afresh. A host under probe is passed
// over by other requesters, who then wait themselves or take the next host.
class DirectoryServer : public QObject
{
    Q_OBJECT
public:
    using Config = DirectoryConfig;

    explicit DirectoryServer(const Config &config = Config(), QObject *parent = nullptr);
    ~DirectoryServer() override;

    // Binds the UDP socket; port 0 takes any free port. Returns the bound port, 0 on failure.
    quint16 listen(const QHostAddress &address, quint16 port);

    const WaitingQueue &waiting() const { return queue; }
    int probesInFlight() const { return int(probes.size()); }

signals:
    void pairingEvent(const QString &line);

private:
    struct Probe
    {
        WaitingHost host;
        QString requesterAddress;
        quint16 requesterPort = 0;
        QTimer *timer = nullptr;
    };

    void onReadyRead();
    void onRequest(int kind, const QString &address, quint16 port);
    void onProbeAnswer(const QString &address, quint16 port);
    void onProbeTimeout(const QString &key);
    bool isRequesterPending(const QString &address, quint16 port) const;
    void send(const QByteArray &datagram, const QString &address, quint16 port);
    void report(const QString &event);

    Config config;
    QUdpSocket socket;
    WaitingQueue queue;
    QElapsedTimer clock;
    QHash<QString, Probe> probes; // by the probed host's "address:port"
};
