#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "base/SettingsStore.h"

using velo::MemorySettingsStore;

TEST(MemorySettingsStore, AbsentEntriesReadAsTheCallersDefault)
{
    MemorySettingsStore s;
    EXPECT_EQ(s.ReadInt("COM1", "BaudRate", 9600), 9600);
    EXPECT_EQ(s.ReadString("초기 환경", "FaceName", "굴림체"), "굴림체");
}

TEST(MemorySettingsStore, WrittenValuesReadBackPerSectionAndEntry)
{
    MemorySettingsStore s;
    s.WriteInt("COM1", "BaudRate", 115200);
    s.WriteString("매크로", "매크로0", "hello^M");
    EXPECT_EQ(s.ReadInt("COM1", "BaudRate", 9600), 115200);
    EXPECT_EQ(s.ReadInt("COM2", "BaudRate", 9600), 9600);
    EXPECT_EQ(s.ReadString("매크로", "매크로0", ""), "hello^M");
    EXPECT_EQ(s.ReadString("매크로", "매크로1", "x"), "x");
}

TEST(MemorySettingsStore, AValueOfTheOtherTypeFallsBackToTheDefault)
{
    MemorySettingsStore s;
    s.WriteString("Print", "LinePerPage", "sixty");
    s.WriteInt("Capture", "CapFile", 3);
    EXPECT_EQ(s.ReadInt("Print", "LinePerPage", 66), 66);
    EXPECT_EQ(s.ReadString("Capture", "CapFile", ""), "");
    s.WriteString("Print", "LinePerPage", "72");
    EXPECT_EQ(s.ReadInt("Print", "LinePerPage", 66), 72);
}

TEST(MemorySettingsStore, ConcurrentWritersAndReadersDoNotCorrupt)
{
    MemorySettingsStore s;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&s, t] {
            for (int i = 0; i < 2000; ++i) {
                s.WriteInt("T", std::to_string(t), i);
                (void)s.ReadInt("T", std::to_string((t + 1) % 4), 0);
            }
        });
    for (auto& th : threads)
        th.join();
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(s.ReadInt("T", std::to_string(t), -1), 1999);
}

