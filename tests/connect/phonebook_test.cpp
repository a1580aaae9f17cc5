// The phone book's storage, password scrambling, the service choice of the
// entry dialog and the dialling histories, over a store in memory.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/SettingsStore.h"
#include "connect/PasswordCodec.h"
#include "connect/PhoneBook.h"
#include "terminal/HangulCodec.h"

using namespace velo;

namespace {

constexpr char kSec[] = "전화 번호부";

PhoneBookEntry Entry(int kind, int service, const char* name, const char* number, int port, int termType)
{
    PhoneBookEntry e;
    e.kind = kind;
    e.service = service;
    SetEntryText(e.name, name);
    SetEntryText(e.number, number);
    e.port = port;
    e.termType = termType;
    return e;
}

bool SameEntry(const PhoneBookEntry& a, const PhoneBookEntry& b)
{
    return a.kind == b.kind && a.service == b.service && !std::strcmp(a.name, b.name) &&
           !std::strcmp(a.number, b.number) && !std::strcmp(a.preSend, b.preSend) &&
           !std::strcmp(a.waitUserId, b.waitUserId) && !std::strcmp(a.waitPassword, b.waitPassword) &&
           !std::strcmp(a.userId, b.userId) && !std::strcmp(a.password, b.password) && a.port == b.port &&
           a.width == b.width && a.height == b.height && a.termType == b.termType &&
           a.chatLines == b.chatLines && a.autoWrap == b.autoWrap;
}

}  // namespace

TEST(PhoneBookStore, EntriesSurviveASaveAndReloadInListOrder)
{
    MemorySettingsStore s;
    PhoneBookEntry a = Entry(kEntryTelnet, 1, "하이텔 텔넷", "hitel.net", 2323, 1);
    SetEntryText(a.userId, "guest");
    SetEntryText(a.password, "비밀pw");
    SetEntryText(a.waitUserId, "이용자번호 :");
    SetEntryText(a.waitPassword, "비밀  번호 :");
    SetEntryText(a.preSend, "go main\\r");
    a.width = 132;
    a.height = 50;
    a.chatLines = 5;
    a.autoWrap = 0;
    PhoneBookEntry b = Entry(kEntryModem, kServiceOther, "우리 동네", "0212345678", 23, 2);
    PhoneBookEntry c = Entry(kEntryComPort, kServiceOther, "COM3", "COM3", 3, 0);
    SavePhoneBook(s, {a, b, c});
    EXPECT_EQ(s.ReadInt(kSec, "갯수", -1), 3);
    EXPECT_NE(s.ReadString(kSec, "Password0", ""), "비밀pw");  // never in clear

    PhoneBookLoad got = LoadPhoneBook(s);
    ASSERT_EQ(got.entries.size(), 3u);
    EXPECT_TRUE(got.badPasswords.empty());
    EXPECT_TRUE(SameEntry(got.entries[0], a));
    EXPECT_TRUE(SameEntry(got.entries[1], b));
    EXPECT_TRUE(SameEntry(got.entries[2], c));

    // A shorter list: the count says what is read.
    SavePhoneBook(s, {b});
    got = LoadPhoneBook(s);
    ASSERT_EQ(got.entries.size(), 1u);
    EXPECT_TRUE(SameEntry(got.entries[0], b));
}

TEST(PhoneBookStore, HandEditedValuesLoadWithTheDefaultsAndCuts)
{
    struct Case {
        const char* what;
        std::function<void(MemorySettingsStore&)> edit;
        std::function<void(const PhoneBookLoad&)> check;
    };
    auto one = [](MemorySettingsStore& s) { s.WriteInt(kSec, "갯수", 1); };
    const std::string longName(100, 'n');
    std::string hangul70;
    for (int i = 0; i < 70; ++i)
        hangul70 += "가";
    const Case cases[] = {
        {"empty section", [](MemorySettingsStore&) {},
         [](const PhoneBookLoad& l) { EXPECT_TRUE(l.entries.empty()); }},
        {"count 0", [](MemorySettingsStore& s) { s.WriteInt(kSec, "갯수", 0); s.WriteString(kSec, "이름0", "x"); },
         [](const PhoneBookLoad& l) { EXPECT_TRUE(l.entries.empty()); }},
        {"negative count", [](MemorySettingsStore& s) { s.WriteInt(kSec, "갯수", -4); },
         [](const PhoneBookLoad& l) { EXPECT_TRUE(l.entries.empty()); }},
        {"count not a number", [](MemorySettingsStore& s) { s.WriteString(kSec, "갯수", "many"); },
         [](const PhoneBookLoad& l) { EXPECT_TRUE(l.entries.empty()); }},
        {"huge count", [](MemorySettingsStore& s) { s.WriteInt(kSec, "갯수", 2000000000); },
         [](const PhoneBookLoad& l) { EXPECT_EQ(l.entries.size(), size_t(kPhoneBookMaxEntries)); }},
        {"nothing but the count",
         one,
         [](const PhoneBookLoad& l) {
             ASSERT_EQ(l.entries.size(), 1u);
             const PhoneBookEntry& e = l.entries[0];
             EXPECT_EQ(e.kind, 0);
             EXPECT_EQ(e.service, 5);
             EXPECT_STREQ(e.name, "");
             EXPECT_STREQ(e.number, "");
             EXPECT_EQ(e.port, 23);
             EXPECT_EQ(e.width, 80);
             EXPECT_EQ(e.height, 28);
             EXPECT_EQ(e.termType, 0);  // not the fresh entry's ANSI
             EXPECT_EQ(e.chatLines, 3);
             EXPECT_EQ(e.autoWrap, 1);
         }},
        {"numbers that are not",
         [&](MemorySettingsStore& s) {
             one(s);
             s.WriteString(kSec, "가로0", "wide");
             s.WriteString(kSec, "PortNum0", "23a");
             s.WriteString(kSec, "HostId0", "");
         },
         [](const PhoneBookLoad& l) {
             EXPECT_EQ(l.entries[0].width, 80);
             EXPECT_EQ(l.entries[0].port, 23);
             EXPECT_EQ(l.entries[0].service, 5);
         }},
        {"service out of range", [&](MemorySettingsStore& s) { one(s); s.WriteInt(kSec, "HostId0", 9); },
         [](const PhoneBookLoad& l) { EXPECT_EQ(l.entries[0].service, 5); }},
        {"over-long texts",
         [&](MemorySettingsStore& s) {
             one(s);
             s.WriteString(kSec, "이름0", longName);
             s.WriteString(kSec, "번호0", hangul70);
             s.WriteString(kSec, "UserId0", longName);
             s.WriteString(kSec, "미리보낼문자열0", std::string(300, 'p'));
         },
         [](const PhoneBookLoad& l) {
             const PhoneBookEntry& e = l.entries[0];
             EXPECT_EQ(std::string(e.name), std::string(64, 'n'));
             EXPECT_EQ(std::strlen(e.number), 63u);  // 21 whole characters of three bytes
             EXPECT_EQ(std::string(e.userId), std::string(32, 'n'));
             EXPECT_EQ(std::strlen(e.preSend), 128u);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemorySettingsStore s;
        c.edit(s);
        c.check(LoadPhoneBook(s));
    }
}

TEST(PhoneBookStore, APasswordThatDoesNotDecodeLoadsEmptyAndIsReported)
{
    MemorySettingsStore s;
    PhoneBookEntry e = Entry(kEntryTelnet, 4, "a", "h", 23, 2);
    SetEntryText(e.password, "pw");
    SavePhoneBook(s, {e, e, e});
    s.WriteString(kSec, "Password1", "300000123123");
    s.WriteString(kSec, "Password2", "12345678901");  // 11 digits: silently empty
    PhoneBookLoad l = LoadPhoneBook(s);
    ASSERT_EQ(l.entries.size(), 3u);
    EXPECT_STREQ(l.entries[0].password, "pw");
    EXPECT_STREQ(l.entries[1].password, "");
    EXPECT_STREQ(l.entries[1].name, "a");  // the entry still loads
    EXPECT_STREQ(l.entries[2].password, "");
    EXPECT_EQ(l.badPasswords, std::vector<int>{1});
}

TEST(PasswordCodec, ScrambledPasswordsDecodeToThemselves)
{
    std::string printable;
    for (int c = 0x20; c < 0x7F; ++c)
        printable += char(c);
    const std::string cases[] = {"", "a", "pw", "비밀번호12", std::string(32, 'x'), printable.substr(0, 32),
                                 printable.substr(32, 32), printable.substr(64)};
    for (const std::string& pw : cases) {
        for (uint32_t seed : {1u, 7u, 123456u}) {
            std::string stored = ScramblePassword(pw, seed);
            SCOPED_TRACE(pw + " / " + stored);
            EXPECT_EQ(stored.size(), pw.empty() ? 0 : 6 + 6 * pw.size());
            EXPECT_EQ(stored.find_first_not_of("0123456789"), std::string::npos);
            std::string back = "junk";
            EXPECT_EQ(DecodePassword(stored, &back), PasswordDecode::Ok);
            EXPECT_EQ(back, pw);
        }
    }
    // Another seed, another text, the same password.
    EXPECT_NE(ScramblePassword("secret", 1), ScramblePassword("secret", 2));
    std::string back;
    ASSERT_EQ(DecodePassword(ScramblePassword("secret"), &back), PasswordDecode::Ok);
    EXPECT_EQ(back, "secret");
}

TEST(PasswordCodec, OddStoredTexts)
{
    const std::string forty = ScramblePassword(std::string(40, 'y'), 5);
    struct Case {
        std::string stored;
        PasswordDecode result;
        std::string password;
    } const cases[] = {
        {"", PasswordDecode::Ok, ""},
        {"12345678901", PasswordDecode::Ok, ""},           // 11 digits
        {"1234567890123", PasswordDecode::Ok, ""},         // not in sixes
        {"300000123123", PasswordDecode::Bad, ""},         // key out of range
        {"255000256000", PasswordDecode::Bad, ""},         // a character out of range
        {"12a000123123", PasswordDecode::Bad, ""},         // no number
        {"-12000123123", PasswordDecode::Bad, ""},
        {ScramblePassword("\r", 3), PasswordDecode::Bad, ""},   // would end the answer early
        {ScramblePassword("a\x01", 3), PasswordDecode::Bad, ""},
        {ScramblePassword("\xEA\xB0", 3), PasswordDecode::Bad, ""},  // half a character
        {forty, PasswordDecode::Ok, std::string(32, 'y')},  // at most 32 taken
        // The cut at 32 leaves the eleventh Hangul syllable incomplete: dropped.
        {ScramblePassword("가가가가가가가가가가가", 9),
         PasswordDecode::Ok, "가가가가가가가가가가"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        std::string out = "junk";
        EXPECT_EQ(DecodePassword(c.stored, &out), c.result);
        EXPECT_EQ(out, c.password);
    }
}

TEST(PhoneBookServices, ChoosingAServiceFillsNameNumberAndPromptsAsHostBytes)
{
    struct Case {
        int service;
        bool telnet;
        const char* name;
        const char* number;
        size_t listSize;
        const char* waitUserId;
    } const cases[] = {
        {0, false, "천리안", "01421", 8, "회원 ID  :"},
        {0, true, "천리안", "chollian.net", 1, "회원 ID  :"},
        {1, false, "하이텔", "01410", 7, "이용자번호 :"},
        {1, true, "하이텔", "hitel.net", 2, "이용자번호 :"},
        {2, false, "나우콤", "01433", 6, "나 우 ID :"},
        {2, true, "나우콤", "nownuri.net", 3, "나 우 ID :"},
        {3, false, "유니텔", "01441", 3, "이용자ID :"},
        {3, true, "유니텔", "unitel.co.kr", 1, "이용자ID :"},
        {4, false, "Kestrix", "", 0, "회 원 ID :"},
        {4, true, "Kestrix", "bbs.kestrix.co.kr", 1, "회 원 ID :"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + std::string(c.telnet ? " telnet" : " dial"));
        PhoneBookEntry e;
        SetEntryText(e.number, "typed");
        auto list = ChooseService(&e, c.service, c.telnet);
        EXPECT_EQ(list.size(), c.listSize);
        EXPECT_EQ(e.service, c.service);
        EXPECT_EQ(e.kind, c.telnet ? kEntryTelnet : kEntryModem);
        EXPECT_STREQ(e.name, c.name);
        EXPECT_STREQ(e.number, c.number);
        EXPECT_STREQ(e.waitUserId, c.waitUserId);
        // Every prompt is KS C 5601 text: it reaches the host's bytes whole.
        for (const char* p : {e.waitUserId, e.waitPassword}) {
            std::string host = hangul::EncodeCp949(p);
            EXPECT_EQ(host.find('?'), std::string::npos) << p;
            EXPECT_EQ(hangul::DecodeToUtf8(host, hangul::DisplayCode::Ks), p);
        }
    }
    PhoneBookEntry e;
    ChooseService(&e, 1, true);
    SetEntryText(e.number, "my.host");
    EXPECT_TRUE(ChooseService(&e, kServiceOther, true).empty());
    EXPECT_STREQ(e.name, "알 수 없음");
    EXPECT_STREQ(e.number, "my.host");
    EXPECT_STREQ(e.waitUserId, "");
    EXPECT_STREQ(e.waitPassword, "");
    EXPECT_EQ(ServiceName(4), "Kestrix");
    EXPECT_EQ(ServiceName(5), "");
}

TEST(DialHistories, TheNewestFirstFiveKeptAndARepeatExchangedWithTheFirst)
{
    MemorySettingsStore s;
    EXPECT_EQ(ReadDialHistory(s, HistoryKind::Host), (DialHistory{"", "", "", "", ""}));
    for (const char* n : {"1", "2", "3", "4", "5", "6"})
        UpdateDialHistory(s, HistoryKind::PhoneNumber, n);
    EXPECT_EQ(ReadDialHistory(s, HistoryKind::PhoneNumber), (DialHistory{"6", "5", "4", "3", "2"}));
    EXPECT_EQ(s.ReadString("History", "PhoneNum4", ""), "2");
    // Position 3 again: it and position 0 change places, the rest stay.
    UpdateDialHistory(s, HistoryKind::PhoneNumber, "3");
    EXPECT_EQ(ReadDialHistory(s, HistoryKind::PhoneNumber), (DialHistory{"3", "5", "4", "6", "2"}));
    UpdateDialHistory(s, HistoryKind::PhoneNumber, "3");
    EXPECT_EQ(ReadDialHistory(s, HistoryKind::PhoneNumber), (DialHistory{"3", "5", "4", "6", "2"}));
    // The two histories are apart.
    UpdateDialHistory(s, HistoryKind::Host, "127.0.0.1");
    EXPECT_EQ(ReadDialHistory(s, HistoryKind::Host), (DialHistory{"127.0.0.1", "", "", "", ""}));
    EXPECT_EQ(s.ReadString("History", "IPAddress0", ""), "127.0.0.1");
    EXPECT_EQ(ReadDialHistory(s, HistoryKind::PhoneNumber)[0], "3");
}
