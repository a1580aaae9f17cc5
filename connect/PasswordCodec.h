// The phone book's password scrambling ("전화 번호부"/"Password%d").
//
// Stored form: decimal digits in groups of three. First the key k and a
// filler, "%03d%03d"; then for each byte x of the password "%03d" of
// (k XOR T[x]) and "%03d" of a random value, where T is the program's own
// fixed permutation of the 256 byte values. An empty password is the empty
// text. This hides a password from a glance at the settings file; it is no
// encryption.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velo {

// The longest password the record holds (its field has one zero and one
// spare byte more).
inline constexpr int kPasswordMaxBytes = 32;

// Scrambles with a generator seeded by seed.
std::string ScramblePassword(std::string_view password, uint32_t seed);
// Scrambles with the seed (milliseconds since the system started / 10) + 7.
std::string ScramblePassword(std::string_view password);

enum class PasswordDecode {
    Ok,   // *out holds the password (empty for a text too short or not in
          // groups of six: nothing stored, no complaint)
    Bad,  // a group is no number 0..255, or the result is no text a user
          // could have typed: *out is empty and the user is told
};
// At most kPasswordMaxBytes bytes are taken.
PasswordDecode DecodePassword(std::string_view stored, std::string* out);

}  // namespace velo
