// The terminal window's text rules over any screen bytes a host can leave:
// hot spots at every column, selection columns at any x, copy text of any
// range, and the macro sender's expansion of any prepared text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/MacroSender.h"
#include "terminal/ui/TermText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const int columns = 1 + data[0] % 132;
    const int cellWidth = 1 + data[1] % 20;
    data += 2;
    size -= 2;
    uint8_t row[133] = {};
    for (int c = 0; c < columns; ++c)
        row[c] = c < int(size) ? data[c] : ' ';
    for (int col = -1; col <= columns; ++col) {
        velo::termtext::HotSpot h = velo::termtext::FindHotSpot(row, columns, col);
        if (h.Valid()) {
            if (h.first < 0 || h.last >= columns || h.first > h.last || h.text.size() > 8 ||
                h.text.size() != size_t(h.last - h.first + 1))
                std::abort();
            std::string sent = velo::termtext::ClickToSend(h.text, velo::termtext::ClickMods::None, 5).bytes;
            if (sent.empty() || sent.back() != '\r')
                std::abort();
        }
    }
    for (int x = -cellWidth; x <= (columns + 1) * cellWidth; x += 3) {
        int c = velo::termtext::ColumnAtX(row, columns, x, cellWidth);
        if (c < 0 || c > columns)
            std::abort();
    }
    int a = data[0] % (columns + 1), b = size > 1 ? data[1] % (columns + 1) : 0;
    std::string copy = velo::termtext::SelectionText(0, a, 2, b, columns, [&](int) { return row; });
    if (copy.size() > size_t(3 * (columns + 2)))
        std::abort();
    velo::MacroExpand(std::string_view(reinterpret_cast<const char*>(data), size), 0);
    return 0;
}
