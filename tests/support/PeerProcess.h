// Real peers for the connection tests: a child process (socat, telnetd behind
// socat) that the test starts and ends by its own pid, a socat pty pair, and a
// temporary folder.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/TestKit.h"

namespace velo::test {

class PeerProcess {
public:
    explicit PeerProcess(const std::vector<std::string>& argv);
    ~PeerProcess();
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;
    bool Started() const { return pid_ > 0; }
    void Stop();

private:
    pid_t pid_ = -1;
};


// Two linked ptys made by socat: what is written to one end is read at the
// other. Paths A() and B() are the pty slaves.
class SocatPair {
public:
    SocatPair();
    bool Ready() const { return ready_; }
    std::string A() const { return dir_.Path() + "/a"; }
    std::string B() const { return dir_.Path() + "/b"; }
    // Opens B raw and non-blocking for the test's side.
    int OpenB() const;

private:
    TempDir dir_;
    PeerProcess* proc_ = nullptr;
    bool ready_ = false;

public:
    ~SocatPair();
};

// A host on 127.0.0.1 that runs a script on the first connection it
// accepts (within 10 s), on its own thread.
class ScriptedHost {
public:
    using Script = std::function<void(int fd)>;
    explicit ScriptedHost(Script script);
    ~ScriptedHost();
    ScriptedHost(const ScriptedHost&) = delete;
    ScriptedHost& operator=(const ScriptedHost&) = delete;
    int Port() const { return port_; }

private:
    int listen_;
    int port_;
    std::thread thread_;
};

// Waits until path exists, up to ms.
bool WaitForPath(const std::string& path, int ms);
// Reads from fd until `want` bytes came or ms passed.
std::string ReadFor(int fd, size_t want, int ms);
// Writes all of s to fd (blocking through poll).
bool WriteAllTo(int fd, const std::string& s);
// A free TCP port on 127.0.0.1.
int FreePort();

}  // namespace velo::test
