// Feed over hostile bytes. The first bytes choose the settings (display
// code, size, picture mode, highlight words, watchers, a picture receiver),
// the rest is fed in deliveries of varying size. After every delivery the
// model must hold together: cursor and region on the screen, valid line
// sizes and attribute rows, at most 1400 lines, bounded replies, and every
// damage report inside the screen.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/Outlets.h"
#include "terminal/AutoResponse.h"
#include "terminal/TermSurface.h"
#include "terminal/Terminal.h"

using namespace velo;

namespace {

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

struct CheckingSurface : TermSurface {
    const Terminal* t = nullptr;
    void Scroll(int top, int bottom, int n) override
    {
        if (top < 0 || bottom >= t->Rows() || top > bottom || n == 0 || std::abs(n) > bottom - top)
            Fail("scroll outside the screen");
    }
    void Damage(int row, int first, int last) override
    {
        if (row < 0 || row >= t->Rows() || first < 0 || last >= t->Columns() || first > last)
            Fail("damage outside the screen");
    }
    void Shape(const TermShape&) override {}
};

struct CountingReplies : ReplySink {
    size_t bytes = 0;
    void Reply(const uint8_t*, int count, ReplyMode) override { bytes += static_cast<size_t>(count); }
};

// A receiver that ends its mode at a chosen byte, or takes nothing when asked.
struct FuzzPictures : PictureSink {
    uint8_t endByte = '@';
    bool open = true;
    Result Run(const uint8_t* d, int n)
    {
        for (int i = 0; i < n; ++i)
            if (d[i] == endByte)
                return {i + 1, true};
        return {n, false};
    }
    bool OpenVideotex() override { return open; }
    Result VideotexBytes(const uint8_t* d, int n) override { return Run(d, n); }
    void CloseVideotex() override {}
    void StartImageIndex() override {}
    Result ImageIndexBytes(const uint8_t* d, int n) override { return Run(d, n); }
    void ResetImageIndex() override {}
};

void Check(const Terminal& t)
{
    if (t.Columns() < 1 || t.Columns() > kMaxColumns || t.Rows() < 1 || t.Rows() > kMaxRows)
        Fail("size");
    if (t.CursorColumn() < 0 || t.CursorColumn() >= t.Columns() || t.CursorRow() < 0 ||
        t.CursorRow() >= t.Rows())
        Fail("cursor");
    if (t.RegionTop() < 0 || t.RegionTop() > t.RegionBottom() || t.RegionBottom() >= t.Rows())
        Fail("region");
    if (t.LinesUsed() < t.Rows() || t.LinesUsed() > kRingLines)
        Fail("lines used");
    bool seen[kMaxRows] = {};
    for (int r = 0; r < t.Rows(); ++r) {
        const ScreenLine& l = t.Line(r);
        if (static_cast<int>(l.size) > 3)
            Fail("line size");
        if (l.attrRow < 0 || l.attrRow >= kMaxRows || seen[l.attrRow])
            Fail("attribute row");
        seen[l.attrRow] = true;
        for (int c = 0; c < t.Columns(); ++c) {
            const CellAttr a = t.Attrs(r)[c];
            if (a.fg > 15 || a.bg > 15)
                Fail("colour");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6)
        return 0;
    const uint8_t mode = data[0];
    // Outlets of this input alone.
    MemorySettingsStore settings;
    NullFrameSink frame;
    SharedFlags flags;
    flags.TermShared.NewlineMode = mode & 2;
    flags.TermShared.ServiceKind = data[1] % 6;
    flags.ConnState.Receiving = (mode & 0x40) != 0;
    AutoResponseTable ar;
    ar.rows[flags.TermShared.ServiceKind % 5][0] = {"ab", "x", true};
    ar.rows[AutoResponseTable::kCommonGroup][1] = {"\x1b[", "y", true};

    CheckingSurface surface;
    CountingReplies replies;
    FuzzPictures pictures;
    pictures.endByte = data[4];
    pictures.open = (mode & 0x20) != 0;
    Terminal t(Outlets{settings, frame, flags});
    // Made after the terminal: a new terminal clears picture mode.
    flags.TermShared.PictureMode = mode & 1;
    t.SetAutoResponses(&ar);
    surface.t = &t;
    t.SetSurface(&surface);
    t.SetReplySink(&replies);
    if (mode & 0x10)
        t.SetPictureSink(&pictures);
    t.SetDisplayCode(mode & 4 ? hangul::DisplayCode::Johab : hangul::DisplayCode::Ks);
    t.Resize(1 + data[2] % 140, 1 + data[3] % 55);
    t.SetCellSize(1 + data[5] % 20, 1 + data[5] % 33);
    if (mode & 8) {
        t.SetHighlightWord(0, "a");
        t.SetHighlightWord(1, "\xb0\xa1");
    }
    t.SetAutoLogin("ID:", "u", "P", "");
    t.ResetOnConnect();
    Check(t);

    size_t pos = 6;
    size_t chunk = 1 + data[5] % 97;
    int feeds = 0;
    while (pos < size) {
        const size_t n = std::min(chunk, size - pos);
        const int took = t.Feed(data + pos, static_cast<int>(n));
        if (took < 0 || static_cast<size_t>(took) > n)
            Fail("feed count");
        Check(t);
        // A hold with nothing taken would stop the frame too: release it, as
        // DC1 or the end of a tune would.
        if (took == 0)
            t.ClearHold();
        pos += took > 0 ? static_cast<size_t>(took) : n;
        chunk = chunk * 7 % 131 + 1;
        if (++feeds % 8 == 0) {
            t.Resize(1 + (t.Columns() * 3) % 133, 1 + (t.Rows() * 5) % 51);
            Check(t);
        }
    }
    if (replies.bytes > (static_cast<size_t>(feeds) + 1) * Terminal::kMaxQueuedReplies)
        Fail("replies unbounded");
    return 0;
}
