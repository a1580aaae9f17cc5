// Throughput of Feed into the screen model with a surface that draws nothing,
// and of libvterm's vterm_input_write (8-bit mode, with its screen layer) on
// the same bytes. Both take the bytes in 8192-byte deliveries, as the frame
// hands them over. At the end a table gives MB/s of both and the ratio
// (medians when run with --benchmark_repetitions).
#include <benchmark/benchmark.h>
#include <vterm.h>

#include <cstdio>
#include <map>
#include <string>

#include "base/Outlets.h"
#include "corpora.h"
#include "terminal/TermSurface.h"
#include "terminal/Terminal.h"

namespace {

constexpr size_t kCorpusBytes = 8u << 20;
constexpr int kDelivery = 8192;

struct QuietSurface : velo::TermSurface {
    void Scroll(int, int, int) override {}
    void Damage(int, int, int) override {}
    void Shape(const velo::TermShape&) override {}
};

const std::string& Corpus(int which)
{
    static const std::string corpora[3] = {velo::bench::PlainCorpus(kCorpusBytes),
                                           velo::bench::AnsiArtCorpus(kCorpusBytes),
                                           velo::bench::HangulCorpus(kCorpusBytes)};
    return corpora[which];
}

void BM_Velo(benchmark::State& state)
{
    const std::string& c = Corpus(static_cast<int>(state.range(0)));
    QuietSurface surface;
    velo::MemorySettingsStore settings;
    velo::NullFrameSink frame;
    velo::SharedFlags flags;
    velo::Terminal term(velo::Outlets{settings, frame, flags});
    term.SetSurface(&surface);
    const auto* p = reinterpret_cast<const uint8_t*>(c.data());
    for (auto _ : state) {
        for (size_t done = 0; done < c.size();) {
            const int n = static_cast<int>(std::min<size_t>(kDelivery, c.size() - done));
            done += static_cast<size_t>(term.Feed(p + done, n));
        }
        benchmark::DoNotOptimize(term.CursorRow());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.size()));
}

void BM_Libvterm(benchmark::State& state)
{
    const std::string& c = Corpus(static_cast<int>(state.range(0)));
    VTerm* vt = vterm_new(28, 80);
    vterm_set_utf8(vt, 0);
    VTermScreen* screen = vterm_obtain_screen(vt);
    vterm_screen_reset(screen, 1);
    for (auto _ : state) {
        for (size_t done = 0; done < c.size();) {
            const size_t n = std::min<size_t>(kDelivery, c.size() - done);
            done += vterm_input_write(vt, c.data() + done, n);
        }
        VTermPos pos;
        vterm_state_get_cursorpos(vterm_obtain_state(vt), &pos);
        benchmark::DoNotOptimize(pos.row);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.size()));
    vterm_free(vt);
}

const char* kNames[3] = {"plain", "ansi-art", "hangul"};

BENCHMARK(BM_Velo)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Libvterm)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Keeps bytes per second of every run for the closing table.
class TableReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> rate;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            // With repetitions, the median stands for the benchmark.
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median")
                continue;
            auto it = r.counters.find("bytes_per_second");
            if (it != r.counters.end())
                rate[r.run_name.function_name + "/" + r.run_name.args] = it->second.value;
        }
    }
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-10s %12s %12s %8s\n", "corpus", "velo MB/s", "vterm MB/s", "ratio");
    for (int i = 0; i < 3; ++i) {
        const double v = reporter.rate["BM_Velo/" + std::to_string(i)] / 1e6;
        const double l = reporter.rate["BM_Libvterm/" + std::to_string(i)] / 1e6;
        if (v > 0 && l > 0)
            std::printf("%-10s %12.1f %12.1f %7.1fx\n", kNames[i], v, l, v / l);
    }
    benchmark::Shutdown();
    return 0;
}
