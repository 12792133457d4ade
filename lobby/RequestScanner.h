// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

namespace sorvada {

// Follows the requests of one web connection as their bytes arrive, before the HTTP layer
// reads them, so that a client cannot make the lobby hold an endless head or body. Every
// query the lobby answers is a GET without a body, so a connection carries nothing but
// request heads, one after the other: a head ends at its empty line, and the next byte
// begins the next request.
class RequestScanner
{
public:
    enum class Verdict {
        Fine,          // nothing wrong so far
        HeadTooLarge,  // the request line and headers passed the limit without ending
        BodyAnnounced, // a head announced a body (Content-Length above 0, Transfer-Encoding)
    };

    explicit RequestScanner(int headLimit = 8192) : limit(headLimit) {}

    // Takes the bytes that arrived at `now` (milliseconds). After a verdict other than
    // Fine the connection is not to be read any further.
    Verdict feed(QByteArrayView bytes, qint64 now);

    // Whether a request has begun and its head not yet ended, and since when.
    bool inRequest() const { return inside; }
    qint64 startedAt() const { return started; }
    // Whether a finished head asked for the connection to be closed after its answer:
    // HTTP/1.0 without keep-alive, or "Connection: close".
    bool wantsClose() const { return close; }

private:
    Verdict finish();

    int limit;
    QByteArray head; // the unfinished head so far, never more than the limit
    bool inside = false;
    qint64 started = 0;
    bool close = false;
};

} // namespace sorvada
