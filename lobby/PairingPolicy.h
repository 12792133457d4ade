// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "lobby/AddressLimits.h"
#include "lobby/LobbyQueries.h"
#include "lobby/MatchIds.h"
#include "lobby/WaitingQueue.h"

#include <QString>
#include <QStringList>

namespace sorvada {

// Who is told to wait and who is sent to knock at whom.
//
// Per game kind the waiting hosts form a first-come queue. A caller who finds
// a host is answered "Client/<address>/<port>/<ID>" with the oldest one; a
// caller who finds none is answered "Server" and joins the queue. A proposed
// host stays waiting, because the lobby cannot know whether the knock
// succeeded: once it has its partner it answers later knocks with a busy
// record and the knocker reports it, which strikes it off. So that two
// knockers are not sent to the same host at once, a host proposed within the
// last recentMs is passed over for the next one.
//
// Against one address crowding out the rest: it keeps at most limits.waitingHosts
// waiting (its newest), and a busy or silent report strikes a host off only when the
// reporter is the copy it was last proposed to, and only limits.strikesPerMinute times a
// minute per reporting address.
class PairingPolicy
{
public:
    struct Answer
    {
        QString line;       // the one text line sent back
        QStringList events; // what happened, one log line each
    };

    PairingPolicy(WaitingQueue &queue, MatchIds &ids, qint64 recentMs = 20 * 1000);

    Answer start(const StartQuery &query, const QString &callerAddress, qint64 now);
    Answer end(const EndQuery &query, const QString &callerAddress, qint64 now);

    void setLimits(const AddressLimits &limits);

private:
    void expire(qint64 now, QStringList &events);
    QString freshId();
    void strikeOff(const StartQuery &query, const QString &callerAddress, qint64 now, QStringList &events);

    WaitingQueue &queue;
    MatchIds &ids;
    qint64 recent;
    AddressLimits limits;
    PerMinuteBudget strikes{limits.strikesPerMinute};
};

} // namespace sorvada
