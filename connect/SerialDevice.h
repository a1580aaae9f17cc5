// termios plumbing shared by the serial line and the modem driver: the
// "COM1".."COM9" device names, exclusive open, line settings, DTR and the
// input queue count.
#pragma once

#include <termios.h>

#include <string>
#include <vector>

namespace velo {

class SettingsStore;

// The four per-port values kept in the settings section "COM1".."COM9".
// StopBits and Parity use the codes the program has always stored: stop bits
// 0 one, 1 one and a half, 2 two; parity 0 none, 1 odd, 2 even, 3 mark,
// 4 space.
struct SerialParams {
    int baudRate = 9600;
    int byteSize = 8;
    int stopBits = 0;
    int parity = 0;
};

SerialParams ReadPortParams(SettingsStore& s, int n);
void WritePortParams(SettingsStore& s, int n, const SerialParams& p);

// "COM%d" → the section's "Device" entry when set, else /dev/ttyS<n-1>.
std::string ComDevicePath(SettingsStore& s, int n);
// The default device of port n: /dev/ttyS<n-1>.
std::string DefaultComDevice(int n);
// Stores the port's device; the default device is stored as "" so that the
// entry follows the default. Only an absolute path is taken (false else).
bool WriteComDevicePath(SettingsStore& s, int n, const std::string& path);
// The system's serial devices, sorted by kind then number: /dev/ttyS*,
// /dev/ttyUSB*, /dev/ttyACM* (dir: another folder holding such names).
std::vector<std::string> ListSerialDevices(const std::string& dir = "/dev");

// "COM"/"WaitInterVal": the response speed, 0..2000, default 200. Stored and
// edited only; the poll interval stays 250 ms.
int ReadWaitInterval(SettingsStore& s);
void WriteWaitInterval(SettingsStore& s, int ms);

enum class SerialOpenError { None, Missing, NotTty, Busy, Other };

// Opens a serial device for reading and writing, non-blocking, never as the
// controlling terminal, close-on-exec; only an existing terminal device. It is
// taken exclusively: an advisory lock (flock) that other serial programs
// honour, then TIOCEXCL so that later opens fail. -1 on failure, with the
// reason in *err when err is given.
int OpenSerialDevice(const std::string& path, SerialOpenError* err = nullptr);

// Raw 8-bit line over the current settings: no echo, no line editing, no
// signals, no output processing, no software flow control, receiver on,
// modem-status lines ignored (CLOCAL); the rate (the nearest rate the kernel
// knows), data bits (5..8, else 8), stop bits and parity from p. Hardware flow
// control is left as the device had it.
bool ConfigureSerial(int fd, const SerialParams& p);
// The same settings applied to a termios record (ptys keep 8 data bits and no
// parity whatever they are given, so this is where those are visible).
void ApplySerialParams(termios& t, const SerialParams& p);

// The kernel's speed constant for a rate: the nearest standard rate.
unsigned SerialSpeedFor(int baudRate);
// The rate in bits per second of a kernel speed constant, 0 if unknown.
int SerialRateOf(unsigned speed);

// Raises or drops DTR. False where the device has no modem lines (a pty).
bool SetSerialDtr(int fd, bool on);
// Carrier detect: 1 up, 0 down, -1 unknown (no modem lines).
int SerialCarrier(int fd);
// Bytes waiting in the input queue, -1 when the query fails.
int SerialQueued(int fd);

}  // namespace velo
