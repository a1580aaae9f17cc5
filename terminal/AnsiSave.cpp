#include "terminal/AnsiSave.h"

#include <unistd.h>

#include <cstdio>

#include "base/ExclusiveFile.h"

namespace velo {

namespace {

// The colour sequence of a palette index: SGR for 0..7, the PC-order
// extension (which swaps 1/4, 3/6, 9/12, 11/14 again on reading) for 8..15.
void AppendColour(std::string& out, int colour, bool background)
{
    char buf[16];
    if (colour < 8)
        std::snprintf(buf, sizeof buf, "\033[%dm", colour + (background ? 40 : 30));
    else
        std::snprintf(buf, sizeof buf, "\033[=%d%c", PcToPalette(colour), background ? 'G' : 'F');
    out += buf;
}

// What the save carries of a cell's attributes; -1 before the first cell,
// so that every part differs from it.
struct Carried {
    int fg = -1, bg = -1, bold = -1, underline = -1, reverse = -1;
};

void AppendCell(std::string& out, Carried& was, const CellAttr& a, uint8_t byte)
{
    const int bold = (a.flags & kBold) != 0, underline = (a.flags & kUnderline) != 0,
              reverse = (a.flags & kReverse) != 0;
    if (a.fg != was.fg)
        AppendColour(out, a.fg, false);
    if (a.bg != was.bg)
        AppendColour(out, a.bg, true);
    if (bold != was.bold)
        out += bold ? "\033[1m" : "\033[22m";
    if (underline != was.underline)
        out += underline ? "\033[4m" : "\033[24m";
    if (reverse != was.reverse)
        out += reverse ? "\033[7m" : "\033[27m";
    was = {a.fg, a.bg, bold, underline, reverse};
    out += static_cast<char>(byte);
}

const char* LineSizeSequence(LineSize size)
{
    switch (size) {
    case LineSize::DoubleWidth: return "\033#6";
    case LineSize::DoubleTop: return "\033#3";
    case LineSize::DoubleBottom: return "\033#4";
    case LineSize::Single: break;
    }
    return "\033#5";
}

}  // namespace

std::string AnsiScreenBytes(const ScreenModel& screen)
{
    std::string out = "\033[s\033[m\033[1;1H";
    Carried was;
    const int rows = screen.Rows();
    for (int r = 0; r < rows; ++r) {
        const ScreenLine& line = screen.Line(r);
        const CellAttr* attrs = screen.Attrs(r);
        const int shown = line.size == LineSize::Single ? screen.Columns() : screen.Columns() / 2;
        // Cells up to the last one that a cleared screen would not show alike.
        int used = shown;
        while (used > 0) {
            const CellAttr& a = attrs[used - 1];
            if (line.text[used - 1] != ' ' || a.bg != screen.DefaultBg() || (a.flags & (kUnderline | kReverse)))
                break;
            --used;
        }
        const bool last = r == rows - 1;
        out += LineSizeSequence(line.size);
        for (int c = 0; c < used;) {
            // A byte of 0x80 or above and the byte after it are one character:
            // nothing may come between them, so the pair is written whole in
            // the attributes of its first cell.
            const int width = line.text[c] >= 0x80 && c + 1 < used ? 2 : 1;
            const bool corner = last && c + width == shown;
            if (corner)
                out += "\033[?7l";
            AppendCell(out, was, attrs[c], line.text[c]);
            if (width == 2)
                out += static_cast<char>(line.text[c + 1]);
            if (corner)
                out += "\033[?7h";
            c += width;
        }
        if (!last && used < shown)
            out += "\r\n";
    }
    out += "\033[u";
    return out;
}

AnsiSaveResult SaveAnsiScreen(const ScreenModel& screen, const std::string& path)
{
    const int fd = OpenExclusive(path, false);
    if (fd < 0)
        return AnsiSaveResult::CannotOpen;
    const std::string bytes = AnsiScreenBytes(screen);
    bool ok = WriteAll(fd, bytes.data(), bytes.size());
    ok = ::close(fd) == 0 && ok;
    return ok ? AnsiSaveResult::Saved : AnsiSaveResult::WriteFailed;
}

}  // namespace velo
