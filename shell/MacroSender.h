// The macro sender: the one routine that sends prepared text (macros, key-map
// sequences, pre-send strings, click-to-send commands, auto-responses,
// automation replies). It expands the escape language byte by byte and writes
// every resulting byte with its own ConnWrite, so local echo shows it as typed.
//
//   \e ESC   \r CR   \n LF   \a BEL   \z SUB   \\ backslash   \ddd one byte
//   (mod 256)   \d date "%a/%m/%d/%Y"   \t time "%I:%M:%S%p"   \w wait 250 ms
//   |  ends a number or swallows itself; "||" sends one bar.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace velo {

// How "\w" waits: the UI installs a wait that keeps its events flowing; the
// default (and any non-UI thread's) wait only sleeps. Called with 250.
using MacroWaitFn = std::function<void(int ms)>;
void SetMacroWait(MacroWaitFn wait);

// Where the bytes go: ConnWrite unless a test installs another writer.
using MacroWriteFn = std::function<void(const uint8_t* data, int len)>;
void SetMacroWriter(MacroWriteFn write);

void MacroSend(const uint8_t* text, int len);
inline void MacroSend(std::string_view text)
{
    MacroSend(reinterpret_cast<const uint8_t*>(text.data()), int(text.size()));
}

// Expands the escapes without sending (date and time taken from now); waits
// are dropped. What the key map dialog and tests show of a sequence.
std::string MacroExpand(std::string_view text, std::time_t now);

}  // namespace velo
