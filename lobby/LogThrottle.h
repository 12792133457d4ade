// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QHash>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace sorvada {

// Keeps a flood from one address out of the lobby's log. Each line has a reason (what
// happened, without the ports) and the address that caused it. In every minute the first
// `perMinute` lines of a reason from one address are written; the rest are only counted,
// and when the minute is over one summary line per reason says how many were left out.
class LogThrottle
{
public:
    // At most `addresses` reasons and addresses are told apart in a minute: lines from further
    // ones (made-up source addresses, say) are only counted, so neither the table nor the log
    // grows with the number of senders.
    explicit LogThrottle(int perMinute = 10, int addresses = 4096) : limit(perMinute), tracked(addresses) {}

    // Whether the line is to be written now; false: it was counted for the summary.
    bool admit(const QString &reason, const QString &address, qint64 now);
    // Once the minute that saw lines left out is over, one line per reason about them (and
    // the next minute begins); otherwise nothing.
    QStringList summaries(qint64 now);

private:
    struct LeftOut
    {
        int lines = 0;
        int addresses = 0;
        bool untold = false; // some came from addresses beyond those told apart
    };

    int limit;
    int tracked;
    qint64 windowStart = -1;
    QHash<QString, int> written;     // by reason and address
    QHash<QString, LeftOut> leftOut; // by reason
};

} // namespace sorvada
