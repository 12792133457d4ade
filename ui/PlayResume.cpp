// SPDX-License-Identifier: GPL-3.0-or-later
// A lost line to an opponent whose copy waits for it as ours does: the status bar counts down
// the wait, the board stays as it is (the player to move may still move; the link queues it),
// and once the line is back the two copies compare their matches before play goes on.
#include "ui/PlayController.h"

#include "app/ResourceIds.h"
#include "app/StringTable.h"
#include "rules/GameBoard.h"
#include "rules/MatchDigest.h"
#include "ui/PlayLink.h"
#include "ui/PlayView.h"

namespace sorvada {

namespace {
constexpr int GRACE_TICK_MS = 1000;
} // namespace

void PlayController::onLineLost()
{
    if (matchEnding)
        return;
    lineLost = true;
    showGraceLeft();
}

void PlayController::OnGraceTick()
{
    if (lineLost && !matchEnding)
        showGraceLeft();
}

void PlayController::showGraceLeft()
{
    const int leftMs = link.graceRemainingMs();
    const int seconds = (qMax(0, leftMs) + 999) / 1000;
    const QString left = QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    view.setStatusText(0, loadString(res::IDS_RECONNECTING).arg(left));
    view.startWindowTimer(TIMER_GRACE, GRACE_TICK_MS);
}

void PlayController::onLineBack()
{
    if (matchEnding)
        return;
    lineLost = false;
    awaitingAgreement = true;
    view.killWindowTimer(TIMER_GRACE);
    showStatus(shownStatus);
    link.sendDigest(currentDigest(false));
}

DigestMessage PlayController::currentDigest(bool answer) const
{
    DigestMessage digest;
    digest.answer = answer;
    digest.seen = link.receivedCount();
    digest.state = matchState(board, record);
    return digest;
}

// The opponent's digest went behind everything it had sent before, so this copy has taken all
// of that in. It can be compared only when the opponent, in turn, had everything of ours that
// changes the match, and both copies are inside a set rather than between two. Every digest
// that is not itself an answer is answered with one written now, which the opponent can compare
// even when its own came too early; an answer is never answered.
void PlayController::onDigest()
{
    if (!link.peerResumes())
        return;
    const DigestMessage theirs = readDigestMessage(link.received());
    const bool comparable = theirs.seen >= link.stateSentCount() && !newSetPending
        && theirs.state.toMove != TO_MOVE_NONE;
    if (comparable && !(theirs.state == currentDigest(false).state)) {
        endMatch(res::IDS_MATCH_DIVERGED);
        return;
    }
    if (!theirs.answer)
        link.sendDigest(currentDigest(true));
    if (!comparable || !awaitingAgreement)
        return;
    awaitingAgreement = false;
    showStatus(shownStatus);
    // Whoever walked away while the line was down hears that the match goes on.
    if (startAlarmOff == 0) {
        view.playSound(START_SOUND);
        view.alert();
    }
}

} // namespace sorvada
