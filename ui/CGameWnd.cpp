// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DialogBuilder.h"
#include "ui/CGameWnd.h"

#include "app/CAboutDlg.h"
#include "app/CAuthorsDlg.h"
#include "app/HelpLauncher.h"
#include "app/MainMenu.h"
#include "app/ResourceIds.h"
#include "app/Resources.h"
#include "app/StringTable.h"
#include "net/PeerSocket.h"
#include "rules/GameBoard.h"
#include "ui/BoardView.h"
#include "ui/GameActions.h"
#include "ui/StatusParts.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusTipEvent>
#include <QTimer>
#include <QWindow>

namespace sorvada {

namespace {
constexpr int START_DELAY_MS = 100;
} // namespace

CGameWnd::CGameWnd(GameBoard &board, PeerSocket &link, SettingsStore &settings,
                   CScoreDlg &scoreDialog, QWidget *parent, int connectTimeoutMs)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                                | Qt::WindowCloseButtonHint),
      board(board), settings(settings), scoreDialog(scoreDialog), peerLink(link),
      play(board, peerLink, *this, settings, connectTimeoutMs), moves(play.matchRecord()),
      backBitmap(BoardPainter::BUFFER_WIDTH, BoardPainter::BUFFER_HEIGHT)
{
    appTitle = loadString(res::IDS_APP_TITLE);
    setWindowTitle(appTitle);

    // Until the frame is known the whole outer size goes to the client area;
    // fitToFrame corrects it once the window manager has framed the window.
    setFixedSize(FRAME_WIDTH, FRAME_HEIGHT);
    if (QScreen *screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - FRAME_WIDTH) / 2, area.y() + (area.height() - FRAME_HEIGHT) / 2);
    }

    backBitmap.fill(BoardPainter::groundColour());
    view = new BoardView(*this, backBitmap, this);
    setCentralWidget(view);

    buildMenu();

    loadPictures();
    for (int id : {int(res::IDC_WAIT_TURN), int(res::IDC_OK), int(res::IDC_NO)})
        cursors.insert(id, loadCursor(id));
    cursors.insert(CURSOR_ARROW, QCursor(Qt::ArrowCursor));

    status = new StatusParts(this);
    setStatusBar(status);
    showStatus(res::IDS_WAIT_JOINING);

    for (int id : {TIMER_START, TIMER_CONNECT, TIMER_NEW_SET, TIMER_GRACE}) {
        auto *timer = new QTimer(this);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, id] { OnTimer(id); });
        timers.insert(id, timer);
    }
    // The chat window lives as long as this window, hidden until wanted.
    chatDialog.setSender([this](const QString &chatLine) { peerLink.sendChat(chatLine.toUtf8()); });
    // Queued: the link raises it from inside its receive handling.
    connect(&link, &PeerSocket::startFailed, this, &CGameWnd::OnStartFailed, Qt::QueuedConnection);

    startWindowTimer(TIMER_START, START_DELAY_MS);
}

CGameWnd::~CGameWnd()
{
    OnDestroy();
}

void CGameWnd::buildMenu()
{
    actions = GameActions::build(*this);
    for (QMenu *menu : menuBar()->findChildren<QMenu *>()) {
        connect(menu, &QMenu::aboutToShow, this, [this] {
            refreshCommands();
            OnMenuSelect(0);
        });
        connect(menu, &QMenu::hovered, this,
                [this](QAction *action) { OnMenuSelect(MainMenu::commandOf(action)); });
        connect(menu, &QMenu::aboutToHide, this, [this] { OnMenuSelect(0, true); });
    }
}

void CGameWnd::refreshCommands()
{
    GameActions::refresh(*this, actions);
}

// --- status bar ----------------------------------------------------------

void CGameWnd::setStatusText(int part, const QString &text)
{
    status->setPartText(part, text);
    // Part 0 follows the game's state, the turn above all, which assistive
    // technology reads in the board's description.
    if (part == 0)
        view->announceState();
}

QString CGameWnd::statusText(int part) const
{
    return status->partText(part);
}

void CGameWnd::showStatus(int stringId)
{
    setStatusText(0, loadString(stringId));
}

// --- timers --------------------------------------------------------------

void CGameWnd::startWindowTimer(int id, int ms)
{
    if (QTimer *timer = timers.value(id))
        timer->start(qMax(0, ms));
}

void CGameWnd::killWindowTimer(int id)
{
    if (QTimer *timer = timers.value(id))
        timer->stop();
}

bool CGameWnd::isWindowTimerActive(int id) const
{
    const QTimer *timer = timers.value(id);
    return timer && timer->isActive();
}

void CGameWnd::OnTimer(int id)
{
    switch (id) {
    case TIMER_START:
        killWindowTimer(TIMER_START);
        if (RunStartSequence() == 0)
            close();
        break;
    case TIMER_CONNECT:
        play.OnConnectTimeout();
        break;
    case TIMER_NEW_SET:
        refusedSquare = NO_SQUARE;
        play.OnNewSet();
        break;
    case TIMER_GRACE:
        play.OnGraceTick();
        break;
    default:
        break;
    }
}

// --- drawing -------------------------------------------------------------

void CGameWnd::loadPictures()
{
    const QScreen *screen = this->screen();
    pictures.load(screen ? screen->depth() : 32);
}

void CGameWnd::redraw()
{
    static const std::vector<uint8_t> none;
    BoardPainter::drawBoard(board, pictures, backBitmap, play.lastMoveOff == 0 ? play.lastMoveSquares : none);
    view->boardChanged();
}

void CGameWnd::OnSysColorChange()
{
    loadPictures();
    redraw();
}

void CGameWnd::setBoardCursor(int cursorId)
{
    if (!cursors.contains(cursorId))
        cursorId = CURSOR_ARROW;
    currentCursor = cursorId;
    view->setCursor(cursors.value(cursorId));
}

int CGameWnd::messageBox(const QString &text, QMessageBox::Icon icon,
                         QMessageBox::StandardButtons buttons)
{
    // Modal over this window only, so that the chat window stays usable.
    return dlg::messageBox(this, text, icon, buttons);
}

// --- mouse ---------------------------------------------------------------

void CGameWnd::OnMouseMove(int x, int y)
{
    if (board.isMyTurn() == 1 && board.hasSelection()) {
        const uint8_t s = board.squareAt(x, y);
        if (s != NO_SQUARE && board.isTargetOfSelected(s) == 1) {
            setBoardCursor(res::IDC_OK);
            showStatus(res::IDS_CAN_GO);
        } else {
            setBoardCursor(res::IDC_NO);
            showStatus(res::IDS_CANNOT_GO);
        }
    } else if (board.isMyTurn() == 1) {
        setBoardCursor(CURSOR_ARROW);
        // The reason a click was refused stays while the pointer stays on
        // the piece.
        if (refusedSquare != NO_SQUARE && board.squareAt(x, y) == refusedSquare) {
            showStatus(res::IDS_MUST_CAPTURE);
        } else {
            refusedSquare = NO_SQUARE;
            showStatus(res::IDS_YOUR_TURN);
        }
    } else {
        // The opponent is to move: the status text stays as the game left it.
        setBoardCursor(res::IDC_WAIT_TURN);
    }
    setStatusText(1, QString::fromStdString(board.squareName(x, y)));
}

void CGameWnd::OnMouseLeave()
{
    setStatusText(1, QString());
}

void CGameWnd::OnLButtonDown(int x, int y)
{
    // Clicks during the opponent's turn do nothing.
    if (board.isMyTurn() != 1)
        return;
    // The opponent's move has been seen once the player acts.
    play.clearLastMove();
    // An own piece that may not move because another must capture: the
    // player is told why nothing happens.
    refusedSquare = NO_SQUARE;
    const uint8_t s = board.squareAt(x, y);
    if (!board.hasSelection() && s != NO_SQUARE) {
        const LegList legs = board.legalLegs();
        const uint8_t cell = board.board[s];
        if (legs.captures() && cell < 24 && board.pieces[cell].owner == board.localMover()
            && !legs.startsAt(s))
            refusedSquare = s;
    }
    board.handleClick(x, y);
    redraw();
    if (refusedSquare != NO_SQUARE)
        showStatus(res::IDS_MUST_CAPTURE);
}

// --- menu ----------------------------------------------------------------

void CGameWnd::OnMenuSelect(int item, bool closed)
{
    if (menuTextSaved == 0) {
        savedStatusText = statusText(0);
        menuTextSaved = 1;
    }
    // Menu titles and separators have no prompt and show an empty part.
    setStatusText(0, loadString(item));
    if (closed) {
        setStatusText(0, savedStatusText);
        menuTextSaved = 0;
    }
}

// --- window life ---------------------------------------------------------

void CGameWnd::fitToFrame()
{
    const QWindow *handle = windowHandle();
    if (!handle || !isVisible())
        return;
    const QMargins frame = handle->frameMargins();
    if (frame == knownFrame)
        return;
    knownFrame = frame;
    // The outer frame is what has the fixed size; the client area gets what
    // the caption and borders leave of it.
    const int width = qMax(1, FRAME_WIDTH - frame.left() - frame.right());
    const int height = qMax(1, FRAME_HEIGHT - frame.top() - frame.bottom());
    setFixedSize(width, height);
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - FRAME_WIDTH) / 2, area.y() + (area.height() - FRAME_HEIGHT) / 2);
    }
}

bool CGameWnd::event(QEvent *event)
{
    if (event->type() == QEvent::StatusTip) {
        // While a menu is open the pointer leaving its items for a separator
        // empties part 0; the items' prompts come with their highlighting.
        // The status bar's own message line is never used.
        if (menuTextSaved == 1 && static_cast<QStatusTipEvent *>(event)->tip().isEmpty())
            OnMenuSelect(0);
        return true;
    }
    const bool handled = QMainWindow::event(event);
    switch (event->type()) {
    case QEvent::Show:
        if (!screenWatched && windowHandle()) {
            screenWatched = true;
            connect(windowHandle(), &QWindow::screenChanged, this, [this] { OnSysColorChange(); });
        }
        fitToFrame();
        break;
    case QEvent::Move:
    case QEvent::Resize:
        // The window manager reports its frame only after framing the window.
        fitToFrame();
        break;
    default:
        break;
    }
    return handled;
}

void CGameWnd::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        OnSysColorChange();
}

void CGameWnd::closeEvent(QCloseEvent *event)
{
    // Leaving ends the match for both players: asked first, and only then.
    if (play.matchUnderWay()) {
        if (askingToLeave) {
            event->ignore();
            return;
        }
        askingToLeave = true;
        const bool leave = dlg::confirm(this, loadString(res::IDS_CONFIRM_LEAVE));
        askingToLeave = false;
        // The opponent may have left meanwhile and closed the window.
        if (destroyedOnce || (!leave && play.matchUnderWay())) {
            event->ignore();
            return;
        }
    }
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        OnDestroy();
}

void CGameWnd::OnDestroy()
{
    if (destroyedOnce)
        return;
    destroyedOnce = true;
    for (QTimer *timer : std::as_const(timers))
        timer->stop();
    play.OnWindowClosed();
    emit windowClosed();
}

// --- handed on to the play controller -------------------------------------

void CGameWnd::OnLinkEvent(unsigned int event, int param)
{
    play.OnLinkEvent(event, param);
}

int CGameWnd::RunStartSequence()
{
    return play.RunStartSequence();
}

void CGameWnd::OnStartFailed()
{
    play.OnStartFailed();
}

// --- the window's own commands ---------------------------------------------

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

} // namespace sorvada
