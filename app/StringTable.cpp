// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ResourceIds.h"
#include "app/StringTable.h"

#include <QHash>

namespace sorvada {

namespace {

const QHash<int, QString> &table()
{
    using namespace res;
    static const QHash<int, QString> strings = {
        {IDS_APP_TITLE, QStringLiteral("Sorvada")},
        {IDS_WAIT_JOINING, QStringLiteral("Please wait for joining...")},
        {IDS_CANNOT_GO, QStringLiteral("Here it is impossible to go")},
        {IDS_CAN_GO, QStringLiteral("Here it is possible to go")},
        {IDS_YOUR_TURN, QStringLiteral("Your turn to play")},
        {IDS_WAIT_OPPONENT, QStringLiteral("Please wait for the opponent")},
        {IDS_WAIT_OPPONENT_SET_END, QStringLiteral("Please wait for the opponent")},
        {IDS_CAPTURE_STILL, QStringLiteral("You should capture still")},
        {IDS_RUS, QStringLiteral("RUS")},
        {IDS_USA, QStringLiteral("USA")},
        {IDS_DRAW_OFFERED, QStringLiteral("I offer to the opponent to finish set in a draw.")},
        {IDS_NETWORK_ERROR, QStringLiteral("Network error.")},
        {IDS_OPPONENT_QUIT, QStringLiteral("Your opponent quitted the game.")},
        {IDS_DRAW_QUESTION, QStringLiteral("Your opponent offers to finish set in a draw.")},
        {IDS_YOU_WIN, QStringLiteral("Congratulations, you win this game!")},
        {IDS_YOU_LOSE, QStringLiteral("Sorry, you lose this game.")},
        {IDS_ENTER_NAME, QStringLiteral("You should enter your name!")},
        {IDS_SET_DRAWN, QStringLiteral("The set ended in a draw.")},
        {IDS_RESULTS, QStringLiteral("Results of sets.")},
        {IDS_HOST_BUSY, QStringLiteral("The host already has an opponent.")},
        {IDS_LOBBY_SILENT, QStringLiteral("The lobby at %1 did not answer.")},
        {IDS_NO_ANSWER, QStringLiteral("No answer from %1 within %2 seconds.")},
        {IDS_BAD_ADDRESS, QStringLiteral("%1 is not a computer name or IP address.")},
        {IDS_ENTER_ADDRESS, QStringLiteral("You should enter the server's name or address!")},
        {IDS_ADDRESS_HINT, QStringLiteral("computer name or IP address; http://host:port for a web lobby")},
        {IDS_CONFIRM_CAPITULATE, QStringLiteral("Give up this set?")},
        {IDS_CONFIRM_LEAVE, QStringLiteral("Leave the match? Your opponent will be told that you quit.")},
        {IDS_MUST_CAPTURE, QStringLiteral("You must capture.")},
        {IDS_HOME_PAGE_AT, QStringLiteral("No web browser could be started. The Tavimore home page is %1")},
        {IDS_SECONDS_LEFT, QStringLiteral("%1 s")},
        {IDS_MOVE_BREAKS_RULES,
         QStringLiteral("Your opponent's program sent a move that breaks the rules. The match ends.")},
        {IDS_OPPONENT_SILENT, QStringLiteral("Your opponent's computer stopped answering. The match ends.")},
        {IDS_ROOM_CODE_EMPTY,
         QStringLiteral("Nothing follows the \"/\" in %1. Remove the \"/\" for the public room, or add the code "
                        "your friend gave you.")},
        {IDS_ROOM_CODE_TOO_LONG, QStringLiteral("The code after the \"/\" in %1 is longer than %2 characters.")},
        {IDS_ROOM_CODE_CHARACTER,
         QStringLiteral("The code after the \"/\" in %1 may have only letters, digits and \"-\": no spaces and no "
                        "second \"/\".")},
        {IDS_WEB_ADDRESS_TOO_LONG,
         QStringLiteral("%1 is too long for the web lobby: its questions must fit in %2 characters, so the address "
                        "may have at most %3. Use a shorter name or code, or the lobby's name without \"http:\".")},
        {IDS_INVITE_NEEDS_LOBBY,
         QStringLiteral("Enter the name or address of the lobby you and your friend share first, then press "
                        "\"Invite a friend\".")},
        {IDS_INVITE_MALFORMED, QStringLiteral("The invitation %1 cannot be used: %2 Sorvada starts as usual.")},
        {IDS_INVITE_TOO_LONG, QStringLiteral("it is far longer than any invitation.")},
        {IDS_INVITE_NOT_INVITE, QStringLiteral("an invitation begins with \"sorvada://\".")},
        {IDS_INVITE_NO_HOST, QStringLiteral("it names no lobby (sorvada://HOST/CODE).")},
        {IDS_INVITE_BAD_PORT, QStringLiteral("the number after \":\" is not a port from 1 to 65535.")},
        {IDS_INVITE_NO_CODE, QStringLiteral("it names no room code after the lobby (sorvada://HOST/CODE).")},
        {IDS_INVITE_BAD_CODE,
         QStringLiteral("its code is not 1 to 16 letters, digits or \"-\".")},
        // Command prompts, shown while the menu is browsed.
        {ID_HELP_FINDER, QStringLiteral("Display the table of contents")},
        {ID_HOME_PAGE, QStringLiteral("Open the Tavimore home page")},
        {ID_DRAW_OFFER, QStringLiteral("I offer to the opponent to finish set in a draw")},
        {ID_CHAT, QStringLiteral("Display the chat dialog")},
        {ID_START_ALARM, QStringLiteral("Turn on/off start alarm")},
        {ID_MESSAGE_ALARM, QStringLiteral("Turn on/off income message alarm")},
        {ID_CAPITULATE, QStringLiteral("I inform the opponent that I has lost")},
        {ID_SCORE, QStringLiteral("Results of the sets")},
        {ID_LAST_MOVE, QStringLiteral("Turn on/off marking of the opponent's last move")},
        {ID_APP_ABOUT, QStringLiteral("Display the program information and copyright")},
        {ID_APP_EXIT, QStringLiteral("Exit Sorvada")},
    };
    return strings;
}

} // namespace

QString loadString(int id)
{
    return table().value(id);
}

bool hasString(int id)
{
    return table().contains(id);
}

} // namespace sorvada
