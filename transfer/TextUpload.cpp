#include "transfer/TextUpload.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace velo::zm {

int RemoveLf(uint8_t* p, int n)
{
    return int(std::remove(p, p + n, uint8_t('\n')) - p);
}

namespace {

// Reads up to n bytes, across short reads; fewer only at the end of the file.
int ReadFull(int fd, uint8_t* p, int n)
{
    int got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, p + got, size_t(n - got));
        if (r > 0)
            got += int(r);
        else if (r < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    return got;
}

}  // namespace

TextUploadResult SendTextFile(const std::string& path, const TextWriter& write)
{
    // O_NONBLOCK: a FIFO of that name must not hang the window in the open;
    // only a regular file is sent (a device would never end).
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return TextUploadResult::CannotOpen;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return TextUploadResult::CannotOpen;
    }
    const int64_t size = st.st_size;
    const int64_t whole = size / kTextChunk;
    TextUploadResult result = TextUploadResult::Sent;
    uint8_t chunk[kTextChunk];
    for (int64_t i = 0; i <= whole; ++i) {
        const int want = i < whole ? kTextChunk : int(size % kTextChunk);
        const int got = ReadFull(fd, chunk, want);
        const int n = RemoveLf(chunk, got);
        if (write(chunk, n) < 0) {
            result = TextUploadResult::WriteFailed;
            break;
        }
        if (got < want)
            break;  // the file shrank
    }
    ::close(fd);
    return result;
}

}  // namespace velo::zm
