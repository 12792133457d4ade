// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ResourceIds.h"
#include "app/StringTable.h"

#include <QCoreApplication>
#include <QHash>

namespace sorvada {

namespace {

// The texts are the English sources; each is translated when it is loaded,
// so that the language installed at start-up is the one shown, and a text
// without a translation is shown in English, as it stands here.
constexpr char context[] = "StringTable";

const QHash<int, const char *> &table()
{
    using namespace res;
    static const QHash<int, const char *> strings = {
        {IDS_APP_TITLE, QT_TRANSLATE_NOOP("StringTable", "Sorvada")},
        {IDS_WAIT_JOINING, QT_TRANSLATE_NOOP("StringTable", "Please wait for joining...")},
        {IDS_CANNOT_GO, QT_TRANSLATE_NOOP("StringTable", "Here it is impossible to go")},
        {IDS_CAN_GO, QT_TRANSLATE_NOOP("StringTable", "Here it is possible to go")},
        {IDS_YOUR_TURN, QT_TRANSLATE_NOOP("StringTable", "Your turn to play")},
        {IDS_WAIT_OPPONENT, QT_TRANSLATE_NOOP("StringTable", "Please wait for the opponent")},
        {IDS_WAIT_OPPONENT_SET_END, QT_TRANSLATE_NOOP("StringTable", "Please wait for the opponent")},
        {IDS_CAPTURE_STILL, QT_TRANSLATE_NOOP("StringTable", "You should capture still")},
        {IDS_RUS, QT_TRANSLATE_NOOP("StringTable", "RUS")},
        {IDS_USA, QT_TRANSLATE_NOOP("StringTable", "USA")},
        {IDS_DRAW_OFFERED, QT_TRANSLATE_NOOP("StringTable", "I offer to the opponent to finish set in a draw.")},
        {IDS_NETWORK_ERROR, QT_TRANSLATE_NOOP("StringTable", "Network error.")},
        {IDS_OPPONENT_QUIT, QT_TRANSLATE_NOOP("StringTable", "Your opponent quitted the game.")},
        {IDS_DRAW_QUESTION, QT_TRANSLATE_NOOP("StringTable", "Your opponent offers to finish set in a draw.")},
        {IDS_YOU_WIN, QT_TRANSLATE_NOOP("StringTable", "Congratulations, you win this game!")},
        {IDS_YOU_LOSE, QT_TRANSLATE_NOOP("StringTable", "Sorry, you lose this game.")},
        {IDS_ENTER_NAME, QT_TRANSLATE_NOOP("StringTable", "You should enter your name!")},
        {IDS_SET_DRAWN, QT_TRANSLATE_NOOP("StringTable", "The set ended in a draw.")},
        {IDS_RESULTS, QT_TRANSLATE_NOOP("StringTable", "Results of sets.")},
        {IDS_HOST_BUSY, QT_TRANSLATE_NOOP("StringTable", "The host already has an opponent.")},
        {IDS_LOBBY_SILENT, QT_TRANSLATE_NOOP("StringTable", "The lobby at %1 did not answer.")},
        {IDS_NO_ANSWER, QT_TRANSLATE_NOOP("StringTable", "No answer from %1 within %2 seconds.")},
        {IDS_BAD_ADDRESS, QT_TRANSLATE_NOOP("StringTable", "%1 is not a computer name or IP address.")},
        {IDS_ENTER_ADDRESS, QT_TRANSLATE_NOOP("StringTable", "You should enter the server's name or address!")},
        {IDS_ADDRESS_HINT, QT_TRANSLATE_NOOP("StringTable", "computer name or IP address; http://host:port for a web lobby")},
        {IDS_CONFIRM_CAPITULATE, QT_TRANSLATE_NOOP("StringTable", "Give up this set?")},
        {IDS_CONFIRM_LEAVE, QT_TRANSLATE_NOOP("StringTable", "Leave the match? Your opponent will be told that you quit.")},
        {IDS_MUST_CAPTURE, QT_TRANSLATE_NOOP("StringTable", "You must capture.")},
        {IDS_HOME_PAGE_AT, QT_TRANSLATE_NOOP("StringTable", "No web browser could be started. The Tavimore home page is %1")},
        {IDS_SECONDS_LEFT, QT_TRANSLATE_NOOP("StringTable", "%1 s")},
        {IDS_MOVE_BREAKS_RULES,
         QT_TRANSLATE_NOOP("StringTable", "Your opponent's program sent a move that breaks the rules. The match ends.")},
        {IDS_OPPONENT_SILENT, QT_TRANSLATE_NOOP("StringTable", "Your opponent's computer stopped answering. The match ends.")},
        {IDS_SAVE_CAPTION, QT_TRANSLATE_NOOP("StringTable", "Save Game")},
        {IDS_PDN_FILTER, QT_TRANSLATE_NOOP("StringTable", "PDN games (*.pdn);;All files (*)")},
        {IDS_SAVE_FAILED, QT_TRANSLATE_NOOP("StringTable", "The game could not be saved to %1: %2")},
        {IDS_ROOM_CODE_EMPTY,
         QT_TRANSLATE_NOOP("StringTable", "Nothing follows the \"/\" in %1. Remove the \"/\" for the public room, or add the code "
                        "your friend gave you.")},
        {IDS_ROOM_CODE_TOO_LONG, QT_TRANSLATE_NOOP("StringTable", "The code after the \"/\" in %1 is longer than %2 characters.")},
        {IDS_ROOM_CODE_CHARACTER,
         QT_TRANSLATE_NOOP("StringTable", "The code after the \"/\" in %1 may have only letters, digits and \"-\": no spaces and no "
                        "second \"/\".")},
        {IDS_WEB_ADDRESS_TOO_LONG,
         QT_TRANSLATE_NOOP("StringTable", "%1 is too long for the web lobby: its questions must fit in %2 characters, so the address "
                        "may have at most %3. Use a shorter name or code, or the lobby's name without \"http:\".")},
        {IDS_INVITE_NEEDS_LOBBY,
         QT_TRANSLATE_NOOP("StringTable", "Enter the name or address of the lobby you and your friend share first, then press "
                        "\"Invite a friend\".")},
        {IDS_INVITE_MALFORMED, QT_TRANSLATE_NOOP("StringTable", "The invitation %1 cannot be used: %2 Sorvada starts as usual.")},
        {IDS_INVITE_TOO_LONG, QT_TRANSLATE_NOOP("StringTable", "it is far longer than any invitation.")},
        {IDS_INVITE_NOT_INVITE, QT_TRANSLATE_NOOP("StringTable", "an invitation begins with \"sorvada://\".")},
        {IDS_INVITE_NO_HOST, QT_TRANSLATE_NOOP("StringTable", "it names no lobby (sorvada://HOST/CODE).")},
        {IDS_INVITE_BAD_PORT, QT_TRANSLATE_NOOP("StringTable", "the number after \":\" is not a port from 1 to 65535.")},
        {IDS_INVITE_NO_CODE, QT_TRANSLATE_NOOP("StringTable", "it names no room code after the lobby (sorvada://HOST/CODE).")},
        {IDS_INVITE_BAD_CODE,
         QT_TRANSLATE_NOOP("StringTable", "its code is not 1 to 16 letters, digits or \"-\".")},
        {IDS_RECONNECTING, QT_TRANSLATE_NOOP("StringTable", "Connection lost. Reconnecting... %1")},
        {IDS_CONNECTION_LOST, QT_TRANSLATE_NOOP("StringTable", "The connection to your opponent was lost. The match ends.")},
        {IDS_MATCH_DIVERGED,
         QT_TRANSLATE_NOOP("StringTable", "After the connection came back, your game and your opponent's no longer show the same "
                        "match. The match ends.")},
        // Command prompts, shown while the menu is browsed.
        {ID_HELP_FINDER, QT_TRANSLATE_NOOP("StringTable", "Display the table of contents")},
        {ID_HOME_PAGE, QT_TRANSLATE_NOOP("StringTable", "Open the Tavimore home page")},
        {ID_DRAW_OFFER, QT_TRANSLATE_NOOP("StringTable", "I offer to the opponent to finish set in a draw")},
        {ID_CHAT, QT_TRANSLATE_NOOP("StringTable", "Display the chat dialog")},
        {ID_START_ALARM, QT_TRANSLATE_NOOP("StringTable", "Turn on/off start alarm")},
        {ID_MESSAGE_ALARM, QT_TRANSLATE_NOOP("StringTable", "Turn on/off income message alarm")},
        {ID_CAPITULATE, QT_TRANSLATE_NOOP("StringTable", "I inform the opponent that I has lost")},
        {ID_SCORE, QT_TRANSLATE_NOOP("StringTable", "Results of the sets")},
        {ID_LAST_MOVE, QT_TRANSLATE_NOOP("StringTable", "Turn on/off marking of the opponent's last move")},
        {ID_MOVES, QT_TRANSLATE_NOOP("StringTable", "Display the moves of the sets")},
        {ID_SAVE_GAME, QT_TRANSLATE_NOOP("StringTable", "Save every set of the match as a PDN file")},
        {ID_APP_ABOUT, QT_TRANSLATE_NOOP("StringTable", "Display the program information and copyright")},
        {ID_APP_EXIT, QT_TRANSLATE_NOOP("StringTable", "Exit Sorvada")},
    };
    return strings;
}

} // namespace

QString loadString(int id)
{
    const char *source = table().value(id, nullptr);
    return source ? QCoreApplication::translate(context, source) : QString();
}

bool hasString(int id)
{
    return table().contains(id);
}

} // namespace sorvada
