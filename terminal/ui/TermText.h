// Window-free text rules of the terminal window, on the stored bytes of a
// row: where a double-byte character starts, the column a mouse x selects,
// the text a selection copies, the click-to-send hot spots and what a click
// sends, and the receive-file command of each service.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace velo::termtext {

// Marks, for columns 0..columns-1 of a row, whether each holds the first
// byte (1), the second byte (2) of a double-byte pair, or a single byte (0).
// Pairs are found walking from column 0: a byte of 0x80 or above starts a
// pair, the next byte is its second.
void PairMap(const uint8_t* text, int columns, uint8_t* out);

// The selection column of pixel x on a row: on the first byte of a pair the
// pair's column, on its second byte the column after the pair, elsewhere the
// nearest cell boundary; limited to 0..columns.
int ColumnAtX(const uint8_t* text, int columns, int x, int cellWidth);

// Widens a column range so that it never cuts a pair (repaint step 2).
void WidenToPairs(const uint8_t* text, int columns, int* first, int* last);

// The copied text of a selection (ordered; rows given by rowText(h), each
// `columns` bytes): one row gives the bytes from start to end column; several
// rows give the first from its start column, middle rows whole and the last
// up to its end column, each with trailing blanks removed and joined by CR LF.
std::string SelectionText(int startRow, int startCol, int endRow, int endCol, int columns,
                          const std::function<const uint8_t*(int row)>& rowText);

// A line with trailing blanks removed ("말꼬리 잡기").
std::string TrimmedLine(const uint8_t* text, int columns);

struct HotSpot {
    enum class Kind : uint8_t { None, Number, Choice, Word };  // Choice: an item of a bracketed list
    int first = -1, last = -1;  // columns, inclusive
    Kind kind = Kind::None;
    std::string text;           // at most 8 bytes
    bool fileNumber = false;    // a number ending before column 10
    bool Valid() const { return kind != Kind::None; }
};

// The click-to-send item under column `col` of a row, trying number, choice
// and short word in that order.
HotSpot FindHotSpot(const uint8_t* text, int columns, int col);

enum class ClickMods { None, Shift, Ctrl, ShiftCtrl };
struct ClickSend {
    std::string bytes;    // written as they are with ConnWrite
    std::string macro;    // handed to the macro sender (escapes expanded)
};
// What a click on a hot spot sends: leading zeros removed (one character
// kept); plain: text CR; Shift: text blank; Ctrl: the service's read command
// ("nr %s\r" for service 0, "pr %s\r\w\w\r" for 1..4, nothing for others);
// Shift and Ctrl: nothing.
ClickSend ClickToSend(const std::string& hotText, ClickMods mods, int serviceKind);

// The receive-file command ("%s %s\r" of the service's download command and
// the number) and the follow-up; empty for services outside 0..4.
std::string ReceiveFileCommand(int serviceKind, const std::string& number);
std::string ReceiveFileFollowUp(int serviceKind);

}  // namespace velo::termtext
