// Names and built-in defaults of the settings every part of the program reads
// and writes. Entries whose default depends on the installation directory are
// made by the functions at the end; the rest are in kFixedDefaults, which the
// shipped defaults file (velo.reg) mirrors.
#pragma once

#include <string>
#include <string_view>

namespace velo {

class SettingsStore;

namespace settings {

inline constexpr char kFirst[] = "처음";                 // section and entry
inline constexpr int kGeneration = 4;
inline constexpr char kInstallDir[] = "인스톨디렉토리";  // section and entry
inline constexpr char kInit[] = "초기 환경";
inline constexpr char kWindow[] = "윈도우 크기";
inline constexpr char kRect[] = "사각형";
inline constexpr char kIconic[] = "아이콘화";
inline constexpr char kMaximised[] = "최대화";
inline constexpr char kClickMouse[] = "Flicko쥐사용";
inline constexpr char kBeep[] = "Beep";
inline constexpr char kTextColour[] = "글자색";
inline constexpr char kBackColour[] = "바탕색";
inline constexpr char kChatTextColour[] = "채팅창글자색";  // in kInit, palette index
inline constexpr char kChatBackColour[] = "채팅창바탕색";  // in kInit, palette index
// The shortcut bar's favourites: "갯수" items, "자주가는곳0".. in order.
inline constexpr char kFavourites[] = "자주 가는곳";
inline constexpr char kFavouriteCount[] = "갯수";
inline constexpr char kFavouriteItem[] = "자주가는곳";
inline constexpr char kTip[] = "Tip";
inline constexpr char kSounds[] = "Sounds";
inline constexpr char kBarState[] = "ToolBarState";
// The bar layout lives in kBarState + "-Summary": the tool bars' places
// ("State", the window toolkit's own record) and the status bar's
// visibility ("StatusBar", default 1).
inline constexpr char kBarSummarySuffix[] = "-Summary";
inline constexpr char kBarLayout[] = "State";
inline constexpr char kBarStatusShown[] = "StatusBar";
inline constexpr char kWheel[] = "Wheel";
inline constexpr char kUseVtx[] = "UseVTX";              // in kInit
inline constexpr char kHangulFace[] = "HangulFaceName";  // in kInit
inline constexpr char kImageIndex[] = "ImageIndex";      // in kInit: running number of images
inline constexpr char kSize[] = "Size";                  // the picture window's canvas size
inline constexpr char kMode[] = "Mode";                  // in kSize: 0 large, 1 medium, 2 small
inline constexpr char kZModem[] = "ZModem";
inline constexpr char kAutoUp[] = "AutoUp";
inline constexpr char kAutoDown[] = "AutoDown";
inline constexpr char kAppendOption[] = "AppendOption";
inline constexpr char kDownPath[] = "DownPath";
inline constexpr char kUpPath[] = "UpPath";
inline constexpr char kCom[] = "COM";
inline constexpr char kWaitInterval[] = "WaitInterVal";  // in kCom
// In "COM1".."COM9": the port's device; empty (the default) means
// /dev/ttyS<n-1>.
inline constexpr char kDevice[] = "Device";
// The capture folder: "Capture"/"CapDir", default CaptureDirDefault().
inline constexpr char kCapture[] = "Capture";
inline constexpr char kCapDir[] = "CapDir";
inline constexpr char kCapFile[] = "CapFile";            // in kCapture
inline constexpr char kModems[] = "모뎀설정";
inline constexpr char kCurrentModem[] = "현재사용모뎀";   // in kModems
inline constexpr char kStartUp[] = "StartUp";            // in kTip
inline constexpr char kScrollLines[] = "ScrollLines";    // in kWheel
inline constexpr char kReverse[] = "Reverse";            // in kWheel
inline constexpr char kMacros[] = "매크로";              // entries "매크로0".."매크로9", slot 0..9
inline constexpr char kCaptureDirectory[] = "CaptureDirectory";  // in kInit
// Printing: how the print file of printer-controller mode is printed.
inline constexpr char kPrint[] = "Print";
inline constexpr char kPrintOption[] = "PrintOption";
inline constexpr char kLinePerPage[] = "LinePerPage";
inline constexpr char kFontResizeOption[] = "FontResizeOption";
inline constexpr char kLfConvert[] = "LfConvert";
inline constexpr char kPrintToFileName[] = "PrintToFileName";
// Per-port entries of the sections "COM1".."COM9".
inline constexpr char kBaudRate[] = "BaudRate";
inline constexpr char kByteSize[] = "ByteSize";
inline constexpr char kStopBits[] = "StopBits";
inline constexpr char kParity[] = "Parity";
// The phone book: "갯수" entries, each under the names below with its index
// from 0 appended ("%d"), then the dialog's view style and placement.
inline constexpr char kPhoneBook[] = "전화 번호부";
inline constexpr char kPbCount[] = "갯수";
inline constexpr char kPbViewStyle[] = "모양";  // 0 large icons, 1 small icons, 2 list, 3 details
// kRect (above) holds the dialog's placement in this section too.
inline constexpr char kPbKind[] = "bUseWinSock";
inline constexpr char kPbService[] = "HostId";
inline constexpr char kPbName[] = "이름";
inline constexpr char kPbNumber[] = "번호";
inline constexpr char kPbPreSend[] = "미리보낼문자열";
inline constexpr char kPbWaitUserId[] = "WaitUserId";
inline constexpr char kPbWaitPassword[] = "WaitPassword";
inline constexpr char kPbUserId[] = "UserId";
inline constexpr char kPbPassword[] = "Password";
inline constexpr char kPbPort[] = "PortNum";
inline constexpr char kPbWidth[] = "가로";
inline constexpr char kPbHeight[] = "세로";
inline constexpr char kPbTermType[] = "터미널종류";
inline constexpr char kPbChatLines[] = "채팅창줄수";
inline constexpr char kPbAutoWrap[] = "AutoWrap";
// The defaults of an entry's values when read; a stored entry without
// "터미널종류%d" is a VT100 entry, though a fresh one starts as ANSI.
inline constexpr int kPbKindDefault = 0;
inline constexpr int kPbServiceDefault = 5;
inline constexpr int kPbPortDefault = 23;
inline constexpr int kPbWidthDefault = 80;
inline constexpr int kPbHeightDefault = 28;
inline constexpr int kPbTermTypeDefault = 0;
inline constexpr int kPbChatLinesDefault = 3;
inline constexpr int kPbAutoWrapDefault = 1;
// The five most recent typed numbers and hosts: "PhoneNum0".."PhoneNum4",
// "IPAddress0".."IPAddress4", position 0 the most recent.
inline constexpr char kHistory[] = "History";
inline constexpr char kPhoneNum[] = "PhoneNum";
inline constexpr char kIpAddress[] = "IPAddress";
inline constexpr int kHistoryLength = 5;
// The post dialog: the use-prefix switch, the last tag text (written only)
// and the user's five prefix tags "말머리0".."말머리4", newest first.
inline constexpr char kSendSection[] = "보내기";
inline constexpr char kUsePrefixTag[] = "bUsePrefixTag";
inline constexpr char kPrefixTag[] = "PrefixTag";
inline constexpr char kPrefixTagSlot[] = "말머리";

struct Default {
    const char* section;
    const char* entry;
    bool isInt;
    int i;
    const char* s;
};

// Every fixed entry of the store with its type and default.
extern const Default kFixedDefaults[];
extern const int kFixedDefaultCount;
const Default* FindDefault(std::string_view section, std::string_view entry);

// Defaults below the installation directory (joined with "/").
std::string CaptureDirDefault(const std::string& installDir);    // "초기 환경"/"CaptureDirectory", "Capture"/"CapDir"
std::string DownloadDirDefault(const std::string& installDir);   // "ZModem"/"DownPath"
std::string UploadDirDefault(const std::string& installDir);     // "ZModem"/"UpPath"
std::string PrintFileDefault(const std::string& installDir);     // "Print"/"PrintToFileName"

// Reads an entry of kFixedDefaults with its table default.
int ReadIntDefault(SettingsStore& s, const char* section, const char* entry);
std::string ReadStringDefault(SettingsStore& s, const char* section, const char* entry);

}  // namespace settings

// The terminal and chat-pane font as the fields of a Windows logical font.
struct LogFontFields {
    // The face name field holds at most this many bytes and a NUL.
    static constexpr size_t kFaceNameMax = 31;
    int height = -16, width = 0, escapement = 0, orientation = 0, weight = 400;
    int italic = 0, underline = 0, strikeOut = 0, charSet = 129, outPrecision = 3;
    int clipPrecision = 2, quality = 2, pitchAndFamily = 49;
    std::string faceName = "굴림체";
    // Not a field of the logical font: the face of the double-byte
    // characters when faceName has no Hangul of its own or the user chose
    // another; empty for the face's own, else the first that fits.
    std::string hangulFace;

    static LogFontFields Read(SettingsStore& s);
    void Write(SettingsStore& s) const;
};

}  // namespace velo
