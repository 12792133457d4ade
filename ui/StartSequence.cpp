// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PlayController.h"

#include "app/ResourceIds.h"
#include "app/SettingKeys.h"
#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "net/InviteLink.h"
#include "net/LinkEvents.h"
#include "ui/PlayLink.h"
#include "ui/PlayView.h"

namespace sorvada {

namespace {

QString inviteProblemText(InviteProblem problem)
{
    switch (problem) {
    case InviteProblem::None: break;
    case InviteProblem::TooLong: return loadString(res::IDS_INVITE_TOO_LONG);
    case InviteProblem::NotInvite: return loadString(res::IDS_INVITE_NOT_INVITE);
    case InviteProblem::NoHost:
    case InviteProblem::BadHost: return loadString(res::IDS_INVITE_NO_HOST);
    case InviteProblem::BadPort: return loadString(res::IDS_INVITE_BAD_PORT);
    case InviteProblem::NoCode: return loadString(res::IDS_INVITE_NO_CODE);
    case InviteProblem::BadCode: return loadString(res::IDS_INVITE_BAD_CODE);
    }
    return QString();
}

} // namespace

// Asks for the player's name and the way to connect, stores the answers as
// soon as each is final, and opens the link. Returns 0 when the program is to
// end (a dialog was left, or the link could not be opened).
int PlayController::RunStartSequence()
{
    startAlarmOff = settings.readInt(SettingKey::Start, 0);
    messageAlarmOff = settings.readInt(SettingKey::Message, 0);
    lastMoveOff = settings.readInt(SettingKey::LastMove, 0);
    QString name = settings.readString(SettingKey::Player);

    // An invitation chooses the way to connect and the lobby with its room.
    QString invitedAddress;
    if (!startLink.isEmpty()) {
        const InviteLink invite = parseInviteLink(startLink);
        if (invite.problem == InviteProblem::None) {
            invitedAddress = invite.lobbyAddress();
        } else {
            const QString shown = startLink.size() > 60 ? startLink.left(60) + QChar(0x2026) : startLink;
            view.messageBox(loadString(res::IDS_INVITE_MALFORMED).arg(shown, inviteProblemText(invite.problem)),
                            QMessageBox::Warning, QMessageBox::Ok);
        }
    }
    // -1: the start dialog preselects the stored "Mode"; 2: "Connect through the Tavimore Server".
    const int preset = invitedAddress.isEmpty() ? -1 : 2;
    int mode = preset;

    if (!view.askStart(name, mode))
        return 0;
    // Only the empty text is refused; a name of blanks is a name.
    while (name.isEmpty()) {
        view.messageBox(loadString(res::IDS_ENTER_NAME), QMessageBox::Warning, QMessageBox::Ok);
        mode = preset;
        if (!view.askStart(name, mode))
            return 0;
    }
    settings.writeString(SettingKey::Player, name);
    playerName = name;

    QString address;
    auto askAddress = [&]() -> bool {
        address = invitedAddress.isEmpty() ? settings.readString(SettingKey::Server) : invitedAddress;
        if (!view.askAddress(address))
            return false;
        settings.writeString(SettingKey::Server, address);
        return true;
    };
    auto openLink = [&](const QString &at, int startMode) -> bool {
        if (link.start(at, startMode))
            return true;
        view.networkError(networkErrorDetail(false));
        return false;
    };

    // The stored "Mode" and the link's start mode number the same three
    // choices differently: join 0 / START_JOIN, host 1 / START_HOST,
    // matchmaking 2 / START_VIA_SERVER.
    switch (mode) {
    case 0:
        settings.writeInt(SettingKey::Mode, 0);
        if (!askAddress() || !openLink(address, START_JOIN))
            return 0;
        view.startWindowTimer(TIMER_CONNECT, connectTimeoutMs);
        view.startCountdown();
        break;
    case 1:
        settings.writeInt(SettingKey::Mode, 1);
        // A host waits for as long as the program runs: no connection timer.
        if (!openLink(QString(), START_HOST))
            return 0;
        break;
    case 2:
        settings.writeInt(SettingKey::Mode, 2);
        if (!askAddress() || !openLink(address, START_VIA_SERVER))
            return 0;
        view.startWindowTimer(TIMER_CONNECT, connectTimeoutMs);
        view.startCountdown();
        break;
    default:
        break;
    }
    return 1;
}

// The second line of "Network error.": what went wrong, in the player's
// words. timedOut: the connection time has run out with no role.
QString PlayController::networkErrorDetail(bool timedOut) const
{
    switch (link.failure(timedOut)) {
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

void PlayController::OnStartFailed()
{
    // Only a start still under way ends here; a late word changes nothing.
    if (link.role() != ROLE_NONE || !view.isWindowTimerActive(TIMER_CONNECT))
        return;
    view.killWindowTimer(TIMER_CONNECT);
    view.stopCountdown();
    view.networkError(networkErrorDetail(false));
    view.closeWindow();
}

void PlayController::OnConnectTimeout()
{
    view.killWindowTimer(TIMER_CONNECT);
    // A link that has found its role meanwhile makes the time-out harmless.
    if (link.role() != ROLE_NONE)
        return;
    view.stopCountdown();
    view.networkError(networkErrorDetail(true));
    view.closeWindow();
}

} // namespace sorvada
