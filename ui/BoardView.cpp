// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/BoardView.h"

#include "rules/GameBoard.h"
#include "ui/BoardAccessible.h"
#include "ui/BoardPainter.h"
#include "ui/CGameWnd.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace sorvada {

BoardView::BoardView(CGameWnd &window, const QPixmap &backBuffer, QWidget *parent)
    : QWidget(parent), window(window), buffer(backBuffer)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    // The window's only widget that takes the keyboard: Tab and a click
    // reach it.
    setFocusPolicy(Qt::StrongFocus);
    setObjectName(QStringLiteral("board"));
    installBoardAccessibility();
}

QPoint BoardView::cursorPoint() const
{
    const SquareXY at = window.gameBoard().squareXY[keyCursor];
    return QPoint(at.x + BoardPainter::PICTURE_SIZE / 2, at.y + BoardPainter::PICTURE_SIZE / 2);
}

void BoardView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect area = event->rect();
    // Where the window manager gives more room than the buffer covers, the
    // rest shows the window's ground colour.
    const QRegion outside = QRegion(area) - QRegion(buffer.rect());
    for (const QRect &r : outside)
        painter.fillRect(r, palette().color(QPalette::Window));
    painter.drawPixmap(area.intersected(buffer.rect()), buffer, area.intersected(buffer.rect()));
    // The keyboard cursor is drawn over the buffer, never into it: black and
    // white dashes well inside the square, clear of the solid frame of the
    // last move along its edge and unlike the inverted selection.
    if (keyboardActive && hasFocus() && boardIsSetUp(window.gameBoard())) {
        const SquareXY at = window.gameBoard().squareXY[keyCursor];
        const QRect frame(at.x + 6, at.y + 6, BoardPainter::PICTURE_SIZE - 13, BoardPainter::PICTURE_SIZE - 13);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawRect(frame);
        painter.setPen(QPen(Qt::black, 3, Qt::DashLine, Qt::FlatCap, Qt::MiterJoin));
        painter.drawRect(frame);
    }
    ++paints;
    emit painted();
}

void BoardView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint global = event->globalPosition().toPoint();
    if (global != lastPointer) {
        lastPointer = global;
        if (keyboardActive) {
            keyboardActive = false;
            update();
        }
    }
    const QPoint at = event->position().toPoint();
    window.OnMouseMove(at.x(), at.y());
    QWidget::mouseMoveEvent(event);
}

void BoardView::leaveEvent(QEvent *event)
{
    // While the keys are in use the status bar names the cursor's square,
    // wherever the pointer goes.
    if (!keyboardActive)
        window.OnMouseLeave();
    QWidget::leaveEvent(event);
}

void BoardView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        window.OnLButtonDown(at.x(), at.y());
    }
    QWidget::mousePressEvent(event);
}

void BoardView::keyPressEvent(QKeyEvent *event)
{
    // Combinations with Ctrl or Alt belong to the menu and the shortcuts.
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    const bool boardKey = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left
                          || key == Qt::Key_Right || key == Qt::Key_Space || key == Qt::Key_Return
                          || key == Qt::Key_Enter;
    // Before the first set there are no squares to point at, and the status
    // bar's second part counts down the connection time.
    if (boardKey && !boardIsSetUp(window.gameBoard())) {
        event->accept();
        return;
    }
    switch (key) {
    case Qt::Key_Up: moveCursor(0, -1); break;
    case Qt::Key_Down: moveCursor(0, 1); break;
    case Qt::Key_Left: moveCursor(-1, 0); break;
    case Qt::Key_Right: moveCursor(1, 0); break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        // A held key is one click, as a held mouse button is: repeats would
        // pick the piece and drop it again.
        if (event->isAutoRepeat())
            break;
        keyboardActive = true;
        const QPoint at = cursorPoint();
        window.OnLButtonDown(at.x(), at.y());
        // The click may have ended the move and changed nothing on screen
        // here; the outline and the status bar's square still follow the keys.
        window.setStatusText(1, QString::fromStdString(window.gameBoard().squareName(at.x(), at.y())));
        update();
        announce(false);
        break;
    }
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void BoardView::moveCursor(int columns, int rows)
{
    const int column = qBound(0, keyCursor % 8 + columns, 7);
    const int row = qBound(0, keyCursor / 8 + rows, 7);
    keyCursor = static_cast<uint8_t>(column + 8 * row);
    keyboardActive = true;
    // The pointer coming to rest on the square: the same cursor shape,
    // status text and square name.
    const QPoint at = cursorPoint();
    window.OnMouseMove(at.x(), at.y());
    update();
    announce(true);
}

void BoardView::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void BoardView::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

QString BoardView::spokenName() const
{
    return boardSpokenName(window.gameBoard(), keyCursor);
}

QString BoardView::spokenDescription() const
{
    return boardSpokenDescription(window.gameBoard());
}

void BoardView::boardChanged()
{
    update();
    announce(false);
}

void BoardView::announce(bool cursorMoved)
{
    const QString name = spokenName();
    const QString description = spokenDescription();
    // A screen reader reads the focused object anew on a focus event, also
    // when the cursor stayed against an edge.
    if (cursorMoved && hasFocus())
        raise(QAccessible::Focus);
    if (name != toldName) {
        toldName = name;
        raise(QAccessible::NameChanged);
    }
    if (description != toldDescription) {
        toldDescription = description;
        raise(QAccessible::DescriptionChanged);
    }
}

void BoardView::raise(int kind)
{
    QAccessibleEvent event(this, static_cast<QAccessible::Event>(kind));
    QAccessible::updateAccessibility(&event);
    emit announced(kind);
}

} // namespace sorvada
