// velo-zmodem: runs the ZModem engine over standard input and output.
//
//   velo-zmodem receive [--escape] [--append N] DIR
//   velo-zmodem send [--escape] [--] FILE...
//
// --escape is the over-telnet flag: every control character is escaped both
// ways. --append sets the resume policy ("AppendOption" 0..3) of a receive.
// Messages go to standard error; the exit status is 0 when every file
// arrived whole, 1 when not (a file named to send that is not there
// included: the others are still sent), 2 on a usage error.
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
#include "tools/ToolArgs.h"

using namespace velo;
using namespace velo::zm;

namespace {

constexpr char kUsage[] =
    "usage: velo-zmodem receive [--escape] [--append N] DIR\n"
    "       velo-zmodem send [--escape] [--] FILE...\n"
    "Runs a ZModem transfer over standard input and output. See velo-zmodem(1).\n";

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
    tool::Args cmd("velo-zmodem", kUsage, argc, argv);
    if (!cmd.Next())
        cmd.Fail("no mode given: receive or send");
    if (tool::Args::IsHelp(cmd.Arg()))
        cmd.Help();
    const std::string mode(cmd.Arg());
    if (mode != "receive" && mode != "send")
        cmd.Fail("unknown mode '%s': receive or send", cmd.ArgText());
    bool escape = false;
    int append = -1;
    std::vector<std::string> args;
    while (cmd.Next()) {
        const std::string_view a = cmd.Arg();
        if (a == "--escape")
            escape = true;
        else if (a == "--append" && mode == "receive")
            append = cmd.IntValue(0, 3);
        else if (a == "--append")
            cmd.Fail("--append is for receive only");
        else if (tool::Args::IsHelp(a))
            cmd.Help();
        else if (a == "--") {
            args.insert(args.end(), cmd.RestArgs(), cmd.RestArgs() + cmd.Rest());
            cmd.SkipRest();
        } else if (tool::Args::IsOption(a))
            cmd.UnknownOption();
        else
            args.emplace_back(a);
    }
    if (mode == "receive") {
        if (args.empty())
            cmd.Fail("receive needs the folder to receive into");
        if (args.size() > 1)
            cmd.Fail("receive takes one folder, '%s' is one too many", args[1].c_str());
        struct stat st;
        if (::stat(args[0].c_str(), &st) != 0)
            cmd.Fail("cannot use folder %s: %s", args[0].c_str(), std::strerror(errno));
        if (!S_ISDIR(st.st_mode))
            cmd.Fail("%s is not a directory", args[0].c_str());
    } else if (args.empty()) {
        cmd.Fail("send needs at least one file");
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
