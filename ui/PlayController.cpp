// SPDX-License-Identifier: GPL-3.0-or-later
#include "CGameWnd.h"

#include "CScoreDlg.h"
#include "CVariantDlg.h"
#include "GameBoard.h"
#include "LinkEvents.h"
#include "PeerRecord.h"
#include "PeerSocket.h"
#include "ResourceIds.h"
#include "SettingsStore.h"
#include "StringTable.h"

#include <QApplication>
#include <QStringDecoder>

// The whole flow of a match runs through here: every event of the peer link
// and every game message the opponent's copy sends.
//
// Dialogs opened below run nested event loops in which the link goes on
// delivering datagrams into recvRecord and other handlers build their own
// messages in sendRecord. So every branch takes what it needs out of
// recvRecord before any dialog, and a reply is always written into
// sendRecord and handed to the link in one go.

namespace {
constexpr int INTRODUCTION_DELAY_MS = 100;
constexpr int NEXT_SET_DELAY_MS = 10;
const QString startSound = QStringLiteral("start.wav");
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

int CGameWnd::peerSlot() const
{
    return link.role == ROLE_SERVER ? 1 : 0;
}

void CGameWnd::sendBare(uint8_t type)
{
    link.sendRecord.writeBare(type);
    link.SendReliable(peerSlot());
}

void CGameWnd::showScore(int own, int opponent, int headingId)
{
    scoreDialog.AddResult(own, opponent, loadString(headingId));
    scoreDialog.showModal(this, playerName, QString::fromStdString(board.peerName));
}

void CGameWnd::showVariantStatus()
{
    setStatusText(2, loadString(board.variant() == VARIANT_RUSSIAN ? res::IDS_RUS : res::IDS_USA));
}

// Each leg that move entry has applied goes to the opponent as it is made;
// the squares come already in the opponent's terms.
void CGameWnd::legEntered(uint8_t kind, uint8_t from, uint8_t to, uint8_t via)
{
    // The record's writer mirrors the squares it is given, so it is handed
    // this side's own squares back.
    link.sendRecord.writeLeg(kind == LEG_PARTIAL ? CAPTURE_STEP : MOVE, uint8_t(63 - from),
                             uint8_t(63 - to), uint8_t(63 - via));
    link.SendReliable(peerSlot());
    if (kind == LEG_PARTIAL) {
        showStatus(res::IDS_CAPTURE_STILL);
    } else {
        setBoardCursor(res::IDC_WAIT_TURN);
        showStatus(res::IDS_WAIT_OPPONENT);
    }
}

void CGameWnd::OnLinkEvent(unsigned int event, int param)
{
    switch (event) {
    case LINK_SERVING: {
        // A further client on a link with room for more changes nothing.
        if (param != 0)
            return;
        board.setRole(link.role);
        CVariantDlg variantDlg(settings, this);
        choosingVariant = true;
        variantDlg.exec();
        choosingVariant = false;
        const uint8_t variant = variantDlg.americanFlag == 1 ? VARIANT_AMERICAN : VARIANT_RUSSIAN;
        board.setVariant(variant);
        settings.writeInt(QStringLiteral("VarGame"), variant);
        setWindowTitle(playerName);
        if (greetingHeld)
            answerGreeting();
        return;
    }
    case LINK_JOINED:
        board.setRole(link.role);
        setWindowTitle(playerName);
        // Only the server's greeting carries the variant; the client's
        // variant byte means nothing to the server.
        link.sendRecord.writeGreeting(board.variant(), playerName.toUtf8());
        link.SendReliable(0);
        if (startAlarmOff == 0)
            sounds.play(startSound);
        return;
    case LINK_PEER_GONE:
        // Once the match is ending nothing more is shown.
        if (matchEnding)
            return;
        matchEnding = true;
        opponentGone = 1;
        messageBox(loadString(param == PEER_GONE_SILENT ? res::IDS_OPPONENT_SILENT : res::IDS_OPPONENT_QUIT),
                   QMessageBox::Critical);
        close();
        return;
    case LINK_PEER_JOINED:
        if (startAlarmOff != 0)
            return;
        sounds.play(startSound);
        // The desktop draws the waiting player's eye (a flashing task-bar
        // entry, say); the window itself stays where it is.
        QApplication::alert(this);
        return;
    default:
        break;
    }
    if (matchEnding)
        return;

    switch (link.recvRecord.type()) {
    case GREETING: onGreeting(); break;
    case MOVE:
    case CAPTURE_STEP:
        onOpponentLeg(link.recvRecord.type(), link.recvRecord.legFrom(), link.recvRecord.legTo(),
                      link.recvRecord.legVia());
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
        board.setMyTurn(1);
        redraw();
        showStatus(res::IDS_YOUR_TURN);
        break;
    case CHAT: onChat(); break;
    default:
        // Anything else is not a game message this program knows.
        break;
    }
}

void CGameWnd::onGreeting()
{
    const QString peer = wireText(link.recvRecord.greetingName());
    const uint8_t variant = link.recvRecord.greetingVariant();

    if (link.role == ROLE_SERVER) {
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
    startWindowTimer(TIMER_NEW_SET, INTRODUCTION_DELAY_MS);
}

// The server's half of the introduction: it names itself and the variant,
// and opens the first set.
void CGameWnd::answerGreeting()
{
    greetingHeld = false;
    matchStarted = true;
    showVariantStatus();
    link.sendRecord.writeGreeting(board.variant(), playerName.toUtf8());
    link.SendReliable(peerSlot());
    board.setFirstMover(1);
    board.setMyTurn(1);
    showStatus(res::IDS_YOUR_TURN);
    startWindowTimer(TIMER_NEW_SET, INTRODUCTION_DELAY_MS);
}

void CGameWnd::onOpponentLeg(uint8_t type, uint8_t from, uint8_t to, uint8_t via)
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
    // The squares of the move are kept for the board to mark: where the
    // piece started, and where each of its legs landed.
    if (!opponentMoveOpen)
        lastMoveSquares.assign(1, from);
    lastMoveSquares.push_back(to);
    opponentMoveOpen = type == CAPTURE_STEP;

    if (type == CAPTURE_STEP) {
        redraw();
        board.setMyTurn(0);
        return;
    }

    board.generateMoves();
    board.setMyTurn(1);
    setBoardCursor(CURSOR_ARROW);
    redraw();
    if (board.hasNoMoves() == 1) {
        board.setMyTurn(0);
        showStatus(res::IDS_WAIT_OPPONENT_SET_END);
        sendBare(GAME_LOST);
        newSetPending = true;
        showScore(0, 1, res::IDS_YOU_LOSE);
        showStatus(res::IDS_WAIT_OPPONENT);
        startWindowTimer(TIMER_NEW_SET, NEXT_SET_DELAY_MS);
    } else {
        showStatus(res::IDS_YOUR_TURN);
    }
}

void CGameWnd::onDrawOfferReceived()
{
    const int answer = messageBox(loadString(res::IDS_DRAW_QUESTION), QMessageBox::Question,
                                  QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        // The offering side learns of the draw only once this player has
        // seen the result.
        newSetPending = true;
        showScore(0, 0, res::IDS_SET_DRAWN);
        sendBare(DRAW_ACCEPTED);
        showStatus(board.isMyTurn() == 1 ? res::IDS_YOUR_TURN : res::IDS_WAIT_OPPONENT);
        startWindowTimer(TIMER_NEW_SET, NEXT_SET_DELAY_MS);
    } else {
        showStatus(board.isMyTurn() == 1 ? res::IDS_YOUR_TURN : res::IDS_WAIT_OPPONENT);
        sendBare(DRAW_DECLINED);
    }
}

// The side that offered the draw decides who opens the next set.
void CGameWnd::onDrawAccepted()
{
    newSetPending = true;
    showScore(0, 0, res::IDS_SET_DRAWN);
    if (board.isFirstMover() == 1) {
        board.setFirstMover(0);
        board.setMyTurn(0);
        sendBare(YOU_START);
    } else {
        board.setFirstMover(1);
        board.setMyTurn(1);
        showStatus(res::IDS_YOUR_TURN);
    }
    showStatus(board.isMyTurn() == 1 ? res::IDS_YOUR_TURN : res::IDS_WAIT_OPPONENT);
    startWindowTimer(TIMER_NEW_SET, NEXT_SET_DELAY_MS);
}

// The opponent found no move left, or gave up; the winner decides who opens
// the next set.
void CGameWnd::onGameLost()
{
    showStatus(res::IDS_WAIT_OPPONENT_SET_END);
    newSetPending = true;
    showScore(1, 0, res::IDS_YOU_WIN);
    startWindowTimer(TIMER_NEW_SET, NEXT_SET_DELAY_MS);
    if (board.isFirstMover() == 1) {
        board.setFirstMover(0);
        board.setMyTurn(0);
        showStatus(res::IDS_WAIT_OPPONENT);
        sendBare(YOU_START);
    } else {
        showStatus(res::IDS_YOUR_TURN);
        board.setFirstMover(1);
        board.setMyTurn(1);
    }
}

void CGameWnd::onChat()
{
    const QString text = wireText(link.recvRecord.chatText());
    if (messageAlarmOff == 0)
        sounds.play(messageSound);
    chatDialog.appendReceived(text);
    chatDialog.setName(playerName);
    chatDialog.showAndActivate();
}

// The new board is up: the legs that came early are played on it in order.
void CGameWnd::newSetReady()
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

// The match cannot go on: the peer gets QUIT at once, the player is told once
// and the window closes (the link sends no second QUIT).
void CGameWnd::endMatch(int stringId)
{
    if (matchEnding)
        return;
    matchEnding = true;
    link.SendQuit();
    messageBox(loadString(stringId), QMessageBox::Critical);
    close();
}
