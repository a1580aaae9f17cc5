#include <gtest/gtest.h>

#include <string>

#include "shell/KeyMap.h"
#include "shell/MacroSender.h"
#include "base/SettingsStore.h"

using velo::KeyMap;

namespace {
struct Capture {
    std::string out;
    velo::MacroSender sender{[this](const uint8_t* p, int n) { out.append((const char*)p, size_t(n)); }};
};
}  // namespace

TEST(KeyMap, BuiltInTableHasTheNamedKeysAndSwitches)
{
    KeyMap m;
    EXPECT_STREQ(KeyMap::Default(0).name, "F0");
    EXPECT_STREQ(KeyMap::Default(20).name, "F20");
    EXPECT_STREQ(KeyMap::Default(velo::kKeyBackspace).name, "BACKSPACE");
    EXPECT_STREQ(KeyMap::Default(49).name, "KEYPAD ENTER");
    EXPECT_STREQ(KeyMap::Default(45).sequence, "\\eOo");
    EXPECT_TRUE(m.IsSet(0));
    EXPECT_FALSE(m.IsSet(5));   // F5 keeps opening the scrollback view
    EXPECT_TRUE(m.IsSet(6));
    EXPECT_FALSE(m.IsSet(velo::kKeyPageUp));
    EXPECT_FALSE(m.IsSet(velo::kKeyBackspace));
    EXPECT_TRUE(m.IsSet(velo::kKeyUp));
    EXPECT_FALSE(m.IsSet(-1));
    EXPECT_FALSE(m.IsSet(50));
}

TEST(KeyMap, LoadsAllFiftyButSavesOnlyTheDialogsThirtyTwo)
{
    velo::MemorySettingsStore s;
    s.WriteString("Keyboard", "F5", "\\e[99~");
    s.WriteInt("Keyboard", "bActByKeyboardF5", 1);
    s.WriteString("Keyboard", "KEYPAD /", "x");
    s.WriteInt("Keyboard", "bActByKeyboardKEYPAD /", 0);
    KeyMap m;
    m.Load(s);
    EXPECT_TRUE(m.IsSet(5));
    EXPECT_EQ(m.Sequence(5), "\\e[99~");
    EXPECT_EQ(m.Sequence(45), "x");
    EXPECT_FALSE(m.IsSet(45));

    velo::MemorySettingsStore out;
    m.Save(out);
    EXPECT_EQ(out.ReadString("Keyboard", "F5", ""), "\\e[99~");
    EXPECT_EQ(out.ReadInt("Keyboard", "bActByKeyboardPAGEUP", -1), 0);
    EXPECT_EQ(out.ReadString("Keyboard", "KEYPAD /", "unwritten"), "unwritten");
}

TEST(KeyMap, ResetRestoresSequenceAndSwitch)
{
    KeyMap m;
    m.Set(6, "junk", false);
    m.ResetToDefault(6);
    EXPECT_EQ(m.Sequence(6), "\\e[17~");
    EXPECT_TRUE(m.IsSet(6));
}

TEST(KeyMap, SendKeyExpandsTheSequenceThroughTheMacroSender)
{
    KeyMap m;
    {
        Capture c;
        m.SendKey(6, false, c.sender);
        EXPECT_EQ(c.out, "\x1B[17~");
    }
    {
        Capture c;
        m.SendKey(velo::kKeyBackspace, false, c.sender);
        EXPECT_EQ(c.out, "\x7F");
    }
    {
        Capture c;
        m.Set(41, "changed", true);
        m.SendKey(41, true, c.sender);  // keypad in application mode: the built-in string
        EXPECT_EQ(c.out, "\x1BOy");
        m.SendKey(99, false, c.sender);
        EXPECT_EQ(c.out, "\x1BOy");
    }
}
