#include "base/SettingsLayout.h"

#include <cstdint>

#include "base/SettingsStore.h"

namespace velo::settings {

#define I(sec, ent, v) {sec, ent, true, v, ""}
#define S(sec, ent, v) {sec, ent, false, 0, v}

const Default kFixedDefaults[] = {
    I("처음", "처음", 0),
    I("초기 환경", "Height", -16), I("초기 환경", "Width", 0), I("초기 환경", "Escapement", 0),
    I("초기 환경", "Orientation", 0), I("초기 환경", "Weight", 400), I("초기 환경", "Italic", 0),
    I("초기 환경", "Underline", 0), I("초기 환경", "StrikeOut", 0), I("초기 환경", "CharSet", 129),
    I("초기 환경", "OutPrecision", 3), I("초기 환경", "ClipPrecision", 2),
    I("초기 환경", "Quality", 2), I("초기 환경", "PitchAndFamily", 49),
    S("초기 환경", "FaceName", "굴림체"),
    S("초기 환경", "HangulFaceName", ""),
    I("초기 환경", "PitchAnsFamily", 0),
    I("초기 환경", "Beep", 1),
    I("초기 환경", "Flicko쥐사용", 1),
    I("초기 환경", "글자색", 7), I("초기 환경", "바탕색", 4),
    I("초기 환경", "채팅창글자색", 15), I("초기 환경", "채팅창바탕색", 0),
    I("초기 환경", "UseVTX", 1),
    I("초기 환경", "ImageIndex", 0),
    I("Size", "Mode", 0),
    S("윈도우 크기", "사각형", ""), I("윈도우 크기", "아이콘화", 0), I("윈도우 크기", "최대화", 0),
    S("Capture", "CapFile", ""),
    S("매크로", "매크로0", ""), S("매크로", "매크로1", ""), S("매크로", "매크로2", ""),
    S("매크로", "매크로3", ""), S("매크로", "매크로4", ""), S("매크로", "매크로5", ""),
    S("매크로", "매크로6", ""), S("매크로", "매크로7", ""), S("매크로", "매크로8", ""),
    S("매크로", "매크로9", ""),
    I("보내기", "bUsePrefixTag", 0), S("보내기", "PrefixTag", ""),
    S("보내기", "말머리0", ""), S("보내기", "말머리1", ""), S("보내기", "말머리2", ""),
    S("보내기", "말머리3", ""), S("보내기", "말머리4", ""),
    I("자주 가는곳", "갯수", 0),
    I("Print", "PrintOption", 0), I("Print", "FontResizeOption", 1), I("Print", "LfConvert", 1),
    I("Print", "LinePerPage", 66),
    I("Wheel", "Reverse", 0), I("Wheel", "ScrollLines", 3),
    I("Tip", "StartUp", 0), I("Tip", "FilePos", 0), S("Tip", "TimeStamp", ""),
    I("COM1", "BaudRate", 9600), I("COM1", "ByteSize", 8), I("COM1", "StopBits", 0), I("COM1", "Parity", 0),
    I("COM2", "BaudRate", 9600), I("COM2", "ByteSize", 8), I("COM2", "StopBits", 0), I("COM2", "Parity", 0),
    I("COM3", "BaudRate", 9600), I("COM3", "ByteSize", 8), I("COM3", "StopBits", 0), I("COM3", "Parity", 0),
    I("COM4", "BaudRate", 9600), I("COM4", "ByteSize", 8), I("COM4", "StopBits", 0), I("COM4", "Parity", 0),
    I("COM5", "BaudRate", 9600), I("COM5", "ByteSize", 8), I("COM5", "StopBits", 0), I("COM5", "Parity", 0),
    I("COM6", "BaudRate", 9600), I("COM6", "ByteSize", 8), I("COM6", "StopBits", 0), I("COM6", "Parity", 0),
    I("COM7", "BaudRate", 9600), I("COM7", "ByteSize", 8), I("COM7", "StopBits", 0), I("COM7", "Parity", 0),
    I("COM8", "BaudRate", 9600), I("COM8", "ByteSize", 8), I("COM8", "StopBits", 0), I("COM8", "Parity", 0),
    I("COM9", "BaudRate", 9600), I("COM9", "ByteSize", 8), I("COM9", "StopBits", 0), I("COM9", "Parity", 0),
    I("COM", "WaitInterVal", 200),
    I("ZModem", "AutoUp", 1), I("ZModem", "AutoDown", 1), I("ZModem", "AppendOption", 0),
    I("모뎀설정", "현재사용모뎀", 0),
    I("전화 번호부", "갯수", 0), I("전화 번호부", "모양", 3), S("전화 번호부", "사각형", ""),
    S("History", "PhoneNum0", ""), S("History", "PhoneNum1", ""), S("History", "PhoneNum2", ""),
    S("History", "PhoneNum3", ""), S("History", "PhoneNum4", ""),
    S("History", "IPAddress0", ""), S("History", "IPAddress1", ""), S("History", "IPAddress2", ""),
    S("History", "IPAddress3", ""), S("History", "IPAddress4", ""),
};
#undef I
#undef S

const int kFixedDefaultCount = int(sizeof kFixedDefaults / sizeof kFixedDefaults[0]);

const Default* FindDefault(std::string_view section, std::string_view entry)
{
    for (const Default& d : kFixedDefaults)
        if (section == d.section && entry == d.entry)
            return &d;
    return nullptr;
}

std::string CaptureDirDefault(const std::string& installDir) { return installDir + "/cap"; }
std::string DownloadDirDefault(const std::string& installDir) { return installDir + "/Down"; }
std::string UploadDirDefault(const std::string& installDir) { return installDir + "/Up"; }
std::string PrintFileDefault(const std::string& installDir) { return installDir + "/prntmp.txt"; }

int ReadIntDefault(SettingsStore& s, const char* section, const char* entry)
{
    const Default* d = FindDefault(section, entry);
    return s.ReadInt(section, entry, d && d->isInt ? d->i : 0);
}

std::string ReadStringDefault(SettingsStore& s, const char* section, const char* entry)
{
    const Default* d = FindDefault(section, entry);
    return s.ReadString(section, entry, d && !d->isInt ? d->s : "");
}

}  // namespace velo::settings

namespace velo {

namespace {
struct FontField {
    const char* entry;
    int LogFontFields::*field;
};
constexpr FontField kFontFields[] = {
    {"Height", &LogFontFields::height},           {"Width", &LogFontFields::width},
    {"Escapement", &LogFontFields::escapement},   {"Orientation", &LogFontFields::orientation},
    {"Weight", &LogFontFields::weight},           {"Italic", &LogFontFields::italic},
    {"Underline", &LogFontFields::underline},     {"StrikeOut", &LogFontFields::strikeOut},
    {"CharSet", &LogFontFields::charSet},         {"OutPrecision", &LogFontFields::outPrecision},
    {"ClipPrecision", &LogFontFields::clipPrecision}, {"Quality", &LogFontFields::quality},
    {"PitchAndFamily", &LogFontFields::pitchAndFamily},
};
}  // namespace

LogFontFields LogFontFields::Read(SettingsStore& s)
{
    LogFontFields f;
    for (const FontField& ff : kFontFields)
        f.*ff.field = settings::ReadIntDefault(s, settings::kInit, ff.entry);
    f.faceName = settings::ReadStringDefault(s, settings::kInit, "FaceName");
    // Cut on a character boundary so the name stays valid UTF-8.
    if (f.faceName.size() > kFaceNameMax) {
        size_t n = kFaceNameMax;
        while (n > 0 && (uint8_t(f.faceName[n]) & 0xC0) == 0x80)
            --n;
        f.faceName.resize(n);
    }
    f.hangulFace = settings::ReadStringDefault(s, settings::kInit, settings::kHangulFace);
    return f;
}

void LogFontFields::Write(SettingsStore& s) const
{
    for (const FontField& ff : kFontFields)
        s.WriteInt(settings::kInit, ff.entry, this->*ff.field);
    s.WriteString(settings::kInit, "FaceName", faceName);
    s.WriteString(settings::kInit, settings::kHangulFace, hangulFace);
}

}  // namespace velo
