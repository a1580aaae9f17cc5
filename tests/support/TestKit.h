// The shared fakes of the tests: the outlets an engine is given (a settings
// store in memory, a recording frame sink, fresh shared flags), a poll-based
// UI loop run by the test's own thread, a frame sink that dispatches commands
// on that thread, recording frame and terminal objects, a connection line
// over strings, and a connection facade wired to all of them. Every test makes
// its own, so nothing carries over from one test to the next.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/Flags.h"
#include "base/FrameSink.h"
#include "base/Outlets.h"
#include "base/SettingsStore.h"
#include "connect/Conn.h"
#include "connect/ConnUi.h"

namespace velo::test {

// A frame sink that keeps every command and message it is given, from any
// thread.
class RecordingSink : public FrameSink {
public:
    struct Message {
        int msg;
        uintptr_t wParam;
        intptr_t lParam;
    };
    void PostCommand(int id) override;
    void SendCommand(int id) override;
    void PostMessage(int msg, uintptr_t wParam, intptr_t lParam) override;
    intptr_t SendMessage(int msg, uintptr_t wParam, intptr_t lParam) override;
    // Called by SendMessage after recording, on the sender's thread: what a
    // sent message points to is valid only during the call. Its result is
    // the send's. Set it before the engine runs.
    std::function<intptr_t(int msg, uintptr_t wParam, intptr_t lParam)> onSend;
    std::vector<int> Commands() const;
    std::vector<Message> Messages() const;
    int Count(int id) const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<int> commands_;
    std::vector<Message> messages_;
};

// The outlets of one engine under test.
struct TestOutlets {
    MemorySettingsStore settings;
    RecordingSink sink;
    SharedFlags flags;
    Outlets out{settings, sink, flags};
};

class TestLoop : public UiLoop {
public:
    TestLoop();
    ~TestLoop() override;

    void Post(std::function<void()> fn) override;
    int AddWatch(int fd, FdHandler handler) override;
    void SetWatch(int id, bool read, bool write) override;
    void RemoveWatch(int id) override;
    int StartTimer(int ms, bool repeat, std::function<void()> fn) override;
    void StopTimer(int id) override;
    void ProcessEvents(int maxMs) override { RunOnce(maxMs); }

    // One turn: waits up to maxMs for work, then runs what is ready.
    void RunOnce(int maxMs);
    // Runs until pred() holds or timeoutMs pass; returns pred().
    bool RunUntil(const std::function<bool()>& pred, int timeoutMs);
    void RunFor(int ms);
    bool OnUiThread() const { return std::this_thread::get_id() == ui_; }
    int WatchCount() const { return static_cast<int>(watches_.size()); }

private:
    struct Watch {
        int fd;
        FdHandler handler;
        bool read = false, write = false;
    };
    struct Timer {
        std::chrono::steady_clock::time_point due;
        int ms;
        bool repeat;
        std::function<void()> fn;
    };
    std::thread::id ui_;
    int wake_;
    std::mutex mutex_;
    std::vector<std::function<void()>> posted_;
    std::map<int, Watch> watches_;
    std::map<int, Timer> timers_;
    int nextId_ = 1;
};

// Commands go to `handler` on the loop's thread (the thread that made the
// sink); every id is recorded.
class TestSink : public FrameSink {
public:
    explicit TestSink(UiLoop& loop) : loop_(loop), ui_(std::this_thread::get_id()) {}
    std::function<void(int)> handler;

    void PostCommand(int id) override;
    void SendCommand(int id) override;
    void PostMessage(int, uintptr_t, intptr_t) override {}
    intptr_t SendMessage(int, uintptr_t, intptr_t) override { return 0; }

    std::vector<int> Commands();
    int Count(int id);
    void Clear();

private:
    void Dispatch(int id);
    UiLoop& loop_;
    std::thread::id ui_;
    std::mutex mutex_;
    std::vector<int> commands_;
};

class RecTerminal : public ConnTerminal {
public:
    std::atomic<bool> hold{false};
    std::atomic<bool> frozen{false};
    bool selection = false;
    int maxTake = 1 << 30;  // bytes taken per Feed call
    std::string shown;       // what Feed took, in order
    std::string echoed;
    std::vector<std::string> texts;
    int feeds = 0;
    int selectionCleared = 0;
    std::vector<bool> changes;
    std::string loginUserId;

    bool Frozen() const override { return frozen; }
    void FeedEcho(const uint8_t* d, int n) override { echoed.append(reinterpret_cast<const char*>(d), n); }
    bool Hold() const override { return hold; }
    bool SelectionShown() const override { return selection; }
    void ClearSelection() override
    {
        selection = false;
        ++selectionCleared;
    }
    int Feed(const uint8_t* d, int n) override;
    void WriteText(std::string_view utf8) override { texts.emplace_back(utf8); }
    void SetLogin(const PhoneBookEntry& e) override { loginUserId = e.userId; }
    void ConnectionChanged(bool up) override { changes.push_back(up); }
};

class RecFrame : public ConnFrame {
public:
    struct Msg {
        std::string text, title;
        MsgIcon icon;
    };
    std::vector<Msg> messages;
    std::vector<std::string> questions;
    bool answer = true;
    bool dialWindow = false;
    int dialWindowOpened = 0;
    bool modemSettingsOk = true;
    int modemSettingsOpened = 0;
    std::vector<std::string> sounds;
    std::string title;
    bool favourites = false;
    int transferWaits = 0;
    int prepared = 0;
    std::vector<std::string> preSends;

    void Message(std::string_view text, std::string_view t, MsgIcon icon) override
    {
        messages.push_back({std::string(text), std::string(t), icon});
    }
    bool Ask(std::string_view text) override
    {
        questions.emplace_back(text);
        return answer;
    }
    void OpenDialWindow(const PhoneBookEntry&) override
    {
        dialWindow = true;
        ++dialWindowOpened;
    }
    bool DialWindowOpen() override { return dialWindow; }
    void CloseDialWindow() override { dialWindow = false; }
    bool OpenModemSettings() override
    {
        ++modemSettingsOpened;
        return modemSettingsOk;
    }
    void PlaySound(std::string_view e) override { sounds.emplace_back(e); }
    void SetTitle(std::string_view t) override { title = t; }
    void EnableFavourites(bool on) override { favourites = on; }
    void WaitTransferThreads(int) override { ++transferWaits; }
    void PrepareTerminal(const PhoneBookEntry&) override { ++prepared; }
    void SendPreSend(std::string_view t) override { preSends.emplace_back(t); }
};

// A line over a string queue with the wanted-count rule.
class QueueLine : public ConnLine {
public:
    std::string in, out;
    bool open = true;
    int reads = 0;
    int Write(const uint8_t* d, int n) override;
    int Read(uint8_t* b, int wanted, int cap) override;
    int Available() override { return open ? static_cast<int>(in.size()) : 0; }
    bool IsOpen() override { return open; }
};

// The UI side of one connection test: loop, dispatching sink, frame and
// terminal, with a facade wired to them over its own settings and flags.
struct UiScope {
    MemorySettingsStore settings;
    SharedFlags flags;
    TestLoop loop;
    TestSink sink{loop};
    RecFrame frame;
    RecTerminal term;
    Outlets out{settings, sink, flags};
    ConnFacade conn{out};
    ConnStateFlags& state = flags.ConnState;
    UiScope();
};

// A temporary folder, removed with everything in it when the object goes.
class TempDir {
public:
    explicit TempDir(const std::string& tag = "velo");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// A connected pair of stream sockets; both ends close with the object.
struct SocketPair {
    int fd[2] = {-1, -1};
    SocketPair();
    ~SocketPair();
    SocketPair(const SocketPair&) = delete;
    SocketPair& operator=(const SocketPair&) = delete;
    void CloseEnd(int i);
};

std::string Str(const uint8_t* d, int n);
// The whole of a file ("" when it cannot be read).
std::string ReadFileBytes(const std::string& path);
std::vector<uint8_t> Bytes(std::string_view s);

}  // namespace velo::test
