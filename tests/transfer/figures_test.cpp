// The transfer window's figures and the text-file upload, without a window.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/TestKit.h"
#include "transfer/TextUpload.h"
#include "transfer/TransferFigures.h"

using namespace velo::zm;

TEST(TransferFigures, PercentTruncatesStaysInRangeAndNeverDividesByZero)
{
    struct {
        int64_t done, total;
        int want;
    } cases[] = {
        {4096, 9000, 45},  // a resume of 4096 of 9000 starts the bar at 45
        {0, 9000, 0},      {8999, 9000, 99}, {9000, 9000, 100},
        {12000, 9000, 100},  // resumed starts counted twice never pass 100
        {500, 0, 0},         // nothing announced
        {0, 0, 0},         {100, -5, 0},
        {int64_t(1) << 60, (int64_t(1) << 61), 50},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Percent(c.done, c.total), c.want) << c.done << "/" << c.total;
}

TEST(TransferFigures, TickRatesTimesAndWhenNothingChanges)
{
    ProgressView v;
    v.started = true;
    v.startMs = 10000;
    v.totalBytes = 9000;
    v.overallBytes = 6000;
    v.movedBytes = 2000;  // 4096 came from a resume
    v.fileNumber = 2;

    TickFigures f = Tick(v, 12000, 0);  // 2 s: 1000 bytes/s, 3000 left
    EXPECT_TRUE(f.changed);
    EXPECT_EQ(f.rate, 1000);
    EXPECT_EQ(f.elapsedS, 2);
    EXPECT_EQ(f.remainingS, 3);
    EXPECT_EQ(f.percent, 66);
    EXPECT_EQ(f.fileNumber, 2);  // receive: the number itself

    v.direction = 1;
    EXPECT_EQ(Tick(v, 12000, 0).fileNumber, 3);  // send: index + 1

    EXPECT_FALSE(Tick(v, 13000, 2000).changed);  // no byte since the last tick
    v.started = false;
    EXPECT_FALSE(Tick(v, 13000, 0).changed);  // the clock has not started

    // The first tick at the very start, and a total of 0: no division fails.
    v.started = true;
    v.totalBytes = 0;
    f = Tick(v, v.startMs, 0);
    EXPECT_TRUE(f.changed);
    EXPECT_EQ(f.rate, 0);
    EXPECT_EQ(f.remainingS, 0);
    EXPECT_EQ(f.percent, 0);
}

TEST(TransferFigures, ClockTextAndPercentPictures)
{
    EXPECT_EQ(FormatClock(0), "00:00:00");
    EXPECT_EQ(FormatClock(3725), "01:02:05");
    EXPECT_EQ(FormatClock(100 * 3600 + 59), "100:00:59");
    EXPECT_EQ(FormatClock(-3), "00:00:00");
    const int P = kPercentPicture;
    struct {
        int percent;
        std::vector<int> want;
    } cases[] = {{0, {0, P}}, {7, {7, P}}, {45, {4, 5, P}}, {99, {9, 9, P}}, {100, {1, 0, 0, P}},
                 {130, {1, 0, 0, P}}, {-4, {0, P}}};
    for (const auto& c : cases)
        EXPECT_EQ(PercentPictures(c.percent), c.want) << c.percent;
}

namespace {

struct Chunks {
    std::vector<std::string> got;
    int fail = -1;  // the call that fails
    TextWriter Writer()
    {
        return [this](const uint8_t* p, int n) {
            if (int(got.size()) == fail)
                return -1;
            got.emplace_back(reinterpret_cast<const char*>(p), size_t(n));
            return n;
        };
    }
};

std::string Write(const std::string& path, const std::string& data)
{
    std::ofstream(path, std::ios::binary) << data;
    return path;
}

}  // namespace

TEST(TextUpload, ChunksOf1024WithLineFeedsRemoved)
{
    velo::test::TempDir dir("text");
    std::string crlf;
    while (crlf.size() < 2048)
        crlf += "line\r\n";
    crlf.resize(2048);
    std::string lfOnly = crlf;
    std::erase(lfOnly, '\r');
    lfOnly.resize(1500, 'x');
    struct {
        const char* what;
        std::string data;
        std::vector<size_t> sizes;  // per chunk, after LF removal
    } cases[] = {
        {"exactly 2048: two chunks and an empty one", std::string(2048, 'a'), {1024, 1024, 0}},
        {"empty file: one empty chunk", "", {0}},
        {"1500 bytes", std::string(1500, 'b'), {1024, 476}},
        {"CR LF lines end in CR alone", crlf, {}},
        {"LF-only lines lose their breaks", lfOnly, {}},
    };
    for (auto& c : cases) {
        Chunks k;
        const std::string path = Write(dir.Path() + "/f", c.data);
        ASSERT_EQ(SendTextFile(path, k.Writer()), TextUploadResult::Sent) << c.what;
        std::string all;
        for (const auto& g : k.got)
            all += g;
        std::string want = c.data;
        std::erase(want, '\n');
        EXPECT_EQ(all, want) << c.what;
        EXPECT_EQ(k.got.size(), c.data.size() / 1024 + 1) << c.what;
        if (!c.sizes.empty()) {
            std::vector<size_t> sizes;
            for (const auto& g : k.got)
                sizes.push_back(g.size());
            EXPECT_EQ(sizes, c.sizes) << c.what;
        }
    }
    // The chunk boundaries fall on the file's bytes, not on the bytes sent:
    // the first chunk of the CR LF file is 1024 bytes less its line feeds.
    Chunks k;
    SendTextFile(Write(dir.Path() + "/g", crlf), k.Writer());
    std::string first = crlf.substr(0, 1024);
    std::erase(first, '\n');
    EXPECT_EQ(k.got[0], first);
}

TEST(TextUpload, WhatCannotBeSent)
{
    velo::test::TempDir dir("text");
    Chunks k;
    EXPECT_EQ(SendTextFile(dir.Path() + "/missing", k.Writer()), TextUploadResult::CannotOpen);
    EXPECT_EQ(SendTextFile(dir.Path(), k.Writer()), TextUploadResult::CannotOpen);  // a folder
    const std::string fifo = dir.Path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(SendTextFile(fifo, k.Writer()), TextUploadResult::CannotOpen);  // never blocks
    EXPECT_EQ(SendTextFile("/dev/zero", k.Writer()), TextUploadResult::CannotOpen);  // never ends
    EXPECT_TRUE(k.got.empty());
    if (::geteuid() != 0) {
        const std::string locked = Write(dir.Path() + "/locked", "x");
        ::chmod(locked.c_str(), 0);
        EXPECT_EQ(SendTextFile(locked, k.Writer()), TextUploadResult::CannotOpen);
    }
    // A writer that fails stops the file at once.
    Chunks failing;
    failing.fail = 1;
    EXPECT_EQ(SendTextFile(Write(dir.Path() + "/big", std::string(5000, 'z')), failing.Writer()),
              TextUploadResult::WriteFailed);
    EXPECT_EQ(failing.got.size(), 1u);
}
