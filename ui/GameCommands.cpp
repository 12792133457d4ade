// SPDX-License-Identifier: GPL-3.0-or-later
#include "CGameWnd.h"

#include "CAboutDlg.h"
#include "CAuthorsDlg.h"
#include "CScoreDlg.h"
#include "DialogBuilder.h"
#include "GameBoard.h"
#include "HelpLauncher.h"
#include "PeerRecord.h"
#include "ResourceIds.h"
#include "SettingsStore.h"
#include "StringTable.h"

// The menu commands that act on the game besides moving pieces. The draw
// offer and the capitulation are enabled only during the player's turn, and
// each takes the turn away at once.

void CGameWnd::OnDrawOffer()
{
    board.setMyTurn(0);
    showStatus(res::IDS_DRAW_OFFERED);
    sendBare(DRAW_OFFER);
}

void CGameWnd::OnCapitulate()
{
    if (!dlg::confirm(this, loadString(res::IDS_CONFIRM_CAPITULATE)))
        return;
    // The question waited for the player; the set may have moved on.
    if (board.isMyTurn() != 1 || opponentGone != 0)
        return;
    board.setMyTurn(0);
    newSetPending = true;
    showStatus(res::IDS_WAIT_OPPONENT);
    // The loser sees his loss before the opponent learns of it: GAME_LOST
    // leaves only once the score dialog is closed. The opponent then decides
    // who opens the next set.
    showScore(0, 1, res::IDS_YOU_LOSE);
    sendBare(GAME_LOST);
    startWindowTimer(TIMER_NEW_SET, 10);
}

void CGameWnd::OnScore()
{
    // Changes only the heading; no row, no totals.
    showScore(-1, -1, res::IDS_RESULTS);
}

void CGameWnd::OnChat()
{
    chatDialog.setName(playerName);
    chatDialog.showAndActivate();
}

namespace {
// The stored switch is an "off" flag: anything but 1 turns into 1, 1 into 0.
int toggled(int off)
{
    return off == 1 ? 0 : 1;
}
} // namespace

void CGameWnd::OnStartAlarm()
{
    startAlarmOff = toggled(startAlarmOff);
    settings.writeInt(QStringLiteral("Start"), startAlarmOff);
}

void CGameWnd::OnMessageAlarm()
{
    messageAlarmOff = toggled(messageAlarmOff);
    settings.writeInt(QStringLiteral("Message"), messageAlarmOff);
}

void CGameWnd::OnLastMove()
{
    lastMoveOff = toggled(lastMoveOff);
    settings.writeInt(QStringLiteral("LastMove"), lastMoveOff);
    redraw();
}

void CGameWnd::OnHelpContents()
{
    openHelpContents(this);
}

void CGameWnd::OnHomePage()
{
    openHomePage(this);
}

void CGameWnd::OnAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CGameWnd::OnAuthors()
{
    CAuthorsDlg authors(this);
    authors.exec();
}
