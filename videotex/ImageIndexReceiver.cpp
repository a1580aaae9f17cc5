#include "videotex/ImageIndexReceiver.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"

namespace velo {

namespace {
constexpr uint8_t SOH = 0x01;
constexpr uint8_t CR = 0x0D;
constexpr uint8_t ESC = 0x1B;
// Eight digits: the running number starts again at 0 past them (and when
// the settings hold something negative).
constexpr int kLastNumber = 99999999;

bool Exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}
}  // namespace

ImageIndexReceiver::ImageIndexReceiver(Outlets out) : out_(std::move(out)) {}

ImageIndexReceiver::~ImageIndexReceiver()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void ImageIndexReceiver::Start()
{
    CloseFile(false);
    state_ = Kind;
    running_ = true;
    cancelled_ = false;
    escape_ = false;
    length_ = 0;
    received_ = 0;
    name_.clear();
    shown_.clear();
}

void ImageIndexReceiver::Reset()
{
    CloseFile(false);
    state_ = Kind;
    escape_ = false;
    length_ = 0;
    if (running_) {
        running_ = false;
        if (out_.events)
            out_.events->Ended(std::string());
    }
}

void ImageIndexReceiver::Reply(const uint8_t* bytes, size_t n)
{
    if (out_.reply)
        out_.reply(bytes, n);
}

ImageIndexReceiver::Result ImageIndexReceiver::Run(const uint8_t* bytes, size_t count)
{
    if (!running_)
        return {0, true};  // never started: the bytes are text
    for (size_t i = 0; i < count; ++i) {
        const uint8_t b = bytes[i];
        switch (state_) {
        case Kind:
            if (b == '4')
                OpenFile("jpg");
            else if (b == '5')
                OpenFile("gif");
            state_ = Between;
            break;
        case Between:
            if (b == SOH) {
                state_ = Packet;
                length_ = 0;
                escape_ = false;
            } else if (b == ESC) {
                state_ = AfterEsc;
            }
            break;
        case AfterEsc:
            state_ = b == '%' ? AfterPercent : b == '&' ? AfterAmp : Between;
            break;
        case AfterAmp:
            if (b == '4') {
                static const uint8_t kAck[] = {ESC, '&', '3'};
                Reply(kAck, sizeof kAck);
            }
            state_ = Between;
            break;
        case AfterPercent:
            if (b == 'B') {
                // Another picture: one that was not completed stays partial.
                CloseFile(false);
                state_ = Kind;
            } else if (b == 'C') {
                static const uint8_t kAck[] = {ESC, '&', '3'};
                Reply(kAck, sizeof kAck);
                Finish(false);
                return {i + 1, true};
            } else {
                state_ = Between;
            }
            break;
        default:  // Packet
            if (b == CR) {
                // CR always ends a packet (the host sends it escaped inside
                // one), so a stream that lost a byte finds its feet again at
                // the next packet; a dangling "#" is dropped.
                state_ = Between;
                if (length_ > 0 && packet_[0] == 'Z') {
                    Finish(true);
                    return {i + 1, true};
                }
                EndPacket();
            } else if (b == '#' && !escape_) {
                escape_ = true;
            } else {
                const uint8_t v = escape_ && b != '#' ? uint8_t(b ^ 0x40) : b;
                escape_ = false;
                if (length_ < kPacketMax)
                    packet_[length_++] = v;
            }
            break;
        }
    }
    return {count, false};
}

void ImageIndexReceiver::EndPacket()
{
    if (length_ == 0)
        return;  // no type: nothing to answer
    const uint8_t type = packet_[0];
    const uint8_t ack[] = {SOH, cancelled_ ? uint8_t('Z') : type, CR};
    Reply(ack, sizeof ack);
    if (type == 'D' && length_ > 2) {
        received_ += length_ - 2;
        Write(packet_ + 2, length_ - 2);
    }
}

void ImageIndexReceiver::Finish(bool complete)
{
    CloseFile(complete);
    running_ = false;
    state_ = Kind;
    if (out_.events)
        out_.events->Ended(shown_);
}

void ImageIndexReceiver::OpenFile(const char* extension)
{
    CloseFile(false);
    failed_ = false;
    written_ = 0;
    name_.clear();
    int n = settings::ReadIntDefault(out_.settings, settings::kInit, settings::kImageIndex);
    if (n < 0 || n > kLastNumber)
        n = 0;
    int next = n + 1;
    if (!out_.folder.empty())
        ::mkdir(out_.folder.c_str(), 0755);  // made at start-up; again if removed since
    for (int tries = 0; tries < kNameTries && !out_.folder.empty(); ++tries) {
        char name[32];
        std::snprintf(name, sizeof name, "%08d.%s", n, extension);
        const std::string path = out_.folder + "/" + name;
        if (!Exists(path)) {
            // O_EXCL and O_NOFOLLOW: a fresh file, never one that exists or a
            // link planted in the folder.
            fd_ = ::open((path + ".part").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                         0644);
            if (fd_ >= 0) {
                name_ = name;
                next = n + 1;
                break;
            }
            if (errno != EEXIST)
                break;  // the folder cannot take files: no picture this time
        }
        n = n >= kLastNumber ? 0 : n + 1;
    }
    out_.settings.WriteInt(settings::kInit, settings::kImageIndex, next > kLastNumber ? 0 : next);
    if (out_.events)
        out_.events->FileStarted(name_);
}

void ImageIndexReceiver::Write(const uint8_t* data, size_t n)
{
    if (fd_ < 0 || failed_ || cancelled_)
        return;
    if (written_ + n > kMaxFileBytes) {
        failed_ = true;
        return;
    }
    while (n > 0) {
        const ssize_t k = ::write(fd_, data, n);
        if (k < 0 && errno == EINTR)
            continue;
        if (k <= 0) {
            failed_ = true;  // disk full, I/O error: the picture stays partial
            return;
        }
        data += k;
        n -= static_cast<size_t>(k);
        written_ += static_cast<uint64_t>(k);
    }
}

void ImageIndexReceiver::CloseFile(bool complete)
{
    if (fd_ < 0)
        return;
    bool ok = ::close(fd_) == 0 && !failed_;
    fd_ = -1;
    if (!complete || !ok || cancelled_)
        return;
    const std::string path = out_.folder + "/" + name_;
    // A file that appeared under the name meanwhile is kept; ours stays partial.
    if (!Exists(path) && ::rename((path + ".part").c_str(), path.c_str()) == 0)
        shown_ = path;
}

}  // namespace velo
