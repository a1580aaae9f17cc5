// The connection record: a fixed-size value copied between the phone book,
// the frame (its current entry), the serial line and the telnet socket.
//
// Texts are UTF-8 inside fixed arrays that keep the record's historical sizes
// (64, 128 and 32 bytes plus the terminating zero); a longer text is cut at a
// character boundary, never inside a multi-byte character.
#pragma once

#include <cstdint>
#include <string_view>

namespace velo {

// Connection kind: only the low byte of PhoneBookEntry::kind is tested.
inline constexpr int kEntryModem = 0;
inline constexpr int kEntryTelnet = 1;
inline constexpr int kEntryComPort = 2;

// Terminal types as stored; the telnet type report maps 0 to "vt100",
// 2 to "ansi" and anything else to "vt220".
inline constexpr int kTermVt100 = 0;
inline constexpr int kTermVt220 = 1;
inline constexpr int kTermAnsi = 2;

// Built-in services 0..4; 5 is none or another host.
inline constexpr int kServiceOther = 5;

struct PhoneBookEntry {
    int32_t kind = kEntryModem;
    int32_t service = kServiceOther;
    char name[65] = "알 수 없음";  // "unknown"
    char number[65] = {};          // phone number, host, or "COM1".."COM9"
    char preSend[129] = {};        // sent 2000 ms after the connection comes up
    char waitUserId[33] = {};
    char waitPassword[33] = {};
    char userId[33] = {};
    char password[34] = {};  // 32 characters, a zero and one spare byte
    int32_t port = 23;       // telnet port, or the COM port number for kind 2
    int32_t width = 80;
    int32_t height = 28;
    int32_t termType = kTermAnsi;
    int32_t chatLines = 3;
    int32_t autoWrap = 1;
};

// The kind's tested byte: kEntryTelnet, kEntryComPort, or anything else for a
// modem.
inline int EntryKind(const PhoneBookEntry& e) { return e.kind & 0xFF; }
inline bool EntryIsTelnet(const PhoneBookEntry& e) { return EntryKind(e) == kEntryTelnet; }
inline bool EntryIsComPort(const PhoneBookEntry& e) { return EntryKind(e) == kEntryComPort; }
inline bool EntryIsModem(const PhoneBookEntry& e) { return !EntryIsTelnet(e) && !EntryIsComPort(e); }

// Copies text into a field of `cap` bytes (including the zero), cut at a UTF-8
// character boundary. Returns the bytes stored.
int SetEntryText(char* field, int cap, std::string_view text);
template <int N>
int SetEntryText(char (&field)[N], std::string_view text)
{
    return SetEntryText(field, N, text);
}

}  // namespace velo
