#include "connect/PasswordCodec.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <random>

namespace velo {

namespace {

// T: a Fisher-Yates shuffle of 0..255 driven by a fixed linear congruential
// sequence, made at compile time; and its inverse. Passwords stored by a
// build with another table do not read back.
constexpr std::array<uint8_t, 256> MakePermutation()
{
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[size_t(i)] = uint8_t(i);
    uint32_t x = 0x7E11'0A5Du;
    for (int i = 255; i > 0; --i) {
        x = x * 1103515245u + 12345u;
        int j = int((x >> 16) % uint32_t(i + 1));
        uint8_t tmp = t[size_t(i)];
        t[size_t(i)] = t[size_t(j)];
        t[size_t(j)] = tmp;
    }
    return t;
}

constexpr std::array<uint8_t, 256> Invert(const std::array<uint8_t, 256>& t)
{
    std::array<uint8_t, 256> inv{};
    for (int i = 0; i < 256; ++i)
        inv[t[size_t(i)]] = uint8_t(i);
    return inv;
}

constexpr std::array<uint8_t, 256> kT = MakePermutation();
constexpr std::array<uint8_t, 256> kTInverse = Invert(kT);

// Three decimal digits 000..255; -1 for anything else.
int Group(std::string_view s)
{
    int v = 0;
    for (char c : s.substr(0, 3)) {
        if (c < '0' || c > '9')
            return -1;
        v = v * 10 + (c - '0');
    }
    return v <= 255 ? v : -1;
}

// Well-formed UTF-8 without control characters: what the entry dialog lets a
// user type. When the length limit cut the text, a character it left
// incomplete at the end is dropped.
bool TypableText(std::string* s, bool cut)
{
    size_t i = 0, n = s->size();
    while (i < n) {
        const uint8_t b = uint8_t((*s)[i]);
        int len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (len == 0 || (len == 2 && b < 0xC2) || (len == 4 && b > 0xF4))
            return false;
        if (len == 1 && (b < 0x20 || b == 0x7F))
            return false;
        if (i + size_t(len) > n) {
            if (!cut)
                return false;
            for (size_t k = i + 1; k < n; ++k)
                if ((uint8_t((*s)[k]) & 0xC0) != 0x80)
                    return false;
            s->resize(i);
            return true;
        }
        for (int k = 1; k < len; ++k)
            if ((uint8_t((*s)[i + size_t(k)]) & 0xC0) != 0x80)
                return false;
        i += size_t(len);
    }
    return true;
}

}  // namespace

std::string ScramblePassword(std::string_view password, uint32_t seed)
{
    if (password.empty())
        return {};
    std::minstd_rand rng(seed);
    const int k = int(rng() % 256);
    const int filler = int(rng() % 256);
    char group[8];
    std::snprintf(group, sizeof group, "%03d%03d", k, filler);
    std::string out = group;
    for (char c : password) {
        std::snprintf(group, sizeof group, "%03d%03d", k ^ kT[uint8_t(c)], int(rng() % 256));
        out += group;
    }
    return out;
}

std::string ScramblePassword(std::string_view password)
{
    // The monotonic clock counts from the system's start.
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now().time_since_epoch())
                  .count();
    return ScramblePassword(password, uint32_t(ms / 10 + 7));
}

PasswordDecode DecodePassword(std::string_view stored, std::string* out)
{
    out->clear();
    if (stored.size() % 6 != 0 || stored.size() < 12)
        return PasswordDecode::Ok;
    const int k = Group(stored);
    if (k < 0)
        return PasswordDecode::Bad;
    std::string pw;
    size_t at = 6;
    for (; at < stored.size() && pw.size() < size_t(kPasswordMaxBytes); at += 6) {
        const int d = Group(stored.substr(at));
        if (d < 0)
            return PasswordDecode::Bad;
        pw += char(kTInverse[uint8_t(k ^ d)]);
    }
    // Digits edited by hand decode to arbitrary bytes: a NUL or a CR would
    // cut or end the answer sent to the host, so they are refused too.
    if (!TypableText(&pw, at < stored.size()))
        return PasswordDecode::Bad;
    *out = std::move(pw);
    return PasswordDecode::Ok;
}

}  // namespace velo
