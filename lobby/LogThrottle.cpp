// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobby/LogThrottle.h"

namespace sorvada {

namespace {
constexpr qint64 MINUTE_MS = 60 * 1000;
}

bool LogThrottle::admit(const QString &reason, const QString &address, qint64 now)
{
    // A minute with lines left out goes on until summaries() has reported them.
    if (windowStart < 0 || (now - windowStart >= MINUTE_MS && leftOut.isEmpty())) {
        windowStart = now;
        written.clear();
    }
    const QString key = reason + QLatin1Char('\n') + address;
    if (written.size() >= tracked && !written.contains(key)) {
        LeftOut &out = leftOut[reason];
        ++out.lines;
        out.untold = true;
        return false;
    }
    int &count = written[key];
    if (count < limit) {
        ++count;
        return true;
    }
    LeftOut &out = leftOut[reason];
    ++out.lines;
    out.addresses += count == limit; // the first line left out of this address
    ++count;
    return false;
}

QStringList LogThrottle::summaries(qint64 now)
{
    QStringList lines;
    if (leftOut.isEmpty() || now - windowStart < MINUTE_MS)
        return lines;
    for (auto it = leftOut.cbegin(); it != leftOut.cend(); ++it)
        lines << QStringLiteral("%1 more lines \"%2\" left out in the last minute (from %3%4 addresses)")
                     .arg(it->lines)
                     .arg(it.key())
                     .arg(it->untold ? QStringLiteral("more than ") : QString())
                     .arg(it->untold ? tracked : it->addresses);
    lines.sort();
    leftOut.clear();
    written.clear();
    windowStart = now;
    return lines;
}

} // namespace sorvada
