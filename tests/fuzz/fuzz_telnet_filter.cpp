// Feeds the telnet receive filter arbitrary host bytes, once whole and once
// cut into blocks chosen by the input itself. Both runs must keep the same
// data bytes and send the same replies (a command split across reads behaves
// as if it came whole); the data never grows; every reply is a well-formed
// telnet command.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "connect/TelnetFilter.h"

namespace {

struct Sink : velo::TelnetReplySink {
    std::string all;
    void Reply(const uint8_t* d, int n) override
    {
        if (n < 3 || d[0] != velo::telnet::IAC)
            std::abort();
        if (d[1] == velo::telnet::SB) {
            if (n < 5 || d[n - 2] != velo::telnet::IAC || d[n - 1] != velo::telnet::SE)
                std::abort();
        } else if (n != 3 || d[1] < velo::telnet::WILL) {
            std::abort();
        }
        all.append(reinterpret_cast<const char*>(d), n);
    }
};

std::string Run(const uint8_t* data, size_t size, const std::vector<size_t>& cuts, std::string* replies)
{
    velo::TelnetFilter f;
    f.SetTerminal(data[0] % 3, data[0], size > 1 ? data[1] : 24);
    Sink sink;
    std::string kept;
    size_t at = 0;
    for (size_t i = 0; i <= cuts.size(); ++i) {
        size_t end = i < cuts.size() ? cuts[i] : size;
        std::vector<uint8_t> block(data + at, data + end);
        int n = f.Run(block.data(), static_cast<int>(block.size()), sink);
        if (n < 0 || static_cast<size_t>(n) > block.size())
            std::abort();
        kept.append(reinterpret_cast<const char*>(block.data()), n);
        at = end;
    }
    *replies = sink.all;
    return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    std::vector<size_t> cuts;
    size_t at = 0;
    for (size_t i = 0; i < size && i < 64; ++i) {
        at += 1 + data[size - 1 - i] % 29;
        if (at >= size)
            break;
        cuts.push_back(at);
    }
    std::string wholeReplies, splitReplies;
    std::string whole = Run(data, size, {}, &wholeReplies);
    std::string split = Run(data, size, cuts, &splitReplies);
    if (whole != split || wholeReplies != splitReplies || whole.size() > size)
        std::abort();
    return 0;
}
