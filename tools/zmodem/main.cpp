// velo-zmodem: runs the ZModem engine over standard input and output.
//
//   velo-zmodem receive [--escape] [--append N] DIR
//   velo-zmodem send [--escape] FILE...
//
// --escape is the over-telnet flag: every control character is escaped both
// ways. --append sets the resume policy ("AppendOption" 0..3) of a receive.
// Messages go to standard error; the exit status is 0 when every file
// arrived whole, 1 when not, 2 on a usage error.
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "connect/Conn.h"
#include "base/Flags.h"
#include "base/SettingsStore.h"
#include "transfer/FdLine.h"
#include "transfer/ZmReceive.h"
#include "transfer/ZmSend.h"

using namespace velo;
using namespace velo::zm;

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: velo-zmodem receive [--escape] [--append N] DIR\n"
                 "       velo-zmodem send [--escape] FILE...\n");
    return 2;
}

// A terminal on standard input goes raw for the transfer, as the peer's bytes
// must pass unchanged; it is restored at the end.
struct RawTerminal {
    bool active = false;
    termios saved{};
    RawTerminal()
    {
        if (::isatty(0) && ::tcgetattr(0, &saved) == 0) {
            termios raw = saved;
            ::cfmakeraw(&raw);
            raw.c_cc[VMIN] = 1;
            raw.c_cc[VTIME] = 0;
            active = ::tcsetattr(0, TCSADRAIN, &raw) == 0;
        }
    }
    ~RawTerminal()
    {
        if (active)
            ::tcsetattr(0, TCSADRAIN, &saved);
    }
};

// Interrupt, termination and hang-up cancel the transfer: the cancel exchange
// runs and the partial file is kept.
std::atomic<FdLine*> g_line{nullptr};

void WatchSignals(sigset_t set, SharedFlags& flags)
{
    std::thread([set, &flags] {
        int sig = 0;
        while (sigwait(&set, &sig) == 0) {
            flags.ConnState.TransferCancel = true;
            flags.DataEvent.Set();
            if (FdLine* line = g_line.load())
                line->Wake();
        }
    }).detach();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const std::string mode = argv[1];
    if (mode != "receive" && mode != "send")
        return Usage();
    bool escape = false;
    int append = -1;
    std::vector<std::string> args;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--escape")
            escape = true;
        else if (a == "--append" && i + 1 < argc && mode == "receive")
            append = std::atoi(argv[++i]);
        else if (a == "--")
            args.insert(args.end(), argv + i + 1, argv + argc), i = argc;
        else
            args.push_back(a);
    }
    if (args.empty() || (mode == "receive" && args.size() != 1))
        return Usage();
    if (mode == "receive") {
        struct stat st;
        if (::stat(args[0].c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            std::fprintf(stderr, "velo-zmodem: %s is not a directory\n", args[0].c_str());
            return 2;
        }
    }
    // The tool's own outlets: settings in memory, no frame.
    static MemorySettingsStore settings;
    static NullFrameSink frame;
    static SharedFlags flags;
    static const Outlets out{settings, frame, flags};
    static ConnFacade conn(out);
    if (append >= 0)
        settings.WriteInt("ZModem", "AppendOption", append);

    ::signal(SIGPIPE, SIG_IGN);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    WatchSignals(set, flags);

    RawTerminal raw;
    ZmResult result;
    {
        flags.ConnState.Connected = true;
        // The engine waits on the descriptor itself: no watcher thread.
        FdLine line(flags, 0, 1, true, false);
        FdLineIo io(line, conn);
        conn.SetSerialLine(&line);
        g_line = &line;
        if (mode == "receive") {
            ZmReceiver rx(io, nullptr, {&settings, nullptr, nullptr});
            result = rx.Receive(args[0], escape);
        } else {
            ZmSender tx(io);
            result = tx.Send(args, escape);
        }
        g_line = nullptr;
        conn.SetSerialLine(nullptr);
    }
    for (const ZmFileReport& f : result.files)
        std::fprintf(stderr, "velo-zmodem: %s: %s, %lld bytes\n",
                     f.path.empty() ? f.name.c_str() : f.path.c_str(), ZmFileStatusText(f.status),
                     static_cast<long long>(f.bytes));
    std::fprintf(stderr, "velo-zmodem: %s %s\n", mode == "receive" ? "receive" : "send",
                 ZmEndText(result.end));
    // Files named on the command line that were not there to send.
    const size_t wanted = mode == "send" ? std::min<size_t>(args.size(), kMaxSendFiles) : 0;
    if (result.files.size() < wanted) {
        std::fprintf(stderr, "velo-zmodem: %zu of the files named could not be sent\n",
                     wanted - result.files.size());
        return 1;
    }
    if (mode == "send" && args.size() > size_t(kMaxSendFiles))
        std::fprintf(stderr, "velo-zmodem: only the first %d files were sent\n", kMaxSendFiles);
    return result.AllComplete() ? 0 : 1;
}
