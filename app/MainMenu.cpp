// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainMenu.h"
#include "app/ResourceIds.h"
#include "app/StringTable.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace sorvada {

namespace MainMenu {

const std::vector<Menu> &menus()
{
    using namespace res;
    static const std::vector<Menu> table = {
        {"&Game",
         {{ID_DRAW_OFFER, "&Finish set in a draw", false},
          {ID_CAPITULATE, "&I capitulate", false},
          {0, nullptr, false},
          {ID_SCORE, "&Score\tF9", false},
          {ID_SAVE_GAME, "&Save Game...\tCtrl+S", false},
          {0, nullptr, false},
          {ID_APP_EXIT, "&Exit", false}}},
        {"&Options",
         {{ID_CHAT, "&Chat\tF5", false},
          {ID_MOVES, "&Moves\tF4", false},
          {0, nullptr, false},
          {ID_START_ALARM, "&Start alarm", true},
          {ID_MESSAGE_ALARM, "&Message alarm", true},
          {ID_LAST_MOVE, "Show the &last move", true}}},
        {"&Help",
         {{ID_HELP_FINDER, "&Contents\tF1", false},
          {0, nullptr, false},
          {ID_HOME_PAGE, "&Tavimore on the Web", false},
          {ID_APP_ABOUT, "&About...", false}}},
    };
    return table;
}

const std::vector<Accelerator> &accelerators()
{
    using namespace res;
    static const std::vector<Accelerator> table = {
        {QKeyCombination(Qt::Key_F1), ID_HELP_FINDER},
        {QKeyCombination(Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier, Qt::Key_F12),
         ID_AUTHORS},
        {QKeyCombination(Qt::Key_F5), ID_CHAT},
        {QKeyCombination(Qt::Key_F9), ID_SCORE},
        {QKeyCombination(Qt::Key_F4), ID_MOVES},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_S), ID_SAVE_GAME},
    };
    return table;
}

int commandOf(const QAction *action)
{
    if (!action)
        return 0;
    bool ok = false;
    const int id = action->data().toInt(&ok);
    return ok ? id : 0;
}

QHash<int, QAction *> build(QMenuBar *bar, QWidget *window)
{
    QHash<int, QAction *> actions;
    for (const Menu &menu : menus()) {
        QMenu *popup = bar->addMenu(QString::fromLatin1(menu.title));
        for (const Item &item : menu.items) {
            if (item.command == 0) {
                popup->addSeparator();
                continue;
            }
            QAction *action = popup->addAction(QString::fromLatin1(item.text));
            action->setData(item.command);
            // The prompt doubles as the status tip, so that leaving the item
            // for a separator is announced with an empty tip.
            action->setStatusTip(loadString(item.command));
            if (item.checked) {
                action->setCheckable(true);
                action->setChecked(true);
            }
            actions.insert(item.command, action);
        }
    }
    // The switch items are checkable even when they start unchecked.
    for (int id : {res::ID_START_ALARM, res::ID_MESSAGE_ALARM, res::ID_LAST_MOVE})
        if (QAction *a = actions.value(id))
            a->setCheckable(true);

    for (const Accelerator &acc : accelerators()) {
        QAction *action = actions.value(acc.command);
        if (!action) {
            // A key without a menu item still needs an action of the window.
            action = new QAction(window);
            action->setData(acc.command);
            actions.insert(acc.command, action);
        }
        action->setShortcut(QKeySequence(acc.key));
        action->setShortcutContext(Qt::WindowShortcut);
        // Keys work while the menus are closed, so the window holds them.
        window->addAction(action);
    }
    return actions;
}

} // namespace MainMenu

} // namespace sorvada
