// A Hayes modem on a pty for the dialling tests (a fixture, not shipping
// code). It answers AT commands with OK, answers each dial with the next
// scripted result, and after CONNECT carries bytes until "+++".
#pragma once

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velo::test {

class ModemSim {
public:
    // What a dial command gets. Silent answers nothing.
    enum class Dial { Connect, Busy, NoDialtone, NoCarrier, NoAnswer, Error, Silent };

    ModemSim();
    ~ModemSim();
    bool Ready() const { return master_ >= 0; }
    const std::string& Device() const { return device_; }

    // Results for the next dials, in order; the last one repeats.
    void Script(std::vector<Dial> results);
    // Answer nothing at all, not even OK.
    void SetMute(bool mute) { mute_ = mute; }
    // Bytes sent to the caller right after CONNECT.
    void SetBanner(std::string banner);
    // Sends bytes to the caller (in data mode).
    void Send(const std::string& bytes);
    // Drops the line: the pty master closes, as when the modem goes away.
    void HangUp();

    std::vector<std::string> Commands();
    std::string DataReceived();
    int Dials();
    bool InDataMode() const { return dataMode_; }

private:
    void Run();
    void Answer(const std::string& text);
    void OnCommand(const std::string& cmd);

    int master_ = -1;
    std::string device_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> mute_{false};
    std::atomic<bool> dataMode_{false};
    std::mutex mutex_;
    std::vector<Dial> script_{Dial::Connect};
    size_t next_ = 0;
    std::string banner_;
    std::vector<std::string> commands_;
    std::string data_;
    std::deque<std::string> outbox_;
    int dials_ = 0;
    std::thread thread_;
};

}  // namespace velo::test
