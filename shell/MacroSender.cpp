#include "shell/MacroSender.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>


namespace velo {

namespace {

// The English abbreviations of the default C locale, independent of the
// locale the desktop set for the process.
constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

std::string FormatDate(std::time_t now)
{
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s/%02d/%02d/%04d", kDays[tm.tm_wday % 7], tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_year + 1900);
    return buf;
}

std::string FormatTime(std::time_t now)
{
    std::tm tm{};
    localtime_r(&now, &tm);
    int h12 = tm.tm_hour % 12;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d%s", h12 == 0 ? 12 : h12, tm.tm_min, tm.tm_sec,
                  tm.tm_hour < 12 ? "AM" : "PM");
    return buf;
}

// The four-state expansion shared by sending and previewing. emit() gets
// each run of bytes that goes out as one write; wait() each "\w".
template <class Emit, class Wait>
void Expand(const uint8_t* s, int len, std::time_t (*clock)(), Emit emit, Wait wait)
{
    enum { Plain, Escape, Number, Separator } st = Plain;
    uint8_t number = 0;
    auto one = [&](uint8_t b) { emit(&b, 1); };
    auto text = [&](const std::string& t) {
        emit(reinterpret_cast<const uint8_t*>(t.data()), int(t.size()));
    };
    for (int i = 0; i < len; ++i) {
        uint8_t c = s[i];
        switch (st) {
        case Plain:
            if (c == '\\')
                st = Escape;
            else if (c == '|')
                st = Separator;
            else
                one(c);
            break;
        case Escape:
            st = Plain;
            if (c >= '0' && c <= '9') {
                number = uint8_t(c - '0');
                st = Number;
            } else if (c == '|') {
                st = Separator;
            } else {
                switch (c | 0x20) {
                case 'a': one(0x07); break;  // BEL
                case 'd': text(FormatDate(clock())); break;
                case 'e': one(0x1B); break;  // ESC
                case 'n': one(0x0A); break;  // LF
                case 'r': one(0x0D); break;  // CR
                case 't': text(FormatTime(clock())); break;
                case 'w': wait(); break;
                case 'z': one(0x1A); break;  // SUB
                default: one(c); break;
                }
            }
            break;
        case Number:
            if (c >= '0' && c <= '9') {
                number = uint8_t(number * 10 + (c - '0'));
            } else {
                one(number);
                if (c == '\\')
                    st = Escape;
                else if (c == '|')
                    st = Separator;
                else {
                    one(c);
                    st = Plain;
                }
            }
            break;
        case Separator:
            if (c == '\\')
                st = Escape;
            else {
                one(c);
                st = Plain;
            }
            break;
        }
    }
    if (st == Number)
        one(number);
}

std::time_t Now() { return std::time(nullptr); }

}  // namespace

MacroSender::MacroSender(WriteFn write, WaitFn wait) : write_(std::move(write)), wait_(std::move(wait)) {}

void MacroSender::SetWait(WaitFn wait)
{
    std::lock_guard lock(mutex_);
    wait_ = std::move(wait);
}

void MacroSender::Send(const uint8_t* text, int len) const
{
    if (!text || len <= 0)
        return;
    WaitFn wait;
    {
        std::lock_guard lock(mutex_);
        wait = wait_;
    }
    // One byte per write, except the date and time, which go out whole.
    auto emit = [&](const uint8_t* p, int n) {
        if (write_)
            write_(p, n);
    };
    auto doWait = [&] {
        if (wait)
            wait(250);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
    };
    Expand(text, len, &Now, emit, doWait);
}

void MacroSender::Write(const uint8_t* data, int len) const
{
    if (write_ && data && len > 0)
        write_(data, len);
}

std::string MacroExpand(std::string_view text, std::time_t now)
{
    static thread_local std::time_t fixed;
    fixed = now;
    std::string out;
    Expand(
        reinterpret_cast<const uint8_t*>(text.data()), int(text.size()), [] { return fixed; },
        [&](const uint8_t* p, int n) { out.append(reinterpret_cast<const char*>(p), size_t(n)); },
        [] {});
    return out;
}

}  // namespace velo
