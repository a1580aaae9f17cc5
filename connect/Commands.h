// Frame command ids and window message ids shared by the connection objects,
// the transfer threads, the terminal window and the main frame. The numbers
// are fixed: menus, accelerators, tool-bar buttons and handlers share them.
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

}  // namespace velo
