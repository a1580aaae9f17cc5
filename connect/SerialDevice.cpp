#include "connect/SerialDevice.h"

#include <dirent.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"

namespace velo {

namespace {

std::string PortSection(int n) { return "COM" + std::to_string(n); }

constexpr std::array<std::pair<int, speed_t>, 30> kRates{{
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
}};

}  // namespace

SerialParams ReadPortParams(SettingsStore& s, int n)
{
    std::string sec = PortSection(n);
    SerialParams p;
    p.baudRate = settings::ReadIntDefault(s, sec.c_str(), settings::kBaudRate);
    p.byteSize = settings::ReadIntDefault(s, sec.c_str(), settings::kByteSize);
    p.stopBits = settings::ReadIntDefault(s, sec.c_str(), settings::kStopBits);
    p.parity = settings::ReadIntDefault(s, sec.c_str(), settings::kParity);
    return p;
}

void WritePortParams(SettingsStore& s, int n, const SerialParams& p)
{
    std::string sec = PortSection(n);
    s.WriteInt(sec, settings::kBaudRate, p.baudRate);
    s.WriteInt(sec, settings::kByteSize, p.byteSize & 0xFF);
    s.WriteInt(sec, settings::kStopBits, p.stopBits & 0xFF);
    s.WriteInt(sec, settings::kParity, p.parity & 0xFF);
}

std::string DefaultComDevice(int n) { return "/dev/ttyS" + std::to_string(n - 1); }

std::string ComDevicePath(SettingsStore& s, int n)
{
    std::string dev = s.ReadString(PortSection(n), settings::kDevice, "");
    if (!dev.empty())
        return dev;
    return DefaultComDevice(n);
}

bool WriteComDevicePath(SettingsStore& s, int n, const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return false;
    s.WriteString(PortSection(n), settings::kDevice, path == DefaultComDevice(n) ? std::string() : path);
    return true;
}

std::vector<std::string> ListSerialDevices(const std::string& dir)
{
    // ttyS0..ttyS31 exist as nodes on most machines whether or not a UART
    // is behind them; they are offered all the same, as the port's default
    // names them.
    static constexpr const char* kKinds[] = {"ttyS", "ttyUSB", "ttyACM"};
    std::vector<std::pair<std::pair<int, long>, std::string>> found;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string_view name = e->d_name;
            for (int k = 0; k < 3; ++k) {
                std::string_view kind = kKinds[k];
                if (name.size() <= kind.size() || name.substr(0, kind.size()) != kind)
                    continue;
                std::string_view digits = name.substr(kind.size());
                if (digits.size() > 6 ||
                    !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
                    continue;
                found.push_back({{k, std::strtol(std::string(digits).c_str(), nullptr, 10)}, dir + "/" + std::string(name)});
            }
        }
        ::closedir(d);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> out;
    for (auto& f : found)
        out.push_back(std::move(f.second));
    return out;
}

int ReadWaitInterval(SettingsStore& s)
{
    return std::clamp(settings::ReadIntDefault(s, settings::kCom, settings::kWaitInterval), 0, 2000);
}

void WriteWaitInterval(SettingsStore& s, int ms)
{
    s.WriteInt(settings::kCom, settings::kWaitInterval, std::clamp(ms, 0, 2000));
}

int OpenSerialDevice(const std::string& path, SerialOpenError* err)
{
    auto fail = [err](SerialOpenError e) {
        if (err)
            *err = e;
        return -1;
    };
    if (err)
        *err = SerialOpenError::None;
    if (path.empty())
        return fail(SerialOpenError::Missing);
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENODEV || errno == ENXIO)
            return fail(SerialOpenError::Missing);
        if (errno == EBUSY)
            return fail(SerialOpenError::Busy);
        return fail(SerialOpenError::Other);
    }
    if (!::isatty(fd)) {
        ::close(fd);
        return fail(SerialOpenError::NotTty);
    }
    // The lock first: TIOCEXCL on a device someone else holds would lock
    // them out after we give up.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int e = errno;
        ::close(fd);
        return fail(e == EWOULDBLOCK ? SerialOpenError::Busy : SerialOpenError::Other);
    }
    ::ioctl(fd, TIOCEXCL);
    return fd;
}

unsigned SerialSpeedFor(int baudRate)
{
    if (baudRate <= 0)
        return B9600;
    auto best = kRates[0];
    for (const auto& r : kRates) {
        if (std::abs(static_cast<long>(r.first) - baudRate) < std::abs(static_cast<long>(best.first) - baudRate))
            best = r;
    }
    return best.second;
}

int SerialRateOf(unsigned speed)
{
    for (const auto& r : kRates) {
        if (r.second == speed)
            return r.first;
    }
    return 0;
}

bool ConfigureSerial(int fd, const SerialParams& p)
{
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return false;
    ApplySerialParams(t, p);
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

void ApplySerialParams(termios& t, const SerialParams& p)
{
    ::cfmakeraw(&t);
    t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
    switch (p.byteSize) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    default: t.c_cflag |= CS8; break;
    }
    if (p.stopBits == 1 || p.stopBits == 2)
        t.c_cflag |= CSTOPB;  // 1.5 stop bits with 5 data bits, else 2
    switch (p.parity) {
    case 1: t.c_cflag |= PARENB | PARODD; break;           // odd
    case 2: t.c_cflag |= PARENB; break;                    // even
    case 3: t.c_cflag |= PARENB | PARODD | CMSPAR; break;  // mark
    case 4: t.c_cflag |= PARENB | CMSPAR; break;           // space
    default: break;                                        // none
    }
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    speed_t speed = SerialSpeedFor(p.baudRate);
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
}

bool SetSerialDtr(int fd, bool on)
{
    int bits = TIOCM_DTR;
    return ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

int SerialCarrier(int fd)
{
    int bits = 0;
    if (::ioctl(fd, TIOCMGET, &bits) != 0)
        return -1;
    return (bits & TIOCM_CAR) ? 1 : 0;
}

int SerialQueued(int fd)
{
    int n = 0;
    if (::ioctl(fd, FIONREAD, &n) != 0)
        return -1;
    return n;
}

}  // namespace velo
