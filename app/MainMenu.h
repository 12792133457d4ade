// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QHash>
#include <QKeyCombination>
#include <QString>

#include <vector>

class QAction;
class QMenuBar;
class QWidget;

namespace sorvada {

// The main window's menu (129) and accelerators (139), as one table. Each
// command's prompt is the string with the same number.
namespace MainMenu {

struct Item
{
    int command;        // 0 for a separator
    const char *text;   // the text after "\t" is the key shown at the right
    bool checked;       // carries a check mark from the start
};

struct Menu
{
    const char *title;
    std::vector<Item> items;
};

struct Accelerator
{
    QKeyCombination key;
    int command;
};

const std::vector<Menu> &menus();
const std::vector<Accelerator> &accelerators();

// Fills the menu bar from the table and gives every command, with a menu item
// or only a key, one action that carries its command number as data() and
// answers to its key anywhere in the window. Returns the actions by command.
QHash<int, QAction *> build(QMenuBar *bar, QWidget *window);

// The command number an action carries, 0 for one that carries none.
int commandOf(const QAction *action);

} // namespace MainMenu

} // namespace sorvada
