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
        opponentGone = 1;
        messageBox(loadString(param == PEER_GONE_SILENT ? res::IDS_OPPONENT_SILENT : res::IDS_OPPONENT_QUIT),
                   QMessageBox::Critical);
        close();
        return;
    case LINK_PEER_JOINED:
        if (startAlarmOff != 0)
            return;
        sounds.play(startSound);
        // Minimizing and restoring draws the waiting player's eye.
        showMinimized();
        showNormal();
        return;
    default:
        break;
    }

    switch (link.recvRecord.type()) {
    case GREETING: onGreeting(); break;
    case MOVE:
    case CAPTURE_STEP: onOpponentLeg(link.recvRecord.type()); break;
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
    const QString peer = QString::fromUtf8(link.recvRecord.greetingName());
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

    // A greeting without a playable variant cannot start a set.
    if (!isKnownVariant(variant))
        return;
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
    showVariantStatus();
    link.sendRecord.writeGreeting(board.variant(), playerName.toUtf8());
    link.SendReliable(peerSlot());
    board.setFirstMover(1);
    board.setMyTurn(1);
    showStatus(res::IDS_YOUR_TURN);
    startWindowTimer(TIMER_NEW_SET, INTRODUCTION_DELAY_MS);
}

void CGameWnd::onOpponentLeg(uint8_t type)
{
    const uint8_t from = link.recvRecord.legFrom();
    const uint8_t to = link.recvRecord.legTo();
    const uint8_t via = link.recvRecord.legVia();
    // A leg no legal game could produce is dropped whole: the board, the
    // turn and the picture stay as they were.
    if (!board.applyReceivedLeg(from, to, via))
        return;

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
    const QString text = QString::fromUtf8(link.recvRecord.chatText());
    if (messageAlarmOff == 0)
        sounds.play(messageSound);
    chatDialog.appendReceived(text);
    chatDialog.setName(playerName);
    chatDialog.showAndActivate();
}
