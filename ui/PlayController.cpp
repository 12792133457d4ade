// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PlayController.h"

#include "app/CChatDlg.h"
#include "app/ResourceIds.h"
#include "app/SettingKeys.h"
#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "net/LinkEvents.h"
#include "net/PeerRecord.h"
#include "rules/GameBoard.h"
#include "ui/PlayLink.h"
#include "ui/PlayView.h"

#include <QStringDecoder>

namespace sorvada {

namespace {
constexpr int INTRODUCTION_DELAY_MS = 100;
constexpr int NEXT_SET_DELAY_MS = 10;
const QString messageSound = QStringLiteral("message.wav");

bool isKnownVariant(uint8_t variant)
{
    return variant == VARIANT_AMERICAN || variant == VARIANT_RUSSIAN;
}

static_assert(CChatDlg::MaxLineBytes == MAX_CHAT_BYTES, "a chat line must fit one record");

// Names and chat travel as UTF-8; text that is not valid UTF-8 is shown byte
// for byte as Latin-1, with nothing replaced or dropped.
QString wireText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}
} // namespace

PlayController::PlayController(GameBoard &board, PlayLink &link, PlayView &view,
                               SettingsStore &settings, int connectTimeoutMs)
    : connectTimeoutMs(connectTimeoutMs), board(board), link(link), view(view), settings(settings)
{
    board.setLegSink(this);
}

PlayController::~PlayController()
{
    board.setLegSink(nullptr);
}

uint8_t PlayController::role() const
{
    return link.role();
}

void PlayController::showStatus(int stringId)
{
    shownStatus = stringId;
    // While the line is lost the status bar counts down; the game's status comes back with it.
    if (!lineLost)
        view.setStatusText(0, loadString(stringId));
}

void PlayController::showScore(int own, int opponent, int headingId)
{
    view.showScore(own, opponent, loadString(headingId));
}

void PlayController::showVariantStatus()
{
    view.setStatusText(2, loadString(board.variant() == VARIANT_RUSSIAN ? res::IDS_RUS : res::IDS_USA));
}

bool PlayController::matchUnderWay() const
{
    return matchStarted && !matchEnding && opponentGone == 0
        && (link.role() == ROLE_SERVER || link.role() == ROLE_CLIENT);
}

void PlayController::OnWindowClosed()
{
    if ((link.role() == ROLE_SERVER || link.role() == ROLE_CLIENT) && opponentGone == 0)
        link.sendQuit();
}

void PlayController::clearLastMove()
{
    lastMoveSquares.clear();
    opponentMoveOpen = false;
}

// Each leg that move entry has applied goes to the opponent as it is made.
void PlayController::legEntered(uint8_t kind, uint8_t from, uint8_t to, uint8_t via)
{
    link.sendLeg(kind == LEG_PARTIAL ? CAPTURE_STEP : MOVE, from, to, via);
    record.legPlayed(board, from, to, true, kind == LEG_FINAL);
    if (kind == LEG_FINAL)
        view.recordChanged();
    if (kind == LEG_PARTIAL) {
        showStatus(res::IDS_CAPTURE_STILL);
    } else {
        view.setBoardCursor(res::IDC_WAIT_TURN);
        showStatus(res::IDS_WAIT_OPPONENT);
    }
}

void PlayController::OnLinkEvent(unsigned int event, int param)
{
    switch (event) {
    case LINK_SERVING:
        // A further client on a link with room for more changes nothing.
        if (param == 0)
            onServing();
        return;
    case LINK_JOINED:
        board.setRole(link.role());
        view.showTitle(playerName);
        // Only the server's greeting carries the variant; the client's
        // variant byte means nothing to the server.
        link.sendGreeting(board.variant(), playerName.toUtf8());
        if (startAlarmOff == 0)
            view.playSound(START_SOUND);
        return;
    case LINK_PEER_GONE:
        // Once the match is ending nothing more is shown.
        if (matchEnding)
            return;
        matchEnding = true;
        opponentGone = 1;
        view.killWindowTimer(TIMER_GRACE);
        view.messageBox(loadString(param == PEER_GONE_SILENT ? res::IDS_OPPONENT_SILENT
                                   : param == PEER_GONE_LOST ? res::IDS_CONNECTION_LOST
                                                             : res::IDS_OPPONENT_QUIT),
                        QMessageBox::Critical, QMessageBox::Ok);
        view.closeWindow();
        return;
    case LINK_PEER_JOINED:
        if (startAlarmOff != 0)
            return;
        view.playSound(START_SOUND);
        // The desktop draws the waiting player's eye (a flashing task-bar
        // entry, say); the window itself stays where it is.
        view.alert();
        return;
    case LINK_LOST:
        onLineLost();
        return;
    case LINK_BACK:
        onLineBack();
        return;
    default:
        break;
    }
    if (matchEnding)
        return;

    const PeerRecord &record = link.received();
    switch (record.type()) {
    case GREETING: onGreeting(); break;
    case MOVE:
    case CAPTURE_STEP:
        onOpponentLeg(record.type(), record.legFrom(), record.legTo(), record.legVia());
        break;
    case DRAW_OFFER: onDrawOfferReceived(); break;
    case DRAW_ACCEPTED: onDrawAccepted(); break;
    case DRAW_DECLINED:
        board.setMyTurn(1);
        showStatus(res::IDS_YOUR_TURN);
        break;
    case GAME_LOST: onGameLost(); break;
    case YOU_START:
        board.setFirstMover(1);
        this->record.firstMoverChanged(true);
        board.setMyTurn(1);
        view.redraw();
        showStatus(res::IDS_YOUR_TURN);
        break;
    case CHAT: onChat(); break;
    case MATCH_DIGEST: onDigest(); break;
    default:
        // Anything else is not a game message this program knows.
        break;
    }
}

// This copy hosts: the player chooses the variant, and a client that has
// greeted meanwhile is answered with it.
void PlayController::onServing()
{
    board.setRole(link.role());
    choosingVariant = true;
    const uint8_t variant = view.chooseVariant();
    choosingVariant = false;
    board.setVariant(variant);
    settings.writeInt(SettingKey::VarGame, variant);
    view.showTitle(playerName);
    if (greetingHeld)
        answerGreeting();
}

void PlayController::onGreeting()
{
    const QString peer = wireText(link.received().greetingName());
    const uint8_t variant = link.received().greetingVariant();

    if (link.role() == ROLE_SERVER) {
        board.setPlayerNames(playerName.toStdString(), peer.toStdString());
        // The client may knock while the host still chooses the variant; it
        // is answered as soon as the choice is made.
        if (choosingVariant || !isKnownVariant(board.variant())) {
            greetingHeld = true;
            return;
        }
        answerGreeting();
        return;
    }

    // A greeting without a playable variant cannot start a set; the player
    // can only connect again.
    if (!isKnownVariant(variant)) {
        endMatch(res::IDS_NETWORK_ERROR);
        return;
    }
    matchStarted = true;
    board.setPlayerNames(playerName.toStdString(), peer.toStdString());
    board.setVariant(variant);
    showVariantStatus();
    board.setFirstMover(0);
    board.setMyTurn(0);
    showStatus(res::IDS_WAIT_OPPONENT);
    view.startWindowTimer(TIMER_NEW_SET, INTRODUCTION_DELAY_MS);
}

// The server's half of the introduction: it names itself and the variant,
// and opens the first set.
void PlayController::answerGreeting()
{
    greetingHeld = false;
    matchStarted = true;
    showVariantStatus();
    link.sendGreeting(board.variant(), playerName.toUtf8());
    board.setFirstMover(1);
    board.setMyTurn(1);
    showStatus(res::IDS_YOUR_TURN);
    view.startWindowTimer(TIMER_NEW_SET, INTRODUCTION_DELAY_MS);
}

void PlayController::onOpponentLeg(uint8_t type, uint8_t from, uint8_t to, uint8_t via)
{
    // Legs of a set this copy has not set up yet (its score dialog is still
    // open, or its new-set timer has not run) wait for the new board.
    if (newSetPending) {
        if (heldLegs.size() >= MAX_HELD_LEGS) {
            endMatch(res::IDS_MOVE_BREAKS_RULES);
            return;
        }
        heldLegs.push_back(HeldLeg{type, from, to, via});
        return;
    }
    // A leg the opponent could not have played changes nothing, and the
    // match cannot go on.
    if (!board.applyReceivedLeg(from, to, via, type == MOVE)) {
        endMatch(res::IDS_MOVE_BREAKS_RULES);
        return;
    }
    record.legPlayed(board, from, to, false, type == MOVE);
    // The squares of the move are kept for the board to mark: where the
    // piece started, and where each of its legs landed.
    if (!opponentMoveOpen)
        lastMoveSquares.assign(1, from);
    lastMoveSquares.push_back(to);
    opponentMoveOpen = type == CAPTURE_STEP;

    if (type == CAPTURE_STEP) {
        view.redraw();
        board.setMyTurn(0);
        return;
    }

    board.generateMoves();
    board.setMyTurn(1);
    view.setBoardCursor(CURSOR_ARROW);
    view.redraw();
    view.recordChanged();
    if (board.hasNoMoves() == 1) {
        endRecordedSet(MatchRecord::Outcome::LocalLost);
        board.setMyTurn(0);
        showStatus(res::IDS_WAIT_OPPONENT_SET_END);
        link.sendBare(GAME_LOST);
        newSetPending = true;
        showScore(0, 1, res::IDS_YOU_LOSE);
        showStatus(res::IDS_WAIT_OPPONENT);
        view.startWindowTimer(TIMER_NEW_SET, NEXT_SET_DELAY_MS);
    } else {
        showStatus(res::IDS_YOUR_TURN);
    }
}

void PlayController::onDrawOfferReceived()
{
    const int answer = view.messageBox(loadString(res::IDS_DRAW_QUESTION), QMessageBox::Question,
                                       QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        // The offering side learns of the draw only once this player has
        // seen the result.
        newSetPending = true;
        endRecordedSet(MatchRecord::Outcome::Drawn);
        showScore(0, 0, res::IDS_SET_DRAWN);
        link.sendBare(DRAW_ACCEPTED);
        showStatus(board.isMyTurn() == 1 ? res::IDS_YOUR_TURN : res::IDS_WAIT_OPPONENT);
        view.startWindowTimer(TIMER_NEW_SET, NEXT_SET_DELAY_MS);
    } else {
        showStatus(board.isMyTurn() == 1 ? res::IDS_YOUR_TURN : res::IDS_WAIT_OPPONENT);
        link.sendBare(DRAW_DECLINED);
    }
}

// The side that offered the draw decides who opens the next set.
void PlayController::onDrawAccepted()
{
    newSetPending = true;
    endRecordedSet(MatchRecord::Outcome::Drawn);
    showScore(0, 0, res::IDS_SET_DRAWN);
    if (board.isFirstMover() == 1) {
        board.setFirstMover(0);
        board.setMyTurn(0);
        link.sendBare(YOU_START);
    } else {
        board.setFirstMover(1);
        board.setMyTurn(1);
        showStatus(res::IDS_YOUR_TURN);
    }
    showStatus(board.isMyTurn() == 1 ? res::IDS_YOUR_TURN : res::IDS_WAIT_OPPONENT);
    view.startWindowTimer(TIMER_NEW_SET, NEXT_SET_DELAY_MS);
}

// The opponent found no move left, or gave up; the winner decides who opens
// the next set.
void PlayController::onGameLost()
{
    showStatus(res::IDS_WAIT_OPPONENT_SET_END);
    newSetPending = true;
    endRecordedSet(MatchRecord::Outcome::LocalWon);
    showScore(1, 0, res::IDS_YOU_WIN);
    view.startWindowTimer(TIMER_NEW_SET, NEXT_SET_DELAY_MS);
    if (board.isFirstMover() == 1) {
        board.setFirstMover(0);
        board.setMyTurn(0);
        showStatus(res::IDS_WAIT_OPPONENT);
        link.sendBare(YOU_START);
    } else {
        showStatus(res::IDS_YOUR_TURN);
        board.setFirstMover(1);
        board.setMyTurn(1);
    }
}

void PlayController::onChat()
{
    const QString text = wireText(link.received().chatText());
    if (messageAlarmOff == 0)
        view.playSound(messageSound);
    view.appendChat(text);
    view.showChat();
}

void PlayController::OnNewSet()
{
    view.killWindowTimer(TIMER_NEW_SET);
    clearLastMove();
    board.setUpPosition(BOARD_ORIGIN_X, BOARD_ORIGIN_Y);
    board.generateMoves();
    record.beginSet(board);
    view.redraw();
    view.recordChanged();
    newSetReady();
}

// The new board is up: the legs that came early are played on it in order.
void PlayController::newSetReady()
{
    newSetPending = false;
    const std::vector<HeldLeg> legs = std::move(heldLegs);
    heldLegs.clear();
    for (const HeldLeg &leg : legs) {
        if (matchEnding || newSetPending)
            return;
        onOpponentLeg(leg.type, leg.from, leg.to, leg.via);
    }
}

void PlayController::endRecordedSet(MatchRecord::Outcome outcome)
{
    record.endSet(outcome);
    view.recordChanged();
}

// The match cannot go on: the peer gets QUIT at once, the player is told once
// and the window closes (the link sends no second QUIT).
void PlayController::endMatch(int stringId)
{
    if (matchEnding)
        return;
    matchEnding = true;
    lineLost = false;
    view.killWindowTimer(TIMER_GRACE);
    link.sendQuit();
    view.messageBox(loadString(stringId), QMessageBox::Critical, QMessageBox::Ok);
    view.closeWindow();
}

} // namespace sorvada
