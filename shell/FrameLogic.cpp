#include "shell/FrameLogic.h"

namespace velo {

std::vector<std::string> PasteWrites(std::string_view text, bool printCapture)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = text.find_first_of("\r\n", i);
        size_t stop = end == std::string_view::npos ? text.size() : end;
        std::string_view run = text.substr(i, stop - i);
        if (end != std::string_view::npos)
            while (!run.empty() && run.back() == ' ')
                run.remove_suffix(1);
        if (!run.empty())
            out.emplace_back(run);
        i = stop;
        // Line breaks: each LF one line end, CRs nothing.
        while (i < text.size() && (text[i] == '\r' || text[i] == '\n')) {
            if (text[i] == '\n')
                out.emplace_back(printCapture ? "\n" : "\r");
            ++i;
        }
    }
    return out;
}

int FontLargerHeight(int h) { return h < 0 ? h - 1 : (h > 0 ? h + 1 : 0); }

int FontSmallerHeight(int h)
{
    if (h < -5)
        return h + 1;
    if (h >= 6)
        return h - 1;
    return h;
}

bool FontLargerEnabled(std::string_view face) { return face != "Fixedsys"; }

bool FontSmallerEnabled(std::string_view face, int h)
{
    return face != "Fixedsys" && !(h >= -5 && h <= 5);
}

}  // namespace velo
