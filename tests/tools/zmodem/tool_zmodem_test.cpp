#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
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

// --help is the usage on standard output and 0; a usage error is one line on
// standard error naming what is wrong, and 2. Nothing is transferred.
TEST(VeloZmodem, HelpAndUsageErrors)
{
    const std::string in = TempDir("in");
    WriteFile(in + "/plain", {1});
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string text;
    };
    const Case cases[] = {
        {{"--help"}, 0, "usage: velo-zmodem receive"},
        {{"-h"}, 0, "velo-zmodem send"},
        {{"receive", "--help"}, 0, "usage: velo-zmodem"},
        {{}, 2, "no mode given"},
        {{"fetch", "x"}, 2, "unknown mode 'fetch'"},
        {{"receive"}, 2, "receive needs the folder"},
        {{"receive", in + "/nodir"}, 2, in + "/nodir: No such file"},
        {{"receive", in + "/plain"}, 2, in + "/plain is not a directory"},
        {{"receive", in, in + "/x"}, 2, "'" + in + "/x' is one too many"},
        {{"receive", "--append"}, 2, "--append needs a value"},
        {{"receive", "--append", "4", in}, 2, "--append: '4' is not"},
        {{"receive", "--append", "x", in}, 2, "--append: 'x' is not"},
        {{"send", "--append", "1", in + "/plain"}, 2, "--append is for receive only"},
        {{"send"}, 2, "send needs at least one file"},
        {{"send", "--bogus", in + "/plain"}, 2, "unknown option '--bogus'"},
        {{"receive", "-x", in}, 2, "unknown option '-x'"},
    };
    for (const Case& c : cases) {
        std::string what = "velo-zmodem";
        for (const std::string& a : c.args)
            what += " " + a;
        std::vector<std::string> argv = {kTool};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const std::string outPath = in + "/out", errPath = in + "/err";
        const int out = ::open(outPath.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(out, 0);
        EXPECT_EQ(Child(argv, out, {}, errPath).Wait(10000), c.status) << what;
        ::close(out);
        const auto bytes = [](const std::string& p) {
            const auto v = ReadFile(p);
            return std::string(v.begin(), v.end());
        };
        const std::string text = bytes(c.status == 0 ? outPath : errPath);
        EXPECT_NE(text.find(c.text), std::string::npos) << what << ": " << text;
        EXPECT_EQ(bytes(c.status == 0 ? errPath : outPath), "") << what;
        if (c.status != 0) {
            EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << what << ": " << text;
        }
    }
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
