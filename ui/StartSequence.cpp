#include "CGameWnd.h"

#include "CServerDlg.h"
#include "CStartDlg.h"
#include "LinkEvents.h"
#include "PeerRecord.h"
#include "PeerSocket.h"
#include "ResourceIds.h"
#include "SettingsStore.h"
#include "StringTable.h"

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
        messageBox(loadString(res::IDS_NETWORK_ERROR), QMessageBox::Critical);
        return false;
    };

    if (startDlg.joinFlag) {
        settings.writeInt(modeEntry, 0);
        if (!askAddress() || !openLink(serverDlg.address, START_JOIN))
            return 0;
        startWindowTimer(TIMER_CONNECT, connectTimeoutMs);
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
    }
    return 1;
}
