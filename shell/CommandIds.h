// Command ids of the frame (menus, accelerators, the terminal's context menu)
// and the window messages the terminal sends it. The numbers are fixed.
#pragma once

namespace velo {

namespace cmd {
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_DISCONNECT = 32775;
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
}  // namespace cmd

}  // namespace velo
