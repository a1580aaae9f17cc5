// The phone book without its windows: the five built-in services, the
// storage of the entries in the settings section "전화 번호부", the choice of
// a service in the entry dialog, and the dialling histories of the manual
// dial and telnet dialogs (section "History").
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "connect/PhoneBookEntry.h"

namespace velo {

class SettingsStore;

// ---- built-in services

inline constexpr int kServiceCount = 5;  // 0..4; kServiceOther (5) is none

struct BuiltInService {
    const char* name;                       // also the entry's name when chosen
    std::span<const char* const> numbers;   // dial-up access numbers
    std::span<const char* const> hosts;     // telnet hosts
    const char* waitUserId;                 // prompts, as UTF-8; sent to the
    const char* waitPassword;               // host's KS C 5601 when armed
};

// Service 0..4; nullptr for anything else.
const BuiltInService* FindService(int service);
// The service's name, or "" for none or another host.
std::string_view ServiceName(int service);

// Choosing a service or a connection method in the entry dialog: for a
// built-in service the name becomes the service's, the number its first
// access number (dial-up) or host (telnet) or empty when it has none, and the
// two prompts the service's; for another host the name becomes "알 수 없음"
// and both prompts empty, the number stays. Sets the kind and the service.
// Returns the drop-down's list (empty for another host).
std::span<const char* const> ChooseService(PhoneBookEntry* e, int service, bool telnet);

// ---- storage

// Entries beyond this count are not read: a hand-edited "갯수" must not make
// the dialog read for ever.
inline constexpr int kPhoneBookMaxEntries = 1000;

inline constexpr char kBadPasswordMessage[] =
    "암호가 올바르지 않습니다.\n암호를 수동으로 변경하면 문제가 생길 수도 있습니다.";

struct PhoneBookLoad {
    std::vector<PhoneBookEntry> entries;
    // Indexes of the entries whose stored password did not decode; they load
    // with an empty password and the user is told kBadPasswordMessage.
    std::vector<int> badPasswords;
};

// Reads "갯수" and every entry's values with the section's defaults; texts
// longer than their field are cut, a stored service outside 0..5 reads as 5.
PhoneBookLoad LoadPhoneBook(SettingsStore& s);
// Writes "갯수" and every entry in list order, the password scrambled. Values
// of entries past the new count stay in the store, unread.
void SavePhoneBook(SettingsStore& s, const std::vector<PhoneBookEntry>& entries);

// The dialog's view style "모양": 0 large icons, 1 small icons, 2 list,
// 3 details; anything else reads as 3.
enum class PhoneBookView { LargeIcons = 0, SmallIcons = 1, List = 2, Details = 3 };
PhoneBookView ReadPhoneBookView(SettingsStore& s);
void WritePhoneBookView(SettingsStore& s, PhoneBookView v);

// ---- histories

enum class HistoryKind { PhoneNumber, Host };  // "PhoneNum%d", "IPAddress%d"
using DialHistory = std::array<std::string, 5>;

DialHistory ReadDialHistory(SettingsStore& s, HistoryKind kind);
// OK with text t: a t already at position k changes places with position 0;
// else positions 0..3 move down one (position 4 is dropped) and t goes first.
// All five are written back.
DialHistory UpdateDialHistory(SettingsStore& s, HistoryKind kind, std::string_view t);

}  // namespace velo
