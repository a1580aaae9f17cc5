// The game's profile parser on arbitrary bytes: no crash, and what it writes
// reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "game/Profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view in(reinterpret_cast<const char*>(data), size);
    car::IniProfile p;
    p.Parse(in);
    std::string once = p.Serialize();
    car::IniProfile q;
    q.Parse(once);
    if (q.Serialize() != once)
        std::abort();

    // Any value written reads back, line breaks turned into blanks.
    std::string value(in.substr(0, 64));
    q.WriteString("고수들", "이름0", value);
    q.ReadInt("초기환경", "난이도", 2);
    car::IniProfile r;
    r.Parse(q.Serialize());
    for (char& c : value)
        if (c == '\n' || c == '\r')
            c = ' ';
    if (r.ReadString("고수들", "이름0", "") != value)
        std::abort();
    return 0;
}
