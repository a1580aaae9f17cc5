// The receiver and the sender against a scripted peer: the peer is a second
// wire on the other end of a socketpair, so each test states the exact
// headers and subpackets that go each way.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ZmTestUtil.h"
#include "base/SettingsStore.h"
#include "transfer/ZmReceive.h"
#include "transfer/ZmSend.h"

using namespace velo;
using namespace velo::zm;
using namespace zmtest;

namespace {

struct Peer {
    SocketPair sp;
    SocketIo engineIo{sp.fd[0]};
    SocketIo io{sp.fd[1], 5000};
    ZmWire w{io};
    uint8_t h[kHeaderMax] = {};
    Peer() { w.pauseMs = 0; }
    int Header() { return w.GetHeader(h); }
    uint32_t Pos() const { return GetPos(h); }
    void Data(const std::string& s, uint8_t end)
    {
        w.SendData(reinterpret_cast<const uint8_t*>(s.data()), s.size(), end);
    }
    // A ZFILE with name and information text (binary header, CRC-32).
    void File(const std::string& name, const std::string& info, uint8_t conversion = 0)
    {
        w.sendCrc32 = true;
        const uint8_t hd[4] = {0, 0, 0, conversion};
        w.SendBinHeader(ZFILE, hd, 4);
        std::string block = name + '\0' + info + '\0';
        Data(block, ZCRCW);
        w.Flush();
    }
    void Finish()
    {
        w.SendHexHeader(ZFIN, 0u);
        w.Flush();
        EXPECT_EQ(Header(), ZFIN);
        w.PutRaw("OO", 2);
        w.Flush();
    }
};

// Runs the receiver on a thread for the length of a scope.
struct Receiving {
    ZmReceiver rx;
    ZmResult result;
    std::thread thread;
    Receiving(Peer& p, const std::string& dir) : rx(p.engineIo)
    {
        rx.Wire().pauseMs = 0;
        thread = std::thread([this, dir] { result = rx.Receive(dir, false); });
    }
    ZmResult Join()
    {
        thread.join();
        return result;
    }
};

}  // namespace

TEST(ScriptedReceive, PositionMismatchGetsAttentionAndZrpos)
{
    const std::string dir = TempDir("rx");
    Peer p;
    Receiving r(p, dir);
    ASSERT_EQ(p.Header(), ZRINIT);
    EXPECT_EQ(p.h[ZF0], CANFC32 | CANRLE | CANOVIO | CANFDX);
    // ZSINIT with an attention string.
    p.w.SendHexHeader(ZSINIT, 0u);
    p.Data(std::string("ATTN\0", 5), ZCRCW);
    p.w.Flush();
    ASSERT_EQ(p.Header(), ZACK);
    EXPECT_EQ(p.Pos(), 1u);
    p.File("f", "3000 0 0 0 1 3000");
    ASSERT_EQ(p.Header(), ZRPOS);
    EXPECT_EQ(p.Pos(), 0u);
    p.w.SendBinHeader(ZDATA, 0u);
    p.Data(std::string(1024, 'x'), ZCRCW);  // acknowledged at 1024
    p.w.Flush();
    ASSERT_EQ(p.Header(), ZACK);
    EXPECT_EQ(p.Pos(), 1024u);
    // Data claimed at 2048 while we stand at 1024.
    p.io.record = false;
    p.w.SendBinHeader(ZDATA, 2048u);
    p.Data(std::string(1024, 'y'), ZCRCG);
    p.w.Flush();
    // The raw attention string comes first, then ZRPOS 1024.
    std::string seen;
    for (int i = 0; i < 4; ++i)
        seen += char(p.w.ReadLine());
    EXPECT_EQ(seen, "ATTN");
    ASSERT_EQ(p.Header(), ZRPOS);
    EXPECT_EQ(p.Pos(), 1024u);
    // ZEOF at a position we do not hold: no completion, ZRPOS again.
    p.w.SendBinHeader(ZEOF, 3000u);
    p.w.Flush();
    for (int i = 0; i < 4; ++i)
        p.w.ReadLine();
    ASSERT_EQ(p.Header(), ZRPOS);
    EXPECT_EQ(p.Pos(), 1024u);
    p.w.SendBinHeader(ZDATA, 1024u);
    p.Data(std::string(1024, 'z'), ZCRCG);
    p.Data(std::string(952, 'z'), ZCRCE);
    p.w.SendBinHeader(ZEOF, 3000u);
    p.w.Flush();
    ASSERT_EQ(p.Header(), ZRINIT) << p.Pos();
    p.Finish();
    ZmResult res = r.Join();
    EXPECT_TRUE(res.AllComplete());
    EXPECT_EQ(ReadFile(dir + "/f"), [] {
        std::string s = std::string(1024, 'x') + std::string(1976, 'z');
        return std::vector<uint8_t>(s.begin(), s.end());
    }());
}

TEST(ScriptedReceive, ConversionTwoWritesCrLf)
{
    const std::string dir = TempDir("rx");
    Peer p;
    Receiving r(p, dir);
    ASSERT_EQ(p.Header(), ZRINIT);
    p.File("text", "3 0 0 0 1 3", 2);
    ASSERT_EQ(p.Header(), ZRPOS);
    p.w.SendBinHeader(ZDATA, 0u);
    p.Data("a\nb", ZCRCE);
    p.w.SendBinHeader(ZEOF, 3u);
    p.w.Flush();
    ASSERT_EQ(p.Header(), ZRINIT);
    p.Finish();
    EXPECT_TRUE(r.Join().AllComplete());
    const auto got = ReadFile(dir + "/text");
    EXPECT_EQ(std::string(got.begin(), got.end()), "a\r\nb");
}

TEST(ScriptedReceive, NamesStayInsideTheDownloadDirectory)
{
    const std::string top = TempDir("rx");
    const std::string dir = top + "/down";
    ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
    Peer p;
    Receiving r(p, dir);
    ASSERT_EQ(p.Header(), ZRINIT);
    for (const char* bad : {"..", ".", "", "a\x01" "b", "dir/"}) {
        p.File(bad, "1 0 0 0 1 1");
        EXPECT_EQ(p.Header(), ZSKIP) << bad;
    }
    p.File("../escape", "2 0 0 0 1 2");
    ASSERT_EQ(p.Header(), ZRPOS);
    p.w.SendBinHeader(ZDATA, 0u);
    p.Data("ok", ZCRCE);
    p.w.SendBinHeader(ZEOF, 2u);
    p.w.Flush();
    ASSERT_EQ(p.Header(), ZRINIT);
    // Free space and commands: answered, never run.
    p.w.SendHexHeader(ZFREECNT, 0u);
    p.w.Flush();
    ASSERT_EQ(p.Header(), ZACK);
    EXPECT_EQ(p.Pos(), 0xFFFFFFFFu);
    p.w.SendHexHeader(ZCOMMAND, 0u);
    p.Finish();
    ZmResult res = r.Join();
    EXPECT_FALSE(Exists(top + "/escape"));
    EXPECT_TRUE(Exists(dir + "/escape"));
    ASSERT_EQ(res.files.size(), 6u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(res.files[size_t(i)].status, ZmFileStatus::Refused) << i;
    EXPECT_EQ(res.files[5].status, ZmFileStatus::Complete);
    EXPECT_FALSE(res.AllComplete());  // refused names are not "all complete"
}

TEST(ScriptedReceive, ConfineNameTable)
{
    EXPECT_EQ(ConfineName("a.txt"), "a.txt");
    EXPECT_EQ(ConfineName("/etc/passwd"), "passwd");
    EXPECT_EQ(ConfineName("C:\\DOS\\GAME.ZIP"), "GAME.ZIP");
    EXPECT_EQ(ConfineName("\xb0\xa1.txt"), "\xb0\xa1.txt");  // Hangul bytes kept
    EXPECT_EQ(ConfineName("a/.."), "");
    EXPECT_EQ(ConfineName("x\x7fy"), "");
    EXPECT_EQ(ConfineName("x\ny"), "");
}

TEST(ScriptedReceive, FifteenBadHeadersInARowEnd)
{
    const std::string dir = TempDir("rx");
    Peer p;
    Receiving r(p, dir);
    ASSERT_EQ(p.Header(), ZRINIT);
    for (int i = 0; i < 15; ++i)
        p.w.PutRaw("**\x18" "B0100000000ffff\r\n", 19);  // bad CRC
    p.w.Flush();
    EXPECT_EQ(r.Join().end, ZmEnd::TooManyErrors);
}

namespace {

struct Sending {
    ZmSender tx;
    ZmResult result;
    std::thread thread;
    Sending(Peer& p, std::vector<std::string> paths, bool telnet = false) : tx(p.engineIo)
    {
        tx.Wire().pauseMs = 0;
        thread = std::thread([this, paths, telnet] { result = tx.Send(paths, telnet); });
    }
    ZmResult Join()
    {
        thread.join();
        return result;
    }
};

// Reads the subpackets of one ZDATA stream up to ZCRCW or ZCRCE.
std::vector<std::pair<int, int>> Subpackets(Peer& p, std::string* data)
{
    std::vector<std::pair<int, int>> v;
    std::vector<uint8_t> buf(1025);
    for (;;) {
        int n = 0;
        const int end = p.w.ReadData(buf.data(), 1024, &n);
        v.push_back({n, end});
        data->append(buf.begin(), buf.begin() + n);
        if (end != GOTCRCG && end != GOTCRCQ)
            return v;
    }
}

void Zrinit(Peer& p, int bufLen, uint8_t flags = CANFC32 | CANFDX | CANOVIO)
{
    const uint8_t h[4] = {uint8_t(bufLen), uint8_t(bufLen >> 8), 0, flags};
    p.w.SendHexHeader(ZRINIT, h, 4);
    p.w.Flush();
}

}  // namespace

TEST(ScriptedSend, SubpacketLengthFromTheReceiversBuffer)
{
    for (int bufLen : {0, 512, 16}) {
        const std::string dir = TempDir("tx");
        const auto data = RandomBytes(2500, 3);
        WriteFile(dir + "/f", data);
        Peer p;
        Sending s(p, {dir + "/f"});
        EXPECT_EQ(p.w.ReadLine(), 'r');
        EXPECT_EQ(p.w.ReadLine(), 'z');
        EXPECT_EQ(p.w.ReadLine(), '\r');
        ASSERT_EQ(p.Header(), ZRQINIT);
        Zrinit(p, bufLen);
        ASSERT_EQ(p.Header(), ZFILE);
        EXPECT_EQ(p.h[ZF1], 1);  // management 1, as this program sends
        std::vector<uint8_t> block(1025);
        int n = 0;
        ASSERT_EQ(p.w.ReadData(block.data(), 1024, &n), GOTCRCW);
        const std::string info(reinterpret_cast<char*>(block.data()), size_t(n));
        EXPECT_EQ(info.substr(0, 2), std::string("f\0", 2));
        EXPECT_NE(info.find("2500 "), std::string::npos);
        p.w.SendHexHeader(ZRPOS, 0u);
        p.w.Flush();
        ASSERT_EQ(p.Header(), ZDATA);
        EXPECT_EQ(p.Pos(), 0u);
        std::string got;
        const auto subs = Subpackets(p, &got);
        const int len = bufLen == 512 ? 512 : 1024;
        std::vector<std::pair<int, int>> want;
        for (int at = 0; at < 2500; at += len)
            want.push_back({std::min(len, 2500 - at), at + len < 2500 ? GOTCRCG : GOTCRCW});
        EXPECT_EQ(subs, want) << bufLen;
        EXPECT_TRUE(std::vector<uint8_t>(got.begin(), got.end()) == data);
        p.w.SendHexHeader(ZACK, 2500u);
        p.w.Flush();
        ASSERT_EQ(p.Header(), ZEOF);
        EXPECT_EQ(p.Pos(), 2500u);
        Zrinit(p, bufLen);
        ASSERT_EQ(p.Header(), ZFIN);
        p.w.SendHexHeader(ZFIN, 0u);
        p.w.Flush();
        EXPECT_EQ(p.w.ReadLine(), 'O');
        EXPECT_EQ(p.w.ReadLine(), 'O');
        EXPECT_TRUE(s.Join().AllComplete());
    }
}

TEST(ScriptedSend, EmptyFileAndResumeAt4096)
{
    const std::string dir = TempDir("tx");
    const auto data = RandomBytes(9000, 4);
    WriteFile(dir + "/empty", {});
    WriteFile(dir + "/big", data);
    Peer p;
    Sending s(p, {dir + "/empty", dir + "/big"});
    ASSERT_EQ(p.Header(), ZRQINIT);
    Zrinit(p, 0);
    ASSERT_EQ(p.Header(), ZFILE);
    std::string junk;
    Subpackets(p, &junk);
    p.w.SendHexHeader(ZRPOS, 0u);
    p.w.Flush();
    ASSERT_EQ(p.Header(), ZDATA);
    std::string got;
    EXPECT_EQ(Subpackets(p, &got), (std::vector<std::pair<int, int>>{{0, GOTCRCW}}));
    p.w.SendHexHeader(ZACK, 0u);
    p.w.Flush();
    ASSERT_EQ(p.Header(), ZEOF);
    EXPECT_EQ(p.Pos(), 0u);
    Zrinit(p, 0);
    ASSERT_EQ(p.Header(), ZFILE);
    Subpackets(p, &junk);
    p.w.SendHexHeader(ZRPOS, 4096u);  // we hold the first 4096 bytes
    p.w.Flush();
    ASSERT_EQ(p.Header(), ZDATA);
    EXPECT_EQ(p.Pos(), 4096u);
    got.clear();
    Subpackets(p, &got);
    EXPECT_TRUE(std::vector<uint8_t>(got.begin(), got.end()) ==
                std::vector<uint8_t>(data.begin() + 4096, data.end()));
    p.w.SendHexHeader(ZACK, 9000u);
    p.w.Flush();
    ASSERT_EQ(p.Header(), ZEOF);
    EXPECT_EQ(p.Pos(), 9000u);
    Zrinit(p, 0);
    ASSERT_EQ(p.Header(), ZFIN);
    p.w.SendHexHeader(ZFIN, 0u);
    p.w.Flush();
    EXPECT_TRUE(s.Join().AllComplete());
}

TEST(ScriptedSend, OverTelnetEveryControlIsEscaped)
{
    const std::string dir = TempDir("tx");
    std::vector<uint8_t> data;
    for (int b = 0; b < 256; ++b)
        data.push_back(uint8_t(b));
    WriteFile(dir + "/all", data);
    Peer p;
    Sending s(p, {dir + "/all"}, true);
    ASSERT_EQ(p.Header(), ZRQINIT);
    Zrinit(p, 0);
    ASSERT_EQ(p.Header(), ZSINIT);
    EXPECT_EQ(p.h[ZF0], TESCCTL);
    std::vector<uint8_t> attn(40);
    int n = 0;
    ASSERT_EQ(p.w.ReadData(attn.data(), 33, &n), GOTCRCW);
    EXPECT_EQ(n, 32);
    p.w.SendHexHeader(ZACK, 1u);
    p.w.Flush();
    p.w.escapeControls = true;
    ASSERT_EQ(p.Header(), ZFILE);
    std::string junk;
    Subpackets(p, &junk);
    // From here every byte on the wire is checked: no raw control, no raw 0xFF.
    p.w.SendHexHeader(ZRPOS, 0u);
    p.w.Flush();
    std::vector<uint8_t> raw;
    for (;;) {
        const int c = p.w.ReadLine();
        ASSERT_GE(c, 0);
        raw.push_back(uint8_t(c));
        if (raw.size() > 4 && raw[raw.size() - 1] == XON && raw[raw.size() - 7] == ZDLE &&
            raw[raw.size() - 6] == ZCRCW)
            break;  // the end of the one subpacket: ZDLE 'k', CRC, XON
        ASSERT_LT(raw.size(), 2000u);
    }
    // A raw XON may follow the ZFILE subpacket's ZCRCW.
    for (size_t i = raw[0] == XON ? 1 : 0; i + 1 < raw.size(); ++i) {
        const uint8_t b = raw[i];
        EXPECT_FALSE(((b & 0x60) == 0 && b != ZDLE) || b == 0xFF) << "raw byte " << int(b) << " at " << i;
    }
    p.w.PutRaw("\x18\x18\x18\x18\x18", 5);  // the receiver cancels
    p.w.Flush();
    EXPECT_EQ(s.Join().end, ZmEnd::PeerCancelled);
}

namespace {
struct RecordingOpener final : ZmFileOpener {
    std::vector<std::string> opened;
    void OpenFile(const std::string& path) override { opened.push_back(path); }
};

// One file of `size` bytes from a scripted sender, in 1024-byte subpackets.
void SendOneFile(Peer& p, const std::string& name, const std::vector<uint8_t>& data,
                 int64_t mtime = 0)
{
    char info[64];
    std::snprintf(info, sizeof info, "%zu %llo 0 0 1 %zu", data.size(),
                  static_cast<unsigned long long>(mtime), data.size());
    p.File(name, info);
    ASSERT_EQ(p.Header(), ZRPOS);
    const uint32_t start = p.Pos();
    p.w.SendBinHeader(ZDATA, start);
    for (size_t at = start; at < data.size(); at += 1024) {
        const size_t n = std::min<size_t>(1024, data.size() - at);
        p.w.SendData(data.data() + at, n, at + n < data.size() ? ZCRCG : ZCRCE);
    }
    if (data.size() == start)
        p.w.SendData(nullptr, 0, ZCRCE);
    p.w.SendBinHeader(ZEOF, uint32_t(data.size()));
    p.w.Flush();
}
}  // namespace

TEST(ScriptedReceive, FileThatCannotBeWrittenIsNeverComplete)
{
    // The process may not write files past 4096 bytes: the write fails with
    // EFBIG, the receive cancels and the file stays incomplete. The file fits
    // in the socket's buffer, so the scripted sender never blocks on a
    // receiver that has stopped reading.
    const std::string dir = TempDir("rx");
    struct rlimit old;
    ::getrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Peer p;
    ZmResult res;
    {
        Receiving r(p, dir);
        ASSERT_EQ(p.Header(), ZRINIT);
        SendOneFile(p, "big", RandomBytes(60000, 5));
        res = r.Join();
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(res.end, ZmEnd::WriteFailed);
    ASSERT_EQ(res.files.size(), 1u);
    EXPECT_EQ(res.files[0].status, ZmFileStatus::Partial);
    EXPECT_FALSE(res.AllComplete());
}

TEST(ScriptedReceive, OpenAfterReceiveAndProgressOfAResume)
{
    const std::string dir = TempDir("rx");
    MemorySettingsStore store;
    RecordingOpener opener;
    TransferOptionFlags options;
    options.OpenAfterReceive = true;
    const auto data = RandomBytes(9000, 6);
    WriteFile(dir + "/resumed", std::vector<uint8_t>(data.begin(), data.begin() + 5000));
    WriteFile(dir + "/there", RandomBytes(100, 7));
    ZmProgress progress;
    Peer p;
    ZmReceiver rx(p.engineIo, &progress, {&store, &options, &opener});
    ZmResult res;
    std::thread t([&] { res = rx.Receive(dir, false); });
    ASSERT_EQ(p.Header(), ZRINIT);
    SendOneFile(p, "resumed", data);  // option 0: ZRPOS 4096
    ASSERT_EQ(p.Header(), ZRINIT);
    EXPECT_EQ(progress.offset, 9000);
    EXPECT_EQ(progress.fileBytes, 9000 - 4096);
    EXPECT_EQ(progress.overallBytes, 9000);  // the resumed start counts
    EXPECT_EQ(progress.movedBytes, 9000 - 4096);
    EXPECT_TRUE(progress.started);
    p.File("there", "100 0 0 0 1 100");  // same size: already there
    ASSERT_EQ(p.Header(), ZSKIP);
    p.Finish();
    t.join();
    EXPECT_TRUE(res.AllComplete());
    EXPECT_TRUE(ReadFile(dir + "/resumed") == data);
    EXPECT_EQ(opener.opened, (std::vector<std::string>{dir + "/resumed", dir + "/there"}));
    EXPECT_FALSE(options.OpenAfterReceive);  // cleared when the receive ends
}

TEST(ScriptedReceive, SymbolicLinkInTheDownloadFolderIsNeverFollowed)
{
    // A link named as the announced file, pointing outside the folder: under
    // every resume option the file it points to stays as it was, and nothing
    // is opened afterwards.
    const std::string top = TempDir("rx");
    const std::string dir = top + "/down";
    ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
    const std::string outside = top + "/outside";
    const std::vector<uint8_t> before(5000, 'k');
    for (int option : {0, 1, 2, 3}) {
        WriteFile(outside, before);
        ::unlink((dir + "/linked").c_str());
        ASSERT_EQ(::symlink(outside.c_str(), (dir + "/linked").c_str()), 0);
        MemorySettingsStore store;
        store.WriteInt("ZModem", "AppendOption", option);
        TransferOptionFlags options;
        options.OpenAfterReceive = true;
        RecordingOpener opener;
        Peer p;
        ZmReceiver rx(p.engineIo, nullptr, {&store, &options, &opener});
        ZmResult res;
        std::thread t([&] { res = rx.Receive(dir, false); });
        ASSERT_EQ(p.Header(), ZRINIT);
        p.File("linked", "9000 0 0 0 1 9000");
        EXPECT_EQ(p.Header(), ZSKIP) << option;
        p.Finish();
        t.join();
        ASSERT_EQ(res.files.size(), 1u);
        EXPECT_EQ(res.files[0].status, ZmFileStatus::NotOpened) << option;
        EXPECT_TRUE(ReadFile(outside) == before) << option;
        EXPECT_TRUE(opener.opened.empty()) << option;
    }
}

TEST(DownloadFolder, SettingsFolderElseDownOfTheInstallationNeverTheCurrentDirectory)
{
    const std::string top = TempDir("dl");
    const std::string install = top + "/inst", chosen = top + "/chosen";
    ASSERT_EQ(::mkdir(install.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(chosen.c_str(), 0755), 0);
    struct Case {
        const char* what;
        const char* downPath;  // null: not stored
        std::string programDir;
        std::string want;
    } cases[] = {
        {"stored folder", nullptr, install, install + "/Down"},
        {"chosen folder", "", install, chosen},
        {"chosen folder gone", "/nonexistent/velo-down", install, install + "/Down"},
        {"relative folder", "Down", install, install + "/Down"},
        {"no installation folder", nullptr, "", ""},
        {"relative installation folder", nullptr, "inst", ""},
    };
    cases[1].downPath = chosen.c_str();
    for (const Case& c : cases) {
        ::rmdir((install + "/Down").c_str());  // made again on demand
        MemorySettingsStore store;
        if (c.downPath)
            store.WriteString("ZModem", "DownPath", c.downPath);
        EXPECT_EQ(DownloadDir(store, c.programDir), c.want) << c.what;
    }
}

TEST(DownloadFolder, AppendOptionOutsideTheRangeCountsAsZero)
{
    const std::pair<int, int> cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 0}, {-1, 0}, {99, 0}};
    for (auto [stored, want] : cases) {
        MemorySettingsStore store;
        store.WriteInt("ZModem", "AppendOption", stored);
        EXPECT_EQ(AppendOption(store), want) << stored;
    }
    MemorySettingsStore empty;
    EXPECT_EQ(AppendOption(empty), 0);
}
