// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QString>

namespace sorvada {

// The server-address dialog: the host name or IP address of the game server,
// or of the matchmaking server, optionally with a room code after a "/". The
// caller sets `address` before exec() and reads it after Accepted, as typed.
// An empty address, a malformed room code and a web-lobby address too long for
// its queries are refused with a message that says why, and the dialog stays
// open.
//
// "Invite a friend" draws a fresh room code for the lobby in the box (or, with
// the box cleared, the address the dialog was opened with), puts HOST/CODE into
// the box, copies the invitation link to the clipboard and shows it.
class CServerDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int MaxAddressLength = 255;

    explicit CServerDlg(QWidget *parent = nullptr);

    int exec() override;

    QString address;
    // The link of the last invitation made in this dialog; empty when none.
    QString invitation;

private:
    void confirm();
    void invite();
    void showInvitation(bool shown);
};

} // namespace sorvada
