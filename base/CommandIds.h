// Frame command ids and window message ids: one name for each number. The
// connection objects, the transfer threads, the terminal window and the main
// frame share them; menus, accelerators, tool-bar buttons and handlers share
// the numbers, which are fixed.
#pragma once

namespace velo {

// Commands posted or sent to the main frame with no further data.
inline constexpr int CMD_CONN_DATA = 168;       // received bytes are waiting
inline constexpr int CMD_CONN_CONNECTED = 169;  // the connection is up
inline constexpr int CMD_CONN_CLOSED = 170;     // connect failed or the connection ended
inline constexpr int CMD_CONN_REDIAL = 171;     // dial the current entry again
inline constexpr int CMD_TRANSFER_DONE = 172;   // a ZModem transfer ended
inline constexpr int CMD_PORT_OPENED = 177;     // a direct COM port is open
inline constexpr int CMD_PORT_CLOSED = 178;     // a direct COM port is closing

// "연결 끊기": the disconnect sequence. Posted by the dialling window's cancel
// button and after a transfer when hang-up-after-transfer is set.
inline constexpr int ID_CONN_HANGUP = 32775;

// Menu commands that the byte stream can trigger by itself.
inline constexpr int ID_ZMODEM_SEND = 32778;     // "Z모뎀 파일 보내기"
inline constexpr int ID_ZMODEM_RECEIVE = 32779;  // "Z모뎀 파일 받기"

// Window messages (user range).
inline constexpr int WM_TRANSFER_CLOSE = 0x591;     // to the transfer window, sent
inline constexpr int WM_SEND_BYTES = 0x5F8;         // to the terminal, posted
inline constexpr int WM_SHOW_BYTES = 0x5F9;         // to the terminal, sent
inline constexpr int WM_TRANSFER_WINDOW = 0x5FA;    // to the frame: wParam 1 open, 0 close
inline constexpr int WM_TRANSFER_PROGRESS = 0x5FB;  // to the frame, posted
// From the mail/post automation, sent: a message box with the UTF-8 text at
// wParam, lParam 1 with the exclamation icon, 0 plain; returns once closed.
inline constexpr int WM_AUTOMATION_MESSAGE = 0x5FC;

// Menu commands of the frame (menus, accelerators, bars, the terminal's context
// menu). Texts, keys and places are in the frame's command table.
// File
inline constexpr int ID_FILE_NEW = 57600;          // new text document
inline constexpr int ID_FILE_OPEN = 57601;         // open document
inline constexpr int ID_VTX_VIEW_FILE = 32962;     // view a videotex picture file
inline constexpr int ID_NEW_WINDOW = 32885;        // a second velo
inline constexpr int ID_TEXT_UPLOAD = 32959;       // send a text file
inline constexpr int ID_PRINT_SCREEN = 32974;
inline constexpr int ID_PRINT_SELECTION = 32975;
inline constexpr int ID_PRINT_SETUP = 32976;
inline constexpr int ID_APP_EXIT = 57665;
// Connect
inline constexpr int ID_PHONE_BOOK = 32777;
inline constexpr int ID_MANUAL_DIAL = 32814;
inline constexpr int ID_MANUAL_TELNET = 32867;
inline constexpr int ID_REDIAL = 32825;            // hang up and redial
inline constexpr int ID_COM_FIRST = 32949;         // "COM&1"; "COM&9" is 32957
// Edit
inline constexpr int ID_COPY = 57634;
inline constexpr int ID_PASTE = 57637;
inline constexpr int ID_PASTE_ENTER = 32794;
inline constexpr int ID_EDIT_FAVOURITES = 32855;
// View: the bars and the chat pane
inline constexpr int ID_VIEW_TOOLBAR = 32906;
inline constexpr int ID_VIEW_PHONEBAR = 59392;
inline constexpr int ID_VIEW_MACROBAR = 32793;
inline constexpr int ID_VIEW_SHORTCUTBAR = 32840;
inline constexpr int ID_VIEW_CAPTUREBAR = 32877;
inline constexpr int ID_VIEW_CHARBAR = 32860;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
inline constexpr int ID_VIEW_TRANSFERBAR = 32923;
inline constexpr int ID_VIEW_CHAT = 32792;
// Tools
inline constexpr int ID_RESET_SCREEN = 32780;
inline constexpr int ID_CLEAR_SCREEN = 32820;
inline constexpr int ID_CAPTURE_OPEN = 32870;
inline constexpr int ID_CAPTURE_PAUSE = 32871;
inline constexpr int ID_CAPTURE_END = 32872;
inline constexpr int ID_CAPTURE_CHOOSE = 32873;
inline constexpr int ID_CAPTURE_START = 32869;
inline constexpr int ID_ANSI_CAPTURE = 32901;
inline constexpr int ID_CODE_CAPTURE = 32875;
inline constexpr int ID_CAPTURE_EMPTY = 32876;
inline constexpr int ID_CAPTURE_TOGGLE = 32882;    // Alt+L
inline constexpr int ID_FIND_WORDS = 32815;
inline constexpr int ID_CHARMAP = 32823;
inline constexpr int ID_VTX_STATE = 32970;
inline constexpr int ID_CAR_GAME = 32861;
inline constexpr int ID_SEND_MAIL = 32990;
inline constexpr int ID_WRITE_POST = 32994;
inline constexpr int ID_CANCEL_SENDING = 32993;
// Settings
inline constexpr int ID_TERM_COLOURS = 32818;
inline constexpr int ID_CHAT_COLOURS = 32926;
inline constexpr int ID_FONT = 32819;
inline constexpr int ID_PICTURE_MODE = 32821;
inline constexpr int ID_LOCAL_ECHO = 32897;
inline constexpr int ID_NEWLINE_MODE = 32898;
inline constexpr int ID_BEEP = 32964;
inline constexpr int ID_NO_VIDEOTEX = 32971;
inline constexpr int ID_KEYBOARD = 32943;
inline constexpr int ID_MODEM_SETTINGS = 32798;
// "COM1설정".."COM9설정", by port.
inline constexpr int ID_COM_SETTINGS[9] = {32984, 32986, 32987, 32988, 32989, 32979, 32980, 32981, 32982};
inline constexpr int ID_COM_RESPONSE = 32983;
inline constexpr int ID_DOWNLOAD_DIR = 32958;
inline constexpr int ID_CAPTURE_DIR = 32852;
inline constexpr int ID_SOUNDS = 32883;
inline constexpr int ID_ZMODEM_SETTINGS = 32944;
inline constexpr int ID_MACRO_DEFINE = 32781;
// Macro slots 0..8 are 32783..32791 (Ctrl+1..Ctrl+9); slot 9 is 32782 (Ctrl+0).
inline constexpr int ID_MACRO_SLOT_FIRST = 32783;
inline constexpr int ID_MACRO_SLOT_LAST = 32782;
inline constexpr int ID_AUTO_RESPONSE = 32833;
inline constexpr int ID_CLICK_MOUSE = 32907;
inline constexpr int ID_WHEEL = 32972;
inline constexpr int ID_HEADER_FOOTER = 32797;
inline constexpr int ID_HEADER_SWITCH = 32857;
// Window
inline constexpr int ID_VIEW_TOGGLE = 32813;       // "챙긴글 보기": the scrollback view
// Help
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_KESTRIX_GUIDE = 32995;
inline constexpr int ID_HELP = 57670;
inline constexpr int ID_SHOW_SPLASH = 32822;
inline constexpr int ID_TIPS = 32817;
// Without a menu entry: keys and bar buttons.
inline constexpr int ID_ESCAPE = 32772;
inline constexpr int ID_PGUP = 32864;
inline constexpr int ID_PGDN = 32865;
inline constexpr int ID_FKEY_FIRST = 32931;        // F1; F12 is 32942
inline constexpr int ID_SHOW_KS = 32842;
inline constexpr int ID_SHOW_JOHAB = 32843;
inline constexpr int ID_FONT_LARGER = 32879;
inline constexpr int ID_FONT_SMALLER = 32880;
inline constexpr int ID_SVC_UP = 32830;            // the shortcut bar's service keys
inline constexpr int ID_SVC_TOP = 32832;
inline constexpr int ID_SVC_ENTER = 32829;
inline constexpr int ID_SVC_PREV_ITEM = 32845;
inline constexpr int ID_SVC_NEXT_ITEM = 32846;
inline constexpr int ID_SVC_PREV_PAGE = 32847;
inline constexpr int ID_SVC_NEXT_PAGE = 32848;
inline constexpr int ID_OPEN_CAPTURE_DIR = 32921;
inline constexpr int ID_OPEN_DOWNLOADS = 32922;
// The terminal window's own commands (its context menu).
inline constexpr int ID_RECEIVE_FILE = 32853;
inline constexpr int ID_SELECT_ALL = 32854;
inline constexpr int ID_ADD_FAVOURITE = 32856;
inline constexpr int ID_CATCH_LINE = 32924;
inline constexpr int ID_TERM_DONE = 179;           // the terminal's context menu or click ended
// Window messages from the terminal to the frame.
inline constexpr int WM_ADD_FAVOURITE = 0x5F5;
inline constexpr int WM_CHAT_LINE = 0x5F7;

// The macro command of slot 0..9.
constexpr int MacroSlotCommand(int slot) { return slot == 9 ? ID_MACRO_SLOT_LAST : ID_MACRO_SLOT_FIRST + slot; }

}  // namespace velo
