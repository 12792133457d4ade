// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A copy of the game link with its events recorded, for the tests that pair copies through a
// real lobby.
#include "net/LinkEvents.h"
#include "net/PeerRecord.h"
#include "net/PeerSocket.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QtTest>

#include <memory>
#include <vector>

namespace sorvada {

// The body of a plain GET, waited for up to 10 s; empty when none came.
inline QByteArray httpGet(QNetworkAccessManager &manager, const QString &url)
{
    QNetworkReply *reply = manager.get(QNetworkRequest(QUrl(url)));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(10000);
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    return body;
}

// A copy of the link with its events recorded.
struct Copy
{
    explicit Copy(int answerTimeoutMs = 15000) : Copy(waitingConfig(answerTimeoutMs)) {}
    explicit Copy(const PeerSocketConfig &config)
    {
        link = std::make_unique<PeerSocket>(config);
        events = std::make_unique<QSignalSpy>(link.get(), &PeerSocket::linkEvent);
        // The receive record holds only the last datagram read: each game message is kept as it
        // is handed over.
        QObject::connect(link.get(), &PeerSocket::linkEvent, link.get(), [this](unsigned int event, int) {
            if (event == LINK_RECEIVED)
                received.push_back(link->recvRecord);
        }, Qt::DirectConnection);
    }

    static PeerSocketConfig waitingConfig(int answerTimeoutMs)
    {
        PeerSocketConfig config;
        config.answerTimeoutMs = answerTimeoutMs;
        config.httpTimeoutMs = 10000;
        config.userAgent = QStringLiteral("sorvada-test");
        return config;
    }

    // The first game message of this type handed over, if any.
    const PeerRecord *receivedOf(uint8_t type) const
    {
        for (const PeerRecord &record : received)
            if (record.type() == type)
                return &record;
        return nullptr;
    }

    bool saw(unsigned int event) const
    {
        for (const QList<QVariant> &e : *events) {
            if (e.at(0).toUInt() == event)
                return true;
        }
        return false;
    }

    std::unique_ptr<PeerSocket> link;
    std::unique_ptr<QSignalSpy> events;
    std::vector<PeerRecord> received;
};

// The client sends a move and the server receives it in order.
inline void moveCrosses(Copy &server, Copy &client)
{
    client.link->sendRecord.writeLeg(MOVE, 42, 35, 0);
    QVERIFY(client.link->SendReliable(0));
    QTRY_VERIFY_WITH_TIMEOUT(server.receivedOf(MOVE), 10000);
    QCOMPARE(server.receivedOf(MOVE)->legFrom(), uint8_t(63 - 42));
    QCOMPARE(server.receivedOf(MOVE)->legTo(), uint8_t(63 - 35));
}

} // namespace sorvada
