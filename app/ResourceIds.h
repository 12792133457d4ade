// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace sorvada {

// Numbers by which the program refers to its resources: strings, commands,
// dialogs, pictures, cursors, menu, accelerators and icon. They never change,
// because the command prompts are looked up by command number.

namespace res {

// Strings
enum StringId : int {
    IDS_APP_TITLE = 10,
    IDS_WAIT_JOINING = 50,
    IDS_CANNOT_GO = 52,
    IDS_CAN_GO = 53,
    IDS_YOUR_TURN = 54,
    IDS_WAIT_OPPONENT = 55,
    IDS_WAIT_OPPONENT_SET_END = 56,
    IDS_CAPTURE_STILL = 57,
    IDS_RUS = 58,
    IDS_USA = 59,
    IDS_DRAW_OFFERED = 60,
    IDS_NETWORK_ERROR = 101,
    IDS_OPPONENT_QUIT = 104,
    IDS_DRAW_QUESTION = 105,
    IDS_YOU_WIN = 107,
    IDS_YOU_LOSE = 108,
    IDS_ENTER_NAME = 109,
    IDS_SET_DRAWN = 110,
    IDS_RESULTS = 111,
    // Why a link could not be opened, shown under "Network error.".
    IDS_HOST_BUSY = 112,
    IDS_LOBBY_SILENT = 113,
    IDS_NO_ANSWER = 114,
    IDS_BAD_ADDRESS = 115,
    IDS_ENTER_ADDRESS = 116,
    IDS_ADDRESS_HINT = 117,
    IDS_CONFIRM_CAPITULATE = 118,
    IDS_CONFIRM_LEAVE = 119,
    IDS_MUST_CAPTURE = 120,
    IDS_HOME_PAGE_AT = 121,
    IDS_SECONDS_LEFT = 122,
    // Why a match ends early.
    IDS_MOVE_BREAKS_RULES = 123,
    IDS_OPPONENT_SILENT = 124,
    // Saving the match as a PDN file.
    IDS_SAVE_CAPTION = 125,
    IDS_PDN_FILTER = 126,
    IDS_SAVE_FAILED = 127,
    // Rooms and invitations on a shared lobby.
    IDS_ROOM_CODE_EMPTY = 140,
    IDS_ROOM_CODE_TOO_LONG = 141,
    IDS_ROOM_CODE_CHARACTER = 142,
    IDS_WEB_ADDRESS_TOO_LONG = 143,
    IDS_INVITE_NEEDS_LOBBY = 144,
    IDS_INVITE_MALFORMED = 145,
    // What is wrong with an invitation, the %2 of IDS_INVITE_MALFORMED.
    IDS_INVITE_TOO_LONG = 146,
    IDS_INVITE_NOT_INVITE = 147,
    IDS_INVITE_NO_HOST = 148,
    IDS_INVITE_BAD_PORT = 149,
    IDS_INVITE_NO_CODE = 150,
    IDS_INVITE_BAD_CODE = 151,
    // A line to the opponent lost and waited for; %1 the time left, as m:ss.
    IDS_RECONNECTING = 152,
    IDS_CONNECTION_LOST = 153,
    IDS_MATCH_DIVERGED = 154,
};

// Menu and accelerator commands; the string with the same number is the prompt.
enum CommandId : int {
    ID_HELP_FINDER = 32773,
    ID_HOME_PAGE = 32774,
    ID_AUTHORS = 32775,
    ID_DRAW_OFFER = 32776,
    ID_CHAT = 32777,
    ID_START_ALARM = 32778,
    ID_MESSAGE_ALARM = 32779,
    ID_CAPITULATE = 32783,
    ID_SCORE = 32785,
    ID_LAST_MOVE = 32786,
    ID_MOVES = 32787,
    ID_SAVE_GAME = 32788,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
};

enum : int {
    IDR_MAINFRAME = 128,  // icon
    IDR_MENU = 129,
    IDR_ACCELERATORS = 139,
};

// Dialogs
enum DialogId : int {
    IDD_ABOUT = 100,
    IDD_AUTHORS = 130,
    IDD_SCORE = 132,
    IDD_VARIANT = 133,
    IDD_START = 503,
    IDD_SERVER = 506,
    IDD_CHAT = 3000,
};

// Cursors
enum CursorId : int {
    IDC_NO = 140,
    IDC_WAIT_TURN = 144,
    IDC_OK = 145,
};

// Board pictures, for displays with many colours and for palette displays.
enum PictureId : int {
    IDB_LIGHT_SQUARE = 131,
    IDB_DARK_SQUARE = 133,
    IDB_BLUE_MAN = 135,
    IDB_LIGHT_MAN = 136,
    IDB_BLUE_KING = 137,
    IDB_LIGHT_KING = 138,
    IDB_PAL_BLUE_MAN = 147,
    IDB_PAL_LIGHT_KING = 148,
    IDB_PAL_DARK_SQUARE = 149,
    IDB_PAL_LIGHT_SQUARE = 150,
    IDB_PAL_BLUE_KING = 151,
    IDB_PAL_LIGHT_MAN = 152,
};

} // namespace res

} // namespace sorvada
