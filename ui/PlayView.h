// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QMessageBox>
#include <QString>

#include <cstdint>

namespace sorvada {

// What the play controller needs of the window: the status bar, the board's
// picture and cursor, the window's one-shot timers, and the dialogs it asks
// the player. Dialogs are modal: while one is open the link goes on
// delivering, so the controller may be called again before it returns.
class PlayView {
public:
    virtual ~PlayView() = default;

    virtual void setStatusText(int part, const QString &text) = 0;
    virtual void setBoardCursor(int cursorId) = 0;
    // Renders the board as it stands now.
    virtual void redraw() = 0;
    virtual void showTitle(const QString &title) = 0;

    virtual void startWindowTimer(int id, int ms) = 0;
    virtual void killWindowTimer(int id) = 0;
    virtual bool isWindowTimerActive(int id) const = 0;
    // The seconds a join has left, shown until the link has a role or the
    // connection timer has stopped; stopCountdown takes it away at once.
    virtual void startCountdown() = 0;
    virtual void stopCountdown() = 0;

    // A message box with the program's caption; returns the button.
    virtual int messageBox(const QString &text, QMessageBox::Icon icon,
                           QMessageBox::StandardButtons buttons) = 0;
    // "Network error." with detail as its second line.
    virtual void networkError(const QString &detail) = 0;
    // A yes/no question; true for yes.
    virtual bool confirm(const QString &question) = 0;
    // The start dialog, preset with name and, when mode is 0..2, with that
    // way to connect instead of the stored one. False when it was left; else
    // name and mode (the stored "Mode": 0 join, 1 host, 2 matchmaking, -1 none).
    virtual bool askStart(QString &name, int &mode) = 0;
    // The server-address dialog, preset with address; false when left.
    virtual bool askAddress(QString &address) = 0;
    // The hosting player's variant question; it cannot be left.
    virtual uint8_t chooseVariant() = 0;
    // Records a result (own -1: the heading only) and shows the score.
    virtual void showScore(int own, int opponent, const QString &heading) = 0;
    // A line the opponent wrote goes into the chat window; showChat brings
    // the window up.
    virtual void appendChat(const QString &received) = 0;
    virtual void showChat() = 0;

    virtual void playSound(const QString &fileName) = 0;
    // Draws the player's eye to the window without raising it.
    virtual void alert() = 0;
    virtual void closeWindow() = 0;
    // The record of the match has a new move, a new set or a result.
    virtual void recordChanged() {}
};

} // namespace sorvada
