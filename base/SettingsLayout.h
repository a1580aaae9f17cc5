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
inline constexpr char kTip[] = "Tip";
inline constexpr char kSounds[] = "Sounds";
inline constexpr char kBarState[] = "ToolBarState";
inline constexpr char kWheel[] = "Wheel";
inline constexpr char kUseVtx[] = "UseVTX";              // in kInit
inline constexpr char kHangulFace[] = "HangulFaceName";  // in kInit
inline constexpr char kZModem[] = "ZModem";
inline constexpr char kAutoUp[] = "AutoUp";
inline constexpr char kAutoDown[] = "AutoDown";
inline constexpr char kAppendOption[] = "AppendOption";
inline constexpr char kDownPath[] = "DownPath";
inline constexpr char kUpPath[] = "UpPath";
inline constexpr char kCom[] = "COM";
inline constexpr char kWaitInterval[] = "WaitInterVal";  // in kCom
inline constexpr char kModems[] = "모뎀설정";
inline constexpr char kCurrentModem[] = "현재사용모뎀";   // in kModems
inline constexpr char kStartUp[] = "StartUp";            // in kTip
inline constexpr char kScrollLines[] = "ScrollLines";    // in kWheel
inline constexpr char kReverse[] = "Reverse";            // in kWheel
// Per-port entries of the sections "COM1".."COM9".
inline constexpr char kBaudRate[] = "BaudRate";
inline constexpr char kByteSize[] = "ByteSize";
inline constexpr char kStopBits[] = "StopBits";
inline constexpr char kParity[] = "Parity";

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
