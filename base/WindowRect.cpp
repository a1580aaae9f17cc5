#include "base/WindowRect.h"

#include <charconv>
#include <cstdio>

namespace velo {

std::string FormatWindowRect(const WindowRect& r)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d %04d %04d %04d", r.left, r.top, r.right, r.bottom);
    return buf;
}

bool ParseWindowRect(std::string_view text, WindowRect* r)
{
    // Blank-separated rather than at fixed offsets, so a coordinate of five
    // digits or a negative one on a second monitor still reads back.
    int v[4];
    const char* p = text.data();
    const char* e = p + text.size();
    for (int k = 0; k < 4; ++k) {
        while (p < e && *p == ' ')
            ++p;
        auto [q, ec] = std::from_chars(p, e, v[k]);
        if (ec != std::errc() || q == p)
            return false;
        p = q;
    }
    while (p < e && *p == ' ')
        ++p;
    if (p != e || v[2] <= v[0] || v[3] <= v[1])
        return false;
    *r = {v[0], v[1], v[2], v[3]};
    return true;
}

}  // namespace velo
