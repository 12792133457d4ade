// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QString>

namespace sorvada {

// The server-address dialog: the host name or IP address of the game server,
// or of the matchmaking server. The caller sets `address` before exec() and
// reads it after Accepted, as typed; an empty address is refused with a
// warning and the dialog stays open.
class CServerDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int MaxAddressLength = 255;

    explicit CServerDlg(QWidget *parent = nullptr);

    int exec() override;

    QString address;

private:
    void confirm();
};

} // namespace sorvada
