// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A burst of start queries against a web lobby, each from a port of its own,
// with a handful on the way at once, waited for with a generous bound.
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <functional>

namespace sorvada {

struct BurstResult {
    int done = 0;   // answers received
    int failed = 0; // of them, failed requests
};

// base is the lobby's address ("http://127.0.0.1:port"); afterEach runs after
// every answer.
inline BurstResult startBurst(QNetworkAccessManager &manager, const QString &base, int total,
                              const std::function<void()> &afterEach = {}, int inFlight = 12)
{
    BurstResult result;
    int next = 0;
    QEventLoop loop;
    std::function<void()> launch = [&] {
        const int caller = next++;
        const QUrl url(base
                       + QStringLiteral("/start.asp?type=4&port=%1&mode=WANT_CONNECT&ID=").arg(1 + caller % 65000));
        QNetworkReply *reply = manager.get(QNetworkRequest(url));
        QObject::connect(reply, &QNetworkReply::finished, &loop, [&, reply] {
            result.failed += reply->error() != QNetworkReply::NoError;
            reply->deleteLater();
            if (afterEach)
                afterEach();
            if (++result.done == total)
                loop.quit();
            else if (next < total)
                launch();
        });
    };
    for (int i = 0; i < inFlight && i < total; ++i)
        launch();
    // A generous bound: a burst on a busy machine under the sanitizers is slow, not stuck.
    QTimer::singleShot(240000, &loop, &QEventLoop::quit);
    loop.exec();
    return result;
}

} // namespace sorvada
