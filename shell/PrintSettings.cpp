#include "shell/PrintSettings.h"

#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"

namespace velo {

namespace {

// The entry's value when it lies in lo..hi, else the table's default.
int ReadInRange(SettingsStore& s, const char* section, const char* entry, int lo, int hi)
{
    const int v = settings::ReadIntDefault(s, section, entry);
    if (v >= lo && v <= hi)
        return v;
    const settings::Default* d = settings::FindDefault(section, entry);
    return d ? d->i : lo;
}

}  // namespace

PrintDialogValues PrintDialogValues::Read(SettingsStore& s, const std::string& installDir)
{
    using namespace settings;
    PrintDialogValues v;
    v.option = ReadInRange(s, kPrint, kPrintOption, 0, 2);
    v.lfConvert = ReadInRange(s, kPrint, kLfConvert, 0, 1) != 0;
    v.fitFont = ReadInRange(s, kPrint, kFontResizeOption, 0, 1) != 0;
    v.file = s.ReadString(kPrint, kPrintToFileName, "");
    if (v.file.empty())
        v.file = PrintFileDefault(installDir);
    v.linesPerPage = ReadInRange(s, kPrint, kLinePerPage, 0, 80);
    return v;
}

void PrintDialogValues::Write(SettingsStore& s) const
{
    using namespace settings;
    s.WriteInt(kPrint, kPrintOption, option);
    s.WriteInt(kPrint, kLfConvert, lfConvert ? 1 : 0);
    s.WriteInt(kPrint, kFontResizeOption, fitFont ? 1 : 0);
    s.WriteString(kPrint, kPrintToFileName, file);
    s.WriteInt(kPrint, kLinePerPage, linesPerPage);
}

WheelValues WheelValues::Read(SettingsStore& s)
{
    using namespace settings;
    WheelValues v;
    v.reverse = ReadIntDefault(s, kWheel, kReverse) != 0;
    v.scrollLines = ReadIntDefault(s, kWheel, kScrollLines);
    return v;
}

void WheelValues::Write(SettingsStore& s) const
{
    using namespace settings;
    s.WriteInt(kWheel, kReverse, reverse ? 1 : 0);
    s.WriteInt(kWheel, kScrollLines, scrollLines);
}

}  // namespace velo
