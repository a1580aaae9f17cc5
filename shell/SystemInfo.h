// What the about box tells of the machine and the user, read from the
// system: memory, free disk space, the user's name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velo {

// Total physical memory in KiB; 0 when unknown.
uint64_t TotalMemoryKb();
// The resident memory of this process in KiB; 0 when unknown.
uint64_t ProcessMemoryKb();
// Free space for an unprivileged user on the file system holding `path`,
// in KiB; nothing when it cannot be read.
std::optional<uint64_t> FreeDiskKb(const std::string& path);
// The user's full name from the user database (the first field of its
// comment), else the login name; "" when the user is not in the database.
std::string UserFullName();

}  // namespace velo
