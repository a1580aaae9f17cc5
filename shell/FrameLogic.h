// Window-free rules of the main frame's commands: paste splitting and the
// font size steps.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velo {

// The writes a paste makes of host text: each run up to a CR or LF (with its
// trailing blanks dropped when a line break follows), and for every LF one
// line end: LF while printer-controller mode is on, else CR. A CR sends
// nothing of its own.
std::vector<std::string> PasteWrites(std::string_view hostText, bool printCapture);

// Font larger: a negative height one more pixel, a positive one too, 0 stays.
int FontLargerHeight(int height);
// Font smaller: below -5 one less, 6 or more one less, otherwise unchanged.
int FontSmallerHeight(int height);
bool FontLargerEnabled(std::string_view face);
bool FontSmallerEnabled(std::string_view face, int height);

}  // namespace velo
