// Decoding and drawing a picture of 10 000 primitives on the 640 x 500
// canvas: lines, outlined and filled rectangles, filled polygons, arcs,
// points and text, with the colour changing every ten. Baselines from the
// same run: the decoder alone (a canvas that draws nothing) and the same
// shapes drawn straight with one QPainter (the rasteriser's own cost).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <random>
#include <string>

#include "videotex/VtxDecoder.h"
#include "videotex/VtxWriter.h"
#include "videotex/ui/VtxImageCanvas.h"

using namespace velo;

namespace {

constexpr int kPrimitives = 10000;

struct Picture {
    std::string stream;
    std::vector<QRect> rects;  // the same shapes as pixel boxes, for the baseline
};

const Picture& TenThousand()
{
    static const Picture pic = [] {
        Picture p;
        std::mt19937 rng(42);
        std::uniform_real_distribution<double> pos(0.0, 0.75), size(0.01, 0.2);
        VtxWriter w;
        w.Reset();
        for (int i = 0; i < kPrimitives; ++i) {
            if (i % 10 == 0)
                w.SetColour({static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()),
                             static_cast<uint8_t>(rng())});
            const double x = pos(rng), y = pos(rng), dx = size(rng), dy = size(rng);
            p.rects.emplace_back(int(x * 640), 500 - int((y + dy) * 640), int(dx * 640),
                                 int(dy * 640));
            switch (i % 10) {
            case 0:
            case 1:
                w.MoveTo(x, y).LineTo(x + dx, y + dy);
                break;
            case 2:
            case 3:
                w.Rect(x, y, dx, dy, false);
                break;
            case 4:
            case 5:
                w.Rect(x, y, dx, dy, true);
                break;
            case 6: {
                const VtxPoint v[] = {{x, y}, {x + dx, y}, {x + dx, y + dy}, {x + dx / 2, y + dy * 1.2},
                                      {x, y + dy}};
                w.Polygon(v, 5, true);
                break;
            }
            case 7:
                w.ArcTo({x, y}, {x + dx / 2, y + dy / 2}, {x + dx, y}, i % 20 == 7);
                break;
            case 8:
                w.Opcode(0x26).Coord(x, y);
                break;
            default:
                w.TextAt(x, y, "A");
                break;
            }
        }
        p.stream = w.Bytes();
        return p;
    }();
    return pic;
}

struct NullCanvas : VtxCanvas {
    int Width() const override { return 640; }
    void Point(const VtxState&, VtxPoint) override { ++n; }
    void Line(const VtxState&, VtxPoint, VtxPoint) override { ++n; }
    void Rect(const VtxState&, VtxPoint, VtxPoint, bool) override { ++n; }
    void Arc(const VtxState&, VtxPoint, VtxPoint, VtxPoint, bool) override { ++n; }
    void Polygon(const VtxState&, int, bool) override { ++n; }
    void Text(const VtxState&, uint16_t, bool) override { ++n; }
    void Clear(const VtxState&, VtxRgb) override {}
    void RebuildFonts(const VtxState&) override {}
    void Beep() override {}
    void Pause(int) override {}
    long n = 0;
};

void Feed(VtxDecoder& dec, VtxCanvas& canvas, const std::string& s)
{
    dec.Feed(canvas, reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

void BM_DecodeAndDraw640x500(benchmark::State& state)
{
    const Picture& pic = TenThousand();
    for (auto _ : state) {
        VtxImageCanvas canvas(640, 500);
        VtxDecoder dec;
        canvas.RebuildFonts(dec.State());
        Feed(dec, canvas, pic.stream);
        benchmark::DoNotOptimize(canvas.Offscreen().constBits());
    }
    state.counters["primitives/s"] =
        benchmark::Counter(kPrimitives, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["stream_bytes"] = static_cast<double>(pic.stream.size());
}

void BM_DecodeOnly(benchmark::State& state)
{
    const Picture& pic = TenThousand();
    for (auto _ : state) {
        NullCanvas canvas;
        VtxDecoder dec;
        Feed(dec, canvas, pic.stream);
        benchmark::DoNotOptimize(canvas.n);
    }
    state.counters["primitives/s"] =
        benchmark::Counter(kPrimitives, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_QPainterDirectBaseline(benchmark::State& state)
{
    const Picture& pic = TenThousand();
    for (auto _ : state) {
        QImage img(640, 500, QImage::Format_RGB32);
        img.fill(Qt::black);
        QPainter p(&img);
        int i = 0;
        for (const QRect& r : pic.rects) {
            p.setPen(QColor::fromRgb(0xFF000000u | (i * 2654435761u)));
            if (i % 10 == 4 || i % 10 == 5)
                p.setBrush(Qt::white);
            else
                p.setBrush(Qt::NoBrush);
            if (i % 10 < 2)
                p.drawLine(r.topLeft(), r.bottomRight());
            else if (i % 10 == 7)
                p.drawArc(r, 0, 180 * 16);
            else
                p.drawRect(r);
            ++i;
        }
        p.end();
        benchmark::DoNotOptimize(img.constBits());
    }
}

}  // namespace

BENCHMARK(BM_DecodeAndDraw640x500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPainterDirectBaseline)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
