#include "corpora.h"

#include <cstdint>

namespace velo::bench {

namespace {
// A small fixed generator: the corpora are the same on every machine.
struct Rng {
    uint64_t s;
    uint32_t Next()
    {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(s >> 33);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
};

void Word(std::string& out, Rng& rng)
{
    const int len = 2 + rng.Below(8);
    for (int i = 0; i < len; ++i)
        out += static_cast<char>('a' + rng.Below(26));
}
}  // namespace

std::string PlainCorpus(size_t bytes)
{
    Rng rng{1};
    std::string out;
    out.reserve(bytes + 128);
    while (out.size() < bytes) {
        const int width = 40 + rng.Below(38);
        const size_t start = out.size();
        while (out.size() - start < static_cast<size_t>(width)) {
            Word(out, rng);
            out += ' ';
        }
        out += "\r\n";
    }
    return out;
}

std::string AnsiArtCorpus(size_t bytes)
{
    Rng rng{2};
    std::string out;
    out.reserve(bytes + 128);
    static const char kArt[] = " .:-=+*#%@\xb0\xb1\xb2\xdb";
    while (out.size() < bytes) {
        // One line of art: start somewhere, erase the rest, then coloured
        // runs of two to four characters across the line.
        out += "\x1b[" + std::to_string(1 + rng.Below(28)) + ";" + std::to_string(1 + rng.Below(4)) + "H\x1b[K";
        for (int col = 0; col < 72;) {
            out += "\x1b[";
            if (rng.Below(3) == 0)
                out += "1;";
            out += std::to_string(30 + rng.Below(8)) + ";" + std::to_string(40 + rng.Below(8)) + "m";
            const int run = 2 + rng.Below(3);
            for (int i = 0; i < run; ++i)
                out += kArt[rng.Below(10)];
            col += run;
            if (rng.Below(12) == 0) {
                out += "\x1b[" + std::to_string(1 + rng.Below(3)) + "C";
                col += 2;
            }
        }
        out += "\x1b[0m\r\n";
    }
    return out;
}

std::string HangulCorpus(size_t bytes)
{
    Rng rng{3};
    std::string out;
    out.reserve(bytes + 128);
    while (out.size() < bytes) {
        const size_t start = out.size();
        const int width = 40 + rng.Below(36);
        while (out.size() - start < static_cast<size_t>(width)) {
            if (rng.Below(4) == 0) {
                Word(out, rng);
            } else {
                const int n = 1 + rng.Below(5);
                for (int i = 0; i < n; ++i) {
                    // The 2350 syllables of KS C 5601: rows 0xB0..0xC8.
                    out += static_cast<char>(0xB0 + rng.Below(25));
                    out += static_cast<char>(0xA1 + rng.Below(94));
                }
            }
            out += ' ';
        }
        out += "\r\n";
    }
    return out;
}

}  // namespace velo::bench
