// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobby/RequestScanner.h"

#include <QList>

#include <algorithm>

namespace sorvada {

RequestScanner::Verdict RequestScanner::feed(QByteArrayView bytes, qint64 now)
{
    static constexpr QByteArrayView END("\r\n\r\n");
    while (!bytes.isEmpty()) {
        if (!inside) {
            inside = true;
            started = now;
        }
        // Only as much is kept as could still end within the limit; the end may straddle
        // the previous bytes, so the search starts three bytes back.
        const qsizetype kept = head.size();
        const qsizetype room = limit + END.size() - kept;
        head.append(bytes.first(std::max<qsizetype>(0, std::min(room, bytes.size()))));
        const qsizetype at = head.indexOf(END, std::max<qsizetype>(0, kept - 3));
        if (at < 0) {
            if (head.size() > limit)
                return Verdict::HeadTooLarge;
            return Verdict::Fine;
        }
        const qsizetype end = at + END.size();
        if (end > limit)
            return Verdict::HeadTooLarge;
        bytes = bytes.sliced(end - kept);
        head.truncate(end);
        const Verdict verdict = finish();
        if (verdict != Verdict::Fine)
            return verdict;
    }
    return Verdict::Fine;
}

RequestScanner::Verdict RequestScanner::finish()
{
    const QList<QByteArray> lines = head.toLower().split('\n');
    head.clear();
    inside = false;
    bool http10 = false, keepAlive = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (i == 0) {
            http10 = line.endsWith(" http/1.0");
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray name = line.left(colon).trimmed();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "transfer-encoding")
            return Verdict::BodyAnnounced;
        if (name == "content-length") {
            bool ok = false;
            if (value.toULongLong(&ok) != 0 || !ok)
                return Verdict::BodyAnnounced;
        }
        if (name == "connection") {
            close |= value.contains("close");
            keepAlive |= value.contains("keep-alive");
        }
    }
    close |= http10 && !keepAlive;
    return Verdict::Fine;
}

} // namespace sorvada
