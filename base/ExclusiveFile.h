// Files that one writer at a time may have open (the print file, ANSI screen
// files): opened with an advisory lock (flock) that every instance of the
// program asks for, so a second velo finds the file in use instead of
// writing through the first one's output.
#pragma once

#include <cstddef>
#include <string>

namespace velo {

// Opens `path` for writing, creating it when missing, and takes its lock
// without waiting. Created anew (append false): a regular file is emptied
// only once the lock is held, so a file another writer has is left as it was. Returns the
// descriptor (close-on-exec), or -1 with errno set (EWOULDBLOCK: in use).
int OpenExclusive(const std::string& path, bool append);

// Writes all n bytes, going on after signals and short writes. False on the
// first failure (errno set); some bytes may have been written by then.
bool WriteAll(int fd, const void* data, size_t n);

}  // namespace velo
