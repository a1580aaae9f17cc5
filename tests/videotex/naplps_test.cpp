// The sample pictures: every one decodes and draws without a crash or a
// hang, the same whether it arrives whole or in pieces.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "videotex/VtxDecoder.h"
#include "videotex/ui/VtxImageCanvas.h"

using namespace velo;
namespace fs = std::filesystem;

namespace {

std::vector<fs::path> SamplePictures()
{
    std::vector<fs::path> files;
    const fs::path dir = VELO_NAPLPS_DIR;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (e.path().extension() == ".nap")
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string Slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Decodes bytes in pieces of the given sizes (the whole at once if empty).
QImage Render(const std::string& bytes, std::mt19937* pieces)
{
    VtxImageCanvas canvas;
    canvas.SetPauseHandler([](int) {});
    VtxDecoder dec;
    canvas.RebuildFonts(dec.State());
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t at = 0;
    while (at < bytes.size()) {
        size_t n = bytes.size() - at;
        if (pieces)
            n = std::min<size_t>(n, 1 + (*pieces)() % 7);
        dec.Feed(canvas, p + at, n);
        at += n;
    }
    return canvas.Offscreen();
}

}  // namespace

struct NaplpsSamples : ::testing::Test {
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char arg0[] = "test_videotex_naplps";
        static char* argv[] = {arg0, nullptr};
        static QGuiApplication app(argc, argv);
    }
};

TEST_F(NaplpsSamples, EveryPictureDecodesTheSameWholeOrInPieces)
{
    const auto files = SamplePictures();
    if (files.empty())
        GTEST_SKIP() << "no sample pictures in " << VELO_NAPLPS_DIR;
    std::mt19937 rng(5);
    int drawn = 0;
    for (const auto& f : files) {
        const std::string bytes = Slurp(f);
        const QImage whole = Render(bytes, nullptr);
        EXPECT_EQ(Render(bytes, &rng), whole) << f.filename();
        const QImage small = whole.scaled(64, 50);
        bool any = false;
        for (int y = 0; y < small.height() && !any; ++y)
            for (int x = 0; x < small.width() && !any; ++x)
                any = (small.pixel(x, y) & 0xFFFFFF) != 0;
        drawn += any;
    }
    // Nearly all are pictures on a black screen; one or two are black.
    EXPECT_GE(drawn, static_cast<int>(files.size()) - 3);
}

TEST_F(NaplpsSamples, DamagedPicturesStillDrawWithoutFault)
{
    // Real pictures with bytes flipped, cut and repeated: the Qt canvas gets
    // arbitrary geometry, sizes and attributes. The images must stay 640 x
    // 500 and the decoder must finish each one.
    const auto files = SamplePictures();
    if (files.empty())
        GTEST_SKIP() << "no sample pictures in " << VELO_NAPLPS_DIR;
    std::mt19937 rng(11);
    int rendered = 0;
    for (const auto& f : files) {
        std::string bytes = Slurp(f);
        if (bytes.empty())
            continue;
        for (int round = 0; round < 2; ++round) {
            std::string damaged = bytes;
            for (int i = 0; i < 12; ++i)
                damaged[rng() % damaged.size()] = static_cast<char>(rng());
            damaged += damaged.substr(rng() % damaged.size(), 200);
            const QImage img = Render(damaged, &rng);
            EXPECT_EQ(img.size(), QSize(640, 500)) << f.filename();
            ++rendered;
        }
    }
    EXPECT_EQ(rendered, 2 * static_cast<int>(files.size()));
}
