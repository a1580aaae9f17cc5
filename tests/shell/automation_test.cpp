// The mail and post automation without windows: the escape remover state by
// state, the prompt wait on whole, split and coloured prompts, its ends
// (cancel, a lost line, the re-read without a data signal), the prefix tags,
// the body file, and a run that is cancelled or loses its host mid-wait.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <regex>
#include <thread>

#include "base/CommandIds.h"
#include "base/SettingsLayout.h"
#include "connect/Conn.h"
#include "shell/Automation.h"
#include "shell/MacroSender.h"
#include "support/PeerProcess.h"
#include "support/TestKit.h"
#include "terminal/HangulCodec.h"
#include "transfer/FdLine.h"
#include "transfer/ZmThread.h"

using namespace velo;
using namespace std::chrono_literals;

namespace {

std::string Ks(std::string_view utf8) { return hangul::EncodeCp949(utf8); }

// Both ends of a socketpair, closed after whatever uses them.
using test::SocketPair;

std::string Removed(EscapeRemover& r, std::string s)
{
    int n = r.Remove(reinterpret_cast<uint8_t*>(s.data()), int(s.size()));
    return s.substr(0, size_t(n));
}

struct RemoverCase {
    const char* name;
    std::string in, out;
    // Cut anywhere, the result is the same (no 0x9B whose meaning depends on
    // where a read begins).
    bool anyCut = true;
};

}  // namespace

TEST(EscapeRemover, TakesOutEverySequenceKindWholeOrCutAnywhere)
{
    using namespace std::string_literals;
    const RemoverCase cases[] = {
        {"plain text stays", "abc 선택>", "abc 선택>"},
        {"colour sequence inside a prompt", "번호\x1b[1;33m/명령\x1b[0m >>", "번호/명령 >>"},
        {"ESC ESC stays in escape", "\x1b\x1b[5mX", "X"},
        {"ESC # takes one byte more", "\x1b#8X", "X"},
        {"ESC ( takes one byte more", "\x1b(BX", "X"},
        {"ESC % then a run of slashes", "\x1b%///GX", "X"},
        {"ESC & 6 then a run of slashes", "\x1b&6//ZX", "X"},
        {"ESC & other ends", "\x1b&xY", "Y"},
        {"ESC other ends and is dropped", "\x1b" "7X", "X"},
        {"ESC then a Hangul byte is text again", "\x1b" + Ks("가"), Ks("가")},
        {"private parameters", "\x1b[?25hX", "X"},
        {"'?' after parameters ends the sequence", "\x1b[1?X", "X"},
        {"CSI byte inside parameters restarts control", "\x1b[1\x9b" "2mX", "X"},
        {"ESC inside parameters restarts", "\x1b[1\x1b[2mX", "X"},
        {"Hangul after parameters is text again", "\x1b[1" + Ks("가나"), Ks("가나")},
        {"zero bytes are dropped everywhere", "A\0B\x1b\0[1\0mC"s, "ABC"},
        {"CSI at the start of a read", "\x9b" "1mX", "X", false},
        {"0x9B inside a run of text is text", "A\x9b" "1B", "A\x9b" "1B", false},
        {"a zero byte ends the run: 0x9B is CSI again", "A\0\x9b" "1mB"s, "AB", false},
    };
    for (const RemoverCase& c : cases) {
        EscapeRemover whole;
        EXPECT_EQ(Removed(whole, c.in), c.out) << c.name;
        if (!c.anyCut)
            continue;
        for (size_t cut = 1; cut < c.in.size(); ++cut) {
            EscapeRemover r;
            std::string got = Removed(r, c.in.substr(0, cut));
            got += Removed(r, c.in.substr(cut));
            EXPECT_EQ(got, c.out) << c.name << " cut at " << cut;
        }
    }
    EscapeRemover r;
    Removed(r, "\x1b[1;3");
    r.Reset();
    EXPECT_EQ(Removed(r, "3mX"), "3mX") << "a reset forgets a sequence begun";
}

namespace {

// One connection over a string line: each read hands out the next chunk.
struct WaitRig {
    test::TestOutlets o;
    ConnFacade conn{o.out};
    test::QueueLine line;
    MacroSender macros{[this](const uint8_t* p, int n) { conn.ConnWrite(p, n); }};
    zm::ZmTransfer transfer{conn};
    ScriptIo io{conn, macros, transfer, 20};
    std::vector<std::string> chunks;
    size_t next = 0;
    std::string shown;

    WaitRig()
    {
        conn.SetTelnetLine(&line);
        o.flags.ConnState.Connected = true;
        o.sink.onSend = [this](int msg, uintptr_t w, intptr_t l) -> intptr_t {
            if (msg == WM_SHOW_BYTES) {
                shown.append(reinterpret_cast<const char*>(w), size_t(l));
                Feed();
            }
            return 0;
        };
    }
    // The next chunk, or the line's end once they are used up.
    void Feed()
    {
        if (next < chunks.size())
            line.in += chunks[next++];
        else
            line.open = false;
    }
    void Start(std::vector<std::string> c)
    {
        chunks = std::move(c);
        next = 0;
        Feed();
    }
};

struct WaitCase {
    const char* name;
    std::string stream;  // UTF-8 with sequences, sent in host code
    std::vector<std::string_view> texts;
    int want;
    std::string_view after;  // found by the next wait from what is left
};

}  // namespace

TEST(PromptWait, FindsPromptsWholeSplitAndColouredAndLeavesTheRest)
{
    const WaitCase cases[] = {
        {"whole prompt", "\r\n 명령 선택> 다음", {"선택>"}, 0, "다음"},
        {"prompt in colour", "\x1b[1;36m번호\x1b[0m/명령\x1b[1;33m >> \x1b[0m끝", {"번호/명령", ">>"}, 0, ">>"},
        {"the first text seen wins", "정상이용자가 아닙니다.\r\n참조 :", {"참조 :", "정상이용자가 아닙니다."}, 1,
         "참조 :"},
        {"on the same byte the later text wins", "xAB!", {"AB", "B"}, 1, "!"},
        {"a mismatch starts over past its byte", "AAAB, AAB.", {"AAB"}, 0, "."},
        {"never seen", "nothing here", {"선택>"}, -1, ""},
    };
    for (const WaitCase& c : cases) {
        const std::string host = Ks(c.stream);
        std::vector<std::vector<std::string>> splits{{host}};
        for (size_t cut = 1; cut < host.size(); ++cut)
            splits.push_back({host.substr(0, cut), host.substr(cut)});
        for (const auto& chunks : splits) {
            WaitRig rig;
            rig.Start(chunks);
            std::string where = std::string(c.name) + " in " + std::to_string(chunks.size()) + " reads, first " +
                                std::to_string(chunks[0].size());
            std::vector<std::string> hostTexts;
            for (auto t : c.texts)
                hostTexts.push_back(Ks(t));
            std::vector<std::string_view> views(hostTexts.begin(), hostTexts.end());
            ASSERT_EQ(rig.io.WaitBytes(views), c.want) << where;
            if (!c.after.empty()) {
                EXPECT_TRUE(rig.io.Wait(c.after)) << where;
            }
            // Everything read was shown as it came, sequences and all.
            EXPECT_EQ(rig.shown, host.substr(0, rig.shown.size())) << where;
        }
    }
}

TEST(PromptWait, EndsOnCancelOrALostConnectionBeforeReadingMore)
{
    struct {
        const char* name;
        bool cancel, connected, lineOpen;
    } cases[] = {
        {"cancelled", true, true, true},
        {"no longer connected", false, false, true},
        {"line closed", false, true, false},
    };
    for (const auto& c : cases) {
        WaitRig rig;
        rig.line.in = Ks("선택>");
        rig.o.flags.AppFlags.AutomationCancel = c.cancel;
        rig.o.flags.ConnState.Connected = c.connected;
        rig.line.open = c.lineOpen;
        EXPECT_EQ(rig.io.Wait({"선택>"}), -1) << c.name;
        EXPECT_TRUE(rig.shown.empty()) << c.name;
    }
}

TEST(PromptWait, ReadsAgainAfterItsIntervalWithoutADataSignal)
{
    // A line without a watcher: nothing ever signals DataEvent, so only the
    // wait's own re-read finds the prompt.
    test::TestOutlets o;
    ConnFacade conn{o.out};
    SocketPair pair;
    int* sv = pair.fd;
    ASSERT_GE(sv[0], 0);
    FdLine line(o.flags, sv[0], sv[0], false, false);
    conn.SetTelnetLine(&line);
    o.flags.ConnState.Connected = true;
    MacroSender macros{[&](const uint8_t* p, int n) { conn.ConnWrite(p, n); }};
    zm::ZmTransfer transfer{conn};
    ScriptIo io{conn, macros, transfer, 50};

    auto started = std::chrono::steady_clock::now();
    auto result = std::async(std::launch::async, [&] { return io.Wait({"선택>"}); });
    std::this_thread::sleep_for(120ms);
    std::string prompt = Ks("메뉴 선택>");
    ASSERT_EQ(::write(sv[1], prompt.data(), prompt.size()), ssize_t(prompt.size()));
    if (result.wait_for(3s) != std::future_status::ready) {
        o.flags.ConnState.Connected = false;  // end the wait, then fail
        o.flags.DataEvent.Set();
        FAIL() << "the wait did not read again by itself";
    }
    EXPECT_EQ(result.get(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
}

TEST(PrefixTags, UserTagsShiftNewestFirstAndSkipKnownOrEmptyTags)
{
    test::TestOutlets o;
    for (int i = 0; i < 4; ++i)
        o.settings.WriteString(settings::kSendSection, ("말머리" + std::to_string(i)).c_str(), "[u" + std::to_string(i) + "] ");
    PrefixTags t = PrefixTags::Load(o.settings);
    EXPECT_EQ(t.tags[0], "[질문] ");
    EXPECT_EQ(t.tags[4], "[참고] ");
    EXPECT_EQ(t.tags[5], "[u0] ");
    EXPECT_EQ(t.tags[9], "");

    struct {
        const char* tag;
        bool added;
    } steps[] = {{"[정보] ", false}, {"[u2] ", false}, {"", false}, {"[새] ", true}, {"[또] ", true}};
    for (const auto& s : steps)
        EXPECT_EQ(t.Remember(s.tag), s.added) << s.tag;
    t.SaveUserTags(o.settings);
    PrefixTags back = PrefixTags::Load(o.settings);
    const char* want[] = {"[또] ", "[새] ", "[u0] ", "[u1] ", "[u2] "};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(back.tags[size_t(5 + i)], want[i]) << "slot " << 5 + i << ": the oldest ([u3]) is dropped";
}

TEST(BodyFile, NamedWithThePrefixInTheFolderWrittenAsTheHostReadsItAndRemoved)
{
    test::TempDir dir;
    std::string path;
    {
        BodyFile f;
        ASSERT_TRUE(f.Create(dir.Path(), BodyFileBytes("첫 줄\n둘째 줄\r\n셋")));
        path = f.Path();
        EXPECT_EQ(std::filesystem::path(path).parent_path(), dir.Path());
        EXPECT_TRUE(std::regex_match(std::filesystem::path(path).filename().string(),
                                     std::regex("vel[0-9A-F]+\\.txt")))
            << path;
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        FILE* in = std::fopen(path.c_str(), "rb");
        ASSERT_NE(in, nullptr);
        char buf[256];
        size_t n = std::fread(buf, 1, sizeof buf, in);
        std::fclose(in);
        EXPECT_EQ(std::string(buf, n), Ks("첫 줄\r\n둘째 줄\r\n셋"));
        BodyFile second;
        ASSERT_TRUE(second.Create(dir.Path(), "x"));
        EXPECT_NE(second.Path(), path);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    BodyFile none;
    EXPECT_FALSE(none.Create(dir.Path() + "/missing", "x"));
    EXPECT_TRUE(none.Path().empty());
}

TEST(Automation, AttachmentNamesAndWhenARunMayStart)
{
    const std::pair<const char*, const char*> names[] = {
        {"/home/u/보고서.hwp", "보고서.hwp"}, {"C:\\docs\\a.zip", "a.zip"}, {"a:b.txt", "b.txt"}, {"plain", "plain"}};
    for (auto [path, name] : names)
        EXPECT_EQ(AttachmentName(path), name) << path;

    struct {
        const char* name;
        int service;
        void (*set)(SharedFlags&);
        bool may;
    } cases[] = {
        {"천리안", 0, nullptr, true},          {"하이텔", 1, nullptr, true},
        {"나우콤", 2, nullptr, true},          {"Kestrix", 4, nullptr, true},
        {"service 3", 3, nullptr, false},     {"no known service", 5, nullptr, false},
        {"not connected", 0, [](SharedFlags& f) { f.ConnState.Connected = false; }, false},
        {"receiving", 0, [](SharedFlags& f) { f.ConnState.Receiving = true; }, false},
        {"sending", 0, [](SharedFlags& f) { f.ConnState.Sending = true; }, false},
        {"automating", 0, [](SharedFlags& f) { f.ConnState.Automating = true; }, false},
        {"scrollback view open", 0, [](SharedFlags& f) { f.TermShared.Frozen = true; }, false},
    };
    for (const auto& c : cases) {
        SharedFlags f;
        f.ConnState.Connected = true;
        f.TermShared.ServiceKind = c.service;
        if (c.set)
            c.set(f);
        EXPECT_EQ(AutomationMayStart(f), c.may) << c.name;
    }
}

TEST(Automation, AWaitEndedByCancelOrHangUpSendsNoMoreShowsNothingAndRemovesTheBody)
{
    for (bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancel" : "host hangs up");
        test::TestOutlets o;
        test::TempDir dir;
        ConnFacade conn{o.out};
        SocketPair pair;
        int* sv = pair.fd;
        ASSERT_GE(sv[0], 0);
        FdLine line(o.flags, sv[0], sv[0], true, true);
        conn.SetTelnetLine(&line);
        o.flags.ConnState.Connected = true;
        o.flags.TermShared.ServiceKind = 0;
        MacroSender macros{[&](const uint8_t* p, int n) { conn.ConnWrite(p, n); }};
        zm::ZmTransfer transfer{conn};
        Automation a(conn, macros, transfer);
        a.SetTempDir(dir.Path());

        ASSERT_TRUE(a.StartMail({"friend", "", "제목", "본문", ""}));
        EXPECT_TRUE(o.flags.ConnState.Automating);
        EXPECT_FALSE(a.StartPost({"again", "x"})) << "one run at a time";
        EXPECT_EQ(test::ReadFor(sv[1], 7, 3000), "go top\r");
        int files = 0;
        for (auto& e : std::filesystem::directory_iterator(dir.Path()))
            files += e.path().filename().string().rfind("vel", 0) == 0;
        EXPECT_EQ(files, 1) << "the body file is there while the script waits";

        if (cancel) {
            a.Cancel();
        } else {
            ::shutdown(sv[1], SHUT_RDWR);
        }
        ASSERT_TRUE(a.WaitEnd(5000));
        EXPECT_FALSE(o.flags.ConnState.Automating);
        EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
        for (const auto& m : o.sink.Messages())
            EXPECT_NE(m.msg, WM_AUTOMATION_MESSAGE);
        EXPECT_EQ(o.sink.Count(CMD_CONN_DATA), 1) << "the terminal reads again";
        if (cancel) {
            EXPECT_EQ(test::ReadFor(sv[1], 1, 300), "") << "nothing sent after the cancel";
        }
    }
}
