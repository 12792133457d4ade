// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QPoint>
#include <QString>
#include <QWidget>

#include <cstdint>

namespace sorvada {

class CGameWnd;

// The window's client area under the menu: shows the back buffer one to one
// and hands mouse moves and left clicks, in back-buffer coordinates, to the
// window. It never erases: painting only copies the buffer.
//
// It also takes the keyboard: a cursor square moved one square per arrow
// key (Up is up the screen, no wrap-around), outlined while the board has
// the focus and the keys are in use. Moving it is the pointer coming to rest
// on that square, Space or Enter is a left click there.
class BoardView : public QWidget
{
    Q_OBJECT
public:
    BoardView(CGameWnd &window, const QPixmap &backBuffer, QWidget *parent = nullptr);

    // Counts the paints, so that the first one can be timed and awaited.
    int paintCount() const { return paints; }

    // The keyboard cursor's square, in the board's own numbering; it starts
    // on the bottom-left square, the player's own back corner.
    uint8_t cursorSquare() const { return keyCursor; }
    // Since the last key on the board, until the pointer moves.
    bool keyboardInUse() const { return keyboardActive; }

    // What stands under the cursor and whose turn it is, as assistive
    // technology reads the board.
    QString spokenName() const;
    QString spokenDescription() const;

    // The board has changed (a leg, a new set, the turn): repaints it and
    // tells assistive technology what now stands under the cursor.
    void boardChanged();
    // Tells assistive technology what has changed in the board's name or
    // description since it was last told.
    void announceState() { announce(false); }

signals:
    void painted();
    // Each accessibility event raised for the board (QAccessible::Event), as
    // it goes to Qt, which passes it on only while a screen reader listens.
    void announced(int kind);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    CGameWnd &window;
    const QPixmap &buffer;
    int paints = 0;

    uint8_t keyCursor = 56;
    bool keyboardActive = false;
    // Where the pointer last was on the screen: only a pointer that really
    // moves ends the keyboard's turn, not a move the system makes up.
    QPoint lastPointer{-1, -1};
    // What assistive technology was last told.
    QString toldName;
    QString toldDescription;

    // The cursor square's centre pixel, where the keys point and click.
    QPoint cursorPoint() const;
    void moveCursor(int columns, int rows);
    void announce(bool cursorMoved);
    void raise(int kind);
};

} // namespace sorvada
