// Text-file upload: a file typed into the connection as if the user had
// typed it. No protocol: 1024-byte chunks, every LF removed (a CR LF file
// goes out with CR line ends, an LF-only file with none), written one after
// the other at the pace of the writer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace velo::zm {

inline constexpr int kTextChunk = 1024;
// A dropped file's path is taken up to this many bytes; a longer one cannot
// be sent.
inline constexpr size_t kMaxDroppedPath = 1023;

enum class TextUploadResult {
    Sent,
    CannotOpen,   // no such file, unreadable, or not a regular file
    WriteFailed,  // the writer gave -1 (the connection went): the rest is not sent
};

// Writes the bytes; the count written or -1.
using TextWriter = std::function<int(const uint8_t* p, int n)>;

// Sends the file at path: size n taken when it is opened, n / 1024 chunks of
// 1024 bytes and one last chunk of n mod 1024 (handed to write even when it
// is empty), each with its LF bytes removed. A file that shrinks meanwhile
// ends early; one that grows is sent up to its size at the open.
TextUploadResult SendTextFile(const std::string& path, const TextWriter& write);

// Removes every LF (0x0A) from p[0..n), keeping the order of the rest; the
// new length.
int RemoveLf(uint8_t* p, int n);

}  // namespace velo::zm
