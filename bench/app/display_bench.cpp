// Display throughput of a 10 MiB ANSI stream:
//   engine   the terminal engine alone (Feed with a surface that ignores damage)
//   window   the terminal window fed from memory (engine, drawing, frame-rate coalescing)
//   velo     the whole program offscreen: the demo host sends the stream over
//            loopback telnet, the frame delivers it, the window shows it
// Prints MB/s for each and the window's share of the time.
#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <string>

#include "bench/app/BenchHost.h"
#include "base/Flags.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "base/SettingsStore.h"
#include "terminal/TermSurface.h"
#include "terminal/Terminal.h"
#include "terminal/ui/CAnsiTerm.h"

using namespace velo;

namespace {

// A bulletin-board listing: colour changes, Hangul, blanks, a cursor move
// and a line clear now and then; every line scrolls the screen.
std::string MakeStream(size_t size)
{
    static const char* words[] = {"\xB0\xA1\xB3\xAA\xB4\xD9", "BBS", "\xC7\xD1\xB1\xDB", "file", "2400bps",
                                  "\xC0\xDA\xB7\xE1\xBD\xC7", "[01]", "menu", "(A/B/C)", "0123456789"};
    std::string s;
    s.reserve(size + 256);
    unsigned x = 12345;
    int line = 0;
    while (s.size() < size) {
        x = x * 1103515245 + 12345;
        s += "\x1b[" + std::to_string(30 + (x >> 16) % 8) + ";" + std::to_string(40 + (x >> 20) % 8) + "m";
        int col = 0;
        while (col < 70) {
            x = x * 1103515245 + 12345;
            const char* w = words[(x >> 16) % 10];
            s += w;
            s += ' ';
            col += int(std::char_traits<char>::length(w)) + 1;
            if ((x >> 24) % 7 == 0)
                s += "\x1b[1m";
            if ((x >> 24) % 11 == 0)
                s += "\x1b[0;37;44m";
        }
        if (++line % 50 == 0)
            s += "\x1b[10;1H\x1b[K";
        s += "\x1b[0m\r\n";
    }
    return s;
}

class NullSurface : public TermSurface {
public:
    void Scroll(int, int, int) override {}
    void Damage(int, int, int) override {}
    void Shape(const TermShape&) override {}
};

double MBps(size_t bytes, qint64 ns) { return ns > 0 ? double(bytes) / (1024.0 * 1024.0) / (double(ns) / 1e9) : 0; }

qint64 EngineRun(AppRuntime& rt, const std::string& s)
{
    Terminal t(rt.Out());
    NullSurface surface;
    t.SetSurface(&surface);
    QElapsedTimer clock;
    clock.start();
    const auto* p = reinterpret_cast<const uint8_t*>(s.data());
    for (size_t off = 0; off < s.size(); off += 8192) {
        int n = int(std::min<size_t>(8192, s.size() - off));
        int done = 0;
        while (done < n) {
            int k = t.Feed(p + off + size_t(done), n - done);
            if (k <= 0)
                break;
            done += k;
        }
    }
    return clock.nsecsElapsed();
}

qint64 WindowRun(AppRuntime& rt, const std::string& s)
{
    NullTermHost host;
    CAnsiTerm term(rt.Out(), rt.Conn(), host);
    term.resize(term.sizeHint());
    term.show();
    QElapsedTimer clock;
    clock.start();
    const auto* p = reinterpret_cast<const uint8_t*>(s.data());
    for (size_t off = 0; off < s.size(); off += 8192) {
        int n = int(std::min<size_t>(8192, s.size() - off));
        term.Feed(p + off, n);
        // One delivery per event-loop turn, as the frame does.
        QCoreApplication::processEvents();
    }
    term.RenderNow();
    QCoreApplication::processEvents();
    return clock.nsecsElapsed();
}

qint64 VeloRun(AppRuntime& runtime, const std::string& s, const QString& dir)
{
    QString file = dir + "/stream.ans";
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly))
            return -1;
        f.write(s.data(), qint64(s.size()));
    }
    bench::DemoHostProcess host;
    if (!host.Start(dir, {"--stream", file, "--once"}))
        return -1;
    const int port = host.port;
    qint64 ns = -1;
    {
        SharedFlags& flags = runtime.Flags();
        CMainFrame frame(runtime);
        frame.show();
        frame.ConnectTelnetText("127.0.0.1 " + std::to_string(port));
        QDeadlineTimer until(120000);
        while (!flags.ConnState.Connected && !until.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // The host's close is reported in a message box; nobody is there to
        // press OK.
        QElapsedTimer clock;
        qint64 shown = -1;
        QTimer dismiss;
        QObject::connect(&dismiss, &QTimer::timeout, [&] {
            if (!flags.ConnState.Connected && shown < 0) {
                frame.Terminal()->RenderNow();
                shown = clock.nsecsElapsed();
            }
            if (QWidget* w = QApplication::activeModalWidget())
                w->close();
        });
        dismiss.start(1);
        clock.start();
        // The host closes after the stream; everything is shown once the
        // connection is down and nothing is left to deliver.
        while (flags.ConnState.Connected && !until.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        if (shown < 0) {
            frame.Terminal()->RenderNow();
            shown = clock.nsecsElapsed();
        }
        ns = shown;
    }
    host.proc.waitForFinished(5000);
    return ns;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MemorySettingsStore store;
    store.WriteInt("Tip", "StartUp", 1);
    AppRuntime rt(store, false);
    const size_t size = 10u << 20;
    std::string s = MakeStream(size);
    QTemporaryDir dir;

    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // An argument names the one part to run (for profiling): engine, window, velo.
    QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    qint64 engine = only.isEmpty() || only == "engine" ? EngineRun(rt, s) : 0;
    qint64 window = only.isEmpty() || only == "window" ? WindowRun(rt, s) : 0;
    qint64 velo = only.isEmpty() || only == "velo" ? VeloRun(rt, s, dir.path()) : 0;
    std::printf("stream            %.1f MiB\n", double(s.size()) / (1 << 20));
    std::printf("engine only       %8.1f MB/s  (%.3f s)\n", MBps(s.size(), engine), engine / 1e9);
    std::printf("window from memory%8.1f MB/s  (%.3f s)\n", MBps(s.size(), window), window / 1e9);
    if (velo > 0)
        std::printf("velo end to end   %8.1f MB/s  (%.3f s)\n", MBps(s.size(), velo), velo / 1e9);
    else
        std::printf("velo end to end   failed (demo host not reachable)\n");
    std::printf("window's own share of the window run: %.3f s (engine %.3f s)\n", (window - engine) / 1e9,
                engine / 1e9);
    return velo > 0 ? 0 : 1;
}
