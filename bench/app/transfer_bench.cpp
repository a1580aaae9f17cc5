// A 64 MiB ZModem download (the size in MiB may be given as the first
// argument), measured three ways in each round of one run over the same
// loopback (three rounds unless the second argument says how many):
//
//   sz -> rz direct     sz and rz on the two ends of one TCP connection
//   sz -> rz via host   the demo host runs sz (escaping controls, doubling
//                       0xFF as a telnet host does); rz behind a small telnet
//                       client in this program
//   velo                the demo host runs sz; the whole program offscreen
//                       receives it into its download folder, with the
//                       transfer window up
//
// For velo it prints MB/s from the connect to the end of the transfer and of
// the transfer alone, and the time the UI thread spent on the transfer
// window's events (its timer ticks and repaints) as a share of the transfer.
// The summary compares the medians of the rounds (connect to end for velo).
// Every received file is compared with the source.
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchChild.h"
#include "bench/app/BenchHost.h"
#include "base/Flags.h"
#include "base/SettingsStore.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "transfer/ZmThread.h"
#include "transfer/ui/CTransferWnd.h"

using namespace velo;

namespace {

int64_t ThreadCpuNs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Times every event delivered to the watched window or anything inside it
// (its timer is its child), outermost deliveries only: the wall time, and
// the UI thread's CPU time (on a busy machine the wall time also holds the
// waits for a processor).
class TimingApp : public QApplication {
public:
    using QApplication::QApplication;
    QPointer<QWidget> watched;
    qint64 windowNs = 0;
    int64_t windowCpuNs = 0;
    int windowEvents = 0;

    bool notify(QObject* r, QEvent* e) override
    {
        if (!watched || depth_ > 0 || !Inside(r))
            return QApplication::notify(r, e);
        ++depth_;
        QElapsedTimer t;
        t.start();
        const int64_t cpu = ThreadCpuNs();
        const bool done = QApplication::notify(r, e);
        windowNs += t.nsecsElapsed();
        windowCpuNs += ThreadCpuNs() - cpu;
        ++windowEvents;
        --depth_;
        return done;
    }

private:
    bool Inside(QObject* o) const
    {
        for (; o; o = o->parent())
            if (o == watched.data())
                return true;
        return false;
    }
    int depth_ = 0;
};

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

bool SameFile(const QString& a, const QString& b)
{
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd())
        if (fa.read(1 << 20) != fb.read(1 << 20))
            return false;
    return true;
}

// Two ends of one loopback TCP connection.
bool TcpPair(int fds[2])
{
    const int l = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(l, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(l, 1) != 0 ||
        ::getsockname(l, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return false;
    fds[0] = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(fds[0], reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        return false;
    fds[1] = ::accept4(l, nullptr, nullptr, SOCK_CLOEXEC);
    ::close(l);
    return fds[1] >= 0;
}

int Connect(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(uint16_t(port));
    if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

bool WriteAll(int fd, const uint8_t* p, size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w <= 0)
            return false;
        p += w;
        n -= size_t(w);
    }
    return true;
}

double DirectRun(const std::string& src, const std::string& out)
{
    int fds[2];
    if (!TcpPair(fds))
        return -1;
    const auto t0 = std::chrono::steady_clock::now();
    bench::SpawnChild({"sz", "-e", "-q", src}, fds[0], fds[0], out);
    bench::SpawnChild({"rz", "-q", "-y"}, fds[1], fds[1], out);
    ::close(fds[0]);
    ::close(fds[1]);
    int status;
    while (::wait(&status) > 0) {
    }
    return Seconds(t0, std::chrono::steady_clock::now());
}

// rz behind a minimal telnet client: options refused, IAC IAC undone on the
// way in, 0xFF doubled on the way out.
double ViaHostRun(int port, const std::string& out)
{
    const auto t0 = std::chrono::steady_clock::now();
    const int s = Connect(port);
    if (s < 0)
        return -1;
    int toRz[2], fromRz[2];
    if (::pipe2(toRz, O_CLOEXEC) != 0 || ::pipe2(fromRz, O_CLOEXEC) != 0)
        return -1;
    const pid_t rz = bench::SpawnChild({"rz", "-q", "-y"}, toRz[0], fromRz[1], out);
    ::close(toRz[0]);
    ::close(fromRz[1]);
    enum { Data, Iac, Opt, Sb, SbIac } st = Data;
    uint8_t verb = 0;
    std::vector<uint8_t> in(1 << 16), data, reply, outBuf;
    bool sockOpen = true, rzOpen = true;
    while (rzOpen) {
        pollfd p[2] = {{sockOpen ? s : -1, POLLIN, 0}, {fromRz[0], POLLIN, 0}};
        if (::poll(p, 2, 1000) < 0)
            break;
        if (p[0].revents) {
            const ssize_t n = ::read(s, in.data(), in.size());
            if (n <= 0) {
                sockOpen = false;
                ::close(toRz[1]);
                toRz[1] = -1;
            }
            data.clear();
            reply.clear();
            for (ssize_t i = 0; i < n; ++i) {
                const uint8_t b = in[size_t(i)];
                switch (st) {
                case Data: b == 255 ? void(st = Iac) : data.push_back(b); break;
                case Iac:
                    if (b == 255) {
                        data.push_back(b);
                        st = Data;
                    } else if (b >= 251 && b <= 254) {
                        verb = b;
                        st = Opt;
                    } else {
                        st = b == 250 ? Sb : Data;
                    }
                    break;
                case Opt:
                    if (verb == 253)  // DO: WONT
                        reply.insert(reply.end(), {255, 252, b});
                    else if (verb == 251)  // WILL: DONT
                        reply.insert(reply.end(), {255, 254, b});
                    st = Data;
                    break;
                case Sb: st = b == 255 ? SbIac : Sb; break;
                case SbIac: st = b == 240 ? Data : Sb; break;
                }
            }
            if (!reply.empty())
                WriteAll(s, reply.data(), reply.size());
            if (!data.empty() && toRz[1] >= 0)
                WriteAll(toRz[1], data.data(), data.size());
        }
        if (p[1].revents) {
            const ssize_t n = ::read(fromRz[0], in.data(), in.size());
            if (n <= 0) {
                rzOpen = false;
                break;
            }
            outBuf.clear();
            for (ssize_t i = 0; i < n; ++i) {
                outBuf.push_back(in[size_t(i)]);
                if (in[size_t(i)] == 255)
                    outBuf.push_back(255);
            }
            if (sockOpen)
                WriteAll(s, outBuf.data(), outBuf.size());
        }
    }
    int status;
    ::waitpid(rz, &status, 0);
    const double secs = Seconds(t0, std::chrono::steady_clock::now());
    if (toRz[1] >= 0)
        ::close(toRz[1]);
    ::close(fromRz[0]);
    ::close(s);
    return secs;
}


struct VeloFigures {
    double total = -1;     // connect to the end of the transfer
    double transfer = -1;  // Receiving set to its end
    double windowShare = 0;
    int windowEvents = 0;
    double setUpMs = 0;  // the window's events until its first figures
    double cpuMs = 0;    // the UI thread's CPU time in the window's events
    bool sawWindow = false;
};

VeloFigures VeloRun(TimingApp& app, int port, const QString& down)
{
    VeloFigures fig;
    MemorySettingsStore store;
    store.WriteString("ZModem", "DownPath", down.toStdString());
    AppRuntime rt(store, false);
    SharedFlags& flags = rt.Flags();
    CMainFrame frame(rt);
    frame.show();
    const auto t0 = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point started{}, ended{};
    frame.ConnectTelnetText("127.0.0.1 " + std::to_string(port));
    bool running = false;
    // The host stays connected after the transfer (a close by the host would
    // be reported in a message box); the bench hangs up.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!running && flags.ConnState.Receiving) {
            running = true;
            started = std::chrono::steady_clock::now();
        }
        if (CTransferWnd* w = frame.TransferWindow(); w && !app.watched) {
            app.watched = w;
            fig.sawWindow = true;
        }
        if (app.watched && fig.setUpMs == 0 && frame.TransferWindow() && frame.TransferWindow()->Percent() > 0)
            fig.setUpMs = double(app.windowNs) / 1e6;
        if (running && ended == std::chrono::steady_clock::time_point{} && !flags.ConnState.Receiving &&
            !rt.Transfer().Running())
            ended = std::chrono::steady_clock::now();
    });
    // The UI thread sleeps between events as the program's own loop does: a
    // loop polling with a time limit would never block and would take a core
    // from the peers being measured.
    QEventLoop loop;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (ended != std::chrono::steady_clock::time_point{})
            loop.quit();
    });
    QTimer::singleShot(600000, &loop, &QEventLoop::quit);
    watch.start(2);
    loop.exec();
    watch.stop();
    // The window's close and last update.
    QCoreApplication::processEvents();
    if (ended == std::chrono::steady_clock::time_point{})
        return fig;
    fig.total = Seconds(t0, ended);
    fig.transfer = Seconds(started, ended);
    fig.windowShare = double(app.windowNs) / 1e9 / fig.transfer;
    if (fig.setUpMs == 0)  // ended before its first tick: all of it was the making
        fig.setUpMs = double(app.windowNs) / 1e6;
    fig.windowEvents = app.windowEvents;
    fig.cpuMs = double(app.windowCpuNs) / 1e6;
    app.watched.clear();
    app.windowNs = 0;
    app.windowCpuNs = 0;
    app.windowEvents = 0;
    frame.OnCommand(ID_CONN_HANGUP);
    return fig;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A peer that ends first (rz behind the bench's telnet client) must not
    // take the benchmark with it: a write to it fails and the run goes on.
    std::signal(SIGPIPE, SIG_IGN);
    TimingApp app(argc, argv);
    const size_t mib = argc > 1 ? size_t(std::atoi(argv[1])) : 64;
    // The second argument: how many rounds of the three paths (3 unless
    // given; a loaded machine moves single figures by a quarter, so the
    // summary takes the medians), or "velo" for the program's path alone
    // (to look at it under a profiler).
    const bool veloOnly = argc > 2 && std::strcmp(argv[2], "velo") == 0;
    const int rounds = veloOnly ? 1 : std::max(1, argc > 2 ? std::atoi(argv[2]) : 3);
    const size_t bytes = mib << 20;
    const QString base = QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    QTemporaryDir work(base + "/transfer-bench-XXXXXX");
    const QString files = work.filePath("files");
    QDir().mkpath(files);
    const QString src = files + "/random.bin";
    {
        std::mt19937_64 rng(42);
        std::vector<uint64_t> block(1 << 17);
        QFile f(src);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        for (size_t done = 0; done < bytes; done += block.size() * 8) {
            for (auto& w : block)
                w = rng();
            f.write(reinterpret_cast<const char*>(block.data()), qint64(block.size() * 8));
        }
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("%zu MiB of random bytes over loopback TCP (files in %s)\n\n", mib, qPrintable(base));
    std::printf("%-34s %9s %9s  %s\n", "path", "seconds", "MB/s", "file");
    // Prints a path's row; true when the file arrived whole.
    auto row = [&](const char* label, double secs, const QString& got) {
        if (secs <= 0) {
            std::printf("%-34s failed\n", label);
            return false;
        }
        const bool same = SameFile(src, got);
        std::printf("%-34s %9.3f %9.1f  %s\n", label, secs, double(bytes) / 1e6 / secs,
                    same ? "identical" : "NOT DELIVERED");
        return same;
    };

    auto fresh = [&](const char* name) {
        const QString d = work.filePath(name);
        QDir(d).removeRecursively();
        QDir().mkpath(d);
        return d;
    };
    const QStringList zsend = {"--files", files, "--zsend", src, "--once"};
    std::vector<double> directs, vias, velos, ratios;
    std::vector<VeloFigures> figs;
    for (int r = 0; r < rounds; ++r) {
        if (rounds > 1)
            std::printf("round %d\n", r + 1);
        double directS = -1;
        if (!veloOnly) {
            const QString direct = fresh("direct"), via = fresh("via");
            directS = DirectRun(src.toStdString(), direct.toStdString());
            row("sz -e -> rz, direct", directS, direct + "/random.bin");
            double viaS = -1;
            bench::DemoHostProcess host;
            if (host.Start(work.path(), zsend))
                viaS = ViaHostRun(host.port, via.toStdString());
            row("sz -e -> rz, through the demo host", viaS, via + "/random.bin");
            if (directS > 0)
                directs.push_back(directS);
            if (viaS > 0)
                vias.push_back(viaS);
        }
        const QString down = fresh("velo");
        VeloFigures v;
        {
            bench::DemoHostProcess host;
            if (host.Start(work.path(), zsend))
                v = VeloRun(app, host.port, down);
        }
        if (!row("velo, connect to end", v.total, down + "/random.bin"))
            return 1;
        // The same file, compared once above.
        std::printf("%-34s %9.3f %9.1f  identical\n", "velo, transfer alone", v.transfer,
                    double(bytes) / 1e6 / v.transfer);
        velos.push_back(v.total);
        figs.push_back(v);
        if (directS > 0)
            ratios.push_back(directS / v.total);
    }
    if (veloOnly)
        return 0;
    auto median = [](std::vector<double> v) {
        if (v.empty())
            return -1.0;
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    };
    const double mb = double(bytes) / 1e6;
    std::printf("\nmedians of %d rounds (MB/s): direct %.1f, through the demo host %.1f, velo %.1f\n", rounds,
                mb / median(directs), mb / median(vias), mb / median(velos));
    std::printf("velo / direct baseline:            %.2f (medians; round by round:", median(directs) / median(velos));
    for (double x : ratios)
        std::printf(" %.2f", x);
    std::printf(")\n");
    std::printf("velo / through-host baseline:      %.2f (medians)\n", median(vias) / median(velos));
    // The window's share, from the round with the largest one.
    const VeloFigures& w = *std::max_element(figs.begin(), figs.end(), [](const VeloFigures& a, const VeloFigures& b) {
        return a.windowShare < b.windowShare;
    });
    std::printf("transfer window (the round where it cost most): %s, %d events, %.1f ms on the UI thread = %.3f%% of "
                "the transfer's time\n",
                w.sawWindow ? "shown" : "NOT SHOWN", w.windowEvents, w.windowShare * w.transfer * 1e3,
                w.windowShare * 100);
    std::printf("                 of which %.1f ms making and showing it, %.1f ms its updates\n", w.setUpMs,
                w.windowShare * w.transfer * 1e3 - w.setUpMs);
    std::printf("                 UI thread CPU time in them: %.1f ms = %.3f%% of the transfer's time\n", w.cpuMs,
                w.cpuMs / 1e3 / w.transfer * 100);
    return 0;
}

