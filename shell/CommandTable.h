// The frame's command table: every command id with its menu text, accelerator
// and place, in the order the menus show them. Texts and keys live here and
// nowhere else; the frame makes one action per row and a feature supplies only
// what the command does and when it is enabled (CMainFrame::Handle).
//
// Window-free data: keys are given in Qt's portable key text ("Ctrl+F9").
#pragma once

#include <span>

namespace velo {

enum class MenuPlace {
    None,      // keys and bar buttons only
    File,      // "파일(&I)"
    Connect,   // "접속(&J)"
    Edit,      // "편집(&E)"
    View,      // "보기(&V)"
    Tools,     // "도구(&O)"
    Capture,   // "갈무리(&L)", a sub-menu of Tools
    Settings,  // "설정(&S)"
    Window,    // "창(&W)"
    Help,      // "도움말(&H)"
};

struct CommandRow {
    int id;
    MenuPlace menu;
    const char* text;  // menu text with its mnemonic; for bar-only rows the tool tip
    const char* key;   // accelerator, "" for none
    // The key is the user's key map's (F4, F5, F8): shown beside the text, but
    // pressing it goes through the key map, not through this command.
    bool keyViaKeyMap = false;
    bool separatorBefore = false;
    // The terminal's context menu names some commands its own way (with the
    // hint of a key after a tab).
    const char* contextText = nullptr;
};

// Every row, menus in order (File .. Help), then the commands without a menu.
std::span<const CommandRow> CommandRows();
const CommandRow* FindCommand(int id);

// The top-level menus in order, with their titles.
struct MenuRow {
    MenuPlace place;
    const char* title;
};
std::span<const MenuRow> MenuRows();

// The frame's bars in the order they are made, each with its caption, the
// "보기" command that shows or hides it and its buttons by command id.
enum class BarId { Phone, Macro, Shortcut, Character, Capture, Tool, Transfer };
inline constexpr int kBarSeparator = 0;
// The place of the favourites combo box on the shortcut bar.
inline constexpr int kBarFavourites = -1;
struct BarRow {
    BarId bar;
    const char* name;     // object name: the key of the bar in the saved layout
    const char* caption;  // window title while floating
    int viewCommand;
    std::span<const int> buttons;
};
std::span<const BarRow> BarRows();
const BarRow& FindBar(BarId bar);

}  // namespace velo
