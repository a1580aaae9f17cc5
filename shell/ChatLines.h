// The chat pane's rules without its window: the ring of the last 32 lines
// typed and the fields that show it, what Enter, Up and Down do, which typed
// characters go out at once, the two header and footer pairs wrapped around a
// line, and the pane's geometry.
//
// Everything here is host bytes (CP949): the pane encodes what its fields
// hold before it hands it over and decodes what it shows. A line keeps at
// most kLineBytes bytes, cut before a character that would not fit whole.
//
// Field k shows ring slot (base + k) mod 32. The pane copies a field's text
// into its slot only when Enter is pressed on it; scrolling (Up on the first
// field, Down or Enter on the last) shows every field's slot anew.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace velo {

class ChatLines {
public:
    static constexpr int kRing = 32;
    static constexpr int kFields = 5;
    static constexpr size_t kLineBytes = 256;

    // 1..5; a count outside that range is brought to its nearer end.
    int LineCount() const { return lines_; }
    void SetLineCount(int n);
    int Base() const { return base_; }
    // The field that last had the focus (where a caught line goes).
    int Current() const { return current_; }
    void SetCurrent(int field);

    int SlotOf(int field) const { return (base_ + field) % kRing; }
    const std::string& Slot(int slot) const { return ring_[size_t(((slot % kRing) + kRing) % kRing)]; }
    const std::string& FieldText(int field) const { return Slot(SlotOf(field)); }

    // Header and footer: pair 0 and pair 1, the current one wraps ordinary lines.
    const std::string& Header(int pair) const { return pairs_[size_t(pair & 1)].header; }
    const std::string& Footer(int pair) const { return pairs_[size_t(pair & 1)].footer; }
    void SetPair(int pair, std::string header, std::string footer);
    int Pair() const { return pair_; }
    void SwitchPair() { pair_ ^= 1; }

    // The bytes an ordinary line sends (through the macro sender, so the
    // escapes work as in macros): a line that begins with "/" is a command
    // to the host and goes as typed; any other is wrapped in the current
    // header and footer. Both end in CR.
    std::string LineToSend(std::string_view text) const;

    struct EnterResult {
        enum Kind {
            Kept,        // stored in its slot only: the host is busy
            LoneReturn,  // empty: one CR straight to the line, nothing moves
            Line,        // `send` through the macro sender
        } kind = Kept;
        std::string send;
        bool scrolled = false;   // every field shows its slot anew
        bool clearNext = false;  // the field below was emptied
        int focus = 0;           // the field with the focus afterwards
        bool caretAtStart = false;
    };
    // Enter on `field` holding `text`. hostBusy: Sending, Receiving or the
    // scrollback view. ctrl: Ctrl+Enter keeps what the next field holds.
    EnterResult Enter(int field, std::string_view text, bool ctrl, bool hostBusy);

    struct Move {
        int focus = 0;
        bool scrolled = false;  // the caret keeps its column either way
    };
    Move Up(int field);
    Move Down(int field);

    // A typed character that goes to the host at once instead of into the
    // field: the C0 controls but backspace and tab, which edit the field.
    static bool SentAtOnce(uint32_t ch) { return ch < 0x20 && ch != 0x08 && ch != 0x09; }
    // At most kLineBytes of host bytes, never half a double-byte character.
    static std::string FitLine(std::string_view bytes);

private:
    void Scroll(int by);

    struct Wrap {
        std::string header, footer;
    };
    std::array<std::string, kRing> ring_;
    std::array<Wrap, 2> pairs_;
    int pair_ = 0;
    int base_ = 0;
    int lines_ = 1;
    int current_ = 0;
};

// The pane's geometry from the font (average character width, line height),
// the terminal's columns, the line count and the width of a vertical scroll
// bar: the fields sit under a ruler, inside a sunken frame.
struct ChatGeometry {
    int columns = 80, lines = 1, charWidth = 8, lineHeight = 16, scrollWidth = 16;

    int Width() const { return columns * charWidth + (scrollWidth & ~1) + 4; }
    int Height() const { return lines * lineHeight + 30; }
    int FieldX() const { return scrollWidth / 2 + 2; }
    int FieldY(int field) const { return 20 + field * lineHeight; }
    int FieldWidth() const { return columns * charWidth; }
    // The ruler's tick over column `col` (1-based) runs from y 5 down to
    // TickEnd: every tenth column to 16, every fifth to 13, the rest to 9.
    int TickX(int col) const { return (col - 1) * charWidth + scrollWidth / 2 + charWidth / 2 + 2; }
    static int TickEnd(int col) { return col % 10 == 0 ? 16 : col % 5 == 0 ? 13 : 9; }
};

}  // namespace velo
