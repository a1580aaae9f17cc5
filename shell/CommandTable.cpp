#include "shell/CommandTable.h"

#include <array>

#include "base/CommandIds.h"

namespace velo {

namespace {

using M = MenuPlace;

// The rows in menu order. A row with separatorBefore starts a new group.
const CommandRow kRows[] = {
    // 파일
    {ID_FILE_NEW, M::File, "새 텍스트 문서 작성(&N)", ""},
    {ID_FILE_OPEN, M::File, "문서 열기(&O)", ""},
    {ID_VTX_VIEW_FILE, M::File, "VTX 그림 파일 보기(&V)", ""},
    {ID_NEW_WINDOW, M::File, "새 접속창(&C)", "", false, true},
    {ID_ZMODEM_SEND, M::File, "Z모뎀 파일 보내기(&U)", "Alt+PgUp", false, true},
    {ID_ZMODEM_RECEIVE, M::File, "Z모뎀 파일 받기(&D)", "Alt+PgDown"},
    {ID_TEXT_UPLOAD, M::File, "텍스트 파일 전송(&T)", "Ctrl+PgUp"},
    {ID_PRINT_SCREEN, M::File, "현재 화면 인쇄(&P)", "", false, true},
    {ID_PRINT_SELECTION, M::File, "선택된 부분 인쇄(&S)", ""},
    {ID_PRINT_SETUP, M::File, "프린터 설정", ""},
    {ID_APP_EXIT, M::File, "종료(&X)", "", false, true},
    // 접속
    {ID_PHONE_BOOK, M::Connect, "전화 번호부(&D)", "Alt+D"},
    {ID_MANUAL_DIAL, M::Connect, "수동 전화 걸기(&M)", ""},
    {ID_MANUAL_TELNET, M::Connect, "수동 텔넷 접속(&T)", ""},
    {ID_REDIAL, M::Connect, "끊고 다시 걸기(&A)", "", false, true},
    {ID_CONN_HANGUP, M::Connect, "연결 끊기(&H)", "Ctrl+F9"},
    {ID_COM_FIRST + 0, M::Connect, "COM&1", "", false, true},
    {ID_COM_FIRST + 1, M::Connect, "COM&2", ""},
    {ID_COM_FIRST + 2, M::Connect, "COM&3", ""},
    {ID_COM_FIRST + 3, M::Connect, "COM&4", ""},
    {ID_COM_FIRST + 4, M::Connect, "COM&5", ""},
    {ID_COM_FIRST + 5, M::Connect, "COM&6", ""},
    {ID_COM_FIRST + 6, M::Connect, "COM&7", ""},
    {ID_COM_FIRST + 7, M::Connect, "COM&8", ""},
    {ID_COM_FIRST + 8, M::Connect, "COM&9", ""},
    // 편집
    {ID_COPY, M::Edit, "복사(&C)", "Ctrl+Ins"},
    {ID_PASTE, M::Edit, "붙여넣기(&P)", "Shift+Ins"},
    {ID_PASTE_ENTER, M::Edit, "붙여넣기+엔터(&A)", "", false, false, "붙여넣기+엔터(&E)"},
    {ID_EDIT_FAVOURITES, M::Edit, "자주 가는곳 편집", "", false, true},
    // 보기
    {ID_VIEW_TOOLBAR, M::View, "도구 모음줄(&T)", ""},
    {ID_VIEW_PHONEBAR, M::View, "전화 모음줄(&C)", ""},
    {ID_VIEW_MACROBAR, M::View, "매크로 모음줄(&M)", ""},
    {ID_VIEW_SHORTCUTBAR, M::View, "지름길 모음줄(&S)", ""},
    {ID_VIEW_CAPTUREBAR, M::View, "갈무리 모음줄(&G)", ""},
    {ID_VIEW_CHARBAR, M::View, "글자 설정줄(&H)", ""},
    {ID_VIEW_STATUS_BAR, M::View, "상태표시줄(&S)", ""},
    {ID_VIEW_TRANSFERBAR, M::View, "파일 송수신 모음(&F)", ""},
    {ID_VIEW_CHAT, M::View, "채팅창(&C)", "Alt+C", false, true},
    // 도구
    {ID_RESET_SCREEN, M::Tools, "화면 초기화(&I)", "Ctrl+F8", false, false, "화면 초기화\tCtrl+F8"},
    {ID_CLEAR_SCREEN, M::Tools, "화면 지우기(&C)", "Ctrl+Space", false, false, "화면 지우기\tCtrl+Space"},
    // 도구 → 갈무리 (the sub-menu stands here)
    {ID_CAPTURE_OPEN, M::Capture, "갈무리 파일 열기(&O)", ""},
    {ID_CAPTURE_PAUSE, M::Capture, "갈무리 잠시 쉬기(&P)", ""},
    {ID_CAPTURE_END, M::Capture, "갈무리 끝내기(&S)", ""},
    {ID_CAPTURE_CHOOSE, M::Capture, "갈무리 파일 선택(&F)", ""},
    {ID_CAPTURE_START, M::Capture, "갈무리 시작(&R)", ""},
    {ID_ANSI_CAPTURE, M::Capture, "안시 갈무리(&A)", "", false, true},
    {ID_CODE_CAPTURE, M::Capture, "코드 갈무리(&C)", ""},
    {ID_FIND_WORDS, M::Tools, "단어 찾기(&F)", "Alt+F", false, true},
    {ID_CHARMAP, M::Tools, "문자표 보기(&M)", "F4", true},
    {ID_VTX_STATE, M::Tools, "VTX 상태", "Alt+Y"},
    {ID_CAR_GAME, M::Tools, "자동차 오락(&C)", "", false, true},
    {ID_SEND_MAIL, M::Tools, "편지 보내기(&S)", "Alt+P", false, true},
    {ID_WRITE_POST, M::Tools, "게시물 쓰기(&W)", "Alt+G"},
    {ID_CANCEL_SENDING, M::Tools, "보내기 취소(&Q)", ""},
    // 설정
    {ID_TERM_COLOURS, M::Settings, "터미널 색깔 지정(&Z)", "Alt+Z", false, false, "터미널 색깔 지정(&Z)\tAlt+Z"},
    {ID_CHAT_COLOURS, M::Settings, "채팅창 색깔 지정(&C)", ""},
    {ID_FONT, M::Settings, "글꼴 지정(&F)", "F8", true, false, "글꼴 지정\tF8"},
    {ID_PICTURE_MODE, M::Settings, "그림 상태(&N)", "Alt+N", false, true},
    {ID_LOCAL_ECHO, M::Settings, "자국 반향", ""},
    {ID_NEWLINE_MODE, M::Settings, "LF -> CR/LF", ""},
    {ID_BEEP, M::Settings, "비프(Beep)음", ""},
    {ID_NO_VIDEOTEX, M::Settings, "비디오 텍스 사용 안하기", ""},
    {ID_KEYBOARD, M::Settings, "키보드 설정(&K)", "", false, true},
    {ID_MODEM_SETTINGS, M::Settings, "모뎀 설정", "Alt+1", false, true},
    {ID_COM_SETTINGS[0], M::Settings, "COM1설정", ""},
    {ID_COM_SETTINGS[1], M::Settings, "COM2설정", ""},
    {ID_COM_SETTINGS[2], M::Settings, "COM3설정", ""},
    {ID_COM_SETTINGS[3], M::Settings, "COM4설정", ""},
    {ID_COM_SETTINGS[4], M::Settings, "COM5설정", ""},
    {ID_COM_SETTINGS[5], M::Settings, "COM6설정", ""},
    {ID_COM_SETTINGS[6], M::Settings, "COM7설정", ""},
    {ID_COM_SETTINGS[7], M::Settings, "COM8설정", ""},
    {ID_COM_SETTINGS[8], M::Settings, "COM9설정", ""},
    {ID_COM_RESPONSE, M::Settings, "COM 포트 반응조절", ""},
    {ID_DOWNLOAD_DIR, M::Settings, "다운로드 디렉토리 설정(&D)", "", false, true},
    {ID_CAPTURE_DIR, M::Settings, "갈무리 디렉토리 설정(&L)", ""},
    {ID_SOUNDS, M::Settings, "소리 설정(&S)", ""},
    {ID_ZMODEM_SETTINGS, M::Settings, "ZModem 설정", ""},
    {ID_MACRO_DEFINE, M::Settings, "매크로 정의(&M)", "Alt+M", false, true},
    {MacroSlotCommand(0), M::Settings, "매크로 &1", "Ctrl+1"},
    {MacroSlotCommand(1), M::Settings, "매크로 &2", "Ctrl+2"},
    {MacroSlotCommand(2), M::Settings, "매크로 &3", "Ctrl+3"},
    {MacroSlotCommand(3), M::Settings, "매크로 &4", "Ctrl+4"},
    {MacroSlotCommand(4), M::Settings, "매크로 &5", "Ctrl+5"},
    {MacroSlotCommand(5), M::Settings, "매크로 &6", "Ctrl+6"},
    {MacroSlotCommand(6), M::Settings, "매크로 &7", "Ctrl+7"},
    {MacroSlotCommand(7), M::Settings, "매크로 &8", "Ctrl+8"},
    {MacroSlotCommand(8), M::Settings, "매크로 &9", "Ctrl+9"},
    {MacroSlotCommand(9), M::Settings, "매크로 &0", "Ctrl+0"},
    {ID_AUTO_RESPONSE, M::Settings, "자동 반응 설정(&A)", "", false, true},
    {ID_CLICK_MOUSE, M::Settings, "Flicko 마우스", ""},
    {ID_WHEEL, M::Settings, "IntelliMouse 설정(&I)", ""},
    {ID_HEADER_FOOTER, M::Settings, "덧말(&T)", "Alt+T", false, true},
    {ID_HEADER_SWITCH, M::Settings, "덧말 전환(&T)", "Shift+Tab"},
    // 창
    {ID_VIEW_TOGGLE, M::Window, "챙긴글 보기(&H)", "F5", true},
    // 도움말
    {ID_APP_ABOUT, M::Help, "Vellow 정보(&A)...", ""},
    {ID_KESTRIX_GUIDE, M::Help, "Kestrix 안내", ""},
    {ID_HELP, M::Help, "도움말(&H)", "", false, true},
    {ID_SHOW_SPLASH, M::Help, "시작 화면 보기(&S)", "", false, true},
    {ID_TIPS, M::Help, "알고 계십니까?(&P)", ""},
    // Without a menu entry: keys, bar buttons (their text is the tool tip)
    // and the terminal's context menu.
    {ID_ESCAPE, M::None, "", "Esc"},
    {ID_CAPTURE_TOGGLE, M::None, "갈무리", "Alt+L"},
    {ID_CAPTURE_EMPTY, M::None, "갈무리 파일 비우기", ""},
    {ID_PGUP, M::None, "", "PgUp"},
    {ID_PGDN, M::None, "", "PgDown"},
    {ID_FKEY_FIRST + 0, M::None, "", "F1"},
    {ID_FKEY_FIRST + 1, M::None, "", "F2"},
    {ID_FKEY_FIRST + 2, M::None, "", "F3"},
    {ID_FKEY_FIRST + 3, M::None, "", "F4"},
    {ID_FKEY_FIRST + 4, M::None, "", "F5"},
    {ID_FKEY_FIRST + 5, M::None, "", "F6"},
    {ID_FKEY_FIRST + 6, M::None, "", "F7"},
    {ID_FKEY_FIRST + 7, M::None, "", "F8"},
    {ID_FKEY_FIRST + 8, M::None, "", "F9"},
    {ID_FKEY_FIRST + 9, M::None, "", "F10"},
    {ID_FKEY_FIRST + 10, M::None, "", "F11"},
    {ID_FKEY_FIRST + 11, M::None, "", "F12"},
    {ID_SHOW_KS, M::None, "완성형으로 보기", "F2", true},
    {ID_SHOW_JOHAB, M::None, "조합형으로 보기", "F3", true},
    {ID_FONT_LARGER, M::None, "글자 크게", ""},
    {ID_FONT_SMALLER, M::None, "글자 작게", ""},
    {ID_SVC_TOP, M::None, "초기화면", ""},
    {ID_SVC_UP, M::None, "상위 메뉴", ""},
    {ID_SVC_ENTER, M::None, "엔터키", ""},
    {ID_SVC_PREV_ITEM, M::None, "이전항목", ""},
    {ID_SVC_NEXT_ITEM, M::None, "다음항목", ""},
    {ID_SVC_PREV_PAGE, M::None, "이전내용", ""},
    {ID_SVC_NEXT_PAGE, M::None, "다음내용", ""},
    {ID_OPEN_CAPTURE_DIR, M::None, "갈무리 디렉토리", ""},
    {ID_OPEN_DOWNLOADS, M::None, "받은 파일 폴더 열기", ""},
    {ID_SELECT_ALL, M::None, "전체선택(&A)", ""},
    {ID_CATCH_LINE, M::None, "말꼬리 잡기(&L)", ""},
    {ID_ADD_FAVOURITE, M::None, "자주 가는곳에 추가", ""},
    {ID_RECEIVE_FILE, M::None, "파일 받기(&D)", ""},
};

const MenuRow kMenus[] = {
    {M::File, "파일(&I)"},     {M::Connect, "접속(&J)"},  {M::Edit, "편집(&E)"},  {M::View, "보기(&V)"},
    {M::Tools, "도구(&O)"},    {M::Settings, "설정(&S)"}, {M::Window, "창(&W)"}, {M::Help, "도움말(&H)"},
};

// Button lists by command id; kBarSeparator starts a new group.
constexpr int kPhoneButtons[] = {ID_PHONE_BOOK, ID_CONN_HANGUP, ID_REDIAL, ID_NEW_WINDOW};
constexpr int kMacroButtons[] = {ID_MACRO_DEFINE, kBarSeparator,
                                 MacroSlotCommand(0), MacroSlotCommand(1), MacroSlotCommand(2),
                                 MacroSlotCommand(3), MacroSlotCommand(4), MacroSlotCommand(5),
                                 MacroSlotCommand(6), MacroSlotCommand(7), MacroSlotCommand(8),
                                 MacroSlotCommand(9)};
constexpr int kShortcutButtons[] = {kBarFavourites, kBarSeparator, ID_SVC_TOP, ID_SVC_UP, ID_SVC_ENTER,
                                    kBarSeparator, ID_SVC_PREV_ITEM, ID_SVC_NEXT_ITEM, ID_SVC_PREV_PAGE,
                                    ID_SVC_NEXT_PAGE};
constexpr int kCharacterButtons[] = {ID_SHOW_KS, ID_SHOW_JOHAB, kBarSeparator, ID_FONT_LARGER, ID_FONT_SMALLER};
constexpr int kCaptureButtons[] = {ID_CAPTURE_EMPTY, ID_CAPTURE_OPEN, ID_CAPTURE_PAUSE, ID_CAPTURE_END,
                                   ID_CAPTURE_CHOOSE, ID_CAPTURE_START, ID_ANSI_CAPTURE, kBarSeparator,
                                   ID_CODE_CAPTURE};
constexpr int kToolButtons[] = {ID_FILE_NEW,       ID_FILE_OPEN,       ID_COPY,          ID_PASTE,
                                kBarSeparator,     ID_OPEN_CAPTURE_DIR, ID_OPEN_DOWNLOADS, kBarSeparator,
                                ID_HEADER_FOOTER,  ID_CHARMAP,          ID_FIND_WORDS,     ID_SOUNDS};
constexpr int kTransferButtons[] = {ID_SEND_MAIL, ID_WRITE_POST, ID_CANCEL_SENDING, kBarSeparator,
                                    ID_ZMODEM_SEND, ID_ZMODEM_RECEIVE};

const BarRow kBars[] = {
    {BarId::Phone, "PhoneBar", "전화 모음", ID_VIEW_PHONEBAR, kPhoneButtons},
    {BarId::Macro, "MacroBar", "매크로 모음", ID_VIEW_MACROBAR, kMacroButtons},
    {BarId::Shortcut, "ShortcutBar", "지름길", ID_VIEW_SHORTCUTBAR, kShortcutButtons},
    {BarId::Character, "CharacterBar", "글자 설정", ID_VIEW_CHARBAR, kCharacterButtons},
    {BarId::Capture, "CaptureBar", "갈무리", ID_VIEW_CAPTUREBAR, kCaptureButtons},
    {BarId::Tool, "ToolBar", "도구 모음", ID_VIEW_TOOLBAR, kToolButtons},
    {BarId::Transfer, "TransferBar", "파일 송수신", ID_VIEW_TRANSFERBAR, kTransferButtons},
};

}  // namespace

std::span<const BarRow> BarRows() { return kBars; }

const BarRow& FindBar(BarId bar)
{
    for (const BarRow& b : kBars)
        if (b.bar == bar)
            return b;
    return kBars[0];
}

std::span<const CommandRow> CommandRows() { return kRows; }

const CommandRow* FindCommand(int id)
{
    for (const CommandRow& r : kRows)
        if (r.id == id)
            return &r;
    return nullptr;
}

std::span<const MenuRow> MenuRows() { return kMenus; }

}  // namespace velo
