// A program run by a benchmark: its standard input and output on the given
// descriptors, its errors thrown away, started in dir. The child's own copies
// of the benchmark's other descriptors are closed, so that a socket or pipe
// end the benchmark closes is really closed.
#pragma once

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

namespace velo::bench {

inline pid_t SpawnChild(const std::vector<std::string>& argv, int in, int out, const std::string& dir)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The benchmark ignores SIGPIPE for itself; the peers get the default.
        ::signal(SIGPIPE, SIG_DFL);
        ::dup2(in, 0);
        ::dup2(out, 1);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 2);
        for (int fd = 3; fd < 1024; ++fd)
            ::close(fd);
        if (::chdir(dir.c_str()) != 0)
            ::_exit(126);
        std::vector<char*> a;
        for (const auto& s : argv)
            a.push_back(const_cast<char*>(s.c_str()));
        a.push_back(nullptr);
        ::execvp(a[0], a.data());
        ::_exit(127);
    }
    return pid;
}

}  // namespace velo::bench
