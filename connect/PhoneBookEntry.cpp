#include "connect/PhoneBookEntry.h"

#include <cstring>

namespace velo {

int SetEntryText(char* field, int cap, std::string_view text)
{
    if (cap <= 0)
        return 0;
    size_t n = std::min(text.size(), static_cast<size_t>(cap - 1));
    // Back off to the start of a character: never keep half of one.
    if (n < text.size()) {
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            --n;
    }
    std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, static_cast<size_t>(cap) - n);
    return static_cast<int>(n);
}

}  // namespace velo
