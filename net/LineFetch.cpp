#include "LineFetch.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

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

    qsizetype end = body.indexOf('\n');
    if (end < 0) {
        // Without a line feed the whole body is the line, but only once it is complete.
        if (!finished || !gotHttpAnswer)
            return false;
        end = body.size();
    } else if (finished && !gotHttpAnswer) {
        return false;
    }
    if (end > MAX_ANSWER_LINE)
        return false;
    QByteArray first = body.left(end);
    first.replace('\r', QByteArray());
    *line = QString::fromUtf8(first);
    return true;
}
