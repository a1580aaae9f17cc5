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

// Transfers the user starts: the text-file upload, the ZModem settings dialog
// (two commands open it), a second program window and the mini game.
inline constexpr int ID_TEXT_UPLOAD = 32959;            // "텍스트 파일 전송(&T)", Ctrl+PgUp
inline constexpr int ID_ZMODEM_SETTINGS = 32944;        // "ZModem 설정"
inline constexpr int ID_DOWNLOAD_DIR_SETTINGS = 32958;  // "다운로드 디렉토리 설정(&D)"
inline constexpr int ID_NEW_WINDOW = 32885;             // "새 접속창(&C)"
inline constexpr int ID_CAR_GAME = 32861;               // "자동차 오락(&C)"

// Window messages (user range).
inline constexpr int WM_TRANSFER_CLOSE = 0x591;     // to the transfer window, sent
inline constexpr int WM_SEND_BYTES = 0x5F8;         // to the terminal, posted
inline constexpr int WM_SHOW_BYTES = 0x5F9;         // to the terminal, sent
inline constexpr int WM_TRANSFER_WINDOW = 0x5FA;    // to the frame: wParam 1 open, 0 close
inline constexpr int WM_TRANSFER_PROGRESS = 0x5FB;  // to the frame, posted

// Menu commands of the frame (menus, accelerators, the terminal's context menu)
// and the window messages the terminal sends it.
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
inline constexpr int ID_BEEP = 32964;
inline constexpr int ID_CLICK_MOUSE = 32907;
inline constexpr int ID_LOCAL_ECHO = 32897;
inline constexpr int ID_SHOW_SPLASH = 32822;
inline constexpr int ID_TIPS = 32817;
inline constexpr int ID_TERM_DONE = 179;  // the terminal's context menu or click ended
inline constexpr int ID_ESCAPE = 32772;
inline constexpr int ID_VIEW_TOGGLE = 32813;
inline constexpr int ID_SHOW_KS = 32842;
inline constexpr int ID_SHOW_JOHAB = 32843;
inline constexpr int ID_RESET_SCREEN = 32780;
inline constexpr int ID_CLEAR_SCREEN = 32820;
inline constexpr int ID_FIND_WORDS = 32815;
inline constexpr int ID_COPY = 57634;
inline constexpr int ID_PASTE = 57637;
inline constexpr int ID_PASTE_ENTER = 32794;
inline constexpr int ID_SELECT_ALL = 32854;
inline constexpr int ID_RECEIVE_FILE = 32853;
inline constexpr int ID_FONT = 32819;
inline constexpr int ID_FONT_LARGER = 32879;
inline constexpr int ID_FONT_SMALLER = 32880;
inline constexpr int ID_TERM_COLOURS = 32818;
inline constexpr int ID_PICTURE_MODE = 32821;
inline constexpr int ID_NEWLINE_MODE = 32898;
inline constexpr int ID_FKEY_FIRST = 32931;  // F1; F12 is 32942
inline constexpr int ID_PGUP = 32864;
inline constexpr int ID_PGDN = 32865;
inline constexpr int ID_OPEN_DOWNLOADS = 32922;
inline constexpr int ID_CATCH_LINE = 32924;
inline constexpr int ID_ADD_FAVOURITE = 32856;
inline constexpr int ID_CHAT_COLOURS = 32926;
inline constexpr int ID_PRINT_SCREEN = 32974;
inline constexpr int ID_PRINT_SELECTION = 32975;
inline constexpr int WM_ADD_FAVOURITE = 0x5F5;
inline constexpr int WM_CHAT_LINE = 0x5F7;

}  // namespace velo
