// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PlayController.h"

#include "app/ResourceIds.h"
#include "app/SettingKeys.h"
#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "net/PeerRecord.h"
#include "rules/GameBoard.h"
#include "ui/PlayLink.h"
#include "ui/PlayView.h"

namespace sorvada {

// The menu commands that act on the game besides moving pieces. The draw
// offer and the capitulation are enabled only during the player's turn, and
// each takes the turn away at once.

bool PlayController::playerToMove() const
{
    return board.isMyTurn() == 1;
}

void PlayController::OnDrawOffer()
{
    board.setMyTurn(0);
    showStatus(res::IDS_DRAW_OFFERED);
    link.sendBare(DRAW_OFFER);
}

void PlayController::OnCapitulate()
{
    if (!view.confirm(loadString(res::IDS_CONFIRM_CAPITULATE)))
        return;
    // The question waited for the player; the set may have moved on.
    if (board.isMyTurn() != 1 || opponentGone != 0)
        return;
    board.setMyTurn(0);
    newSetPending = true;
    endRecordedSet(MatchRecord::Outcome::LocalLost);
    showStatus(res::IDS_WAIT_OPPONENT);
    // The loser sees his loss before the opponent learns of it: GAME_LOST
    // leaves only once the score dialog is closed. The opponent then decides
    // who opens the next set.
    showScore(0, 1, res::IDS_YOU_LOSE);
    link.sendBare(GAME_LOST);
    view.startWindowTimer(TIMER_NEW_SET, 10);
}

void PlayController::OnScore()
{
    // Changes only the heading; no row, no totals.
    showScore(-1, -1, res::IDS_RESULTS);
}

void PlayController::OnChat()
{
    view.showChat();
}

namespace {
// The stored switch is an "off" flag: anything but 1 turns into 1, 1 into 0.
int toggled(int off)
{
    return off == 1 ? 0 : 1;
}
} // namespace

void PlayController::OnStartAlarm()
{
    startAlarmOff = toggled(startAlarmOff);
    settings.writeInt(SettingKey::Start, startAlarmOff);
}

void PlayController::OnMessageAlarm()
{
    messageAlarmOff = toggled(messageAlarmOff);
    settings.writeInt(SettingKey::Message, messageAlarmOff);
}

void PlayController::OnLastMove()
{
    lastMoveOff = toggled(lastMoveOff);
    settings.writeInt(SettingKey::LastMove, lastMoveOff);
    view.redraw();
}

} // namespace sorvada
