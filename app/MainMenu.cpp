// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainMenu.h"
#include "app/ResourceIds.h"
#include "app/StringTable.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace sorvada {

namespace MainMenu {

const std::vector<Menu> &menus()
{
    using namespace res;
    static const std::vector<Menu> table = {
        {QT_TRANSLATE_NOOP("MainMenu", "&Game"),
         {{ID_DRAW_OFFER, QT_TRANSLATE_NOOP("MainMenu", "&Finish set in a draw"), false},
          {ID_CAPITULATE, QT_TRANSLATE_NOOP("MainMenu", "&I capitulate"), false},
          {0, nullptr, false},
          {ID_SCORE, QT_TRANSLATE_NOOP("MainMenu", "&Score\tF9"), false},
          {ID_SAVE_GAME, QT_TRANSLATE_NOOP("MainMenu", "&Save Game...\tCtrl+S"), false},
          {0, nullptr, false},
          {ID_APP_EXIT, QT_TRANSLATE_NOOP("MainMenu", "&Exit"), false}}},
        {QT_TRANSLATE_NOOP("MainMenu", "&Options"),
         {{ID_CHAT, QT_TRANSLATE_NOOP("MainMenu", "&Chat\tF5"), false},
          {ID_MOVES, QT_TRANSLATE_NOOP("MainMenu", "&Moves\tF4"), false},
          {0, nullptr, false},
          {ID_START_ALARM, QT_TRANSLATE_NOOP("MainMenu", "&Start alarm"), true},
          {ID_MESSAGE_ALARM, QT_TRANSLATE_NOOP("MainMenu", "&Message alarm"), true},
          {ID_LAST_MOVE, QT_TRANSLATE_NOOP("MainMenu", "Show the &last move"), true}}},
        {QT_TRANSLATE_NOOP("MainMenu", "&Help"),
         {{ID_HELP_FINDER, QT_TRANSLATE_NOOP("MainMenu", "&Contents\tF1"), false},
          {0, nullptr, false},
          {ID_HOME_PAGE, QT_TRANSLATE_NOOP("MainMenu", "&Tavimore on the Web"), false},
          {ID_APP_ABOUT, QT_TRANSLATE_NOOP("MainMenu", "&About..."), false}}},
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
        QMenu *popup = bar->addMenu(QCoreApplication::translate("MainMenu", menu.title));
        for (const Item &item : menu.items) {
            if (item.command == 0) {
                popup->addSeparator();
                continue;
            }
            QAction *action = popup->addAction(QCoreApplication::translate("MainMenu", item.text));
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
