#include "connect/PhoneBook.h"

#include <algorithm>

#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"
#include "connect/PasswordCodec.h"

namespace velo {

namespace {

// Access numbers in the 014xx family of the packet networks of the time and
// the services' telnet hosts. The first number or host of a service is the
// one its users knew; the others are plausible members of the same family.
constexpr const char* kChollianNumbers[] = {"01421", "01422", "01423", "01424",
                                            "01425", "01426", "01427", "01428"};
constexpr const char* kChollianHosts[] = {"chollian.net"};
constexpr const char* kHitelNumbers[] = {"01410", "01411", "01412", "01413", "01414", "01415", "01416"};
constexpr const char* kHitelHosts[] = {"hitel.net", "home.hitel.net"};
constexpr const char* kNowcomNumbers[] = {"01433", "01434", "01435", "01436", "01437", "01438"};
constexpr const char* kNowcomHosts[] = {"nownuri.net", "bbs.nownuri.net", "nownuri.co.kr"};
constexpr const char* kUnitelNumbers[] = {"01441", "01442", "01443"};
constexpr const char* kUnitelHosts[] = {"unitel.co.kr"};
constexpr const char* kKestrixHosts[] = {"bbs.kestrix.co.kr"};

const BuiltInService kServices[kServiceCount] = {
    {"천리안", kChollianNumbers, kChollianHosts, "회원 ID  :", "비밀번호 :"},
    {"하이텔", kHitelNumbers, kHitelHosts, "이용자번호 :", "비밀  번호 :"},
    {"나우콤", kNowcomNumbers, kNowcomHosts, "나 우 ID :", "비밀번호 :"},
    {"유니텔", kUnitelNumbers, kUnitelHosts, "이용자ID :", "비밀번호 :"},
    {"Kestrix", {}, kKestrixHosts, "회 원 ID :", "비밀 번호:"},
};

std::string Indexed(const char* name, int i) { return name + std::to_string(i); }

const char* HistoryName(HistoryKind kind)
{
    return kind == HistoryKind::PhoneNumber ? settings::kPhoneNum : settings::kIpAddress;
}

}  // namespace

const BuiltInService* FindService(int service)
{
    return service >= 0 && service < kServiceCount ? &kServices[service] : nullptr;
}

std::string_view ServiceName(int service)
{
    const BuiltInService* s = FindService(service);
    return s ? s->name : "";
}

std::span<const char* const> ChooseService(PhoneBookEntry* e, int service, bool telnet)
{
    e->kind = telnet ? kEntryTelnet : kEntryModem;
    const BuiltInService* s = FindService(service);
    if (!s) {
        e->service = kServiceOther;
        SetEntryText(e->name, PhoneBookEntry{}.name);
        SetEntryText(e->waitUserId, "");
        SetEntryText(e->waitPassword, "");
        return {};
    }
    e->service = service;
    std::span<const char* const> list = telnet ? s->hosts : s->numbers;
    SetEntryText(e->name, s->name);
    SetEntryText(e->number, list.empty() ? "" : list.front());
    SetEntryText(e->waitUserId, s->waitUserId);
    SetEntryText(e->waitPassword, s->waitPassword);
    return list;
}

PhoneBookLoad LoadPhoneBook(SettingsStore& s)
{
    using namespace settings;
    const char* sec = kPhoneBook;
    PhoneBookLoad out;
    const int count = std::clamp(ReadIntDefault(s, sec, kPbCount), 0, kPhoneBookMaxEntries);
    out.entries.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        PhoneBookEntry e;
        e.kind = s.ReadInt(sec, Indexed(kPbKind, i), kPbKindDefault);
        e.service = s.ReadInt(sec, Indexed(kPbService, i), kPbServiceDefault);
        if (e.service < 0 || e.service > kServiceOther)
            e.service = kServiceOther;
        SetEntryText(e.name, s.ReadString(sec, Indexed(kPbName, i), ""));
        SetEntryText(e.number, s.ReadString(sec, Indexed(kPbNumber, i), ""));
        SetEntryText(e.preSend, s.ReadString(sec, Indexed(kPbPreSend, i), ""));
        SetEntryText(e.waitUserId, s.ReadString(sec, Indexed(kPbWaitUserId, i), ""));
        SetEntryText(e.waitPassword, s.ReadString(sec, Indexed(kPbWaitPassword, i), ""));
        SetEntryText(e.userId, s.ReadString(sec, Indexed(kPbUserId, i), ""));
        std::string pw;
        if (DecodePassword(s.ReadString(sec, Indexed(kPbPassword, i), ""), &pw) == PasswordDecode::Bad)
            out.badPasswords.push_back(i);
        SetEntryText(e.password, sizeof e.password - 1, pw);
        e.port = s.ReadInt(sec, Indexed(kPbPort, i), kPbPortDefault);
        e.width = s.ReadInt(sec, Indexed(kPbWidth, i), kPbWidthDefault);
        e.height = s.ReadInt(sec, Indexed(kPbHeight, i), kPbHeightDefault);
        e.termType = s.ReadInt(sec, Indexed(kPbTermType, i), kPbTermTypeDefault);
        e.chatLines = s.ReadInt(sec, Indexed(kPbChatLines, i), kPbChatLinesDefault);
        e.autoWrap = s.ReadInt(sec, Indexed(kPbAutoWrap, i), kPbAutoWrapDefault);
        out.entries.push_back(e);
    }
    return out;
}

void SavePhoneBook(SettingsStore& s, const std::vector<PhoneBookEntry>& entries)
{
    using namespace settings;
    const char* sec = kPhoneBook;
    s.WriteInt(sec, kPbCount, int(entries.size()));
    for (int i = 0; i < int(entries.size()); ++i) {
        const PhoneBookEntry& e = entries[size_t(i)];
        s.WriteInt(sec, Indexed(kPbKind, i), e.kind);
        s.WriteInt(sec, Indexed(kPbService, i), e.service);
        s.WriteString(sec, Indexed(kPbName, i), e.name);
        s.WriteString(sec, Indexed(kPbNumber, i), e.number);
        s.WriteString(sec, Indexed(kPbPreSend, i), e.preSend);
        s.WriteString(sec, Indexed(kPbWaitUserId, i), e.waitUserId);
        s.WriteString(sec, Indexed(kPbWaitPassword, i), e.waitPassword);
        s.WriteString(sec, Indexed(kPbUserId, i), e.userId);
        s.WriteString(sec, Indexed(kPbPassword, i), ScramblePassword(e.password));
        s.WriteInt(sec, Indexed(kPbPort, i), e.port);
        s.WriteInt(sec, Indexed(kPbWidth, i), e.width);
        s.WriteInt(sec, Indexed(kPbHeight, i), e.height);
        s.WriteInt(sec, Indexed(kPbTermType, i), e.termType);
        s.WriteInt(sec, Indexed(kPbChatLines, i), e.chatLines);
        s.WriteInt(sec, Indexed(kPbAutoWrap, i), e.autoWrap);
    }
}

PhoneBookView ReadPhoneBookView(SettingsStore& s)
{
    int v = settings::ReadIntDefault(s, settings::kPhoneBook, settings::kPbViewStyle);
    return v >= 0 && v <= 3 ? PhoneBookView(v) : PhoneBookView::Details;
}

void WritePhoneBookView(SettingsStore& s, PhoneBookView v)
{
    s.WriteInt(settings::kPhoneBook, settings::kPbViewStyle, int(v));
}

DialHistory ReadDialHistory(SettingsStore& s, HistoryKind kind)
{
    DialHistory h;
    for (int i = 0; i < settings::kHistoryLength; ++i)
        h[size_t(i)] = s.ReadString(settings::kHistory, Indexed(HistoryName(kind), i), "");
    return h;
}

DialHistory UpdateDialHistory(SettingsStore& s, HistoryKind kind, std::string_view t)
{
    DialHistory h = ReadDialHistory(s, kind);
    auto at = std::find(h.begin(), h.end(), t);
    if (at != h.end()) {
        std::swap(h.front(), *at);
    } else {
        std::move_backward(h.begin(), h.end() - 1, h.end());
        h.front() = std::string(t);
    }
    for (int i = 0; i < settings::kHistoryLength; ++i)
        s.WriteString(settings::kHistory, Indexed(HistoryName(kind), i), h[size_t(i)]);
    return h;
}

}  // namespace velo
