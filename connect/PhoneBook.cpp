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

namespace {

// An entry's values in the order they are stored: each an integer member or
// a text field, with its default when read.
struct Field {
    const char* name;
    int32_t PhoneBookEntry::*number;
    std::span<char> (*text)(PhoneBookEntry&);
    int def = 0;
    bool scrambled = false;  // the password
};
template <auto Member>
std::span<char> Text(PhoneBookEntry& e)
{
    return std::span<char>(e.*Member);
}

using namespace settings;
const Field kFields[] = {
    {kPbKind, &PhoneBookEntry::kind, nullptr, kPbKindDefault},
    {kPbService, &PhoneBookEntry::service, nullptr, kPbServiceDefault},
    {kPbName, nullptr, Text<&PhoneBookEntry::name>},
    {kPbNumber, nullptr, Text<&PhoneBookEntry::number>},
    {kPbPreSend, nullptr, Text<&PhoneBookEntry::preSend>},
    {kPbWaitUserId, nullptr, Text<&PhoneBookEntry::waitUserId>},
    {kPbWaitPassword, nullptr, Text<&PhoneBookEntry::waitPassword>},
    {kPbUserId, nullptr, Text<&PhoneBookEntry::userId>},
    {kPbPassword, nullptr, Text<&PhoneBookEntry::password>, 0, true},
    {kPbPort, &PhoneBookEntry::port, nullptr, kPbPortDefault},
    {kPbWidth, &PhoneBookEntry::width, nullptr, kPbWidthDefault},
    {kPbHeight, &PhoneBookEntry::height, nullptr, kPbHeightDefault},
    {kPbTermType, &PhoneBookEntry::termType, nullptr, kPbTermTypeDefault},
    {kPbChatLines, &PhoneBookEntry::chatLines, nullptr, kPbChatLinesDefault},
    {kPbAutoWrap, &PhoneBookEntry::autoWrap, nullptr, kPbAutoWrapDefault},
};

}  // namespace

PhoneBookLoad LoadPhoneBook(SettingsStore& s)
{
    PhoneBookLoad out;
    const int count = std::clamp(ReadIntDefault(s, kPhoneBook, kPbCount), 0, kPhoneBookMaxEntries);
    out.entries.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        PhoneBookEntry e;
        for (const Field& f : kFields) {
            const std::string name = Indexed(f.name, i);
            if (f.number) {
                e.*f.number = s.ReadInt(kPhoneBook, name, f.def);
                continue;
            }
            std::span<char> field = f.text(e);
            std::string value = s.ReadString(kPhoneBook, name, "");
            if (f.scrambled) {
                std::string pw;
                if (DecodePassword(value, &pw) == PasswordDecode::Bad)
                    out.badPasswords.push_back(i);
                value = std::move(pw);
                field = field.first(kPasswordMaxBytes + 1);  // the spare byte stays unused
            }
            SetEntryText(field.data(), int(field.size()), value);
        }
        if (e.service < 0 || e.service > kServiceOther)
            e.service = kServiceOther;
        out.entries.push_back(e);
    }
    return out;
}

void SavePhoneBook(SettingsStore& s, const std::vector<PhoneBookEntry>& entries)
{
    s.WriteInt(kPhoneBook, kPbCount, int(entries.size()));
    for (int i = 0; i < int(entries.size()); ++i) {
        PhoneBookEntry e = entries[size_t(i)];
        for (const Field& f : kFields) {
            const std::string name = Indexed(f.name, i);
            if (f.number) {
                s.WriteInt(kPhoneBook, name, e.*f.number);
                continue;
            }
            const char* text = f.text(e).data();
            s.WriteString(kPhoneBook, name, f.scrambled ? ScramblePassword(text) : std::string(text));
        }
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
