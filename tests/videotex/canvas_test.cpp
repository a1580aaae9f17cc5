// The Qt canvas on real pixels (QT_QPA_PLATFORM=offscreen).
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <string>

#include "videotex/VtxDecoder.h"
#include "videotex/VtxGeometry.h"
#include "videotex/VtxWriter.h"
#include "videotex/ui/VtxImageCanvas.h"

using namespace velo;

namespace {

QGuiApplication* App()
{
    static int argc = 1;
    static char arg0[] = "test_videotex_canvas";
    static char* argv[] = {arg0, nullptr};
    static QGuiApplication* app =
        QCoreApplication::instance() ? nullptr : new QGuiApplication(argc, argv);
    return app;
}

struct CanvasTest : ::testing::Test {
    VtxImageCanvas canvas;
    VtxDecoder dec;
    VtxState& st = dec.State();

    static void SetUpTestSuite() { App(); }
    void SetUp() override { canvas.RebuildFonts(st); }

    void Feed(const std::string& bytes)
    {
        dec.Feed(canvas, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    QRgb Off(int x, int y) const { return canvas.Offscreen().pixel(x, y) & 0xFFFFFF; }
    QRgb Vis(int x, int y) const { return canvas.Visible().pixel(x, y) & 0xFFFFFF; }
    // Pixels of the off-screen picture in a box that are not black.
    int Lit(const QRect& r) const
    {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += Off(x, y) != 0;
        return n;
    }
    bool SurfacesAgree() const { return canvas.Visible() == canvas.Offscreen(); }
};

constexpr QRgb kWhite = 0xFFFFFF;

}  // namespace

TEST(VtxPixelMapping, TopOfTheUnitScreenIsTheTopRowOnEverySize)
{
    EXPECT_EQ(VtxPx(0, 640), 0);
    EXPECT_EQ(VtxPy(0.78125, 640, 500), 0);
    EXPECT_EQ(VtxPy(0, 640, 500), 500);
    EXPECT_EQ(VtxPy(0.78125, 512, 400), 0);
    EXPECT_EQ(VtxPy(0.78125, 384, 300), 0);
    EXPECT_EQ(VtxPx(0.999, 640), 639);
    // Truncation toward zero on both sides of the origin.
    EXPECT_EQ(VtxPx(-0.001, 640), 0);
    EXPECT_EQ(VtxPy(0.0015, 640, 500), 500);
    // Far-off points clamp instead of overflowing.
    EXPECT_EQ(VtxPx(1e300, 640), kVtxPixelLimit);
    EXPECT_EQ(VtxPx(-1e300, 640), -kVtxPixelLimit);
}

TEST(VtxPixelMapping, CharacterCellIsMadeEven)
{
    const VtxCellSize c = VtxFontCell(0.025, 0.0390625, 640);
    EXPECT_EQ(c.h, 24);  // 25 made even
    EXPECT_EQ(c.w, 16);
    const VtxCellSize small = VtxFontCell(0.025, 0.0390625, 384);
    EXPECT_EQ(small.h, 14);  // trunc(15) made even
    EXPECT_EQ(small.w, 8);   // trunc(9.6) = 9 made even
}

TEST(VtxArcShapes, CollinearAndCoincidentPoints)
{
    VtxArcShape a = VtxArcGeometry({0.1, 0.1}, {0.2, 0.2}, {0.3, 0.3});
    EXPECT_EQ(a.kind, VtxArcShape::Line);
    a = VtxArcGeometry({0.1, 0.1}, {0.1, 0.1}, {0.3, 0.1});  // mid = start
    EXPECT_EQ(a.kind, VtxArcShape::Circle);
    EXPECT_DOUBLE_EQ(a.centre.x, 0.2);
    EXPECT_DOUBLE_EQ(a.radius, 0.1);
    a = VtxArcGeometry({0.1, 0.1}, {0.3, 0.1}, {0.1, 0.1});  // end = start
    EXPECT_EQ(a.kind, VtxArcShape::Circle);
    EXPECT_DOUBLE_EQ(a.centre.x, 0.2);
    a = VtxArcGeometry({0.1, 0.1}, {0.3, 0.1}, {0.3, 0.1});  // mid = end
    EXPECT_EQ(a.kind, VtxArcShape::Circle);
    EXPECT_DOUBLE_EQ(a.radius, 0.1);
    a = VtxArcGeometry({0.0, 0.0}, {0.5, 0.5}, {1.0, 0.0});  // half circle
    EXPECT_EQ(a.kind, VtxArcShape::Arc);
    EXPECT_DOUBLE_EQ(a.centre.x, 0.5);
    EXPECT_DOUBLE_EQ(a.centre.y, 0.0);
    EXPECT_DOUBLE_EQ(a.radius, 0.5);
}

TEST_F(CanvasTest, CornerPointsAndSinglePixels)
{
    VtxWriter w;
    w.Opcode(0x26).Coord(0, 0.78125 - 1.0 / 256);  // just below the top
    Feed(w.Bytes());
    // py(0.78125 - 1/256) = 500 - trunc(497.5) = 3.
    EXPECT_EQ(Off(0, 3), kWhite);
    EXPECT_EQ(Vis(0, 3), kWhite);
    EXPECT_EQ(Lit(QRect(0, 0, 640, 500)), 1);
    // The top edge itself through the pixel mapping: (0, 0.78125) is (0, 0).
    st.drawColour = {255, 0, 0};
    canvas.Point(st, {0, 0.78125});
    EXPECT_EQ(Off(0, 0), 0xFF0000u);
    canvas.Point(st, {0, 0});  // row 500: outside the picture, nothing drawn
    EXPECT_EQ(Lit(QRect(0, 0, 640, 500)), 2);
}

TEST_F(CanvasTest, PointWithPelSizeIsABlock)
{
    st.pelPx = 4;
    st.pel = {4.0 / 640, -4.0 / 640};
    canvas.Point(st, {0.5, 0.5});
    // left = px(0.5) = 320, top = py(0.5) = 180, 4 x 4.
    EXPECT_EQ(Lit(QRect(318, 178, 10, 10)), 16);
    EXPECT_EQ(Off(320, 180), kWhite);
    EXPECT_EQ(Off(323, 183), kWhite);
    EXPECT_TRUE(SurfacesAgree());
}

TEST_F(CanvasTest, LineLeavesOutItsEndPixel)
{
    canvas.Line(st, {0.25, 0.5}, {0.5, 0.5});  // pixels 160..319 on row 180
    EXPECT_EQ(Off(160, 180), kWhite);
    EXPECT_EQ(Off(319, 180), kWhite);
    EXPECT_EQ(Off(320, 180), 0u);
    EXPECT_EQ(Lit(QRect(0, 0, 640, 500)), 160);
    EXPECT_TRUE(SurfacesAgree());
}

TEST_F(CanvasTest, DottedLineHasGaps)
{
    st.lineTexture = 1;
    canvas.Line(st, {0.25, 0.5}, {0.5, 0.5});
    const int lit = Lit(QRect(160, 180, 160, 1));
    EXPECT_GT(lit, 20);
    EXPECT_LT(lit, 120);
}

TEST_F(CanvasTest, OutlinedRectangleExcludesItsRightAndBottomEdges)
{
    canvas.Rect(st, {0.25, 0.5}, {0.5, 0.25}, false);
    // left 160, right 320, top 180, bottom 340: border on 160/319, 180/339.
    EXPECT_EQ(Off(160, 180), kWhite);
    EXPECT_EQ(Off(319, 339), kWhite);
    EXPECT_EQ(Off(320, 250), 0u);
    EXPECT_EQ(Off(250, 340), 0u);
    EXPECT_EQ(Off(250, 250), 0u);  // hollow
    EXPECT_TRUE(SurfacesAgree());
}

TEST_F(CanvasTest, FilledRectangleInterior)
{
    // Single pixels (pel size 0): solid whatever the pattern.
    st.pattern = 2;
    canvas.Rect(st, {0.25, 0.5}, {0.5, 0.25}, true);
    EXPECT_EQ(Lit(QRect(160, 180, 160, 160)), 160 * 160);
    EXPECT_EQ(Lit(QRect(0, 0, 640, 500)), 160 * 160);
    EXPECT_TRUE(SurfacesAgree());
}

TEST_F(CanvasTest, PatternFiveInColourModeZeroShowsOnlyTheBorder)
{
    st.pattern = 5;
    st.drawColour = {0, 255, 0};
    canvas.Rect(st, {0.25, 0.5}, {0.5, 0.25}, true);
    EXPECT_EQ(Off(160, 250), 0x00FF00u);
    EXPECT_EQ(Off(319, 250), 0x00FF00u);
    EXPECT_EQ(Off(250, 250), 0u);
    EXPECT_EQ(Lit(QRect(0, 0, 640, 500)), 4 * 160 - 4);
    // Colour mode 2 fills the interior with the background colour.
    st.colourMode = 2;
    st.backColour = {0, 0, 200};
    canvas.Rect(st, {0.25, 0.5}, {0.5, 0.25}, true);
    EXPECT_EQ(Off(250, 250), 0x0000C8u);
    EXPECT_EQ(Off(160, 250), 0x00FF00u);
}

TEST_F(CanvasTest, PatternFillsFollowTheSurfaceOrigin)
{
    st.pelPx = 2;  // patterns apply only with a pel size
    st.drawColour = {255, 255, 255};
    // Vertical lines: columns 0, 2, 4, 6 of every 8.
    st.pattern = 1;
    canvas.Rect(st, {0.25, 0.5}, {0.5, 0.25}, true);
    EXPECT_EQ(Off(200, 200), kWhite);
    EXPECT_EQ(Off(201, 200), 0u);
    EXPECT_EQ(Off(202, 201), kWhite);
    // Horizontal lines: rows 1, 3, 5, 7 (row 200 is row 0 of its tile).
    canvas.Clear(st, kVtxBlack);
    st.pattern = 2;
    canvas.Rect(st, {0.25, 0.5}, {0.5, 0.25}, true);
    EXPECT_EQ(Off(200, 200), 0u);
    EXPECT_EQ(Off(200, 201), kWhite);
    EXPECT_EQ(Off(201, 201), kWhite);
    // Cross-hatch: odd rows whole, even rows on even columns.
    canvas.Clear(st, kVtxBlack);
    st.pattern = 3;
    canvas.Rect(st, {0.25, 0.5}, {0.5, 0.25}, true);
    EXPECT_EQ(Off(200, 200), kWhite);
    EXPECT_EQ(Off(201, 200), 0u);
    EXPECT_EQ(Off(201, 201), kWhite);
    // Colour mode 2 paints the gaps in the background colour.
    canvas.Clear(st, kVtxBlack);
    st.colourMode = 2;
    st.backColour = {200, 0, 0};
    st.pattern = 1;
    canvas.Rect(st, {0.25, 0.5}, {0.5, 0.25}, true);
    EXPECT_EQ(Off(200, 200), kWhite);
    EXPECT_EQ(Off(201, 200), 0xC80000u);
    EXPECT_TRUE(SurfacesAgree());
}

TEST_F(CanvasTest, HighlightDrawsTheBorderInBlackOrTheBackground)
{
    st.highlight = 1;
    st.drawColour = {0, 255, 0};
    canvas.Clear(st, {50, 50, 50});
    canvas.Rect(st, {0.25, 0.5}, {0.5, 0.25}, true);
    EXPECT_EQ(Off(160, 250), 0u);
    EXPECT_EQ(Off(250, 250), 0x00FF00u);
    st.colourMode = 2;
    st.backColour = {0, 0, 255};
    canvas.Rect(st, {0.25, 0.5}, {0.5, 0.25}, true);
    EXPECT_EQ(Off(160, 250), 0x0000FFu);
}

TEST_F(CanvasTest, FilledShapeReachesTheVisibleSurfaceAsOneBlockWithItsMargin)
{
    // Something drawn only off-screen before: the box copy brings the
    // margin around the new shape along, and nothing beyond it.
    QImage& off = const_cast<QImage&>(canvas.Offscreen());
    off.setPixel(160 - 4, 250, qRgb(9, 9, 9));  // inside the margin
    off.setPixel(160 - 6, 250, qRgb(9, 9, 9));  // outside it
    canvas.Rect(st, {0.25, 0.5}, {0.5, 0.25}, true);
    EXPECT_EQ(Vis(160 - 4, 250), 0x090909u);
    EXPECT_EQ(Vis(160 - 6, 250), 0u);
    EXPECT_EQ(Vis(250, 250), kWhite);
}

TEST_F(CanvasTest, PolygonOutlinedAndFilled)
{
    st.vx[0] = 0.25;
    st.vy[0] = 0.25;
    st.vx[1] = 0.5;
    st.vy[1] = 0.25;
    st.vx[2] = 0.375;
    st.vy[2] = 0.5;
    canvas.Polygon(st, 3, false);
    EXPECT_EQ(Off(240, 300), 0u);  // hollow
    EXPECT_GT(Lit(QRect(150, 170, 180, 180)), 300);
    canvas.Polygon(st, 3, true);
    EXPECT_EQ(Off(240, 300), kWhite);
    EXPECT_EQ(Off(170, 200), 0u);  // outside the triangle
    EXPECT_TRUE(SurfacesAgree());
}

TEST_F(CanvasTest, CollinearArcIsAStraightLine)
{
    canvas.Arc(st, {0.25, 0.5}, {0.375, 0.5}, {0.5, 0.5}, true);
    EXPECT_EQ(Lit(QRect(0, 0, 640, 500)), 160);
    EXPECT_EQ(Lit(QRect(160, 180, 160, 1)), 160);
}

TEST_F(CanvasTest, MiddleEqualToStartIsAFullCircleOnMiddleToEnd)
{
    // Diameter from (0.25, 0.4) to (0.5, 0.4): centre (0.375, 0.4), r 0.125.
    canvas.Arc(st, {0.25, 0.4}, {0.25, 0.4}, {0.5, 0.4}, false);
    // Box: 160..320 by py(0.525) = 164 .. py(0.275) = 324.
    EXPECT_GT(Lit(QRect(158, 230, 6, 30)), 0);   // left edge
    EXPECT_GT(Lit(QRect(316, 230, 6, 30)), 0);   // right edge
    EXPECT_GT(Lit(QRect(225, 162, 30, 6)), 0);   // top
    EXPECT_GT(Lit(QRect(225, 320, 30, 6)), 0);   // bottom
    EXPECT_EQ(Lit(QRect(200, 200, 80, 80)), 0);  // hollow centre
    EXPECT_EQ(Lit(QRect(0, 0, 150, 500)), 0);
}

TEST_F(CanvasTest, ArcGoesTheWayThroughItsMiddlePoint)
{
    // Upper half circle from left to right through the top.
    canvas.Arc(st, {0.25, 0.4}, {0.375, 0.525}, {0.5, 0.4}, false);
    EXPECT_GT(Lit(QRect(225, 160, 30, 10)), 0);  // top drawn
    EXPECT_EQ(Lit(QRect(225, 300, 30, 30)), 0);  // bottom not
    // Lower half through the bottom.
    canvas.Clear(st, kVtxBlack);
    canvas.Arc(st, {0.25, 0.4}, {0.375, 0.275}, {0.5, 0.4}, false);
    EXPECT_EQ(Lit(QRect(225, 160, 30, 10)), 0);
    EXPECT_GT(Lit(QRect(225, 318, 30, 10)), 0);
    // Filled: the region between arc and chord, the chord on row 244.
    canvas.Clear(st, kVtxBlack);
    canvas.Arc(st, {0.25, 0.4}, {0.375, 0.525}, {0.5, 0.4}, true);
    EXPECT_EQ(Off(240, 200), kWhite);
    EXPECT_EQ(Off(240, 280), 0u);
    EXPECT_TRUE(SurfacesAgree());
}

TEST_F(CanvasTest, HighlightedFilledArcRedrawsChordAndCurve)
{
    st.highlight = 1;
    st.pelPx = 2;
    st.drawColour = {0, 255, 0};
    canvas.Clear(st, {50, 50, 50});
    // Upper half circle: centre (240, 244), radius 80 pixels.
    canvas.Arc(st, {0.25, 0.4}, {0.375, 0.525}, {0.5, 0.4}, true);
    EXPECT_EQ(Off(240, 200), 0x00FF00u);  // interior
    EXPECT_EQ(Off(240, 243), 0x00FF00u);  // the chord, in the draw colour
    int black = 0;
    for (int y = 160; y < 170; ++y)
        black += Off(240, y) == 0;
    EXPECT_GT(black, 0);                  // the curved edge in the highlight pen
    EXPECT_EQ(Off(240, 150), 0x323232u);  // outside
    EXPECT_TRUE(SurfacesAgree());
}

TEST_F(CanvasTest, BeepGoesToTheInstalledHandlerOnly)
{
    Feed("\x07");  // no handler: nothing happens
    int beeps = 0;
    canvas.SetBeepHandler([&beeps] { ++beeps; });
    Feed("\x07\x07");
    EXPECT_EQ(beeps, 2);
    int waited = 0;
    canvas.SetPauseHandler([&waited](int ms) { waited += ms; });
    Feed("\xbd\xdc\xc2");
    EXPECT_EQ(waited, 200);
}

TEST_F(CanvasTest, DefaultColourMapEntriesOnPixels)
{
    for (int index : {32, 40, 48}) {
        VtxWriter w;
        w.SelectColour(index).Rect(0.25, 0.25, 0.125, 0.125, true);
        Feed(w.Bytes());
        const VtxRgb c = VtxDefaultColourMap()[index];
        EXPECT_EQ(Off(180, 320), qRgb(c.r, c.g, c.b) & 0xFFFFFFu) << index;
    }
    EXPECT_EQ(Off(180, 320), 0xFFFF00u);  // entry 48: red 255, green 255
}

TEST_F(CanvasTest, ClearWhitensTheWindowAroundASmallerCanvas)
{
    canvas.SetSize(512, 400);
    canvas.Clear(st, {0, 0, 128});
    EXPECT_EQ(Vis(0, 0), 0x000080u);
    EXPECT_EQ(Vis(511, 399), 0x000080u);
    EXPECT_EQ(Vis(600, 10), kWhite);
    EXPECT_EQ(Off(511, 399), 0x000080u);
    EXPECT_EQ(Off(600, 10), 0u);
    // Later drawing uses the new scale: the top of the unit screen is row 0.
    canvas.Point(st, {0.5, 0.78125});
    EXPECT_EQ(Off(256, 0), kWhite);
}

TEST_F(CanvasTest, TextDrawsInItsCellAndWrapsAtTheRightEdge)
{
    // Column 39 of row 5 (from the bottom): then the next character wraps.
    std::string s = "\x1c";
    s += static_cast<char>(0x20 + 39);
    s += static_cast<char>(0x20 + 5);
    s += "HH";
    Feed(s);
    // Cell of the first H: x 624..639, top = 500 - trunc((0.1953125 + 0.0390625) * 640) = 350.
    EXPECT_GT(Lit(QRect(624, 350, 16, 25)), 10);
    // The second H: column 0, one row lower (top 375).
    EXPECT_GT(Lit(QRect(0, 375, 16, 25)), 10);
    EXPECT_EQ(Lit(QRect(0, 350, 16, 25)), 0);
    // The glyph stays within the 24-pixel font height of its cell.
    EXPECT_EQ(Lit(QRect(0, 400, 40, 20)), 0);
    EXPECT_TRUE(SurfacesAgree());
}

TEST_F(CanvasTest, TextInColourModeTwoFillsAndClipsItsCell)
{
    st.colourMode = 2;
    st.backColour = {0, 0, 255};
    st.drawColour = {255, 255, 0};
    st.tp = {0.25, 0.5};
    canvas.Text(st, 'W', false);
    // Cell: left 160, top 500 - trunc(0.5390625 * 640) = 155, 17 x 26.
    EXPECT_EQ(Off(160, 155), 0x0000FFu);
    EXPECT_EQ(Off(176, 180), 0x0000FFu);
    EXPECT_EQ(Off(177, 180), 0u);  // outside the cell
    int yellow = 0;
    for (int y = 155; y < 181; ++y)
        for (int x = 160; x < 177; ++x)
            yellow += Off(x, y) == 0xFFFF00u;
    EXPECT_GT(yellow, 10);
}

TEST_F(CanvasTest, HangulFillsOneCellThroughTheKoreanCodec)
{
    st.tp = {0.25, 0.5};
    canvas.Text(st, 0xB0A1, true);  // "ga"
    const int inCell = Lit(QRect(160, 155, 17, 26));
    EXPECT_GT(inCell, 20);
    EXPECT_EQ(Lit(QRect(0, 0, 640, 500)), inCell);  // nothing outside the cell
    // A pair that is no character draws nothing.
    canvas.Clear(st, kVtxBlack);
    canvas.Text(st, 0xB0FF, true);
    EXPECT_EQ(Lit(QRect(0, 0, 640, 500)), 0);
}

TEST_F(CanvasTest, UnderlineAndSizeChangesRebuildTheFonts)
{
    st.tp = {0.25, 0.5};
    canvas.Text(st, '^', false);  // a glyph at the top of the cell only
    const int plain = Lit(QRect(160, 170, 17, 11));
    st.underline = 1;
    canvas.RebuildFonts(st);
    canvas.Text(st, '^', false);
    EXPECT_GT(Lit(QRect(160, 170, 17, 11)), plain);
    // Double size: the glyph grows to 32 x 50.
    canvas.Clear(st, kVtxBlack);
    st.underline = 0;
    st.charW = 0.05;
    st.charH = 0.078125;
    canvas.RebuildFonts(st);
    st.tp = {0.25, 0.25};
    canvas.Text(st, 'H', false);
    const QRect all(0, 0, 640, 500);
    int top = 500, bottom = -1;
    for (int y = 0; y < 500; ++y)
        for (int x = 150; x < 220; ++x)
            if (Off(x, y)) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_GT(bottom - top, 25);
    EXPECT_LE(bottom - top, 50);
    EXPECT_GT(Lit(all), 0);
}
