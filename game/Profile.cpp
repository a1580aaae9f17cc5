#include "game/Profile.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace car {

namespace {

// A profile larger than this is not ours: only its first part is read.
constexpr size_t kMaxProfileBytes = 1 << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

// Names may not hold what would end them in the file.
std::string CleanName(std::string_view name, bool isSection)
{
    std::string out;
    for (char c : Trim(name)) {
        if (c == '\n' || c == '\r' || (isSection && c == ']') || (!isSection && c == '='))
            c = '_';
        out += c;
    }
    // A key may not read back as a header or a comment.
    if (!isSection && !out.empty() && (out[0] == '[' || out[0] == ';' || out[0] == '#'))
        out[0] = '_';
    return out;
}

std::string QuoteValue(std::string_view v)
{
    bool plain = true;
    for (char c : v)
        if (c == '"' || c == '\\' || c == '\n' || c == '\r')
            plain = false;
    if (!v.empty() && (IsBlank(v.front()) || IsBlank(v.back())))
        plain = false;
    if (plain)
        return std::string(v);
    std::string out = "\"";
    for (char c : v) {
        if (c == '"' || c == '\\')
            out += '\\';
        // A line break would end the entry: it is stored as a blank.
        out += (c == '\n' || c == '\r') ? ' ' : c;
    }
    out += '"';
    return out;
}

std::string UnquoteValue(std::string_view raw)
{
    if (raw.size() < 2 || raw.front() != '"' || raw.back() != '"')
        return std::string(raw);
    std::string out;
    for (size_t i = 1; i + 1 < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 2 < raw.size())
            ++i;
        out += raw[i];
    }
    return out;
}

bool MakeParents(const std::string& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        std::string dir = path.substr(0, slash);
        if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

bool WriteAll(int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

void IniProfile::Parse(std::string_view text)
{
    sections_.clear();
    std::string current;  // entries before any header belong to the unnamed section
    while (!text.empty()) {
        size_t eol = text.find('\n');
        std::string_view line = Trim(text.substr(0, eol));
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            size_t close = line.find(']');
            if (close != std::string_view::npos)
                current = CleanName(line.substr(1, close - 1), true);
            continue;
        }
        size_t eq = line.find('=');
        std::string_view key = Trim(line.substr(0, eq));
        if (eq == std::string_view::npos || key.empty())
            continue;
        // A key given twice keeps its last value, as a later write would.
        Set(current, key, std::string(Trim(line.substr(eq + 1))));
    }
}

std::string IniProfile::Serialize() const
{
    // Entries of no section can only be written before the first header.
    std::string out;
    for (const Section& s : sections_)
        if (s.name.empty())
            for (const auto& [key, value] : s.entries)
                out += key + '=' + value + '\n';
    for (const Section& s : sections_) {
        if (s.name.empty())
            continue;
        if (!out.empty())
            out += '\n';
        out += '[' + s.name + "]\n";
        for (const auto& [key, value] : s.entries)
            out += key + '=' + value + '\n';
    }
    return out;
}

const std::string* IniProfile::Find(std::string_view section, std::string_view key) const
{
    for (const Section& s : sections_) {
        if (!SameName(s.name, section))
            continue;
        for (const auto& [k, v] : s.entries)
            if (SameName(k, key))
                return &v;
    }
    return nullptr;
}

void IniProfile::Set(std::string_view section, std::string_view key, std::string value)
{
    const std::string sec = CleanName(section, true);
    const std::string name = CleanName(key, false);
    Section* target = nullptr;
    for (Section& s : sections_)
        if (SameName(s.name, sec))
            target = &s;
    if (!target) {
        sections_.push_back(Section{sec, {}});
        target = &sections_.back();
    }
    for (auto& [k, v] : target->entries) {
        if (SameName(k, name)) {
            v = std::move(value);
            return;
        }
    }
    target->entries.emplace_back(name, std::move(value));
}

int IniProfile::ReadInt(std::string_view section, std::string_view key, int def)
{
    const std::string* raw = Find(section, key);
    if (!raw)
        return def;
    std::string v = UnquoteValue(*raw);
    std::string_view s = Trim(v);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    int value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    // Text, a fraction or a number out of range reads as the default.
    if (s.empty() || ec != std::errc() || end != s.data() + s.size())
        return def;
    return value;
}

std::string IniProfile::ReadString(std::string_view section, std::string_view key,
                                   std::string_view def)
{
    const std::string* raw = Find(section, key);
    return raw ? UnquoteValue(*raw) : std::string(def);
}

bool IniProfile::WriteInt(std::string_view section, std::string_view key, int value)
{
    Set(section, key, std::to_string(value));
    return true;
}

bool IniProfile::WriteString(std::string_view section, std::string_view key,
                             std::string_view value)
{
    Set(section, key, QuoteValue(value));
    return true;
}

IniFile::IniFile(std::string path) : path_(std::move(path))
{
    Reload();
}

void IniFile::Reload()
{
    std::string text;
    int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        char buf[8192];
        while (text.size() < kMaxProfileBytes) {
            ssize_t n = read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            text.append(buf, static_cast<size_t>(n));
        }
        close(fd);
    }
    if (text.size() > kMaxProfileBytes)
        text.resize(kMaxProfileBytes);
    Parse(text);
}

bool IniFile::Flush()
{
    if (path_.empty() || !MakeParents(path_))
        return false;
    std::string tmp = path_ + ".tmp";
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, Serialize()) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (!ok || rename(tmp.c_str(), path_.c_str()) != 0) {
        unlink(tmp.c_str());
        return false;
    }
    return true;
}

std::string DefaultProfilePath()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/')
            return {};
        base = std::string(home) + "/.config";
    }
    return base + "/Brenwick/car.ini";
}

}  // namespace car
