// The engine against lrzsz: sz and rz run as child processes on one end of a
// socketpair; our receiver or sender runs behind the connection facade on the
// other end (an FdLine in the serial slot, or the telnet slot where stated).
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ZmTestUtil.h"
#include "base/CommandIds.h"
#include "connect/Conn.h"
#include "base/Flags.h"
#include "base/FrameSink.h"
#include "base/SettingsStore.h"
#include "transfer/FdLine.h"
#include "transfer/ZmCrc.h"
#include "transfer/ZmReceive.h"
#include "transfer/ZmSend.h"
#include "transfer/ZmThread.h"
#include "support/TestKit.h"

using namespace velo;
using namespace velo::zm;
using namespace zmtest;

namespace {

constexpr int kLimitMs = 60000;  // no child outlives this

// Our end of the connection, behind a facade of its own: over its own
// outlets, or over the ones given (a test's settings, sink or flags).
struct FacadeEnd {
    velo::test::TestOutlets own;
    Outlets out;
    ConnFacade conn{out};
    FdLine line;
    FacadeIo io{conn};
    explicit FacadeEnd(int fd, bool asTelnet = false, const Outlets* with = nullptr)
        : out(with ? *with : own.out), line(out.flags, fd, fd)
    {
        out.flags.ConnState.Reset();
        out.flags.ConnState.Connected = true;
        if (asTelnet)
            conn.SetTelnetLine(&line);
        else
            conn.SetSerialLine(&line);
    }
    ~FacadeEnd()
    {
        conn.SetSerialLine(nullptr);
        conn.SetTelnetLine(nullptr);
    }
    ZmReceiveOptions Options() { return {&out.settings, nullptr, nullptr}; }
};

// Kills a child when the time runs out, so that a stuck exchange ends as a
// lost connection instead of hanging the test.
class Watchdog {
public:
    Watchdog(Child& c, int ms) : thread_([this, &c, ms] {
        std::unique_lock lock(m_);
        if (!cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return done_; }))
            c.Kill(SIGKILL);
    }) {}
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_);
            done_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool done_ = false;
    std::thread thread_;
};

struct Source {
    std::string path;
    std::vector<uint8_t> data;
    int64_t mtime;
};

std::vector<Source> MakeSources(const std::string& dir, const std::vector<size_t>& sizes)
{
    std::vector<Source> v;
    int64_t t = 1500000000;
    for (size_t i = 0; i < sizes.size(); ++i) {
        Source s;
        s.path = dir + "/f" + std::to_string(i) + "_" + std::to_string(sizes[i]);
        s.data = RandomBytes(sizes[i], uint32_t(100 + i));
        s.mtime = t + int64_t(i) * 86400 + 7;
        WriteFile(s.path, s.data);
        SetMtime(s.path, s.mtime);
        v.push_back(s);
    }
    return v;
}

std::string Base(const std::string& p) { return p.substr(p.find_last_of('/') + 1); }

std::vector<std::string> Paths(const std::vector<Source>& v)
{
    std::vector<std::string> p;
    for (const auto& s : v)
        p.push_back(s.path);
    return p;
}

// Every byte value, then random bytes.
std::vector<uint8_t> AllBytes(size_t randomTail)
{
    std::vector<uint8_t> v;
    for (int r = 0; r < 4; ++r)
        for (int b = 0; b < 256; ++b)
            v.push_back(uint8_t(b));
    auto tail = RandomBytes(randomTail, 77);
    v.insert(v.end(), tail.begin(), tail.end());
    return v;
}

struct Outcome {
    ZmResult result;
    int peerStatus = 0;
    std::vector<uint8_t> leftover;
};

// sz (args, files) -> our receiver into dir.
Outcome FromSz(std::vector<std::string> szArgs, const std::string& dir, bool overTelnet,
               ZmProgress* progress = nullptr,
               const std::function<void(int ourFd, int peerFd, std::function<void()> run)>& via = {},
               const Outlets* with = nullptr)
{
    SocketPair sp;
    std::vector<std::string> argv = {"sz", "-q"};
    argv.insert(argv.end(), szArgs.begin(), szArgs.end());
    Child sz(argv, sp.fd[1]);
    Watchdog dog(sz, kLimitMs);
    sp.CloseEnd(1);
    Outcome o;
    FacadeEnd end(sp.fd[0], false, with);
    ZmReceiver rx(end.io, progress, end.Options());
    rx.Wire().pauseMs = 50;
    o.result = rx.Receive(dir, overTelnet);
    o.leftover = rx.TakeLeftover();
    o.peerStatus = sz.Wait(kLimitMs);
    return o;
}

// Our sender (paths) -> rz (args) in dir.
Outcome ToRz(const std::vector<std::string>& paths, std::vector<std::string> rzArgs,
             const std::string& dir, bool overTelnet, int* blockLen = nullptr)
{
    SocketPair sp;
    std::vector<std::string> argv = {"rz", "-q"};
    argv.insert(argv.end(), rzArgs.begin(), rzArgs.end());
    Child rz(argv, sp.fd[1], dir);
    Watchdog dog(rz, kLimitMs);
    sp.CloseEnd(1);
    Outcome o;
    FacadeEnd end(sp.fd[0]);
    ZmSender tx(end.io);
    tx.Wire().pauseMs = 50;
    o.result = tx.Send(paths, overTelnet);
    if (blockLen)
        *blockLen = tx.BlockLength();
    o.peerStatus = rz.Wait(kLimitMs);
    return o;
}

void ExpectSame(const std::vector<Source>& src, const std::string& dir, bool times = true)
{
    for (const auto& s : src) {
        const std::string got = dir + "/" + Base(s.path);
        ASSERT_TRUE(Exists(got)) << got;
        EXPECT_TRUE(ReadFile(got) == s.data) << got;
        if (times) {
            EXPECT_EQ(Mtime(got), s.mtime) << got;
        }
    }
}

const std::vector<size_t> kSizes = {0, 1, 1023, 1024, 1025, 2500, 1 << 20};

}  // namespace

TEST(ReceiveFromSz, EverySizeInOneSessionWithTimes)
{
    const std::string in = TempDir("in"), out = TempDir("out");
    auto src = MakeSources(in, kSizes);
    Outcome o = FromSz(Paths(src), out, false);
    EXPECT_EQ(o.peerStatus, 0);
    EXPECT_EQ(o.result.end, ZmEnd::Finished);
    ASSERT_EQ(o.result.files.size(), src.size());
    EXPECT_TRUE(o.result.AllComplete());
    for (size_t i = 0; i < src.size(); ++i) {
        EXPECT_EQ(o.result.files[i].status, ZmFileStatus::Complete);
        EXPECT_EQ(o.result.files[i].bytes, int64_t(src[i].data.size()));
    }
    ExpectSame(src, out);
}

// Every byte value over escaped controls, in three ways: the peer's -e alone
// (mode 0), our over-telnet flag alone (1), both (2).
void EveryByteValue(bool weSend)
{
    for (int mode = 0; mode < 3; ++mode) {
        const std::string in = TempDir("in"), out = TempDir("out");
        Source s{in + "/all", AllBytes(200000), 1600000000};
        WriteFile(s.path, s.data);
        SetMtime(s.path, s.mtime);
        std::vector<std::string> args;
        if (mode != 1)
            args.push_back("-e");
        Outcome o;
        if (weSend) {
            o = ToRz({s.path}, args, out, mode != 0);
        } else {
            args.push_back(s.path);
            o = FromSz(args, out, mode != 0);
        }
        EXPECT_TRUE(o.result.AllComplete()) << mode;
        EXPECT_EQ(o.peerStatus, 0) << mode;
        ExpectSame({s}, out);
    }
}

TEST(ReceiveFromSz, EveryByteValueWithEscapedControls)
{
    // sz -e escapes by itself; over telnet our ZRINIT asks for it.
    EveryByteValue(false);
}

TEST(ReceiveFromSz, BytesAfterTheTransferAreHandedBack)
{
    const std::string in = TempDir("in"), out = TempDir("out");
    auto src = MakeSources(in, {3000});
    SocketPair sp;
    Child sh({"sh", "-c", "sz -q \"$0\" && printf 'AFTER THE TRANSFER'", src[0].path}, sp.fd[1]);
    Watchdog dog(sh, kLimitMs);
    sp.CloseEnd(1);
    std::vector<uint8_t> rest;
    {
        FacadeEnd end(sp.fd[0]);
        ZmReceiver rx(end.io, nullptr, end.Options());
        ZmResult r = rx.Receive(out, false);
        EXPECT_TRUE(r.AllComplete());
        rest = rx.TakeLeftover();
    }
    // What the engine did not read is still waiting on the connection.
    EXPECT_EQ(sh.Wait(kLimitMs), 0);
    uint8_t buf[256];
    ssize_t n;
    while ((n = ::recv(sp.fd[0], buf, sizeof buf, 0)) > 0)
        rest.insert(rest.end(), buf, buf + n);
    EXPECT_EQ(std::string(rest.begin(), rest.end()), "AFTER THE TRANSFER");
    ExpectSame(src, out);
}

TEST(SendToRz, EverySizeInOneSessionWithTimes)
{
    const std::string in = TempDir("in"), out = TempDir("out");
    auto src = MakeSources(in, kSizes);
    int block = 0;
    Outcome o = ToRz(Paths(src), {}, out, false, &block);
    EXPECT_EQ(o.peerStatus, 0);
    EXPECT_EQ(o.result.end, ZmEnd::Finished);
    EXPECT_TRUE(o.result.AllComplete());
    EXPECT_EQ(block, 1024);  // rz asks for no limit
    ExpectSame(src, out);
}

TEST(SendToRz, EveryByteValueWithEscapedControls)
{
    // rz -e asks in its ZRINIT; over telnet we run the ZSINIT exchange.
    EveryByteValue(true);
}

TEST(SendToRz, AtMostThirtyTwoFiles)
{
    const std::string in = TempDir("in"), out = TempDir("out");
    std::vector<size_t> sizes(40, 10);
    auto src = MakeSources(in, sizes);
    Outcome o = ToRz(Paths(src), {}, out, false);
    EXPECT_TRUE(o.result.AllComplete());
    EXPECT_EQ(o.result.files.size(), 32u);
    for (size_t i = 0; i < src.size(); ++i)
        EXPECT_EQ(Exists(out + "/" + Base(src[i].path)), i < 32) << i;
}

TEST(SendToRz, VanishedFilesAreLeftOutAndModeIsTheFilesOwn)
{
    const std::string in = TempDir("in"), out = TempDir("out");
    auto src = MakeSources(in, {100, 200});
    ::chmod(src[0].path.c_str(), 0640);
    Outcome o = ToRz({src[0].path, in + "/missing", src[1].path}, {}, out, false);
    EXPECT_TRUE(o.result.AllComplete());
    EXPECT_EQ(o.result.files.size(), 2u);
    ExpectSame(src, out);
    struct stat st;
    ASSERT_EQ(::stat((out + "/" + Base(src[0].path)).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0111, 0u);  // never made executable
}

namespace {
// Rewrites the receiver's hex ZRINIT so that it asks for `len`-byte subpackets.
Relay::Mutator AskBlock(int len)
{
    return [len](std::vector<uint8_t>& v) {
        const std::string pat = "**\x18" "B01";
        std::string s(v.begin(), v.end());
        for (size_t at = s.find(pat); at != std::string::npos && at + 18 <= s.size();
             at = s.find(pat, at + 1)) {
            auto hex = [&](size_t i) { return uint8_t(std::stoi(s.substr(i, 2), nullptr, 16)); };
            uint8_t h[4] = {uint8_t(len), uint8_t(len >> 8), hex(at + 10), hex(at + 12)};
            uint16_t crc = Crc16Update(0, ZRINIT);
            for (uint8_t b : h)
                crc = Crc16Update(crc, b);
            char text[16];
            std::snprintf(text, sizeof text, "%02x%02x%02x%02x%04x", h[0], h[1], h[2], h[3], crc);
            s.replace(at + 6, 12, text);
        }
        v.assign(s.begin(), s.end());
    };
}
}  // namespace

TEST(SendToRz, SmallerSubpacketsWhenTheReceiverAsks)
{
    for (int len : {512, 100, 16}) {
        const std::string in = TempDir("in"), out = TempDir("out");
        auto src = MakeSources(in, {2500, 70000});
        SocketPair ours, theirs;
        Child rz({"rz", "-q"}, theirs.fd[1], out);
        Watchdog dog(rz, kLimitMs);
        theirs.CloseEnd(1);
        ZmResult r;
        int block = 0;
        {
            Relay relay(ours.fd[1], theirs.fd[0], {}, AskBlock(len));
            FacadeEnd end(ours.fd[0]);
            ZmSender tx(end.io);
            r = tx.Send(Paths(src), false);
            block = tx.BlockLength();
        }
        EXPECT_EQ(block, len == 16 ? 1024 : len);
        EXPECT_TRUE(r.AllComplete()) << len;
        ExpectSame(src, out);
    }
}

namespace {
struct ResumeCase {
    int option;
    bool sameTime;
    size_t existing;
    enum { Resumed, Anew, Kept } expect;
};
}  // namespace

TEST(ReceiveFromSz, ResumePolicies)
{
    const ResumeCase cases[] = {
        {0, false, 5000, ResumeCase::Resumed}, {0, true, 5000, ResumeCase::Resumed},
        {1, true, 5000, ResumeCase::Resumed},  {1, false, 5000, ResumeCase::Anew},
        {2, true, 5000, ResumeCase::Kept},     {3, true, 5000, ResumeCase::Anew},
        {0, false, 9000, ResumeCase::Kept},    {1, true, 9000, ResumeCase::Kept},
        {1, false, 9000, ResumeCase::Anew},    {0, true, 12000, ResumeCase::Anew},
        {7, true, 5000, ResumeCase::Resumed},  // out of range counts as 0
    };
    velo::test::TestOutlets outlets;
    MemorySettingsStore& store = outlets.settings;
    for (const ResumeCase& c : cases) {
        const std::string in = TempDir("in"), out = TempDir("out");
        auto src = MakeSources(in, {9000});
        const std::string dest = out + "/" + Base(src[0].path);
        const std::vector<uint8_t> old(c.existing, 'A');
        WriteFile(dest, old);
        SetMtime(dest, c.sameTime ? src[0].mtime : src[0].mtime + 100);
        store.WriteInt("ZModem", "AppendOption", c.option);
        Outcome o = FromSz({src[0].path}, out, false, nullptr, {}, &outlets.out);
        const auto got = ReadFile(dest);
        const std::string what = "option " + std::to_string(c.option) + " existing " +
                                 std::to_string(c.existing) + (c.sameTime ? " same" : " other");
        EXPECT_EQ(o.result.end, ZmEnd::Finished) << what;
        ASSERT_EQ(o.result.files.size(), 1u);
        if (c.expect == ResumeCase::Kept) {
            EXPECT_EQ(o.result.files[0].status, ZmFileStatus::Present) << what;
            EXPECT_TRUE(got == old) << what;
            continue;
        }
        EXPECT_EQ(o.result.files[0].status, ZmFileStatus::Complete) << what;
        EXPECT_EQ(Mtime(dest), src[0].mtime) << what;
        std::vector<uint8_t> want = src[0].data;
        if (c.expect == ResumeCase::Resumed)
            std::fill(want.begin(), want.begin() + 4096, 'A');  // kept up to 4096
        EXPECT_TRUE(got == want) << what;
    }
}

TEST(ReceiveFromSz, DamagedOrDroppedBytesNeverGiveADifferentFile)
{
    int complete = 0;
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        const bool drop = seed % 2 == 0;
        const std::string in = TempDir("in"), out = TempDir("out");
        auto src = MakeSources(in, {300000, 5000});
        SocketPair ours, theirs;
        Child sz({"sz", "-q", src[0].path, src[1].path}, theirs.fd[1]);
        Watchdog dog(sz, 30000);
        theirs.CloseEnd(1);
        ZmResult r;
        {
            Relay relay(theirs.fd[0], ours.fd[1], Damage(seed, 40000, drop),
                        Damage(seed + 100, 2000, drop));
            FacadeEnd end(ours.fd[0]);
            ZmReceiver rx(end.io, nullptr, end.Options());
            rx.Wire().pauseMs = 50;
            r = rx.Receive(out, false);
        }
        sz.Wait(kLimitMs);
        std::printf("seed %u: %s\n", seed, ZmEndText(r.end));
        for (size_t i = 0; i < r.files.size(); ++i) {
            if (r.files[i].status == ZmFileStatus::Complete) {
                EXPECT_TRUE(ReadFile(r.files[i].path) == src[i].data) << "seed " << seed << " file " << i;
                ++complete;
            }
        }
        if (r.AllComplete())
            ExpectSame(src, out);
    }
    std::printf("files complete through the damaging relay: %d of 8\n", complete);
}

TEST(SendToRz, DamagedOrDroppedBytesNeverGiveADifferentFile)
{
    int complete = 0;
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        const bool drop = seed % 2 == 0;
        const std::string in = TempDir("in"), out = TempDir("out");
        auto src = MakeSources(in, {300000, 5000});
        SocketPair ours, theirs;
        Child rz({"rz", "-q"}, theirs.fd[1], out);
        Watchdog dog(rz, 30000);
        theirs.CloseEnd(1);
        ZmResult r;
        int rzStatus = 0;
        {
            Relay relay(ours.fd[1], theirs.fd[0], Damage(seed, 40000, drop),
                        Damage(seed + 100, 2000, drop));
            FacadeEnd end(ours.fd[0]);
            ZmSender tx(end.io);
            tx.Wire().pauseMs = 50;
            r = tx.Send(Paths(src), false);
            rzStatus = rz.Wait(kLimitMs);
        }
        // rz keeps only what it finished; what we call complete must be identical there.
        for (size_t i = 0; i < r.files.size(); ++i) {
            if (r.files[i].status == ZmFileStatus::Complete) {
                EXPECT_TRUE(ReadFile(out + "/" + Base(src[i].path)) == src[i].data)
                    << "seed " << seed << " file " << i;
                ++complete;
            }
        }
        if (r.AllComplete()) {
            EXPECT_EQ(rzStatus, 0) << "seed " << seed;
        }
    }
    std::printf("files complete through the damaging relay: %d of 8\n", complete);
}

namespace {
// Waits until the progress record shows at least `bytes` moved.
bool WaitForProgress(const ZmProgress& p, int64_t bytes)
{
    for (int i = 0; i < 20000; ++i) {
        if (p.movedBytes >= bytes)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// Slows the stream down so that a test can act in the middle of it.
Relay::Mutator Throttle()
{
    return [](std::vector<uint8_t>&) { std::this_thread::sleep_for(std::chrono::milliseconds(2)); };
}
}  // namespace

TEST(ReceiveFromSz, PeerKilledMidTransferEndsAndKeepsThePart)
{
    const std::string in = TempDir("in"), out = TempDir("out");
    auto src = MakeSources(in, {8 << 20});
    SocketPair ours, theirs;
    Child sz({"sz", "-q", src[0].path}, theirs.fd[1]);
    Watchdog dog(sz, kLimitMs);
    theirs.CloseEnd(1);
    ZmProgress progress;
    std::thread killer([&] {
        WaitForProgress(progress, 256 << 10);
        sz.Kill(SIGKILL);
    });
    ZmResult r;
    const auto t0 = std::chrono::steady_clock::now();
    {
        Relay relay(theirs.fd[0], ours.fd[1], Throttle());
        FacadeEnd end(ours.fd[0]);
        ZmReceiver rx(end.io, &progress, end.Options());
        r = rx.Receive(out, false);
    }
    killer.join();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(30));
    EXPECT_EQ(r.end, ZmEnd::Lost);
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_EQ(r.files[0].status, ZmFileStatus::Partial);
    const auto got = ReadFile(r.files[0].path);
    EXPECT_GE(got.size(), size_t(256 << 10));
    EXPECT_LT(got.size(), src[0].data.size());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), src[0].data.begin()));
    // The part never carries the sender's time, so it never looks complete.
    EXPECT_NE(Mtime(r.files[0].path), src[0].mtime);

    // It is still resumed "when name and time are the same", and the whole
    // file then has the sender's time. Its first byte, changed here, shows
    // that the part was kept and not received anew.
    std::vector<uint8_t> part = got;
    part[0] ^= 0xFF;
    WriteFile(r.files[0].path, part);
    velo::test::TestOutlets outlets;
    outlets.settings.WriteInt("ZModem", "AppendOption", 1);
    Outcome o = FromSz({src[0].path}, out, false, nullptr, {}, &outlets.out);
    ASSERT_EQ(o.result.files.size(), 1u);
    EXPECT_EQ(o.result.files[0].status, ZmFileStatus::Complete);
    EXPECT_EQ(Mtime(r.files[0].path), src[0].mtime);
    std::vector<uint8_t> want = src[0].data;
    want[0] ^= 0xFF;
    EXPECT_TRUE(ReadFile(r.files[0].path) == want);
}

TEST(SendToRz, PeerKilledMidTransferEnds)
{
    const std::string in = TempDir("in"), out = TempDir("out");
    auto src = MakeSources(in, {8 << 20});
    SocketPair ours, theirs;
    Child rz({"rz", "-q"}, theirs.fd[1], out);
    Watchdog dog(rz, kLimitMs);
    theirs.CloseEnd(1);
    ZmProgress progress;
    std::thread killer([&] {
        WaitForProgress(progress, 256 << 10);
        rz.Kill(SIGKILL);
    });
    ZmResult r;
    {
        Relay relay(ours.fd[1], theirs.fd[0], Throttle());
        FacadeEnd end(ours.fd[0]);
        ZmSender tx(end.io, &progress);
        r = tx.Send(Paths(src), false);
    }
    killer.join();
    EXPECT_EQ(r.end, ZmEnd::Lost);
    EXPECT_EQ(r.files[0].status, ZmFileStatus::Partial);
}

namespace {
// Our cancel in the middle of an 8 MiB transfer: the cancel exchange runs,
// the peer stops on the abort sequence before the connection closes, and
// the part already received is kept.
void CancelMidTransfer(bool weSend)
{
    const std::string in = TempDir("in"), out = TempDir("out");
    auto src = MakeSources(in, {8 << 20});
    SocketPair ours, theirs;
    Child peer(weSend ? std::vector<std::string>{"rz", "-q"}
                      : std::vector<std::string>{"sz", "-q", src[0].path},
               theirs.fd[1], out);
    Watchdog dog(peer, kLimitMs);
    theirs.CloseEnd(1);
    ZmProgress progress;
    velo::test::TestOutlets outlets;
    std::thread canceller([&] {
        WaitForProgress(progress, 256 << 10);
        outlets.flags.ConnState.TransferCancel = true;
        outlets.flags.DataEvent.Set();
    });
    ZmResult r;
    {
        Relay relay(weSend ? ours.fd[1] : theirs.fd[0], weSend ? theirs.fd[0] : ours.fd[1],
                    Throttle());
        FacadeEnd end(ours.fd[0], false, &outlets.out);
        if (weSend) {
            ZmSender tx(end.io, &progress);
            tx.Wire().pauseMs = 50;
            r = tx.Send(Paths(src), false);
        } else {
            ZmReceiver rx(end.io, &progress, end.Options());
            rx.Wire().pauseMs = 50;
            r = rx.Receive(out, false);
        }
        EXPECT_NE(peer.Wait(10000), 0);
    }
    canceller.join();
    EXPECT_EQ(r.end, ZmEnd::Cancelled);
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_EQ(r.files[0].status, ZmFileStatus::Partial);
    if (!weSend) {
        const auto got = ReadFile(r.files[0].path);
        EXPECT_LT(got.size(), src[0].data.size());
        EXPECT_TRUE(std::equal(got.begin(), got.end(), src[0].data.begin()));
        EXPECT_NE(Mtime(r.files[0].path), src[0].mtime);
    }
}
}  // namespace

TEST(ReceiveFromSz, OurCancelStopsBothSides) { CancelMidTransfer(false); }

TEST(SendToRz, OurCancelStopsBothSides) { CancelMidTransfer(true); }

namespace {
// Records what the transfer thread tells the frame, and the state of the
// flags and the leftover store at each message.
class RecordingSink final : public FrameSink {
public:
    struct Event {
        std::string what;
        bool receiving, sending;
    };
    std::mutex m;
    std::vector<Event> events;
    std::vector<uint8_t> leftoverAtDone;
    ZmTransfer* transfer = nullptr;
    SharedFlags* flags = nullptr;
    std::condition_variable done;
    void Add(std::string w)
    {
        std::lock_guard lock(m);
        events.push_back({std::move(w), flags->ConnState.Receiving, flags->ConnState.Sending});
    }
    void PostCommand(int id) override
    {
        if (id == CMD_TRANSFER_DONE) {
            auto left = transfer->TakeLeftover();
            std::lock_guard lock(m);
            leftoverAtDone = left;
        }
        Add("post command " + std::to_string(id));
        done.notify_all();
    }
    void SendCommand(int id) override { Add("send command " + std::to_string(id)); }
    void PostMessage(int msg, uintptr_t w, intptr_t) override
    {
        Add("post " + std::to_string(msg) + " " + std::to_string(w));
    }
    intptr_t SendMessage(int msg, uintptr_t w, intptr_t) override
    {
        Add("send " + std::to_string(msg) + " " + std::to_string(w));
        return 0;
    }
    bool WaitDone()
    {
        std::unique_lock lock(m);
        return done.wait_for(lock, std::chrono::seconds(30), [this] {
            return !events.empty() && events.back().what == "post command 172";
        });
    }
};
}  // namespace

TEST(TransferThread, ReceiveTellsTheFrameInOrderAndHandsBackTheRest)
{
    // Over the telnet slot: the thread takes the over-telnet flag from ConnKind.
    const std::string in = TempDir("in"), out = TempDir("out");
    auto src = MakeSources(in, {70000});
    SocketPair sp;
    Child sh({"sh", "-c", "sz -q \"$0\" && printf 'READY>'", src[0].path}, sp.fd[1]);
    Watchdog dog(sh, kLimitMs);
    sp.CloseEnd(1);
    velo::test::TestOutlets outlets;
    RecordingSink sink;
    sink.flags = &outlets.flags;
    const Outlets with{outlets.settings, sink, outlets.flags};
    FacadeEnd end(sp.fd[0], true, &with);
    ASSERT_EQ(end.conn.ConnKind(), ConnLineKind::Telnet);
    ZmTransfer transfer(end.conn);
    sink.transfer = &transfer;
    outlets.flags.ConnState.TransferCancel = true;  // left over from an earlier transfer
    ASSERT_TRUE(transfer.StartReceive(out));
    EXPECT_TRUE(outlets.flags.ConnState.Receiving);
    EXPECT_FALSE(transfer.StartSend({src[0].path}));  // one transfer at a time
    ASSERT_TRUE(sink.WaitDone());
    ASSERT_TRUE(transfer.WaitEnd(5000));
    EXPECT_FALSE(outlets.flags.ConnState.Receiving);
    ASSERT_EQ(sink.events.size(), 3u);
    // Posted, never sent: the UI thread may be waiting for this thread.
    EXPECT_EQ(sink.events[0].what, "post " + std::to_string(WM_TRANSFER_WINDOW) + " 1");
    EXPECT_TRUE(sink.events[0].receiving);
    EXPECT_EQ(sink.events[1].what, "post " + std::to_string(WM_TRANSFER_WINDOW) + " 0");
    EXPECT_EQ(sink.events[2].what, "post command " + std::to_string(CMD_TRANSFER_DONE));
    EXPECT_FALSE(sink.events[2].receiving);
    EXPECT_TRUE(transfer.LastResult().AllComplete());
    ExpectSame(src, out);
    // The prompt after the transfer is in the leftover or still on the line.
    sh.Wait(kLimitMs);
    std::vector<uint8_t> rest = sink.leftoverAtDone;
    uint8_t buf[64];
    int n;
    while ((n = end.conn.ConnRead(buf, 0)) > 0)
        rest.insert(rest.end(), buf, buf + n);
    EXPECT_EQ(std::string(rest.begin(), rest.end()), "READY>");
}

TEST(TransferThread, SendOverTelnetAndRefusals)
{
    const std::string in = TempDir("in"), out = TempDir("out");
    auto src = MakeSources(in, {70000, 3});
    velo::test::TestOutlets outlets;
    RecordingSink sink;
    sink.flags = &outlets.flags;
    const Outlets with{outlets.settings, sink, outlets.flags};
    {
        ConnFacade idle(with);
        ZmTransfer transfer(idle);
        EXPECT_FALSE(transfer.StartSend(Paths(src)));  // not connected
    }
    SocketPair sp;
    Child rz({"rz", "-q"}, sp.fd[1], out);
    Watchdog dog(rz, kLimitMs);
    sp.CloseEnd(1);
    FacadeEnd end(sp.fd[0], true, &with);
    ZmTransfer transfer(end.conn);
    sink.transfer = &transfer;
    outlets.flags.ConnState.Automating = true;
    EXPECT_FALSE(transfer.StartSend(Paths(src)));  // the automation owns the stream
    outlets.flags.ConnState.Automating = false;
    ASSERT_TRUE(transfer.StartSend(Paths(src)));
    ASSERT_TRUE(sink.WaitDone());
    ASSERT_TRUE(transfer.WaitEnd(5000));
    EXPECT_TRUE(sink.events[0].sending);
    EXPECT_FALSE(sink.events.back().sending);
    EXPECT_TRUE(transfer.LastResult().AllComplete());
    EXPECT_EQ(transfer.Progress().direction, 1);
    EXPECT_EQ(transfer.Progress().overallBytes, 70003);
    ExpectSame(src, out);
}
