// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/GameActions.h"

#include "app/MainMenu.h"
#include "app/ResourceIds.h"
#include "ui/CGameWnd.h"

#include <QAction>
#include <QMenuBar>

namespace sorvada {

namespace GameActions {

namespace {

PlayController &play(CGameWnd &w)
{
    return w.controller();
}

// The draw offer and the capitulation act on a set in play: only during the
// player's own turn.
bool duringTheTurn(CGameWnd &w)
{
    return play(w).playerToMove();
}

} // namespace

const std::vector<Entry> &table()
{
    using namespace res;
    static const std::vector<Entry> entries = {
        {ID_DRAW_OFFER, [](CGameWnd &w) { play(w).OnDrawOffer(); }, duringTheTurn},
        {ID_CAPITULATE, [](CGameWnd &w) { play(w).OnCapitulate(); }, duringTheTurn},
        {ID_SCORE, [](CGameWnd &w) { play(w).OnScore(); }},
        {ID_APP_EXIT, [](CGameWnd &w) { w.close(); }},
        {ID_SAVE_GAME, [](CGameWnd &w) { w.OnSaveGame(); }},
        {ID_CHAT, [](CGameWnd &w) { play(w).OnChat(); }},
        {ID_MOVES, [](CGameWnd &w) { w.OnMoves(); }},
        {ID_START_ALARM, [](CGameWnd &w) { play(w).OnStartAlarm(); }, nullptr,
         [](CGameWnd &w) { return play(w).startAlarmOff == 0; }},
        {ID_MESSAGE_ALARM, [](CGameWnd &w) { play(w).OnMessageAlarm(); }, nullptr,
         [](CGameWnd &w) { return play(w).messageAlarmOff == 0; }},
        {ID_LAST_MOVE, [](CGameWnd &w) { play(w).OnLastMove(); }, nullptr,
         [](CGameWnd &w) { return play(w).lastMoveOff == 0; }},
        {ID_HELP_FINDER, [](CGameWnd &w) { w.OnHelpContents(); }},
        {ID_HOME_PAGE, [](CGameWnd &w) { w.OnHomePage(); }},
        {ID_APP_ABOUT, [](CGameWnd &w) { w.OnAbout(); }},
        {ID_AUTHORS, [](CGameWnd &w) { w.OnAuthors(); }},
    };
    return entries;
}

const Entry *entryOf(int command)
{
    for (const Entry &entry : table())
        if (entry.command == command)
            return &entry;
    return nullptr;
}

QHash<int, QAction *> build(CGameWnd &window)
{
    QHash<int, QAction *> actions = MainMenu::build(window.menuBar(), &window);
    for (auto it = actions.cbegin(); it != actions.cend(); ++it) {
        const Entry *entry = entryOf(it.key());
        // A menu item or key without an entry does nothing, as an unbound
        // command does.
        if (!entry)
            continue;
        if (entry->checked)
            it.value()->setCheckable(true);
        QObject::connect(it.value(), &QAction::triggered, &window,
                         [&window, run = entry->run] { run(window); });
    }
    refresh(window, actions);
    return actions;
}

void refresh(CGameWnd &window, const QHash<int, QAction *> &actions)
{
    for (const Entry &entry : table()) {
        QAction *action = actions.value(entry.command);
        if (!action)
            continue;
        if (entry.enabled)
            action->setEnabled(entry.enabled(window));
        if (entry.checked)
            action->setChecked(entry.checked(window));
    }
}

} // namespace GameActions

} // namespace sorvada
