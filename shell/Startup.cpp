#include "shell/Startup.h"

#include <sys/stat.h>

#include <charconv>
#include <cstring>
#include <sstream>

#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"

namespace velo {

std::string TrimTrailingSeparator(std::string dir)
{
    if (!dir.empty() && (dir.back() == '/' || dir.back() == '\\') && dir.size() > 1)
        dir.pop_back();
    return dir;
}

std::string ReadInstallDir(SettingsStore& s, const std::string& fallback)
{
    return TrimTrailingSeparator(s.ReadString(settings::kInstallDir, settings::kInstallDir, fallback));
}

std::optional<TelnetDestination> ParseTelnetCommandLine(std::string_view line)
{
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    size_t i = 0;
    while (i < line.size() && blank(line[i]))
        ++i;
    size_t start = i;
    while (i < line.size() && !blank(line[i]))
        ++i;
    if (i == start)
        return std::nullopt;
    TelnetDestination d;
    d.host = std::string(line.substr(start, std::min<size_t>(i - start, 64)));
    while (i < line.size() && blank(line[i]))
        ++i;
    // As a "%d" scan: an optional sign and digits; anything else leaves 23.
    long port = 0;
    const char* b = line.data() + i;
    const char* e = line.data() + line.size();
    auto [p, ec] = std::from_chars(b, e, port);
    if (ec == std::errc() && p != b && port >= 1 && port <= 65535)
        d.port = int(port);
    return d;
}

bool RunFirstRunUpgrade(SettingsStore& s, const std::function<void()>& importDefaults)
{
    if (s.ReadInt(settings::kFirst, settings::kFirst, 0) >= settings::kGeneration)
        return false;
    int old = s.ReadInt(settings::kInit, "PitchAnsFamily", 0);
    if (old != 0)
        s.WriteInt(settings::kInit, "PitchAndFamily", old);
    for (int n = 0; n < 30; ++n)
        s.DeleteSection(std::string(settings::kBarState) + "-Bar" + std::to_string(n));
    s.DeleteSection(std::string(settings::kBarState) + settings::kBarSummarySuffix);
    s.WriteInt(settings::kFirst, settings::kFirst, settings::kGeneration);
    if (importDefaults)
        importDefaults();
    return true;
}

std::string FormatElapsed(int64_t ms)
{
    if (ms < 0)
        ms = 0;
    int64_t hours = ms / 3600000;
    int64_t secs = ms / 1000 - hours * 3600;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", (long long)hours, (long long)(secs / 60),
                  (long long)(secs % 60));
    return buf;
}

TipsReader::~TipsReader()
{
    if (f_)
        std::fclose(f_);
}

bool TipsReader::Open(const std::string& path, SettingsStore& s)
{
    if (f_)
        std::fclose(f_);
    f_ = std::fopen(path.c_str(), "r");
    if (!f_)
        return false;
    struct stat st{};
    std::string stamp;
    if (fstat(fileno(f_), &st) == 0)
        stamp = std::to_string((long long)st.st_mtime);
    long pos = 0;
    if (stamp != s.ReadString(settings::kTip, "TimeStamp", "")) {
        s.WriteString(settings::kTip, "TimeStamp", stamp);
    } else {
        pos = s.ReadInt(settings::kTip, "FilePos", 0);
    }
    if (pos < 0 || std::fseek(f_, pos, SEEK_SET) != 0)
        std::fseek(f_, 0, SEEK_SET);
    return true;
}

bool TipsReader::Next(std::string* tip, std::string* error)
{
    if (!f_) {
        *error = kNoFile;
        return false;
    }
    bool wrapped = false;
    char line[1001];
    for (;;) {
        if (!std::fgets(line, sizeof line, f_)) {
            // End of file: start over once; a file without tips ends here.
            if (wrapped || std::fseek(f_, 0, SEEK_SET) != 0) {
                *error = kReadError;
                return false;
            }
            wrapped = true;
            continue;
        }
        size_t n = std::strlen(line);
        bool whole = n > 0 && line[n - 1] == '\n';
        if (!whole && !std::feof(f_)) {
            // Longer than 1000 bytes: the rest of the line is skipped.
            int c;
            while ((c = std::fgetc(f_)) != EOF && c != '\n') {
            }
        }
        char c0 = line[0];
        if (c0 == '\t' || c0 == '\n' || c0 == ' ' || c0 == ';' || c0 == '\r' || c0 == '\0')
            continue;
        while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r'))
            line[--n] = '\0';
        *tip = line;
        return true;
    }
}

long TipsReader::Position() const { return f_ ? std::ftell(f_) : 0; }

void TipsReader::SavePosition(SettingsStore& s) const
{
    if (f_)
        s.WriteInt(settings::kTip, "FilePos", int(Position()));
}

}  // namespace velo
