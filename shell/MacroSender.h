// The macro sender: the one routine that sends prepared text (macros, key-map
// sequences, pre-send strings, click-to-send commands, auto-responses,
// automation replies). It expands the escape language byte by byte and writes
// every resulting byte with its own write (ConnWrite), so local echo shows it
// as typed. Callable from any thread.
//
//   \e ESC   \r CR   \n LF   \a BEL   \z SUB   \\ backslash   \ddd one byte
//   (mod 256)   \d date "%a/%m/%d/%Y"   \t time "%I:%M:%S%p"   \w wait 250 ms
//   |  ends a number or swallows itself; "||" sends one bar.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace velo {

class MacroSender {
public:
    // Where the bytes go (the facade's ConnWrite in the program).
    using WriteFn = std::function<void(const uint8_t* data, int len)>;
    // How "\w" waits (called with 250): the UI installs a wait that keeps
    // its events flowing; without one (and on any non-UI thread) it sleeps.
    using WaitFn = std::function<void(int ms)>;

    explicit MacroSender(WriteFn write, WaitFn wait = {});
    void SetWait(WaitFn wait);

    void Send(const uint8_t* text, int len) const;
    void Send(std::string_view text) const
    {
        Send(reinterpret_cast<const uint8_t*>(text.data()), int(text.size()));
    }
    // Bytes as they are, through the same writer (no escapes).
    void Write(const uint8_t* data, int len) const;

private:
    WriteFn write_;
    mutable std::mutex mutex_;
    WaitFn wait_;
};

// Expands the escapes without sending (date and time taken from now); waits
// are dropped. What the key map dialog and tests show of a sequence.
std::string MacroExpand(std::string_view text, std::time_t now);

}  // namespace velo
