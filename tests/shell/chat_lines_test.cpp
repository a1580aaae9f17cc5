// The chat pane's rules without its window: what each Enter sends and where
// the focus goes, the ring under scrolling, header and footer, what is sent
// at once, and the length of a line.
#include <gtest/gtest.h>

#include <string>

#include "shell/ChatLines.h"

using namespace velo;
using R = ChatLines::EnterResult;

TEST(ChatLines, EnterSendsWrappedLinesSlashLinesBareAndEmptyAsALoneReturn)
{
    ChatLines c;
    c.SetLineCount(3);
    c.SetPair(0, "[", "]");
    c.SetPair(1, "<<", ">>");
    struct Step {
        int field;
        const char* text;
        R::Kind kind;
        const char* send;
        int focus;
    };
    const Step steps[] = {
        {0, "hello", R::Line, "[hello]\r", 1},
        {1, "/go board", R::Line, "/go board\r", 2},
        {2, "", R::LoneReturn, "", 2},      // nothing moves, nothing scrolls
        {2, "a\\rb", R::Line, "[a\\rb]\r", 2},  // escapes go to the macro sender as typed
        {1, " /x", R::Line, "[ /x]\r", 2},  // only a leading slash counts
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.text);
        R r = c.Enter(s.field, s.text, false, false);
        EXPECT_EQ(r.kind, s.kind);
        EXPECT_EQ(r.send, s.send);
        EXPECT_EQ(r.focus, s.focus);
        EXPECT_EQ(c.Current(), s.focus);
    }
    // The second pair after the switch; the header goes with it.
    c.SwitchPair();
    EXPECT_EQ(c.Pair(), 1);
    EXPECT_EQ(c.Enter(0, "x", false, false).send, "<<x>>\r");
    c.SwitchPair();
    EXPECT_EQ(c.Header(c.Pair()), "[");
}

TEST(ChatLines, BusyHostKeepsTheLineWithoutSendingOrMoving)
{
    ChatLines c;
    c.SetLineCount(2);
    R r = c.Enter(0, "later", false, true);
    EXPECT_EQ(r.kind, R::Kept);
    EXPECT_EQ(r.focus, 0);
    EXPECT_EQ(c.FieldText(0), "later");
    EXPECT_EQ(c.Base(), 0);
}

TEST(ChatLines, EnterOnTheLastFieldScrollsAndEmptiesTheNextSlotAhead)
{
    // One line: every Enter scrolls, and after a full turn of the ring the
    // field shows an empty slot, not the line of 32 Enters ago.
    ChatLines c;
    c.SetLineCount(1);
    for (int i = 0; i < ChatLines::kRing; ++i) {
        R r = c.Enter(0, "line" + std::to_string(i), false, false);
        ASSERT_TRUE(r.scrolled);
        EXPECT_EQ(r.focus, 0);
        EXPECT_EQ(c.FieldText(0), "") << i;
    }
    EXPECT_EQ(c.Base(), 0);
    EXPECT_EQ(c.Slot(31), "line31");

    // Three lines: Enter walks down, then the last one scrolls.
    ChatLines d;
    d.SetLineCount(3);
    d.Enter(0, "a", false, false);
    d.Enter(1, "b", false, false);
    R r = d.Enter(2, "c", false, false);
    EXPECT_TRUE(r.scrolled);
    EXPECT_EQ(d.Base(), 1);
    EXPECT_EQ(d.FieldText(0), "b");
    EXPECT_EQ(d.FieldText(1), "c");
    EXPECT_EQ(d.FieldText(2), "");
}

TEST(ChatLines, CtrlEnterKeepsWhatTheNextFieldHolds)
{
    for (bool ctrl : {false, true}) {
        SCOPED_TRACE(ctrl);
        ChatLines c;
        c.SetLineCount(3);
        c.Enter(1, "kept", false, true);  // stored while busy
        R r = c.Enter(0, "line", ctrl, false);
        EXPECT_EQ(r.focus, 1);
        EXPECT_TRUE(r.caretAtStart);
        EXPECT_EQ(r.clearNext, !ctrl);
        EXPECT_EQ(c.FieldText(1), ctrl ? "kept" : "");
    }
}

TEST(ChatLines, UpAndDownMoveBetweenFieldsAndScrollTheRingAtTheEnds)
{
    ChatLines c;
    c.SetLineCount(2);
    c.Enter(0, "one", false, false);
    c.Enter(1, "two", false, false);  // scrolls: fields show "two", ""
    ASSERT_EQ(c.Base(), 1);
    ChatLines::Move m = c.Up(1);
    EXPECT_EQ(m.focus, 0);
    EXPECT_FALSE(m.scrolled);
    m = c.Up(0);
    EXPECT_TRUE(m.scrolled);
    EXPECT_EQ(c.Base(), 0);
    EXPECT_EQ(c.FieldText(0), "one");
    EXPECT_EQ(c.FieldText(1), "two");
    m = c.Up(0);  // below slot 0 lies slot 31
    EXPECT_EQ(c.Base(), 31);
    EXPECT_EQ(c.FieldText(1), "one");
    m = c.Down(0);
    EXPECT_EQ(m.focus, 1);
    EXPECT_FALSE(m.scrolled);
    m = c.Down(1);
    EXPECT_TRUE(m.scrolled);
    EXPECT_EQ(m.focus, 1);
    EXPECT_EQ(c.Base(), 0);
}

TEST(ChatLines, ControlCharactersGoAtOnceButBackspaceAndTabEdit)
{
    struct Case {
        uint32_t ch;
        bool atOnce;
    };
    const Case cases[] = {{0x00, true},  {0x01, true},  {0x07, true},  {0x08, false}, {0x09, false},
                          {0x0A, true},  {0x0D, true},  {0x1B, true},  {0x1F, true},  {0x20, false},
                          {'a', false},  {0x7F, false}, {0xAC00, false}};
    for (const Case& c : cases)
        EXPECT_EQ(ChatLines::SentAtOnce(c.ch), c.atOnce) << std::hex << c.ch;
}

TEST(ChatLines, LinesAreCutAt256BytesBeforeAHalfCharacterAndCountsKeptInRange)
{
    EXPECT_EQ(ChatLines::FitLine(std::string(300, 'x')).size(), 256u);
    // 255 letters and a Hangul character (two bytes): the character goes whole.
    std::string s(255, 'x');
    s += "\xB0\xA1";
    EXPECT_EQ(ChatLines::FitLine(s), std::string(255, 'x'));
    std::string h;
    for (int i = 0; i < 200; ++i)
        h += "\xB0\xA1";
    EXPECT_EQ(ChatLines::FitLine(h).size(), 256u);

    ChatLines c;
    c.SetLineCount(0);
    EXPECT_EQ(c.LineCount(), 1);
    c.SetLineCount(9);
    EXPECT_EQ(c.LineCount(), 5);
    c.SetCurrent(4);
    c.SetLineCount(2);
    EXPECT_EQ(c.Current(), 1);  // the current field is one that is shown
}
