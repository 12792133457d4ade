// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/BoardAccessible.h"

#include "app/ResourceIds.h"
#include "app/StringTable.h"
#include "rules/GameBoard.h"
#include "ui/BoardView.h"

#include <QCoreApplication>

namespace sorvada {

namespace {

QString contentOf(const GameBoard &board, uint8_t square)
{
    const uint8_t cell = board.board[square];
    if (cell >= 24)
        return QCoreApplication::translate("BoardAccessible", "empty");
    const PieceRecord &piece = board.pieces[cell];
    const bool own = piece.owner == board.localMover();
    const bool king = piece.kind >= 2;
    if (own)
        return king ? QCoreApplication::translate("BoardAccessible", "your king")
                    : QCoreApplication::translate("BoardAccessible", "your man");
    return king ? QCoreApplication::translate("BoardAccessible", "opponent's king")
                : QCoreApplication::translate("BoardAccessible", "opponent's man");
}

QAccessibleInterface *boardFactory(const QString &, QObject *object)
{
    if (auto *view = qobject_cast<BoardView *>(object))
        return new BoardAccessible(view);
    return nullptr;
}

} // namespace

bool boardIsSetUp(const GameBoard &board)
{
    // Square 0 is light on every board that has been set up.
    return board.board[0] == LIGHT_SQUARE;
}

QString boardSpokenName(const GameBoard &board, uint8_t square)
{
    if (!boardIsSetUp(board) || square > 63)
        return QCoreApplication::translate("BoardAccessible", "Board");
    const SquareXY at = board.squareXY[square];
    const QString name = QString::fromStdString(board.squareName(at.x + 20, at.y + 20));
    QString spoken = QCoreApplication::translate("BoardAccessible", "%1, %2").arg(name, contentOf(board, square));
    if (square == board.selectedSquare)
        spoken = QCoreApplication::translate("BoardAccessible", "%1, selected").arg(spoken);
    return spoken;
}

QString boardSpokenDescription(const GameBoard &board)
{
    if (board.isMyTurn() != 1)
        return loadString(res::IDS_WAIT_OPPONENT);
    if (board.captureRequired == 1)
        return QCoreApplication::translate("BoardAccessible", "%1. %2")
            .arg(loadString(res::IDS_YOUR_TURN), loadString(res::IDS_MUST_CAPTURE));
    return loadString(res::IDS_YOUR_TURN);
}

BoardAccessible::BoardAccessible(BoardView *view) : QAccessibleWidget(view, QAccessible::Canvas)
{
}

const BoardView *BoardAccessible::board() const
{
    return static_cast<const BoardView *>(widget());
}

QString BoardAccessible::text(QAccessible::Text kind) const
{
    switch (kind) {
    case QAccessible::Name:
        return board()->spokenName();
    case QAccessible::Description:
        return board()->spokenDescription();
    default:
        return QAccessibleWidget::text(kind);
    }
}

void installBoardAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(boardFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace sorvada
