// The stored values of the print and wheel dialogs: what a stored value
// outside the dialog's range opens as, and what OK writes back.
#include <gtest/gtest.h>

#include "base/SettingsStore.h"
#include "shell/PrintSettings.h"

using namespace velo;

TEST(PrintDialogValues, StoredValuesOutsideTheDialogsRangeOpenAsTheDefault)
{
    struct Case {
        const char* entry;
        int stored;
        int shown;
    } cases[] = {
        {"PrintOption", 2, 2},     {"PrintOption", 5, 0},      {"PrintOption", -1, 0},
        {"LinePerPage", 100, 66},  {"LinePerPage", 80, 80},    {"LinePerPage", 0, 0},
        {"LinePerPage", -1, 66},   {"LfConvert", 0, 0},        {"LfConvert", 7, 1},
        {"FontResizeOption", 0, 0}, {"FontResizeOption", 2, 1},
    };
    for (const Case& c : cases) {
        MemorySettingsStore s;
        s.WriteInt("Print", c.entry, c.stored);
        const PrintDialogValues v = PrintDialogValues::Read(s, "/inst");
        const std::string e = c.entry;
        const int shown = e == "PrintOption" ? v.option
                          : e == "LinePerPage" ? v.linesPerPage
                          : e == "LfConvert"   ? int(v.lfConvert)
                                               : int(v.fitFont);
        EXPECT_EQ(shown, c.shown) << c.entry << " " << c.stored;
    }
}

TEST(PrintDialogValues, OkWritesEveryEntryAndEmptyFileNamesOpenAsTheDefault)
{
    MemorySettingsStore s;
    PrintDialogValues v = PrintDialogValues::Read(s, "/inst");
    EXPECT_EQ(v.file, "/inst/prntmp.txt");
    v.option = 1;
    v.lfConvert = false;
    v.fitFont = false;
    v.file = "/tmp/p.txt";
    v.linesPerPage = 100;
    v.Write(s);
    EXPECT_EQ(s.ReadInt("Print", "PrintOption", -9), 1);
    EXPECT_EQ(s.ReadInt("Print", "LfConvert", -9), 0);
    EXPECT_EQ(s.ReadInt("Print", "FontResizeOption", -9), 0);
    EXPECT_EQ(s.ReadString("Print", "PrintToFileName", ""), "/tmp/p.txt");
    EXPECT_EQ(s.ReadInt("Print", "LinePerPage", -9), 100);
    // 100 is stored as given and read back as 66.
    EXPECT_EQ(PrintDialogValues::Read(s, "/inst").linesPerPage, 66);
    s.WriteString("Print", "PrintToFileName", "");
    EXPECT_EQ(PrintDialogValues::Read(s, "/inst").file, "/inst/prntmp.txt");
}

TEST(WheelValues, ReverseIsAnyNonZeroValueAndANegativeLineCountIsAPage)
{
    MemorySettingsStore s;
    WheelValues v = WheelValues::Read(s);
    EXPECT_FALSE(v.reverse);
    EXPECT_EQ(v.scrollLines, 3);
    s.WriteInt("Wheel", "Reverse", 5);
    s.WriteInt("Wheel", "ScrollLines", -7);
    v = WheelValues::Read(s);
    EXPECT_TRUE(v.reverse);
    EXPECT_TRUE(v.Page());
    v.scrollLines = -1;
    v.Write(s);
    EXPECT_EQ(s.ReadInt("Wheel", "Reverse", -9), 1);
    EXPECT_EQ(s.ReadInt("Wheel", "ScrollLines", -9), -1);
}
