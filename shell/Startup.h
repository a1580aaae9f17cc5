// The window-free steps of start-up and exit: installation directory, the
// command-line telnet destination, the first-run upgrade, the saved window
// rectangle, the tips file reader and the elapsed-time text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/WindowRect.h"

namespace velo {

class SettingsStore;

// "인스톨디렉토리" read with fallback as its default; one trailing separator
// ('/' or '\') dropped.
std::string ReadInstallDir(SettingsStore& s, const std::string& fallback);
std::string TrimTrailingSeparator(std::string dir);

struct TelnetDestination {
    std::string host;  // at most 64 bytes
    int port = 23;
};
// Leading blanks skipped; the host runs to the next blank and is cut to 64
// bytes; the rest is scanned for a decimal port, 23 when there is none or it
// is no TCP port (1..65535). Nothing when the line holds no host.
std::optional<TelnetDestination> ParseTelnetCommandLine(std::string_view line);

// The upgrade of an older (or fresh) store: when "처음" reads below 4, copy
// "PitchAnsFamily" to "PitchAndFamily" when non-zero, drop the saved bar
// layout, write 4 and run importDefaults. True when it ran.
bool RunFirstRunUpgrade(SettingsStore& s, const std::function<void()>& importDefaults);

// "%02d:%02d:%02d" of the time since the connection came up.
std::string FormatElapsed(int64_t ms);

// Reads tips from a text file: a tip is the next line (at most 1000 bytes)
// that starts with none of tab, LF, blank and ';'; at the end of the file
// reading starts over. Positions are byte offsets, kept in "Tip"/"FilePos";
// a changed modification time ("Tip"/"TimeStamp") starts again at 0.
class TipsReader {
public:
    ~TipsReader();
    // False when the file cannot be opened (the dialog shows kNoFile).
    bool Open(const std::string& path, SettingsStore& s);
    // The next tip; false with *error set to kReadError on a failed seek or
    // when the file holds no tip at all.
    bool Next(std::string* tip, std::string* error);
    long Position() const;
    void SavePosition(SettingsStore& s) const;

    static constexpr char kNoFile[] = "Tips file does not exist in the prescribed directory";
    static constexpr char kReadError[] = "Trouble reading the tips file";

private:
    std::FILE* f_ = nullptr;
};

}  // namespace velo
