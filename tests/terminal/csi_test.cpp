// The control sequence functions: cursor, erase, insert/delete, attributes,
// modes, reports, caret, and the drawing sequences in window pixels.
#include "term_fixture.h"

#include "base/Flags.h"

using namespace velo;
using namespace velo::test;

namespace {
struct CsiTest : TermTest {
    void Fill()
    {
        std::string s = "\x1b[H";
        for (int r = 0; r < 28; ++r)
            s += "\x1b[" + std::to_string(r + 1) + ";1H" + std::string(1, static_cast<char>('A' + r % 26)) +
                 "123456789";
        Feed(s);
    }
    const TermShape& LastShape()
    {
        EXPECT_FALSE(surface.shapes.empty());
        return surface.shapes.back();
    }
};
}  // namespace

// ------------------------------------------------------------------ cursor

TEST_F(CsiTest, CursorUpSnapsOntoTheRegionTopOnlyFromOneAbove)
{
    Feed("\x1b[7;20r");  // region top is row 6 (0-based)
    Feed("\x1b[8;1H\x1b[5A");
    EXPECT_EQ(term->CursorRow(), 2);
    Feed("\x1b[11;1H\x1b[5A");
    EXPECT_EQ(term->CursorRow(), 6);
    Feed("\x1b[3;1H\x1b[9A");
    EXPECT_EQ(term->CursorRow(), 0);
}

TEST_F(CsiTest, CursorDownSnapsOntoTheRegionBottomOnlyFromOneBelow)
{
    Feed("\x1b[1;10r\x1b[5;1H\x1b[6B");
    EXPECT_EQ(term->CursorRow(), 9);
    Feed("\x1b[5;1H\x1b[7B");
    EXPECT_EQ(term->CursorRow(), 11);
    Feed("\x1b[99B");
    EXPECT_EQ(term->CursorRow(), 27);
}

TEST_F(CsiTest, CursorMovesClampToTheScreenAndZeroCountsAsOne)
{
    Feed("\x1b[5;5H\x1b[0C");
    EXPECT_EQ(CursorPos(), std::make_pair(5, 4));
    Feed("\x1b[200C");
    EXPECT_EQ(CursorPos(), std::make_pair(79, 4));
    Feed("\x1b[D");
    EXPECT_EQ(CursorPos(), std::make_pair(78, 4));
    Feed("\x1b[500D\x1b[0;0H");
    EXPECT_EQ(CursorPos(), std::make_pair(0, 0));
    Feed("\x1b[3;4f");
    EXPECT_EQ(CursorPos(), std::make_pair(3, 2));
    Feed("\x1b[5;10r\x1b[1;1H");  // not relative to the region
    EXPECT_EQ(CursorPos(), std::make_pair(0, 0));
}

TEST_F(CsiTest, CursorPositionReport)
{
    Feed("\x1b[4;11H\x1b[6n\x1b[5n");
    EXPECT_EQ(replies.replies, (ReplyRecorder::List{{"\x1b[4;11R", ReplyMode::Raw}}));
}

// ------------------------------------------------------------------- erase

TEST_F(CsiTest, EraseDisplayFromAndToTheCursor)
{
    Fill();
    Feed("\x1b[3;5H\x1b[0J");
    EXPECT_EQ(Row(1), "B123456789");
    EXPECT_EQ(Row(2), "C123");
    EXPECT_EQ(Row(3), "");
    Fill();
    Feed("\x1b[3;5H\x1b[1J");
    EXPECT_EQ(Row(1), "");
    EXPECT_EQ(Row(2), "     56789");
    EXPECT_EQ(Row(3), "D123456789");
    Feed("\x1b[3J\x1b[9J");
    EXPECT_EQ(Row(3), "D123456789");
}

TEST_F(CsiTest, EraseUsesTheCurrentColours)
{
    Feed("x\x1b[1;31;42m\x1b[K");
    EXPECT_EQ(Attr(0, 5), (CellAttr{1, 2, kBold}));
    EXPECT_EQ(Attr(0, 0), (CellAttr{7, 4, 0}));
}

TEST_F(CsiTest, EraseLineThreeWays)
{
    Fill();
    Feed("\x1b[1;4H\x1b[K\x1b[2;4H\x1b[1K\x1b[3;4H\x1b[2K\x1b[4;4H\x1b[3K");
    EXPECT_EQ(Row(0), "A12");
    EXPECT_EQ(Row(1), "    456789");
    EXPECT_EQ(Row(2), "");
    EXPECT_EQ(Row(3), "D123456789");
}

TEST_F(CsiTest, EraseCharactersStaysOnTheLine)
{
    Fill();
    Feed("\x1b[1;3H\x1b[3X\x1b[2;9H\x1b[50X");
    EXPECT_EQ(Row(0), "A1   56789");
    EXPECT_EQ(Row(1), "B1234567");
    EXPECT_EQ(CursorPos(), std::make_pair(8, 1));
}

// -------------------------------------------------------- insert and delete

TEST_F(CsiTest, InsertAndDeleteCharacters)
{
    Fill();
    Feed("\x1b[1;3H\x1b[2@\x1b[2;3H\x1b[3P\x1b[3;3H\x1b[90@\x1b[4;3H\x1b[90P");
    EXPECT_EQ(Row(0), "A1  23456789");
    EXPECT_EQ(Row(1), "B156789");
    EXPECT_EQ(Row(2), "C1");
    EXPECT_EQ(Row(3), "D1");
    Feed("\x1b[5;1H" + std::string(80, 'z') + "\x1b[5;79H\x1b[P");
    EXPECT_EQ(Row(4), std::string(78, 'z') + "z");
}

TEST_F(CsiTest, InsertAndDeleteLinesIgnoreTheRegion)
{
    Fill();
    Feed("\x1b[5;10r\x1b[3;1H\x1b[2L");
    EXPECT_EQ(Row(1), "B123456789");
    EXPECT_EQ(Row(2), "");
    EXPECT_EQ(Row(3), "");
    EXPECT_EQ(Row(4), "C123456789");
    EXPECT_EQ(Row(27), "Z123456789");
    Feed("\x1b[3;1H\x1b[3M");
    EXPECT_EQ(Row(2), "D123456789");
    EXPECT_EQ(Row(24), "Z123456789");
    EXPECT_EQ(Row(25), "");
    EXPECT_EQ(Row(27), "");
    EXPECT_EQ(term->LinesUsed(), 28);
}

TEST_F(CsiTest, InsertOnTheLastRowAndDeleteNearTheBottomOnlyClear)
{
    Fill();
    Feed("\x1b[28;1H\x1b[2L");
    EXPECT_EQ(Row(26), "A123456789");
    EXPECT_EQ(Row(27), "");
    Fill();
    Feed("\x1b[27;1H\x1b[3M");
    EXPECT_EQ(Row(25), "Z123456789");
    EXPECT_EQ(Row(26), "");
    EXPECT_EQ(Row(27), "");
}

// -------------------------------------------------------------- attributes

TEST_F(CsiTest, ResetAttributesKeepsTheColours)
{
    Feed("\x1b[1;33;44m\x1b[0mx");
    EXPECT_EQ(Attr(0, 0), (CellAttr{3, 4, 0}));
}

TEST_F(CsiTest, AttributeParametersSetAndClearFlags)
{
    struct Row {
        const char* seq;
        uint8_t flags;
    } rows[] = {
        {"\x1b[1m", kBold}, {"\x1b[2m", kFaint}, {"\x1b[3m", kItalic}, {"\x1b[4m", kUnderline},
        {"\x1b[5m", kBlink}, {"\x1b[7m", kReverse}, {"\x1b[8m", kConcealed},
        {"\x1b[1;2;22m", kFaint}, {"\x1b[4;24m", 0}, {"\x1b[5;25m", 0}, {"\x1b[7;27m", 0},
        {"\x1b[6;9;48;99m", 0}, {"\x1b[1;m", 0}, {"\x1b[1m\x1b[m", 0},
    };
    for (const auto& r : rows) {
        Feed("\x1b[0m");
        Feed(r.seq);
        EXPECT_EQ(term->CurrentAttr().flags, r.flags) << r.seq + 1;
    }
    Feed("\x1b[37;40;31;47m");
    EXPECT_EQ(term->CurrentAttr().fg, 1);
    EXPECT_EQ(term->CurrentAttr().bg, 7);
    Feed("\x1b[38;5;200m\x1b[48m\x1b[90m");
    EXPECT_EQ(term->CurrentAttr().fg, 1);
    EXPECT_EQ(term->CurrentAttr().bg, 7);
}

TEST_F(CsiTest, PcOrderColoursAreConverted)
{
    Feed("\x1b[=12F\x1b[=1G");
    EXPECT_EQ(term->CurrentAttr().fg, 9);
    EXPECT_EQ(term->CurrentAttr().bg, 4);
    Feed("\x1b[=6F\x1b[=11G\x1b[=16F\x1b[=99G");
    EXPECT_EQ(term->CurrentAttr().fg, 3);
    EXPECT_EQ(term->CurrentAttr().bg, 14);
    Feed("\x1b[5F\x1b[?7G");  // no marker / another marker: nothing
    EXPECT_EQ(term->CurrentAttr().fg, 3);
    EXPECT_EQ(term->CurrentAttr().bg, 14);
    for (int pc = 0; pc < 16; ++pc)
        EXPECT_EQ(PcToPalette(PcToPalette(pc)), pc);
}

// ------------------------------------------------------------------- modes

TEST_F(CsiTest, PrivateMarkerFormsActOnTheSameModes)
{
    Feed("\x1b[?7l");
    EXPECT_FALSE(term->Autowrap());
    Feed("\x1b[7h\x1b[?25l");
    EXPECT_TRUE(term->Autowrap());
    EXPECT_EQ(term->CaretShape(), CaretKind::Block);
    Feed("\x1b[?1h");
    EXPECT_TRUE(term->CursorKeyApplication());
    Feed("\x1b[1;4h");  // further parameters are ignored
    EXPECT_FALSE(term->InsertMode());
}

TEST_F(CsiTest, LocalEchoNewlineAndInputMethodModes)
{
    Feed("\x1b[12h");
    EXPECT_TRUE(flags.ConnState.LocalEcho);
    Feed("\x1b[12l\x1b[20h");
    EXPECT_FALSE(flags.ConnState.LocalEcho);
    EXPECT_TRUE(flags.TermShared.NewlineMode);
    Feed("\x1b[85h\x1b[88l");
    EXPECT_EQ(std::count(surface.events.begin(), surface.events.end(), "hangul on"), 1);
    EXPECT_EQ(std::count(surface.events.begin(), surface.events.end(), "hangul off"), 1);
}

TEST_F(CsiTest, ScrollRegionIsRefusedWithABeep)
{
    Feed("\x1b[3;9r\x1b[5;9H");
    EXPECT_EQ(term->RegionTop(), 2);
    EXPECT_EQ(term->RegionBottom(), 8);
    EXPECT_EQ(CursorPos(), std::make_pair(8, 4));
    for (const char* bad : {"\x1b[r", "\x1b[5;4r", "\x1b[0;9r", "\x1b[5r", "\x1b[29;40r"}) {
        const int before = surface.beeps;
        Feed(bad);
        EXPECT_EQ(surface.beeps, before + 1) << bad + 1;
        EXPECT_EQ(term->RegionTop(), 2);
        EXPECT_EQ(term->RegionBottom(), 8);
    }
    Feed("\x1b[20;99r");
    EXPECT_EQ(term->RegionTop(), 19);
    EXPECT_EQ(term->RegionBottom(), 27);
}

TEST_F(CsiTest, CaretShapes)
{
    const std::pair<const char*, const char*> rows[] = {
        {"\x1b[0z", "caret 0 blink"}, {"\x1b[1z", "caret 1 blink"}, {"\x1b[2z", "caret 1 steady"},
        {"\x1b[3z", "caret 2 blink"}, {"\x1b[4z", "caret 2 steady"}, {"\x1b[5z", ""},
    };
    for (auto [seq, want] : rows) {
        surface.events.clear();
        Feed(seq);
        std::string got;
        for (auto& e : surface.events)
            if (e.rfind("caret", 0) == 0)
                got = e;
        EXPECT_EQ(got, want) << seq + 1;
    }
    EXPECT_EQ(term->CaretShape(), CaretKind::Underline);
    EXPECT_FALSE(term->CaretBlink());
}

// ---------------------------------------------------------------- drawing

TEST_F(CsiTest, BoxRunsBetweenCellCentres)
{
    term->SetCellSize(8, 16);
    Feed("\x1b[33m\x1b[3;5H\x1b[4;2G");
    const TermShape& s = LastShape();
    EXPECT_EQ(s.kind, TermShape::Rect);
    EXPECT_EQ(s.left, 4 * 8 + 4);
    EXPECT_EQ(s.top, 2 * 16 + 8);
    EXPECT_EQ(s.right, 4 + 8 * (4 + 4 - 1) + 1);
    EXPECT_EQ(s.bottom, 8 + 16 * (2 + 2 - 1) + 1);
    EXPECT_EQ(s.pen, 3);
    Feed("\x1b[1;1H\x1b[500;500G");
    EXPECT_EQ(LastShape().right, 4 + 8 * 80 + 1);
    EXPECT_EQ(LastShape().bottom, 8 + 16 * 28 + 1);
    const size_t n = surface.shapes.size();
    Feed("\x1b[0;3G\x1b[?3;3G");
    EXPECT_EQ(surface.shapes.size(), n);
}

TEST_F(CsiTest, LinesAreBoxesOneCellThick)
{
    term->SetCellSize(10, 20);
    Feed("\x1b[2;2H\x1b[0;5O");
    EXPECT_EQ(LastShape().left, 15);
    EXPECT_EQ(LastShape().right, 5 + 10 * 5 + 1);
    EXPECT_EQ(LastShape().bottom, 10 + 20 * 1 + 1);
    Feed("\x1b[1;3O");
    EXPECT_EQ(LastShape().right, 5 + 10 * 1 + 1);
    EXPECT_EQ(LastShape().bottom, 10 + 20 * 3 + 1);
    const size_t n = surface.shapes.size();
    Feed("\x1b[2;3O\x1b[0;0O");
    EXPECT_EQ(surface.shapes.size(), n);
}

TEST_F(CsiTest, RectanglesAndEllipsesAroundThePen)
{
    Feed("\x1b[32;41m\x1b[100;50g\x1b[10;5b");
    TermShape s = LastShape();
    EXPECT_EQ(s.kind, TermShape::Rect);
    EXPECT_EQ(std::make_tuple(s.left, s.top, s.right, s.bottom), std::make_tuple(90, 45, 110, 55));
    EXPECT_EQ(s.pen, 2);
    Feed("\x1b[>0;0c");
    s = LastShape();
    EXPECT_EQ(s.kind, TermShape::Ellipse);
    EXPECT_EQ(std::make_tuple(s.left, s.top, s.right, s.bottom), std::make_tuple(99, 49, 101, 51));
    EXPECT_EQ(s.pen, 1);
    Feed("\x1b[=4;4;12b");
    EXPECT_EQ(LastShape().kind, TermShape::FilledRect);
    EXPECT_EQ(LastShape().fill, 9);
    Feed("\x1b[=4;4c");
    EXPECT_EQ(LastShape().kind, TermShape::FilledEllipse);
    EXPECT_EQ(LastShape().fill, 2);
    Feed("\x1b[?4;4b");
    EXPECT_EQ(LastShape().fill, 1);
    const size_t n = surface.shapes.size();
    Feed("\x1b[=4;4;16c\x1b[=4;4;99b\x1b[<4;4b");
    EXPECT_EQ(surface.shapes.size(), n);
    EXPECT_EQ(term->PenX(), 100.0f);
}

TEST_F(CsiTest, PixelAndBackgroundLineMoveThePen)
{
    Feed("\x1b[35;46m\x1b[7;8p");
    EXPECT_EQ(LastShape().kind, TermShape::Pixel);
    EXPECT_EQ(LastShape().left, 7);
    EXPECT_EQ(LastShape().top, 8);
    EXPECT_EQ(LastShape().pen, 5);
    Feed("\x1b[>30;40i");
    EXPECT_EQ(LastShape().kind, TermShape::Line);
    EXPECT_EQ(std::make_tuple(LastShape().left, LastShape().top, LastShape().right, LastShape().bottom),
              std::make_tuple(7, 8, 30, 40));
    EXPECT_EQ(LastShape().pen, 6);
    EXPECT_EQ(term->PenX(), 30.0f);
    EXPECT_EQ(term->PenY(), 40.0f);
}

TEST_F(CsiTest, ArcOfAFullTurnEndsWhereItStarted)
{
    Feed("\x1b[100;100g\x1b[61;0;10a");
    const TermShape& s = LastShape();
    EXPECT_EQ(s.kind, TermShape::Arc);
    EXPECT_NEAR(term->PenX(), 100.0f, 0.01f);
    EXPECT_NEAR(term->PenY(), 100.0f, 0.01f);
    EXPECT_EQ(std::make_tuple(s.left, s.top, s.right, s.bottom), std::make_tuple(90, 100, 110, 120));
    EXPECT_EQ(s.spanDeg, 360.0f);
}

TEST_F(CsiTest, ArcsTurnLeftAndRight)
{
    // From the top of a circle of radius 10 a quarter turn left ends on its
    // left side, a quarter turn right on its right side.
    Feed("\x1b[100;100g\x1b[0;15;10a");
    EXPECT_NEAR(term->PenX(), 90.0f, 0.01f);
    EXPECT_NEAR(term->PenY(), 110.0f, 0.01f);
    EXPECT_EQ(LastShape().startDeg, 90.0f);
    EXPECT_EQ(LastShape().spanDeg, 90.0f);
    Feed("\x1b[100;100g\x1b[0;15;10z");
    EXPECT_NEAR(term->PenX(), 110.0f, 0.01f);
    EXPECT_NEAR(term->PenY(), 110.0f, 0.01f);
    EXPECT_EQ(LastShape().spanDeg, -90.0f);
    const size_t n = surface.shapes.size();
    Feed("\x1b[1;2a\x1b[1;2;0a\x1b[1;2;0z");
    EXPECT_EQ(surface.shapes.size(), n);
}

TEST_F(CsiTest, ShapeArrivesAfterTheTextBeforeIt)
{
    surface.events.clear();
    Feed("abc\x1b[5;5p");
    ASSERT_EQ(surface.events.size(), 2u);
    EXPECT_EQ(surface.events[0], "damage 0 0 2");
    EXPECT_EQ(surface.events[1], "shape");
}

TEST_F(CsiTest, UnknownFinalsAndMarkersDoNothing)
{
    Fill();
    const Snapshot before = Snap(*term);
    Feed("\x1b[5y\x1b[5!\x1b[1 \x1b[?5i\x1b[=5h\x1b[<3J\x1b[>1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17~");
    Snapshot after = Snap(*term);
    EXPECT_EQ(after.text, before.text);
    EXPECT_FALSE(flags.TermShared.PrinterControl);
}
