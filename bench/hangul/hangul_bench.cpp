// Costs of the codec on the paths that run per drawn character and per copied
// screen: DisplayPair in both codes and DecodeToUtf8 of a mixed 80 x 28
// screen. Baseline in the same run: glibc iconv decoding the same bytes.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>

#include "terminal/HangulCodec.h"

namespace {

using velo::hangul::DisplayCode;

// 28 lines of 80 cells: Hangul syllables, ASCII and the odd symbol.
std::string Screen(DisplayCode code) {
    std::string line;
    for (int i = 0; line.size() < 78; ++i) {
        if (i % 3 == 2) {
            line += "ab";
        } else {
            const uint16_t ks = static_cast<uint16_t>((0xB0 + i * 7 % 25) << 8 | (0xA1 + i * 13 % 94));
            const uint16_t c = code == DisplayCode::Ks ? ks : velo::hangul::KsToJohab(ks);
            line += static_cast<char>(c >> 8);
            line += static_cast<char>(c & 0xFF);
        }
    }
    std::string screen;
    for (int r = 0; r < 28; ++r) screen += line + "\r\n";
    return screen;
}

void BM_DisplayPair(benchmark::State& state) {
    const auto code = static_cast<DisplayCode>(state.range(0));
    const std::string s = Screen(code);
    size_t i = 0;
    for (auto _ : state) {
        while (static_cast<unsigned char>(s[i]) < 0x80) i = (i + 1) % (s.size() - 1);
        benchmark::DoNotOptimize(velo::hangul::DisplayPair(s[i], s[i + 1], code));
        i = (i + 2) % (s.size() - 1);
    }
}
BENCHMARK(BM_DisplayPair)->Arg(0)->Arg(1);

void BM_DecodeScreen(benchmark::State& state) {
    const auto code = static_cast<DisplayCode>(state.range(0));
    const std::string s = Screen(code);
    for (auto _ : state) benchmark::DoNotOptimize(velo::hangul::DecodeToUtf8(s, code));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size()));
}
BENCHMARK(BM_DecodeScreen)->Arg(0)->Arg(1);

void BM_IconvScreenBaseline(benchmark::State& state) {
    const auto code = static_cast<DisplayCode>(state.range(0));
    const std::string s = Screen(code);
    iconv_t cd = iconv_open("UTF-8", code == DisplayCode::Ks ? "CP949" : "JOHAB");
    std::string out(s.size() * 3, '\0');
    for (auto _ : state) {
        char* ip = const_cast<char*>(s.data());
        char* op = out.data();
        size_t il = s.size(), ol = out.size();
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1)) {
            state.SkipWithError("iconv stopped early");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    iconv_close(cd);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size()));
}
BENCHMARK(BM_IconvScreenBaseline)->Arg(0)->Arg(1);

}  // namespace
