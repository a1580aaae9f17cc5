#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/videotex/HouseStream.h"
#include "videotex/VtxGeometry.h"

using namespace velo;
using velo::test::HouseSpots;
namespace fs = std::filesystem;

namespace {

struct ToolTest : ::testing::Test {
    fs::path dir;
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("velo_vtx_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path Write(const std::string& name, const std::string& bytes)
    {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    int Run(const std::string& args)
    {
        const std::string cmd = std::string(VELO_VTX_TOOL) + " " + args + " >" + (dir / "out").string() +
                                " 2>" + (dir / "err").string();
        const int rc = std::system(cmd.c_str());
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }
    std::string Err() { return Text("err"); }
    std::string Out() { return Text("out"); }
    std::string Text(const char* name)
    {
        std::ifstream in(dir / name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

QRgb At(const QImage& img, VtxPoint p)
{
    return img.pixel(VtxPx(p.x, img.width()), VtxPy(p.y, img.width(), img.height())) & 0xFFFFFF;
}

QRgb Rgb(VtxRgb c) { return qRgb(c.r, c.g, c.b) & 0xFFFFFF; }

// What the colour operand carries of an 8-bit colour: two bits of each
// component per byte, six in all.
VtxRgb Quantised(VtxRgb c)
{
    auto q = [](uint8_t v) { return static_cast<uint8_t>((v * 64 / 255 > 63 ? 63 : v * 64 / 255) * 255 / 64); };
    return {q(c.r), q(c.g), q(c.b)};
}

}  // namespace

TEST_F(ToolTest, RendersTheHouseAtEachWindowSize)
{
    const fs::path pdi = Write("house.pdi", test::HouseStream());
    for (auto [w, h] : {std::pair{640, 500}, {512, 400}, {384, 300}}) {
        const fs::path png = dir / ("house" + std::to_string(w) + ".png");
        ASSERT_EQ(Run(pdi.string() + " -o " + png.string() + " --size " + std::to_string(w) + "x" +
                      std::to_string(h)),
                  0)
            << Err();
        QImage img(QString::fromStdString(png.string()));
        ASSERT_EQ(img.size(), QSize(w, h));
        EXPECT_EQ(At(img, HouseSpots::kSky), Rgb(Quantised(test::kHouseSky))) << w;
        EXPECT_EQ(At(img, HouseSpots::kGrass), Rgb(Quantised(test::kHouseGrass))) << w;
        EXPECT_EQ(At(img, HouseSpots::kWall), Rgb(Quantised(test::kHouseWall))) << w;
        EXPECT_EQ(At(img, HouseSpots::kRoof), Rgb(Quantised(test::kHouseRoof))) << w;
        EXPECT_EQ(At(img, HouseSpots::kDoor), Rgb(Quantised(test::kHouseDoor))) << w;
        EXPECT_EQ(At(img, HouseSpots::kSun), Rgb(Quantised(test::kHouseSun))) << w;
        EXPECT_EQ(At(img, HouseSpots::kFanlight), Rgb(Quantised(test::kHouseSun))) << w;
        // The caption: glyph pixels over the sky in its first two cells and
        // none below them.
        const QRgb sky = Rgb(Quantised(test::kHouseSky));
        auto ink = [&](int y0, int y1) {
            const int x0 = VtxPx(HouseSpots::kCaption.x, w);
            int n = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x0 + w / 10; ++x)
                    n += (img.pixel(x, y) & 0xFFFFFF) != sky;
            return n;
        };
        const int top = VtxPy(HouseSpots::kCaption.y + 0.078125, w, h);
        const int bottom = VtxPy(HouseSpots::kCaption.y, w, h);
        EXPECT_GT(ink(top, bottom), w / 10) << w;
        EXPECT_EQ(ink(bottom + 2, bottom + 20), 0) << w;
    }
}

TEST_F(ToolTest, StopsAtTheEndOfVideotex)
{
    VtxWriter w;
    w.Reset().SetColour({255, 0, 0}).Rect(0.1, 0.1, 0.2, 0.2, true);
    std::string bytes = w.Bytes() + "\x1b%@";
    VtxWriter after;
    after.SetColour({0, 255, 0}).Rect(0.5, 0.1, 0.2, 0.2, true);
    bytes += after.Bytes();
    const fs::path png = dir / "end.png";
    ASSERT_EQ(Run(Write("end.pdi", bytes).string() + " -o " + png.string()), 0) << Err();
    QImage img(QString::fromStdString(png.string()));
    EXPECT_NE(At(img, {0.2, 0.2}), 0u);
    EXPECT_EQ(At(img, {0.6, 0.2}), 0u);
}

TEST_F(ToolTest, ReadsStandardInput)
{
    const fs::path pdi = Write("house.pdi", test::HouseStream());
    const fs::path png = dir / "stdin.png";
    ASSERT_EQ(Run("- -o " + png.string() + " < " + pdi.string()), 0) << Err();
    QImage img(QString::fromStdString(png.string()));
    EXPECT_EQ(At(img, HouseSpots::kRoof), Rgb(Quantised(test::kHouseRoof)));
}

TEST_F(ToolTest, ClearFailures)
{
    EXPECT_EQ(Run(""), 2);
    EXPECT_NE(Err().find("usage"), std::string::npos);
    EXPECT_EQ(Run((dir / "missing.pdi").string() + " -o " + (dir / "x.png").string()), 2);
    EXPECT_NE(Err().find("cannot open"), std::string::npos);
    const fs::path pdi = Write("a.pdi", "\x1f");
    EXPECT_EQ(Run(pdi.string() + " -o " + (dir / "x.png").string() + " --size 800x600"), 2);
    EXPECT_NE(Err().find("bad size"), std::string::npos);
    EXPECT_EQ(Run(pdi.string() + " -o " + (dir / "no" / "such" / "x.png").string()), 1);
    EXPECT_NE(Err().find("cannot write"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "x.png"));
}

// --help is the usage on standard output and 0; a usage error is one line on
// standard error naming what is wrong, and 2, and writes no picture.
TEST_F(ToolTest, HelpAndUsageErrors)
{
    const std::string pdi = Write("a.pdi", "\x1f").string(), png = (dir / "x.png").string();
    const std::string missing = (dir / "missing.pdi").string();
    const struct {
        std::string args;
        int status;
        std::string text;
    } cases[] = {
        {"--help", 0, "usage: velo-vtx"},
        {"-h", 0, "usage: velo-vtx"},
        {pdi + " -o " + png + " --help", 0, "--size WxH"},
        {"", 2, "no picture file given"},
        {pdi, 2, "no output file given"},
        {pdi + " -o", 2, "-o needs a value"},
        {pdi + " -o " + png + " --size", 2, "--size needs a value"},
        {pdi + " -o " + png + " --size 0x100", 2, "bad size '0x100'"},
        {pdi + " -o " + png + " --size abc", 2, "bad size 'abc'"},
        {pdi + " -o " + png + " --size 641x500", 2, "bad size '641x500'"},
        {pdi + " -o " + png + " --size 640x500x", 2, "bad size '640x500x'"},
        {pdi + " -o " + png + " --colour red", 2, "unknown option '--colour'"},
        {pdi + " " + pdi + " -o " + png, 2, "'" + pdi + "' is one too many"},
        {missing + " -o " + png, 2, "cannot open " + missing + ": No such file"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.args), c.status) << c.args;
        const std::string text = c.status == 0 ? Out() : Err();
        EXPECT_NE(text.find(c.text), std::string::npos) << c.args << ": " << text;
        EXPECT_EQ(c.status == 0 ? Err() : Out(), "") << c.args;
        if (c.status != 0) {
            EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << c.args << ": " << text;
        }
        EXPECT_FALSE(fs::exists(png)) << c.args;
    }
}
