#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/transfer/ZmTestUtil.h"

using namespace zmtest;

namespace {
const std::string kTool = VELO_ZMODEM;
}

TEST(VeloZmodem, SendsToItselfPlainAndEscaped)
{
    for (bool escape : {false, true}) {
        const std::string in = TempDir("in"), out = TempDir("out");
        std::vector<std::string> send = {kTool, "send"};
        std::vector<std::string> recv = {kTool, "receive"};
        if (escape) {
            send.push_back("--escape");
            recv.push_back("--escape");
        }
        std::vector<std::vector<uint8_t>> data;
        for (size_t n : {0u, 1u, 1024u, 70000u}) {
            data.push_back(RandomBytes(n, uint32_t(n)));
            const std::string path = in + "/f" + std::to_string(n);
            WriteFile(path, data.back());
            SetMtime(path, 1400000000 + int64_t(n));
            send.push_back(path);
        }
        recv.push_back(out);
        SocketPair sp;
        Child tx(send, sp.fd[0]);
        Child rx(recv, sp.fd[1]);
        sp.CloseEnd(0);
        sp.CloseEnd(1);
        EXPECT_EQ(tx.Wait(30000), 0) << escape;
        EXPECT_EQ(rx.Wait(30000), 0) << escape;
        size_t i = 0;
        for (size_t n : {0u, 1u, 1024u, 70000u}) {
            const std::string got = out + "/f" + std::to_string(n);
            EXPECT_TRUE(ReadFile(got) == data[i++]) << got;
            EXPECT_EQ(Mtime(got), 1400000000 + int64_t(n));
        }
    }
}

TEST(VeloZmodem, ExitStatusTellsWhatHappened)
{
    const std::string in = TempDir("in"), out = TempDir("out");
    SocketPair sp;
    // Usage errors.
    EXPECT_EQ(Child({kTool}, sp.fd[0]).Wait(10000), 2);
    EXPECT_EQ(Child({kTool, "fetch", "x"}, sp.fd[0]).Wait(10000), 2);
    EXPECT_EQ(Child({kTool, "receive", in + "/nodir"}, sp.fd[0]).Wait(10000), 2);
    EXPECT_EQ(Child({kTool, "receive", in, out}, sp.fd[0]).Wait(10000), 2);
    // A file that is not there: the rest is sent, the status says so.
    WriteFile(in + "/here", {1, 2, 3});
    SocketPair link;
    Child tx({kTool, "send", in + "/missing", in + "/here"}, link.fd[0]);
    Child rx({kTool, "receive", out}, link.fd[1]);
    link.CloseEnd(0);
    link.CloseEnd(1);
    EXPECT_EQ(tx.Wait(30000), 1);
    EXPECT_EQ(rx.Wait(30000), 0);
    EXPECT_TRUE(Exists(out + "/here"));
}

TEST(VeloZmodem, InterruptCancelsAndKeepsThePart)
{
    const std::string in = TempDir("in"), out = TempDir("out");
    const auto big = RandomBytes(32 << 20, 9);
    WriteFile(in + "/big", big);
    SocketPair ours, theirs;
    Child rx({kTool, "receive", out}, ours.fd[1]);
    Child tx({"sz", "-q", in + "/big"}, theirs.fd[1]);
    ours.CloseEnd(1);
    theirs.CloseEnd(1);
    {
        // Slow enough to interrupt in the middle.
        Relay relay(theirs.fd[0], ours.fd[0], [](std::vector<uint8_t>&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        });
        for (int i = 0; i < 2000 && ReadFile(out + "/big").size() < (256u << 10); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        rx.Kill(SIGINT);
        EXPECT_EQ(rx.Wait(20000), 1);
        EXPECT_NE(tx.Wait(20000), 0);
    }
    const auto got = ReadFile(out + "/big");
    EXPECT_GT(got.size(), 0u);
    EXPECT_LT(got.size(), big.size());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), big.begin()));
}
