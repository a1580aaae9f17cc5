// A window's placement as the settings store keeps it: "%04d %04d %04d %04d"
// of left, top, right and bottom (the main window's "윈도우 크기"/"사각형",
// the phone book's "전화 번호부"/"사각형").
#pragma once

#include <string>
#include <string_view>

namespace velo {

struct WindowRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};
std::string FormatWindowRect(const WindowRect& r);  // "%04d %04d %04d %04d"
// Four numbers separated by blanks; false for anything else.
bool ParseWindowRect(std::string_view text, WindowRect* r);

}  // namespace velo
