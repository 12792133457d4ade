// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/CChatDlg.h"
#include "app/SoundPlayer.h"
#include "rules/BoardTypes.h"
#include "ui/BoardPainter.h"
#include "ui/MovesWindow.h"
#include "ui/PeerLink.h"
#include "ui/PlayController.h"
#include "ui/PlayView.h"

#include <QCursor>
#include <QHash>
#include <QMainWindow>
#include <QMessageBox>
#include <QPixmap>
#include <QString>

#include <vector>

class QAction;
class QTimer;

namespace sorvada {

class BoardView;
class CScoreDlg;
class GameBoard;
class PeerSocket;
class SettingsStore;
class StatusParts;

// The program's only top-level window: fixed size, the game menu, a status
// bar of three parts and the back buffer in which the board is rendered. The
// flow of the match is the play controller's; the window shows what it is
// told, asks what it is asked and hands it the link's events, the timers and
// the player's commands.
class CGameWnd : public QMainWindow, private PlayView
{
    Q_OBJECT
public:
    // scoreDialog keeps the results of the whole run and outlives the
    // window. connectTimeoutMs: how long a join or a matchmaking start may
    // take to find the opponent before the program gives up.
    CGameWnd(GameBoard &board, PeerSocket &link, SettingsStore &settings, CScoreDlg &scoreDialog,
             QWidget *parent = nullptr, int connectTimeoutMs = 30000);
    ~CGameWnd() override;

    // Outer size of the window, frame included, where the window manager
    // lets the program choose it.
    static constexpr int FRAME_WIDTH = 560;
    static constexpr int FRAME_HEIGHT = 460;

    // --- what the play controller sees of the window ---------------------
    void setStatusText(int part, const QString &text) override;
    QString statusText(int part) const;
    void showStatus(int stringId);    // string by number into part 0

    void startWindowTimer(int id, int ms) override;
    void killWindowTimer(int id) override;
    bool isWindowTimerActive(int id) const override;
    void OnTimer(int id);

    // Renders the board into the back buffer and repaints without erasing.
    void redraw() override;
    const QPixmap &backBuffer() const { return backBitmap; }
    const PictureTable &pictureTable() const { return pictures; }

    // 140, 144, 145 or CURSOR_ARROW.
    void setBoardCursor(int cursorId) override;
    int boardCursor() const { return currentCursor; }

    // A modal message box with the program's caption; returns the button.
    int messageBox(const QString &text, QMessageBox::Icon icon = QMessageBox::Critical,
                   QMessageBox::StandardButtons buttons = QMessageBox::Ok) override;

    QAction *commandAction(int id) const { return actions.value(id); }
    BoardView *boardView() const { return view; }
    const GameBoard &gameBoard() const { return board; }
    StatusParts *statusParts() const { return status; }
    PlayController &controller() { return play; }

    // --- window handlers -------------------------------------------------
    void OnMouseMove(int x, int y);
    void OnMouseLeave();
    void OnLButtonDown(int x, int y);
    // A menu item highlighted (its command number, 0 for a menu title), or,
    // with closed set, the menus closed.
    void OnMenuSelect(int item, bool closed = false);
    void OnSysColorChange();

    // Every command's enabling and check mark from the game's state (the
    // command table's bindings); run before a menu opens.
    void refreshCommands();

    // --- handed on to the play controller --------------------------------
    void OnLinkEvent(unsigned int event, int param);
    // 1 when the program goes on, 0 when it is to end.
    int RunStartSequence();
    // The link gave up opening (a full game server): says why and closes.
    void OnStartFailed();

    // --- the window's own commands (bound in the command table) ------------
    void OnHelpContents();
    void OnHomePage();
    void OnAbout();
    void OnAuthors();
    // The moves window, shown and brought to the front.
    void OnMoves();
    // Asks where to save the match and writes it there as PDN.
    void OnSaveGame();
    // The file the match was last saved to, proposed again.
    QString savedGamePath;
    MovesWindow &movesWindow() { return moves; }

    QString appTitle;
    int menuTextSaved = 0;
    QString savedStatusText;

    // The chat window (no owner, so the game's modal dialogs never block
    // it) and the alarm sounds.
    CChatDlg chatDialog;
    SoundPlayer sounds;

signals:
    // The window has closed; the program ends with it.
    void windowClosed();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    GameBoard &board;
    SettingsStore &settings;
    // The score of the run, owned by main.
    CScoreDlg &scoreDialog;
    PeerLink peerLink;
    PlayController play;
    // The moves of the match (no owner, like the chat window).
    MovesWindow moves;

    QPixmap backBitmap;
    PictureTable pictures;
    QHash<int, QCursor> cursors;
    int currentCursor = CURSOR_ARROW;

    BoardView *view = nullptr;
    StatusParts *status = nullptr;
    QHash<int, QAction *> actions;
    QHash<int, QTimer *> timers;

    QMargins knownFrame{-1, -1, -1, -1};
    bool screenWatched = false;
    bool destroyedOnce = false;
    bool askingToLeave = false;

    // The own piece last clicked in vain because another must capture.
    uint8_t refusedSquare = NO_SQUARE;

    // Counts down the seconds a join or matchmaking start has left, in the
    // status bar's middle part, until the link has a role.
    QTimer *countdown = nullptr;
    void showCountdown();

    // The rest of the view the play controller sees.
    void showTitle(const QString &title) override;
    void startCountdown() override;
    void stopCountdown() override;
    void networkError(const QString &detail) override;
    bool confirm(const QString &question) override;
    bool askStart(QString &name, int &mode) override;
    bool askAddress(QString &address) override;
    uint8_t chooseVariant() override;
    void showScore(int own, int opponent, const QString &heading) override;
    void appendChat(const QString &received) override;
    void showChat() override;
    void playSound(const QString &fileName) override;
    void alert() override;
    void closeWindow() override;
    void recordChanged() override;

    void loadPictures();
    void buildMenu();
    void fitToFrame();
    void OnDestroy();
};

} // namespace sorvada
