// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QString>

namespace sorvada {

class SettingsStore;

// The start dialog: the player's name and the way to connect. The caller
// sets `name` (and, if it wishes, the flags) before exec() and reads them
// after Accepted. Each exec() fills the controls afresh and preselects the
// way to connect from the stored "Mode", so the same object can be run again
// after an empty name was refused.
class CStartDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int MaxNameLength = 15;

    explicit CStartDlg(SettingsStore &settings, QWidget *parent = nullptr);

    int exec() override;

    QString name;
    int joinFlag = 0;      // 202 "Connect to the Game Server"
    int hostFlag = 0;      // 203 "As the Game Server"
    int viaServerFlag = 0; // 204 "Connect through the Tavimore Server"
    // 0..2: preselect that way to connect (as a stored "Mode" would) rather than
    // the stored one, as an invitation link does; anything else: the stored "Mode".
    int preselect = -1;

private:
    void confirm();

    SettingsStore &settings;
};

} // namespace sorvada
