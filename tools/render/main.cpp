// velo-render: feeds bytes from a file (or standard input) through the
// terminal engine and prints the final screen as UTF-8 text, one line per
// row, trailing blanks removed; or, with --png, writes the screen as the
// terminal window draws it.
//
//   velo-render [--columns N] [--rows N] [--code ks|johab] [--picture]
//               [--attrs] [--scrollback] [--png PICTURE.png] [FILE|-]
//
// --attrs adds, after the text, one line per row with each cell as
// "FB:XX" (foreground and background palette index in hex, flags in hex).
// --scrollback prints the stored history lines before the screen.
// --png draws the screen with the window's own painting (fonts, colours,
// Hangul, block and line glyphs, the drawing sequences' shapes) into a PNG
// of the cells' size; no display is needed. It replaces the text output.
// Exit status: 0 done, 1 the input could not be read or the PNG not
// written, 2 a usage error (an unknown option, a bad value, an input file
// that cannot be opened).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <QApplication>
#include <QImage>

#include "base/Outlets.h"
#include "connect/Conn.h"
#include "terminal/HangulCodec.h"
#include "terminal/Terminal.h"
#include "terminal/ui/CAnsiTerm.h"
#include "terminal/ui/TermHost.h"
#include "tools/ToolArgs.h"

namespace {

using velo::Terminal;
using velo::hangul::DisplayCode;

constexpr char kUsage[] =
    "usage: velo-render [--columns N] [--rows N] [--code ks|johab] [--picture]\n"
    "                   [--attrs] [--scrollback] [--png PICTURE.png] [FILE|-]\n"
    "Feeds FILE (standard input when absent or -) through the terminal and prints\n"
    "the final screen as UTF-8 text, or with --png writes it as the terminal\n"
    "window draws it. See velo-render(1).\n";

bool ReadAll(std::FILE* f, std::vector<uint8_t>& out)
{
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.insert(out.end(), buf, buf + n);
    return !std::ferror(f);
}

// Feeds as the frame does: what a feed leaves (after a tune) is fed again.
template <class FeedFn, class HoldFn>
void FeedAll(const std::vector<uint8_t>& input, FeedFn feed, HoldFn hold)
{
    size_t done = 0;
    while (done < input.size()) {
        const size_t chunk = std::min<size_t>(input.size() - done, 8192);
        const int took = feed(input.data() + done, static_cast<int>(chunk));
        if (took <= 0 && hold())
            break;  // held by the host (DC3) with nothing to release it
        done += static_cast<size_t>(took > 0 ? took : chunk);
    }
}

void PrintLine(const uint8_t* text, int columns, DisplayCode code)
{
    std::string_view bytes(reinterpret_cast<const char*>(text), static_cast<size_t>(columns));
    std::string s = velo::hangul::DecodeToUtf8(bytes, code);
    s.erase(s.find_last_not_of(' ') + 1);
    std::printf("%s\n", s.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    int columns = 80, rows = 28;
    DisplayCode code = DisplayCode::Ks;
    bool attrs = false, scrollback = false, picture = false;
    const char* path = "-";
    const char* png = nullptr;
    bool pathGiven = false;
    velo::tool::Args args("velo-render", kUsage, argc, argv);
    while (args.Next()) {
        const std::string_view a = args.Arg();
        if (a == "--columns")
            columns = args.IntValue(1, velo::kMaxColumns);
        else if (a == "--rows")
            rows = args.IntValue(1, velo::kMaxRows);
        else if (a == "--code") {
            const std::string_view c = args.Value();
            if (c == "ks")
                code = DisplayCode::Ks;
            else if (c == "johab")
                code = DisplayCode::Johab;
            else
                args.Fail("--code: '%s' is neither ks nor johab", args.ArgText());
        } else if (a == "--picture")
            picture = true;
        else if (a == "--attrs")
            attrs = true;
        else if (a == "--scrollback")
            scrollback = true;
        else if (a == "--png")
            png = args.Value();
        else if (velo::tool::Args::IsHelp(a))
            args.Help();
        else if (velo::tool::Args::IsOption(a))
            args.UnknownOption();
        else if (pathGiven)
            args.Fail("one input file only, '%s' is one too many", args.ArgText());
        else {
            path = args.ArgText();
            pathGiven = true;
        }
    }

    if (png && (attrs || scrollback))
        args.Fail("--png draws the screen alone: no --attrs or --scrollback with it");

    std::vector<uint8_t> input;
    std::FILE* f = std::strcmp(path, "-") == 0 ? stdin : std::fopen(path, "rb");
    if (!f)
        args.Fail("cannot open %s: %s", path, std::strerror(errno));
    const bool ok = ReadAll(f, input);
    if (f != stdin)
        std::fclose(f);
    if (!ok) {
        std::fprintf(stderr, "velo-render: cannot read %s\n", path);
        return 1;
    }

    // The tool's own outlets: settings in memory, no frame.
    velo::MemorySettingsStore settings;
    velo::NullFrameSink frame;
    velo::SharedFlags flags;
    const velo::Outlets out{settings, frame, flags};

    if (png) {
        // The terminal window itself, never shown: its painting draws the
        // cells. Fonts need the font database, not a display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        velo::ConnFacade conn(out);
        velo::NullTermHost host;
        velo::CAnsiTerm window(out, conn, host);
        flags.TermShared.PictureMode = picture;
        window.SetScreenSize(columns, rows);
        window.Term().SetDisplayCode(code);
        FeedAll(input, [&](const uint8_t* d, int n) { return window.Feed(d, n); },
                [&] { return window.Hold(); });
        const QImage cells = window.Snapshot().copy(
            0, 0, columns * window.CellWidth(), rows * window.CellHeight());
        if (!cells.save(QString::fromLocal8Bit(png), "PNG")) {
            std::fprintf(stderr, "velo-render: cannot write %s\n", png);
            return 1;
        }
        return 0;
    }

    Terminal term(out);
    flags.TermShared.PictureMode = picture;
    term.Resize(columns, rows);
    term.SetDisplayCode(code);
    FeedAll(input, [&](const uint8_t* d, int n) { return term.Feed(d, n); }, [&] { return term.Hold(); });

    if (scrollback)
        for (int h = 0; h < term.LinesUsed() - term.Rows(); ++h)
            PrintLine(term.HistoryLine(h).text, term.Columns(), code);
    for (int r = 0; r < term.Rows(); ++r)
        PrintLine(term.Line(r).text, term.Columns(), code);
    if (attrs) {
        for (int r = 0; r < term.Rows(); ++r) {
            const velo::CellAttr* a = term.Attrs(r);
            std::string line;
            char cell[16];
            for (int c = 0; c < term.Columns(); ++c) {
                std::snprintf(cell, sizeof cell, "%s%X%X:%02X", c ? " " : "", a[c].fg, a[c].bg, a[c].flags);
                line += cell;
            }
            std::printf("%s\n", line.c_str());
        }
    }
    return 0;
}
