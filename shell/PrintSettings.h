// The stored values of the two small settings dialogs of printing and the
// mouse wheel, as the dialogs read and write them (window-free). Printing
// itself reads "Print" its own way (terminal/Printing.h); the terminal's
// scrollback view takes the wheel values from the frame.
#pragma once

#include <string>

namespace velo {

class SettingsStore;

// "인쇄 설정": section "Print".
struct PrintDialogValues {
    int option = 0;          // "PrintOption": 0 picture, 1 code, 2 file only
    bool lfConvert = true;   // "LfConvert"
    bool fitFont = true;     // "FontResizeOption"
    std::string file;        // "PrintToFileName"
    int linesPerPage = 66;   // "LinePerPage"

    // A stored value outside what the dialog knows reads as its default:
    // "PrintOption" outside 0..2, "LinePerPage" outside 0..80, the switches
    // outside 0 and 1. An empty file name reads as the default print file.
    static PrintDialogValues Read(SettingsStore& s, const std::string& installDir);
    // Writes "PrintOption", "LfConvert", "FontResizeOption", "PrintToFileName"
    // and "LinePerPage", in that order.
    void Write(SettingsStore& s) const;
};

// The lines-per-page field of the dialog.
inline constexpr int kLinesPerPageMin = 20;
inline constexpr int kLinesPerPageMax = 100;

// "IntelliMouse 설정": section "Wheel".
struct WheelValues {
    bool reverse = false;  // "Reverse": any value but 0 is on
    int scrollLines = 3;   // "ScrollLines": lines per notch, -1 a page

    static WheelValues Read(SettingsStore& s);
    void Write(SettingsStore& s) const;  // "Reverse" as 0 or 1, then "ScrollLines"
    bool Page() const { return scrollLines < 0; }
};

// The lines field of the wheel dialog, and what it shows while a page is chosen.
inline constexpr int kWheelLinesMin = 0;
inline constexpr int kWheelLinesMax = 50;
inline constexpr int kWheelPageFieldShows = 3;

}  // namespace velo
