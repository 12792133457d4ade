// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/LineFetch.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace sorvada {

bool fetchFirstLine(QNetworkAccessManager &manager, const QString &url, const QString &userAgent,
                    int timeoutMs, QString *line)
{
    QNetworkRequest request{QUrl(url, QUrl::TolerantMode)};
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent);
    QNetworkReply *reply = manager.get(request);

    QByteArray body;
    auto haveEnough = [&body] { return body.contains('\n') || body.size() > MAX_ANSWER_LINE; };

    // Every connection has the loop as context, so none outlives this call.
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        body += reply->readAll();
        if (haveEnough())
            loop.quit();
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(timeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    const bool finished = reply->isFinished();
    if (finished)
        body += reply->readAll();
    const bool gotHttpAnswer =
        reply->error() == QNetworkReply::NoError
        || reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (!finished)
        reply->abort();
    reply->deleteLater();

    if (finished && !gotHttpAnswer)
        return false;
    return answerLine(body, finished, line);
}

bool answerLine(const QByteArray &body, bool complete, QString *line)
{
    qsizetype end = body.indexOf('\n');
    if (end < 0) {
        if (!complete)
            return false;
        end = body.size();
    }
    if (end > MAX_ANSWER_LINE)
        return false;
    QByteArray first = body.left(end);
    first.replace('\r', QByteArray());
    *line = QString::fromUtf8(first);
    return true;
}

} // namespace sorvada
