#include "shell/SystemInfo.h"

#include <pwd.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <fstream>
#include <vector>

namespace velo {

uint64_t TotalMemoryKb()
{
    struct sysinfo si {};
    if (::sysinfo(&si) != 0)
        return 0;
    return uint64_t(si.totalram) * si.mem_unit / 1024;
}

uint64_t ProcessMemoryKb()
{
    // statm: size resident shared text lib data dt, in pages.
    std::ifstream in("/proc/self/statm");
    uint64_t size = 0, resident = 0;
    if (!(in >> size >> resident))
        return 0;
    long page = ::sysconf(_SC_PAGESIZE);
    return page > 0 ? resident * uint64_t(page) / 1024 : 0;
}

std::optional<uint64_t> FreeDiskKb(const std::string& path)
{
    struct statvfs st {};
    if (::statvfs(path.c_str(), &st) != 0)
        return std::nullopt;
    return uint64_t(st.f_bavail) * st.f_frsize / 1024;
}

std::string UserFullName()
{
    long len = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size_t(len > 0 ? len : 16384));
    passwd pw {};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) != 0 || !found)
        return {};
    std::string gecos = found->pw_gecos ? found->pw_gecos : "";
    std::string full = gecos.substr(0, gecos.find(','));
    return full.empty() ? std::string(found->pw_name ? found->pw_name : "") : full;
}

}  // namespace velo
