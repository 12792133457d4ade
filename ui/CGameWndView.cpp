// SPDX-License-Identifier: GPL-3.0-or-later
// The window as the play controller sees it: the dialogs it asks the player,
// the sounds, the title and the countdown of a join.
#include "app/DialogBuilder.h"
#include "ui/CGameWnd.h"

#include "app/CScoreDlg.h"
#include "app/CServerDlg.h"
#include "app/CStartDlg.h"
#include "app/CVariantDlg.h"
#include "app/ResourceIds.h"
#include "app/StringTable.h"
#include "rules/GameBoard.h"

#include <QApplication>
#include <QTimer>

namespace sorvada {

void CGameWnd::showTitle(const QString &title)
{
    setWindowTitle(title);
}

void CGameWnd::networkError(const QString &detail)
{
    dlg::messageBox(this, loadString(res::IDS_NETWORK_ERROR), detail, QMessageBox::Critical);
}

bool CGameWnd::confirm(const QString &question)
{
    return dlg::confirm(this, question);
}

bool CGameWnd::askStart(QString &name, int &mode)
{
    CStartDlg startDlg(settings, this);
    startDlg.name = name;
    startDlg.joinFlag = mode == 0 ? 1 : 0;
    startDlg.hostFlag = mode == 1 ? 1 : 0;
    startDlg.viaServerFlag = mode == 2 ? 1 : 0;
    startDlg.preselect = mode;
    if (startDlg.exec() != QDialog::Accepted)
        return false;
    name = startDlg.name;
    mode = startDlg.joinFlag ? 0 : startDlg.hostFlag ? 1 : startDlg.viaServerFlag ? 2 : -1;
    return true;
}

bool CGameWnd::askAddress(QString &address)
{
    CServerDlg serverDlg(this);
    serverDlg.address = address;
    if (serverDlg.exec() != QDialog::Accepted)
        return false;
    address = serverDlg.address;
    return true;
}

uint8_t CGameWnd::chooseVariant()
{
    CVariantDlg variantDlg(settings, this);
    variantDlg.exec();
    return variantDlg.americanFlag == 1 ? VARIANT_AMERICAN : VARIANT_RUSSIAN;
}

void CGameWnd::showScore(int own, int opponent, const QString &heading)
{
    scoreDialog.AddResult(own, opponent, heading);
    scoreDialog.showModal(this, play.playerName, QString::fromStdString(board.peerName));
}

void CGameWnd::appendChat(const QString &received)
{
    chatDialog.appendReceived(received);
}

void CGameWnd::showChat()
{
    chatDialog.setName(play.playerName);
    chatDialog.showAndActivate();
}

void CGameWnd::playSound(const QString &fileName)
{
    sounds.play(fileName);
}

void CGameWnd::alert()
{
    QApplication::alert(this);
}

void CGameWnd::closeWindow()
{
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

void CGameWnd::stopCountdown()
{
    if (countdown)
        showCountdown();
}

void CGameWnd::showCountdown()
{
    // There is no board yet, so the square name's part is free.
    if (play.role() != ROLE_NONE || !isWindowTimerActive(TIMER_CONNECT)) {
        countdown->stop();
        setStatusText(1, QString());
        return;
    }
    // A coarse timer may run a little over its time; the count never starts
    // above the time the player was given.
    const int msLeft = qBound(0, timers.value(TIMER_CONNECT)->remainingTime(), play.connectTimeoutMs);
    setStatusText(1, loadString(res::IDS_SECONDS_LEFT).arg((msLeft + 999) / 1000));
}

} // namespace sorvada
