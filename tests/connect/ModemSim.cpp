#include "ModemSim.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <chrono>

#include "support/PeerProcess.h"

namespace velo::test {

ModemSim::ModemSim()
{
    int slave = -1;
    char name[128];
    if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0) {
        master_ = -1;
        return;
    }
    termios t{};
    ::tcgetattr(slave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(slave, TCSANOW, &t);
    ::close(slave);
    ::fcntl(master_, F_SETFL, O_NONBLOCK);
    device_ = name;
    thread_ = std::thread([this] { Run(); });
}

ModemSim::~ModemSim()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    HangUp();
}

void ModemSim::HangUp()
{
    std::lock_guard lock(mutex_);
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

void ModemSim::Script(std::vector<Dial> results)
{
    std::lock_guard lock(mutex_);
    script_ = std::move(results);
    next_ = 0;
}

void ModemSim::SetBanner(std::string banner)
{
    std::lock_guard lock(mutex_);
    banner_ = std::move(banner);
}

void ModemSim::Send(const std::string& bytes)
{
    std::lock_guard lock(mutex_);
    outbox_.push_back(bytes);
}

std::vector<std::string> ModemSim::Commands()
{
    std::lock_guard lock(mutex_);
    return commands_;
}

std::string ModemSim::DataReceived()
{
    std::lock_guard lock(mutex_);
    return data_;
}

int ModemSim::Dials()
{
    std::lock_guard lock(mutex_);
    return dials_;
}

// With mutex_ held.
void ModemSim::Answer(const std::string& text)
{
    if (!mute_)
        outbox_.push_back("\r\n" + text + "\r\n");
}

void ModemSim::OnCommand(const std::string& cmd)
{
    std::string up;
    for (char c : cmd)
        up += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (up.rfind("AT", 0) != 0)
        return;
    commands_.push_back(cmd);
    if (up.rfind("ATD", 0) != 0) {
        Answer("OK");
        return;
    }
    ++dials_;
    Dial d = script_.empty() ? Dial::Connect : script_[std::min(next_, script_.size() - 1)];
    ++next_;
    switch (d) {
    case Dial::Connect:
        Answer("CONNECT 33600");
        if (!mute_) {
            dataMode_ = true;
            if (!banner_.empty())
                outbox_.push_back(banner_);
        }
        break;
    case Dial::Busy: Answer("BUSY"); break;
    case Dial::NoDialtone: Answer("NO DIALTONE"); break;
    case Dial::NoCarrier: Answer("NO CARRIER"); break;
    case Dial::NoAnswer: Answer("NO ANSWER"); break;
    case Dial::Error: Answer("ERROR"); break;
    case Dial::Silent: break;
    }
}

void ModemSim::Run()
{
    std::string line;
    char buf[4096];
    while (!stop_) {
        int fd;
        {
            std::lock_guard lock(mutex_);
            fd = master_;
            while (fd >= 0 && !outbox_.empty()) {
                WriteAllTo(fd, outbox_.front());
                outbox_.pop_front();
            }
        }
        if (fd < 0)
            break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10) <= 0)
            continue;
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        std::lock_guard lock(mutex_);
        for (ssize_t i = 0; i < n; ++i) {
            char c = buf[i];
            if (dataMode_) {
                data_ += c;
                if (data_.size() >= 3 && data_.compare(data_.size() - 3, 3, "+++") == 0) {
                    data_.resize(data_.size() - 3);
                    dataMode_ = false;
                    Answer("OK");
                }
                continue;
            }
            if (c == '\r' || c == '\n') {
                if (!line.empty())
                    OnCommand(line);
                line.clear();
            } else {
                line += c;
            }
        }
    }
}

}  // namespace velo::test
