// SPDX-License-Identifier: GPL-3.0-or-later
#include "CGameWnd.h"

#include "CServerDlg.h"
#include "CStartDlg.h"
#include "DialogBuilder.h"
#include "LinkEvents.h"
#include "PeerRecord.h"
#include "PeerSocket.h"
#include "ResourceIds.h"
#include "SettingsStore.h"
#include "StringTable.h"

#include <QTimer>

namespace {
const QString modeEntry = QStringLiteral("Mode");
const QString serverEntry = QStringLiteral("Server");
} // namespace

// Asks for the player's name and the way to connect, stores the answers as
// soon as each is final, and opens the link. Returns 0 when the program is to
// end (a dialog was left, or the link could not be opened).
int CGameWnd::RunStartSequence()
{
    CStartDlg startDlg(settings, this);
    CServerDlg serverDlg(this);

    startAlarmOff = settings.readInt(QStringLiteral("Start"), 0);
    messageAlarmOff = settings.readInt(QStringLiteral("Message"), 0);
    lastMoveOff = settings.readInt(QStringLiteral("LastMove"), 0);
    startDlg.name = settings.readString(QStringLiteral("Player"));

    if (startDlg.exec() != QDialog::Accepted)
        return 0;
    // Only the empty text is refused; a name of blanks is a name.
    while (startDlg.name.isEmpty()) {
        messageBox(loadString(res::IDS_ENTER_NAME), QMessageBox::Warning);
        if (startDlg.exec() != QDialog::Accepted)
            return 0;
    }
    settings.writeString(QStringLiteral("Player"), startDlg.name);
    playerName = startDlg.name;

    // The stored "Mode" and the link's start mode number the same three
    // choices differently: join 0 / START_JOIN, host 1 / START_HOST,
    // matchmaking 2 / START_VIA_SERVER.
    auto askAddress = [&]() -> bool {
        serverDlg.address = settings.readString(serverEntry);
        if (serverDlg.exec() != QDialog::Accepted)
            return false;
        settings.writeString(serverEntry, serverDlg.address);
        return true;
    };
    auto openLink = [&](const QString &address, int mode) -> bool {
        if (link.Start(1, address, mode, GAME_KIND))
            return true;
        dlg::messageBox(this, loadString(res::IDS_NETWORK_ERROR), networkErrorDetail(false),
                        QMessageBox::Critical);
        return false;
    };

    if (startDlg.joinFlag) {
        settings.writeInt(modeEntry, 0);
        if (!askAddress() || !openLink(serverDlg.address, START_JOIN))
            return 0;
        startWindowTimer(TIMER_CONNECT, connectTimeoutMs);
        startCountdown();
    }
    if (startDlg.hostFlag) {
        settings.writeInt(modeEntry, 1);
        // A host waits for as long as the program runs: no connection timer.
        if (!openLink(QString(), START_HOST))
            return 0;
    }
    if (startDlg.viaServerFlag) {
        settings.writeInt(modeEntry, 2);
        if (!askAddress() || !openLink(serverDlg.address, START_VIA_SERVER))
            return 0;
        startWindowTimer(TIMER_CONNECT, connectTimeoutMs);
        startCountdown();
    }
    return 1;
}

// The second line of "Network error.": what went wrong, in the player's
// words. timedOut: the connection time has run out with no role.
QString CGameWnd::networkErrorDetail(bool timedOut) const
{
    const StartFailure failure = timedOut ? link.silenceReason() : link.failure();
    switch (failure) {
    case StartFailure::HostBusy:
        return loadString(res::IDS_HOST_BUSY);
    case StartFailure::LobbySilent:
        return loadString(res::IDS_LOBBY_SILENT).arg(link.startAddress());
    case StartFailure::NoAnswer:
        return loadString(res::IDS_NO_ANSWER)
            .arg(link.awaitedAddress())
            .arg((connectTimeoutMs + 999) / 1000);
    case StartFailure::BadAddress:
        return loadString(res::IDS_BAD_ADDRESS).arg(link.startAddress());
    case StartFailure::None:
        break;
    }
    return QString();
}

void CGameWnd::OnStartFailed()
{
    // Only a start still under way ends here; a late word changes nothing.
    if (link.role != ROLE_NONE || !isWindowTimerActive(TIMER_CONNECT))
        return;
    killWindowTimer(TIMER_CONNECT);
    showCountdown();
    dlg::messageBox(this, loadString(res::IDS_NETWORK_ERROR), networkErrorDetail(false),
                    QMessageBox::Critical);
    close();
}

void CGameWnd::startCountdown()
{
    if (!countdown) {
        countdown = new QTimer(this);
        countdown->setInterval(200);
        connect(countdown, &QTimer::timeout, this, &CGameWnd::showCountdown);
    }
    countdown->start();
    showCountdown();
}

void CGameWnd::showCountdown()
{
    // There is no board yet, so the square name's part is free.
    if (link.role != ROLE_NONE || !isWindowTimerActive(TIMER_CONNECT)) {
        countdown->stop();
        setStatusText(1, QString());
        return;
    }
    // A coarse timer may run a little over its time; the count never starts
    // above the time the player was given.
    const int msLeft = qBound(0, timers.value(TIMER_CONNECT)->remainingTime(), connectTimeoutMs);
    setStatusText(1, loadString(res::IDS_SECONDS_LEFT).arg((msLeft + 999) / 1000));
}
