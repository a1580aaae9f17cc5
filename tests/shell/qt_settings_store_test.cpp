#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "shell/QtSettingsStore.h"
#include "base/SettingsLayout.h"
#include "shell/Startup.h"

using velo::QtSettingsStore;

TEST(QtSettingsStore, KoreanSectionsAndEntriesSurviveTheFile)
{
    QTemporaryDir dir;
    QString path = dir.filePath("Vellow.conf");
    {
        QtSettingsStore s(path);
        EXPECT_TRUE(s.WriteInt("초기 환경", "Flicko쥐사용", 0));
        EXPECT_TRUE(s.WriteString("매크로", "매크로0", "안녕하세요, 반갑습니다\\r"));
        EXPECT_TRUE(s.WriteString("윈도우 크기", "사각형", "0010 0020 0810 0620"));
        EXPECT_TRUE(s.WriteInt("자주 가는곳", "갯수", 3));
        EXPECT_TRUE(s.Flush());
    }
    QtSettingsStore s(path);
    EXPECT_EQ(s.ReadInt("초기 환경", "Flicko쥐사용", 1), 0);
    EXPECT_EQ(s.ReadString("매크로", "매크로0", ""), "안녕하세요, 반갑습니다\\r");
    EXPECT_EQ(s.ReadString("윈도우 크기", "사각형", ""), "0010 0020 0810 0620");
    EXPECT_EQ(s.ReadInt("자주 가는곳", "갯수", 0), 3);
    EXPECT_EQ(s.ReadInt("자주 가는곳", "없는값", 77), 77);
}

TEST(QtSettingsStore, SeparatorsInNamesStayInsideTheEntry)
{
    QTemporaryDir dir;
    QString path = dir.filePath("Vellow.conf");
    {
        QtSettingsStore s(path);
        s.WriteString("Keyboard", "KEYPAD /", "\\eOo");
        s.WriteString("Keyboard", "KEYPAD *", "\\eOj");
        s.WriteString("Keyboard", "a\\b%2F", "odd");
        s.WriteString("C:\\dir", "x", "y");
    }
    QtSettingsStore s(path);
    EXPECT_EQ(s.ReadString("Keyboard", "KEYPAD /", ""), "\\eOo");
    EXPECT_EQ(s.ReadString("Keyboard", "KEYPAD *", ""), "\\eOj");
    EXPECT_EQ(s.ReadString("Keyboard", "a\\b%2F", ""), "odd");
    EXPECT_EQ(s.ReadString("Keyboard", "KEYPAD ", "none"), "none");
    EXPECT_EQ(s.ReadString("C:\\dir", "x", ""), "y");
    EXPECT_EQ(s.ReadString("C:", "dir/x", "none"), "none");
}

TEST(QtSettingsStore, IntegersAreThirtyTwoBitsAndTextIsNoInteger)
{
    QTemporaryDir dir;
    QtSettingsStore s(dir.filePath("v.conf"));
    s.WriteInt("A", "min", INT32_MIN);
    s.WriteString("A", "big", "4294967296");
    s.WriteString("A", "word", "sixty");
    s.WriteString("A", "spaced", " 12 ");
    EXPECT_EQ(s.ReadInt("A", "min", 0), INT32_MIN);
    EXPECT_EQ(s.ReadInt("A", "big", 5), 5);
    EXPECT_EQ(s.ReadInt("A", "word", 66), 66);
    EXPECT_EQ(s.ReadInt("A", "spaced", 0), 12);
    EXPECT_EQ(s.ReadString("A", "min", ""), "-2147483648");
}

TEST(QtSettingsStore, DeleteSectionRemovesOnlyThatSection)
{
    QTemporaryDir dir;
    QtSettingsStore s(dir.filePath("v.conf"));
    s.WriteString("ToolBarState-Bar1", "Visible", "1");
    s.WriteString("ToolBarState-Bar10", "Visible", "1");
    s.DeleteSection("ToolBarState-Bar1");
    EXPECT_EQ(s.ReadString("ToolBarState-Bar1", "Visible", "gone"), "gone");
    EXPECT_EQ(s.ReadString("ToolBarState-Bar10", "Visible", "gone"), "1");
}

TEST(QtSettingsStore, ShippedDefaultsMatchTheTableAndNeverOverwrite)
{
    QTemporaryDir dir;
    QtSettingsStore s(dir.filePath("v.conf"));
    s.WriteInt("Wheel", "ScrollLines", -1);  // the user's own choice
    int copied = -1;
    bool ran = velo::RunFirstRunUpgrade(s, [&] { copied = s.ImportMissing(VELO_DEFAULTS_FILE); });
    EXPECT_TRUE(ran);
    EXPECT_GT(copied, 90);
    EXPECT_EQ(s.ReadInt("Wheel", "ScrollLines", 3), -1);
    EXPECT_EQ(s.ReadInt("처음", "처음", 0), 4);
    for (int i = 0; i < velo::settings::kFixedDefaultCount; ++i) {
        const auto& d = velo::settings::kFixedDefaults[i];
        if (std::string_view(d.section) == "처음" || std::string_view(d.entry) == "ScrollLines")
            continue;
        if (d.isInt)
            EXPECT_EQ(s.ReadInt(d.section, d.entry, d.i + 12345), d.i) << d.section << "/" << d.entry;
        else
            EXPECT_EQ(s.ReadString(d.section, d.entry, "absent"), d.s) << d.section << "/" << d.entry;
    }
    // A second start finds generation 4 and imports nothing again.
    s.WriteInt("Print", "LinePerPage", 72);
    EXPECT_FALSE(velo::RunFirstRunUpgrade(s, [&] { s.ImportMissing(VELO_DEFAULTS_FILE); }));
    EXPECT_EQ(s.ReadInt("Print", "LinePerPage", 66), 72);
}

TEST(QtSettingsStore, ImportOfAMissingFileReportsFailure)
{
    QTemporaryDir dir;
    QtSettingsStore s(dir.filePath("v.conf"));
    EXPECT_EQ(s.ImportMissing(dir.filePath("nothing.reg")), -1);
}

TEST(QtSettingsStore, UnwritableFileIsReportedOnFlush)
{
    QtSettingsStore s("/proc/velo-cannot-write/v.conf");
    s.WriteInt("A", "b", 1);
    EXPECT_FALSE(s.Flush());
}
