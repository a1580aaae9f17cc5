#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terminal/ui/TermText.h"

using namespace velo::termtext;

namespace {
// A row of `columns` bytes, blank-padded.
std::string Row(std::string s, int columns = 80)
{
    s.resize(size_t(columns), ' ');
    return s;
}
const uint8_t* U(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }
}  // namespace

TEST(TermText, SelectionColumnNeverSplitsAHangulPair)
{
    // "A" then the KS pair B0 A1 (가) at columns 1-2.
    std::string r = Row("A\xB0\xA1Z");
    EXPECT_EQ(ColumnAtX(U(r), 80, 1 * 8 + 1, 8), 1);  // first byte: the pair's column
    EXPECT_EQ(ColumnAtX(U(r), 80, 2 * 8 + 1, 8), 3);  // second byte: after the pair
    EXPECT_EQ(ColumnAtX(U(r), 80, 3 * 8 + 3, 8), 3);  // ASCII: nearest boundary
    EXPECT_EQ(ColumnAtX(U(r), 80, 3 * 8 + 5, 8), 4);
    EXPECT_EQ(ColumnAtX(U(r), 80, 10000, 8), 80);
    EXPECT_EQ(ColumnAtX(U(r), 80, -5, 8), 0);
}

TEST(TermText, RepaintRangeIsWidenedToWholePairs)
{
    std::string r = Row("ab\xB0\xA1\xB0\xA2");
    int first = 3, last = 4;
    WidenToPairs(U(r), 80, &first, &last);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(last, 5);
    // A pair's first byte in the last column is not widened past the screen.
    std::string edge = Row("x", 4);
    edge[3] = char(0xB0);
    first = 3;
    last = 3;
    WidenToPairs(U(edge), 4, &first, &last);
    EXPECT_EQ(last, 3);
}

TEST(TermText, CopyOfSeveralRowsTrimsTrailingBlanksAndJoinsWithCrLf)
{
    std::vector<std::string> rows = {Row("first row tail here   ") , Row("middle"), Row("ABCDEFGH")};
    auto get = [&](int r) { return U(rows[size_t(r)]); };
    EXPECT_EQ(SelectionText(0, 10, 2, 5, 80, get), "tail here\r\nmiddle\r\nABCDE");
    // One row: exactly the bytes between the columns, blanks kept.
    EXPECT_EQ(SelectionText(0, 5, 0, 15, 80, get), " row tail ");
    EXPECT_EQ(SelectionText(0, 5, 0, 5, 80, get), "");
    // Select all: row 0 column 0 to the last row's end.
    EXPECT_EQ(SelectionText(0, 0, 2, 80, 80, get), "first row tail here\r\nmiddle\r\nABCDEFGH");
}

TEST(TermText, CopyFromColumn70OfOneRowToColumn5OfTheNext)
{
    std::vector<std::string> rows = {Row(std::string(70, '.') + "tail  "), Row("12345678")};
    auto get = [&](int r) { return U(rows[size_t(r)]); };
    EXPECT_EQ(SelectionText(0, 70, 1, 5, 80, get), "tail\r\n12345");
}

TEST(TermText, NumberHotSpots)
{
    std::string r = Row(" [012] menu 123456789 x");
    HotSpot h = FindHotSpot(U(r), 80, 3);
    ASSERT_TRUE(h.Valid());
    EXPECT_EQ(h.kind, HotSpot::Kind::Number);
    EXPECT_EQ(h.first, 2);
    EXPECT_EQ(h.last, 4);
    EXPECT_EQ(h.text, "012");
    EXPECT_TRUE(h.fileNumber);
    EXPECT_EQ(ClickToSend(h.text, ClickMods::None, 5).bytes, "12\r");
    EXPECT_FALSE(FindHotSpot(U(r), 80, 14).Valid());  // nine digits
    std::string far = Row("          42 file");
    h = FindHotSpot(U(far), 80, 10);
    EXPECT_TRUE(h.Valid());
    EXPECT_FALSE(h.fileNumber);
}

TEST(TermText, ChoiceListHotSpotsAreTheItemUnderTheMouse)
{
    std::string r = Row("choose (A/B/C) now");
    HotSpot h = FindHotSpot(U(r), 80, 10);
    ASSERT_TRUE(h.Valid());
    EXPECT_EQ(h.kind, HotSpot::Kind::Choice);
    EXPECT_EQ(h.text, "B");
    EXPECT_EQ(h.first, 10);
    EXPECT_EQ(h.last, 10);
    EXPECT_EQ(ClickToSend(h.text, ClickMods::None, 5).bytes, "B\r");
    std::string go = Row("[GO/DN/P,H*]");
    h = FindHotSpot(U(go), 80, 5);
    EXPECT_EQ(h.text, "DN");
    std::string longItem = Row("(ABCDEFGHI/B)");
    EXPECT_FALSE(FindHotSpot(U(longItem), 80, 11).Valid());
    std::string blank = Row("(A B)");
    EXPECT_FALSE(FindHotSpot(U(blank), 80, 1).Valid());
    std::string unclosed = Row("(A/B");
    EXPECT_FALSE(FindHotSpot(U(unclosed), 80, 1).Valid());
    std::string mismatched = Row("(A/B]");
    EXPECT_FALSE(FindHotSpot(U(mismatched), 80, 1).Valid());
}

TEST(TermText, ShortWordsBeforeAFullStop)
{
    std::string r = Row("go. help. ab.");
    HotSpot h = FindHotSpot(U(r), 80, 0);
    ASSERT_TRUE(h.Valid());
    EXPECT_EQ(h.kind, HotSpot::Kind::Word);
    EXPECT_EQ(h.text, "go");
    EXPECT_FALSE(FindHotSpot(U(r), 80, 5).Valid());  // four letters
    EXPECT_TRUE(FindHotSpot(U(r), 80, 11).Valid());
    std::string noStop = Row("go ");
    EXPECT_FALSE(FindHotSpot(U(noStop), 80, 0).Valid());
}

TEST(TermText, HangulBytesAreNeverPartOfAHotSpot)
{
    // Johab pairs can have an ASCII digit or letter as second byte.
    std::string r = Row("\x88\x61.");
    EXPECT_FALSE(FindHotSpot(U(r), 80, 1).Valid());
}

TEST(TermText, ClickModifiers)
{
    EXPECT_EQ(ClickToSend("007", ClickMods::Shift, 5).bytes, "7 ");
    EXPECT_EQ(ClickToSend("000", ClickMods::None, 5).bytes, "0\r");
    ClickSend c = ClickToSend("12", ClickMods::Ctrl, 0);
    EXPECT_TRUE(c.bytes.empty());
    EXPECT_EQ(c.macro, "nr 12\\r");
    EXPECT_EQ(ClickToSend("12", ClickMods::Ctrl, 3).macro, "pr 12\\r\\w\\w\\r");
    ClickSend none = ClickToSend("12", ClickMods::Ctrl, 5);
    EXPECT_TRUE(none.bytes.empty() && none.macro.empty());
    ClickSend both = ClickToSend("12", ClickMods::ShiftCtrl, 0);
    EXPECT_TRUE(both.bytes.empty() && both.macro.empty());
}

TEST(TermText, ReceiveFileCommandsPerService)
{
    EXPECT_EQ(ReceiveFileCommand(0, "7"), "mdown 7\r");
    EXPECT_EQ(ReceiveFileCommand(2, "7"), "dn 7\r");
    EXPECT_EQ(ReceiveFileCommand(4, "7"), "\r 7\r");
    EXPECT_EQ(ReceiveFileCommand(5, "7"), "");
    EXPECT_EQ(ReceiveFileFollowUp(0), "z\r");
    EXPECT_EQ(ReceiveFileFollowUp(1), "2\r");
    EXPECT_EQ(ReceiveFileFollowUp(3), "1\r");
    EXPECT_EQ(ReceiveFileFollowUp(4), "\r");
}

TEST(TermText, CatchTheLineTrimsTrailingBlanks)
{
    std::string r = Row("hello world");
    EXPECT_EQ(TrimmedLine(U(r), 80), "hello world");
    std::string blank = Row("");
    EXPECT_EQ(TrimmedLine(U(blank), 80), "");
}
