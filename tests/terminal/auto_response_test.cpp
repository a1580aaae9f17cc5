// The auto-response table in the settings store: entry names per service,
// host bytes in memory, UTF-8 in the store.
#include <gtest/gtest.h>

#include "base/SettingsStore.h"
#include "terminal/AutoResponse.h"

using namespace velo;

TEST(AutoResponseTable, LoadReadsEveryGroupUnderItsPrefixAsHostBytes)
{
    MemorySettingsStore store;
    const char* section = "자동 반응 설정";
    store.WriteString(section, "하이텔찾을단어3", "비밀번호:");
    store.WriteString(section, "하이텔반응3", "secret\\r");
    store.WriteInt(section, "하이텔반응유무3", 1);
    store.WriteString(section, "찾을단어0", "more");
    store.WriteString(section, "반응0", "\\r");
    store.WriteInt(section, "반응유무0", 1);
    store.WriteString(section, "Kestrix찾을단어9", "x");
    store.WriteInt(section, "Kestrix반응유무9", 2);  // only 1 enables a row
    AutoResponseTable t;
    t.Load(store);
    EXPECT_EQ(t.rows[1][3].word, "\xba\xf1\xb9\xd0\xb9\xf8\xc8\xa3:");  // CP949
    EXPECT_EQ(t.rows[1][3].response, "secret\\r");
    EXPECT_TRUE(t.rows[1][3].enabled);
    EXPECT_EQ(t.rows[5][0].word, "more");
    EXPECT_TRUE(t.rows[5][0].enabled);
    EXPECT_EQ(t.rows[4][9].word, "x");
    EXPECT_FALSE(t.rows[4][9].enabled);
    EXPECT_EQ(t.rows[0][0].word, "");
    EXPECT_FALSE(t.rows[0][0].enabled);
}

TEST(AutoResponseTable, SaveRowWritesUtf8BackUnderTheSameNames)
{
    MemorySettingsStore store;
    AutoResponseTable t;
    t.rows[0][2] = {"\xc0\xcc\xb8\xa7", "me", true};
    t.SaveRow(store, 0, 2);
    t.SaveRow(store, 9, 2);  // out of range: nothing
    EXPECT_EQ(store.ReadString("자동 반응 설정", "천리안찾을단어2", "?"), "이름");
    EXPECT_EQ(store.ReadString("자동 반응 설정", "천리안반응2", "?"), "me");
    EXPECT_EQ(store.ReadInt("자동 반응 설정", "천리안반응유무2", 0), 1);
    AutoResponseTable back;
    back.Load(store);
    EXPECT_EQ(back.rows[0][2].word, t.rows[0][2].word);
}
