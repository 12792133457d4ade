// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QAccessibleWidget>
#include <QString>

#include <cstdint>

namespace sorvada {

class BoardView;
class GameBoard;

// A board that has been set up for a set (until then every square sits at
// the origin and there is nothing to name).
bool boardIsSetUp(const GameBoard &board);

// "C 3, your man", "F 6, opponent's king", "E 5, empty": the square by the
// name the status bar gives it, then what stands on it, as this side sees it.
QString boardSpokenName(const GameBoard &board, uint8_t square);
// Whose turn it is and, in the player's own turn, whether a capture is
// compulsory.
QString boardSpokenDescription(const GameBoard &board);

// The board as assistive technology sees it: one focusable object whose name
// is the cursor's square and what stands on it, and whose description is the
// state of the game. The view raises the events as these change.
class BoardAccessible : public QAccessibleWidget
{
public:
    explicit BoardAccessible(BoardView *view);
    QString text(QAccessible::Text kind) const override;

private:
    const BoardView *board() const;
};

// Registers the board's accessible interface with Qt; once per process.
void installBoardAccessibility();

} // namespace sorvada
