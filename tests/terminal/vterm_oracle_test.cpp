// An independent oracle: libvterm. For streams made only of what both
// terminals do the same way by construction, the screen text, colours and
// bold flag after each stream must equal libvterm's, and so must the cursor.
//
// What the streams avoid, and why: writing the last column (this terminal
// wraps the moment it is written, libvterm on the next character); SGR 0
// (this terminal keeps the colours); erasing, inserting or deleting while
// bold is on (libvterm's blank cells drop bold, this terminal's keep every
// current attribute); ED 2 (this terminal moves the old screen into the
// scrollback and homes the cursor); line feeds and scroll regions (cursor
// up/down are clamped at the screen edges only).
#include <gtest/gtest.h>
#include <vterm.h>

#include <memory>
#include <random>
#include <string>

#include "base/SettingsStore.h"
#include "support/TestKit.h"
#include "terminal/Terminal.h"

using namespace velo;

namespace {

constexpr int kCols = 80, kRows = 28;

struct Generator {
    std::mt19937 rng;
    int col = 0, row = 0;
    bool bold = false;
    std::string out;

    explicit Generator(unsigned seed) : rng(seed) {}
    int Below(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
    void Csi(const std::string& body) { out += "\x1b[" + body; }

    void Step()
    {
        switch (Below(12)) {
        case 0:
        case 1:
        case 2: {  // text that stays clear of the last column
            const int room = kCols - 1 - col;
            const int len = room > 0 ? Below(room + 1) : 0;
            for (int i = 0; i < len; ++i)
                out += static_cast<char>(0x20 + Below(95));
            col += len;
            break;
        }
        case 3: {  // cursor position, also out of range and zero
            const int r = Below(kRows + 10), c = Below(kCols + 20);
            Csi(std::to_string(r) + ";" + std::to_string(c) + "H");
            row = std::clamp(r - 1, 0, kRows - 1);
            col = std::clamp(c - 1, 0, kCols - 1);
            break;
        }
        case 4: {  // relative moves
            const int n = 1 + Below(30);
            const char f = "ABCD"[Below(4)];
            Csi(std::to_string(n) + f);
            if (f == 'A')
                row = std::max(row - n, 0);
            else if (f == 'B')
                row = std::min(row + n, kRows - 1);
            else if (f == 'C')
                col = std::min(col + n, kCols - 1);
            else
                col = std::max(col - n, 0);
            break;
        }
        case 5:
        case 6: {  // colours, bold on and off
            std::string p;
            const int parts = 1 + Below(3);
            for (int i = 0; i < parts; ++i) {
                const int k = Below(5);
                const int v = k == 0 ? 1 : k == 1 ? 22 : k == 2 ? 30 + Below(8) : 40 + Below(8);
                if (v == 1)
                    bold = true;
                if (v == 22)
                    bold = false;
                p += (i ? ";" : "") + std::to_string(v);
            }
            Csi(p + "m");
            break;
        }
        default:  // erasing, inserting, deleting: only with bold off
            if (bold)
                break;
            switch (Below(6)) {
            case 0: Csi(std::to_string(Below(2)) + "J"); break;
            case 1: Csi(std::to_string(Below(3)) + "K"); break;
            case 2: Csi(std::to_string(1 + Below(90)) + "@"); break;
            case 3: Csi(std::to_string(1 + Below(90)) + "P"); break;
            default: Csi(std::to_string(1 + Below(90)) + "X"); break;
            }
        }
    }
};

int Index(const VTermColor& c, int def)
{
    if (VTERM_COLOR_IS_DEFAULT_FG(&c) || VTERM_COLOR_IS_DEFAULT_BG(&c))
        return def;
    return VTERM_COLOR_IS_INDEXED(&c) ? c.indexed.idx : -1;
}

class OracleTest : public ::testing::Test {
protected:
    velo::test::TestOutlets outlets;
    void SetUp() override
    {
        // libvterm's default colours stand for palette 7 on 0.
        outlets.settings.WriteInt("초기 환경", "글자색", 7);
        outlets.settings.WriteInt("초기 환경", "바탕색", 0);
    }
};

}  // namespace

TEST_F(OracleTest, ScreensEqualLibvtermOnSharedFunctions)
{
    int cellsCompared = 0;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        Generator g(seed);
        const int steps = 5 + static_cast<int>(seed % 60);
        for (int i = 0; i < steps; ++i)
            g.Step();

        Terminal t(outlets.out);
        t.Resize(kCols, kRows);
        t.Feed(reinterpret_cast<const uint8_t*>(g.out.data()), static_cast<int>(g.out.size()));

        std::unique_ptr<VTerm, void (*)(VTerm*)> vt(vterm_new(kRows, kCols), vterm_free);
        vterm_set_utf8(vt.get(), 0);
        VTermScreen* screen = vterm_obtain_screen(vt.get());
        vterm_screen_reset(screen, 1);
        vterm_input_write(vt.get(), g.out.data(), g.out.size());

        VTermPos cursor;
        vterm_state_get_cursorpos(vterm_obtain_state(vt.get()), &cursor);
        ASSERT_EQ(t.CursorRow(), cursor.row) << "seed " << seed;
        ASSERT_EQ(t.CursorColumn(), cursor.col) << "seed " << seed;
        ASSERT_EQ(t.CursorRow(), g.row) << "seed " << seed;
        for (int r = 0; r < kRows; ++r) {
            for (int c = 0; c < kCols; ++c) {
                VTermScreenCell cell;
                vterm_screen_get_cell(screen, VTermPos{r, c}, &cell);
                const int theirs = cell.chars[0] ? static_cast<int>(cell.chars[0]) : ' ';
                const CellAttr a = t.Attrs(r)[c];
                ASSERT_EQ(static_cast<int>(t.Line(r).text[c]), theirs)
                    << "seed " << seed << " at " << r << "," << c << " after " << testing::PrintToString(g.out);
                ASSERT_EQ(a.fg, Index(cell.fg, 7)) << "seed " << seed << " at " << r << "," << c;
                ASSERT_EQ(a.bg, Index(cell.bg, 0)) << "seed " << seed << " at " << r << "," << c;
                ASSERT_EQ((a.flags & kBold) != 0, cell.attrs.bold != 0) << "seed " << seed << " at " << r << "," << c;
                ++cellsCompared;
            }
        }
    }
    EXPECT_EQ(cellsCompared, 300 * kCols * kRows);
}
