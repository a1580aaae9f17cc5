// The ring of lines, the attribute rows, scrolling into the scrollback and
// resizing.
#include "term_fixture.h"

#include <cstring>
#include <random>

using namespace velo;
using namespace velo::test;

namespace {

struct ModelTest : TermTest {
    // Puts "row N" on every screen row.
    void NumberRows()
    {
        std::string s = "\x1b[H";
        for (int r = 0; r < term->Rows(); ++r)
            s += "\x1b[" + std::to_string(r + 1) + ";1Hrow " + std::to_string(r);
        Feed(s);
    }
};

struct CaptureRecorder : CaptureSink {
    bool text = true, code = false;
    std::vector<std::string> lines;
    std::string bytes;
    bool TextCapturing() const override { return text; }
    bool CodeCapturing() const override { return code; }
    void TextLine(const uint8_t* d, int n) override { lines.emplace_back(reinterpret_cast<const char*>(d), n); }
    void CodeBytes(const uint8_t* d, int n) override { bytes.append(reinterpret_cast<const char*>(d), n); }
};

}  // namespace

TEST_F(ModelTest, RingHoldsAtMost1400LinesAndOverwritesTheOldest)
{
    EXPECT_EQ(term->LinesUsed(), 28);
    std::string s;
    for (int i = 0; i < 1500; ++i)
        s += "line " + std::to_string(i) + "\r\n";
    Feed(s);
    EXPECT_EQ(term->LinesUsed(), 1400);
    // 1500 lines were written, the cursor sits on an empty last row: the
    // screen shows 1473..1499 and the oldest kept line is 1400 + 27 - 1400 + ...
    EXPECT_EQ(Row(26), "line 1499");
    EXPECT_EQ(Row(27), "");
    EXPECT_EQ(History(0), "line " + std::to_string(1500 - 1400 + 1));
    EXPECT_EQ(History(1400 - 28 - 1), "line 1472");
    Feed("one more\r\n");
    EXPECT_EQ(term->LinesUsed(), 1400);
    EXPECT_EQ(History(0), "line " + std::to_string(1500 - 1400 + 2));
}

TEST_F(ModelTest, FormFeedPutsTheWholeScreenIntoTheScrollbackAndHomes)
{
    Feed("first\r\n\r\nthird\x1b[5;7H");
    Feed("\x0c");
    EXPECT_EQ(term->LinesUsed(), 56);
    EXPECT_EQ(History(0), "first");
    EXPECT_EQ(History(1), "");
    EXPECT_EQ(History(2), "third");
    EXPECT_EQ(History(27), "");
    for (int r = 0; r < 28; ++r)
        EXPECT_EQ(Row(r), "");
    EXPECT_EQ(CursorPos(), std::make_pair(0, 0));
    EXPECT_EQ(term->ViewTop(), term->Top());
}

TEST_F(ModelTest, FormFeedWhileFrozenChangesNothing)
{
    Feed("kept");
    flags.TermShared.Frozen = true;
    Feed("\x0c");
    EXPECT_EQ(Row(0), "kept");
    EXPECT_EQ(term->LinesUsed(), 28);
}

TEST_F(ModelTest, LineLeavingAPartialRegionGoesToTheScrollback)
{
    NumberRows();
    Feed("\x1b[6;11r\x1b[11;1H\n");
    for (int r = 0; r < 5; ++r)
        EXPECT_EQ(Row(r), "row " + std::to_string(r));
    for (int r = 5; r < 10; ++r)
        EXPECT_EQ(Row(r), "row " + std::to_string(r + 1));
    EXPECT_EQ(Row(10), "");
    for (int r = 11; r < 28; ++r)
        EXPECT_EQ(Row(r), "row " + std::to_string(r));
    EXPECT_EQ(term->LinesUsed(), 29);
    EXPECT_EQ(History(0), "row 5");
    EXPECT_EQ(CursorPos(), std::make_pair(0, 10));
}

TEST_F(ModelTest, ScrollRegionDownKeepsScrollbackAndMovesLinesDown)
{
    NumberRows();
    Feed("\x1b[6;11r\x1b[6;1H\x1bM");
    EXPECT_EQ(Row(5), "");
    EXPECT_EQ(Row(6), "row 5");
    EXPECT_EQ(Row(10), "row 9");
    EXPECT_EQ(Row(11), "row 11");
    EXPECT_EQ(term->LinesUsed(), 28);
}

TEST_F(ModelTest, ColoursTravelWithTheirLinesAndStayOffTheScrollback)
{
    Feed("\x1b[31mred\x1b[32m\r\ngreen\x1b[28;1H");
    Feed("\n");
    EXPECT_EQ(Row(0), "green");
    EXPECT_EQ(Attr(0, 0).fg, 2);
    EXPECT_EQ(History(0), "red");
    EXPECT_EQ(term->HistoryLine(0).attrRow, -1);
    // Each screen row owns a distinct attribute row.
    std::vector<bool> seen(kMaxRows);
    for (int r = 0; r < term->Rows(); ++r) {
        int a = term->Line(r).attrRow;
        ASSERT_GE(a, 0);
        EXPECT_FALSE(seen[a]);
        seen[a] = true;
    }
}

TEST_F(ModelTest, ResizeClampsTheRequestedSize)
{
    term->Resize(200, 60);
    EXPECT_EQ(term->Columns(), 131);
    EXPECT_EQ(term->Rows(), 49);
    term->Resize(132, 50);
    EXPECT_EQ(term->Columns(), 132);
    EXPECT_EQ(term->Rows(), 50);
    term->Resize(0, -3);
    EXPECT_EQ(term->Columns(), 1);
    EXPECT_EQ(term->Rows(), 1);
}

TEST_F(ModelTest, NarrowingKeepsTextAndWideningAddsDefaultColours)
{
    Feed("\x1b[31;42m");
    Feed(std::string(79, 'x') + "Z");
    term->Resize(40, 28);
    EXPECT_EQ(Row(0), std::string(40, 'x'));
    term->Resize(80, 28);
    EXPECT_EQ(Row(0), std::string(79, 'x') + "Z");
    EXPECT_EQ(Attr(0, 10).fg, 1);
    EXPECT_EQ(Attr(0, 60).fg, 7);
    EXPECT_EQ(Attr(0, 60).bg, 4);
    EXPECT_EQ(Attr(0, 60).flags, 0);
}

TEST_F(ModelTest, ResizeResetsTheRegionAndPullsTheCursorIn)
{
    Feed("\x1b[3;9r\x1b[20;70H");
    term->Resize(40, 10);
    EXPECT_EQ(term->RegionTop(), 0);
    EXPECT_EQ(term->RegionBottom(), 9);
    EXPECT_EQ(CursorPos(), std::make_pair(39, 9));
}

TEST_F(ModelTest, GrowingRowsKeepsColoursOfRowsThatScrolled)
{
    // Scroll so that screen rows no longer sit on attribute rows of the same number.
    Feed("\x1b[28;1H\n\n\n\x1b[1;1H\x1b[33mtop");
    term->Resize(80, 40);
    EXPECT_EQ(Row(0), "top");
    EXPECT_EQ(Attr(0, 0).fg, 3);
    EXPECT_EQ(Row(39), "");
    EXPECT_EQ(term->LinesUsed(), 28 + 3 + 12);
    for (int r = 0; r < 40; ++r)
        EXPECT_EQ(term->Line(r).attrRow, r);
    Feed("\x1b[40;1Hbottom\n");
    EXPECT_EQ(Row(38), "bottom");
}

TEST_F(ModelTest, ShrinkingRowsKeepsHistoryConsistent)
{
    for (int i = 0; i < 40; ++i)
        Feed("l" + std::to_string(i) + "\r\n");
    const int used = term->LinesUsed();
    term->Resize(80, 20);
    EXPECT_EQ(term->LinesUsed(), used - 8);
    EXPECT_EQ(History(0), "l0");
    Feed("\x1b[20;1Hz\n");
    EXPECT_EQ(term->LinesUsed(), used - 7);
}

TEST_F(ModelTest, TextCaptureGetsScrolledAndClearedLinesWithoutTrailingBlanks)
{
    CaptureRecorder cap;
    term->SetCapture(&cap);
    Feed("abc   \r\n\x1b[28;1Hlast\n");
    EXPECT_EQ(cap.lines, (std::vector<std::string>{"abc\r\n"}));
    cap.lines.clear();
    Feed("\x0c");
    ASSERT_EQ(cap.lines.size(), 28u);
    EXPECT_EQ(cap.lines[26], "last\r\n");
    EXPECT_EQ(cap.lines[0], "\r\n");
    cap.text = false;
    cap.lines.clear();
    Feed("x\r\n\x0c");
    EXPECT_TRUE(cap.lines.empty());
}

TEST_F(ModelTest, TextCaptureLineEndsAreTheVisibleTextNeverHalfACharacter)
{
    // Each case writes row 1, then the whole screen goes to capture; the
    // first captured line is row 1 as the window shows it.
    const std::string ga = "\xB0\xA1";  // 가 in KS C 5601
    const std::string x78(78, 'x'), x79(79, 'x');
    struct Case {
        const char* what;
        std::string feed;
        int narrowTo;  // columns after the feed, 0: unchanged
        std::string want;
    };
    const Case cases[] = {
        {"70 trailing blanks", "0123456789" + std::string(70, ' '), 0, "0123456789\r\n"},
        {"all blank", "", 0, "\r\n"},
        {"Hangul in the last two cells", x78 + ga, 0, x78 + ga + "\r\n"},
        {"Hangul wrapped early: the line ends before it", x79 + ga, 0, x79 + "\r\n"},
        {"no wrap: its first byte alone in the last cell", "\x1b[?7l" + x79 + ga, 0, x79 + "\r\n"},
        {"narrowed through a character", x78 + ga, 79, x78 + "\r\n"},
        {"second cell overwritten by a blank", ga + "\x1b[1;2H ", 0, "\r\n"},
        {"Hangul then trailing blanks", "a" + ga + "  ", 0, "a" + ga + "\r\n"},
    };
    for (const Case& c : cases) {
        auto t = Make();
        CaptureRecorder cap;
        t->SetCapture(&cap);
        Feed(*t, c.feed);
        if (c.narrowTo)
            t->Resize(c.narrowTo, t->Rows());
        t->CaptureScreen();
        ASSERT_EQ(cap.lines.size(), size_t(t->Rows())) << c.what;
        EXPECT_EQ(cap.lines[0], c.want) << c.what;
    }
}

TEST_F(ModelTest, CodeCaptureGetsEveryTextByteOnce)
{
    CaptureRecorder cap;
    cap.text = false;
    cap.code = true;
    term->SetCapture(&cap);
    const std::string s = "\x1b[1mhi\x1b[";
    Feed(s);
    Feed("0m!");
    EXPECT_EQ(cap.bytes, s + "0m!");
}

TEST_F(ModelTest, DefaultColoursComeFromTheSettings)
{
    settings.WriteInt("초기 환경", "글자색", 14);
    settings.WriteInt("초기 환경", "바탕색", 99);
    auto t = Make();
    EXPECT_EQ(t->DefaultFg(), 14);
    EXPECT_EQ(t->DefaultBg(), 15);
    EXPECT_EQ(t->CurrentAttr(), (CellAttr{14, 15, 0}));
    EXPECT_EQ(t->Attrs(5)[3], (CellAttr{14, 15, 0}));
}

// A surface that keeps its own picture: scrolls move its rows, damage copies
// cells from the model. After every feed the picture must equal the model.
namespace {
struct PictureSurface : TermSurface {
    const Terminal* t = nullptr;
    std::vector<std::string> text;
    std::vector<std::string> attr;
    void Reset()
    {
        text.assign(t->Rows(), std::string(t->Columns(), '?'));
        attr.assign(t->Rows(), std::string(t->Columns() * 3, '?'));
    }
    void Scroll(int top, int bottom, int n) override
    {
        ASSERT_LE(0, top);
        ASSERT_LT(bottom, t->Rows());
        ASSERT_LT(n < 0 ? -n : n, bottom - top + 1);
        std::vector<std::string> ot(text), oa(attr);
        for (int r = top; r <= bottom; ++r) {
            int from = r + n;
            if (from >= top && from <= bottom) {
                text[r] = ot[from];
                attr[r] = oa[from];
            } else {
                text[r] = std::string(t->Columns(), '#');  // stale until damaged
                attr[r] = std::string(t->Columns() * 3, '#');
            }
        }
    }
    void Damage(int row, int first, int last) override
    {
        ASSERT_GE(row, 0);
        ASSERT_LT(row, t->Rows());
        ASSERT_LE(0, first);
        ASSERT_LE(first, last);
        ASSERT_LT(last, t->Columns());
        for (int c = first; c <= last; ++c) {
            text[row][c] = static_cast<char>(t->Line(row).text[c]);
            std::memcpy(&attr[row][c * 3], &t->Attrs(row)[c], 3);
        }
    }
    void Shape(const TermShape&) override {}
    void Resized(int, int) override { Reset(); }
};
}  // namespace

TEST_F(ModelTest, DamageAndScrollsRebuildTheModelPicture)
{
    PictureSurface pic;
    pic.t = term.get();
    term->SetSurface(&pic);
    pic.Reset();
    term->Resize(60, 20);
    std::mt19937 rng(7);
    const char* pieces[] = {"\r\n", "\n", "\x1bM", "\x1b" "D", "\x1b[3;12r", "\x1b[r", "\x1b[1;20r",
                            "\x1b[2L", "\x1b[3M", "\x1b[4@", "\x1b[5P", "\x1b[7X", "\x1b[K", "\x1b[1J",
                            "\x1b[0J", "\x1b[2J", "\x0c", "\x1b[31m", "\x1b[44;1m", "\x1b[=12F", "\x1b#6",
                            "\x1b#5", "\x1b[4h", "\x1b[4l", "\xb0\xa1", "\t", "\x08", "\x1b[?7l", "\x1b[?7h"};
    for (int round = 0; round < 400; ++round) {
        std::string s;
        const int parts = 1 + rng() % 12;
        for (int k = 0; k < parts; ++k) {
            switch (rng() % 4) {
            case 0: s += pieces[rng() % std::size(pieces)]; break;
            case 1: s += "\x1b[" + std::to_string(rng() % 22) + ";" + std::to_string(rng() % 62) + "H"; break;
            default: s += std::string(1 + rng() % 70, static_cast<char>('a' + rng() % 26)); break;
            }
        }
        Feed(s);
        for (int r = 0; r < term->Rows(); ++r) {
            ASSERT_EQ(pic.text[r], std::string(reinterpret_cast<const char*>(term->Line(r).text), term->Columns()))
                << "round " << round << " row " << r;
            ASSERT_EQ(pic.attr[r], std::string(reinterpret_cast<const char*>(term->Attrs(r)), term->Columns() * 3))
                << "round " << round << " row " << r;
        }
    }
}

TEST_F(ModelTest, AFloodOfLinesIsOneScrollPerFeed)
{
    surface.events.clear();
    std::string s;
    for (int i = 0; i < 10; ++i)
        s += "x\r\n";
    Feed("\x1b[28;1H" + s);
    ASSERT_FALSE(surface.events.empty());
    EXPECT_EQ(surface.events[0], "scroll 0 27 10");
    EXPECT_EQ(std::count_if(surface.events.begin(), surface.events.end(),
                            [](const std::string& e) { return e.rfind("scroll", 0) == 0; }),
              1);
    surface.events.clear();
    std::string many;
    for (int i = 0; i < 100; ++i)
        many += "y\r\n";
    Feed(many);
    // More lines than the screen has: nothing to move, every row drawn.
    EXPECT_EQ(std::count_if(surface.events.begin(), surface.events.end(),
                            [](const std::string& e) { return e.rfind("scroll", 0) == 0; }),
              0);
    EXPECT_EQ(std::count_if(surface.events.begin(), surface.events.end(),
                            [](const std::string& e) { return e.rfind("damage", 0) == 0; }),
              28);
}
