// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QHash>

#include <vector>

class QAction;

namespace sorvada {

class CGameWnd;

// The game's commands, one entry each: the command number, what it does and
// the state that enables it or checks it. Each command becomes one QAction of
// the window, built in GameActions::build: its text and place in the menu and
// its key come from the menu and accelerator resources (app/MainMenu), its
// prompt from the string with the command's number. A new command is one
// entry here with its handler, beside its menu item and prompt.
namespace GameActions {

struct Entry
{
    int command;
    void (*run)(CGameWnd &window);
    // Null: always enabled.
    bool (*enabled)(CGameWnd &window) = nullptr;
    // Null: not a switch; otherwise the item is checkable and shows this.
    bool (*checked)(CGameWnd &window) = nullptr;
};

const std::vector<Entry> &table();
// The entry of a command number, or null.
const Entry *entryOf(int command);

// Fills the window's menu bar and keys and binds every action to its entry.
// Returns the actions by command number.
QHash<int, QAction *> build(CGameWnd &window);

// Brings every action's enabling and check mark up to date with the game.
void refresh(CGameWnd &window, const QHash<int, QAction *> &actions);

} // namespace GameActions

} // namespace sorvada
