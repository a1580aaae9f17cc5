#include "shell/Capture.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"

namespace velo {

Capture::Capture(SettingsStore& settings) : settings_(settings) {}

Capture::~Capture() { Close(); }

void Capture::Load(const std::string& installDir)
{
    // A frame made anew starts stopped, whatever an earlier one left.
    Close();
    failed_ = ending_ = false;
    pending_.clear();
    installDir_ = installDir;
    name_ = settings::ReadStringDefault(settings_, settings::kCapture, settings::kCapFile);
    code_ = false;
    state_ = CaptureState::Stopped;
}

void Capture::Exit()
{
    if (failed_)
        Recover();
    if (state_ != CaptureState::Stopped)
        End();
    Close();
    settings_.WriteString(settings::kCapture, settings::kCapFile, name_);
}

std::string Capture::Dir() const
{
    return settings_.ReadString(settings::kCapture, settings::kCapDir, settings::CaptureDirDefault(installDir_));
}

void Capture::SetDir(const std::string& dir) { settings_.WriteString(settings::kCapture, settings::kCapDir, dir); }

std::string Capture::Resolve(const std::string& path) const
{
    // A bare name from the settings is a file of the capture folder, never
    // one of whatever folder the program was started in.
    if (path.empty() || path.front() == '/')
        return path;
    return Dir() + "/" + path;
}

bool Capture::SetFileName(const std::string& path)
{
    if (state_ != CaptureState::Stopped)
        return false;
    name_ = path;
    return true;
}

bool Capture::TryOpen(bool truncate)
{
    const std::string path = Resolve(name_);
    // Non-blocking so that a FIFO without a reader cannot hang the program;
    // only a plain file is taken.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        return false;
    struct stat st {};
    // Other writers are denied while the file is open: a second program
    // capturing into the same file is refused.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        (truncate && ::ftruncate(fd, 0) != 0)) {
        ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETFL, O_APPEND);  // writes block again
    fd_ = fd;
    return true;
}

bool Capture::Open(bool truncate)
{
    for (;;) {
        if (TryOpen(truncate))
            return true;
        if (!ui_ || !ui_->RetryOpen(Resolve(name_))) {
            name_.clear();
            state_ = CaptureState::Stopped;
            return false;
        }
    }
}

void Capture::Close()
{
    if (fd_ >= 0) {
        ::close(fd_);  // the lock goes with the descriptor
        fd_ = -1;
    }
}

bool Capture::Start()
{
    if (!CanStart())
        return false;
    if (fd_ < 0 && !Open(false))
        return false;
    // Each write goes straight to the file, so there is nothing to flush.
    state_ = CaptureState::Capturing;
    return true;
}

void Capture::PauseOrResume()
{
    if (fd_ < 0 || state_ == CaptureState::Stopped)
        return;
    state_ = state_ == CaptureState::Paused ? CaptureState::Capturing : CaptureState::Paused;
}

void Capture::End()
{
    if (fd_ < 0)
        return;
    if (!code_ && state_ == CaptureState::Capturing && ui_) {
        ending_ = true;
        ui_->AppendScreen();
        if (failed_)
            return;  // Recover finishes the end once the screen is written
        ending_ = false;
    }
    if (state_ != CaptureState::Stopped) {
        Close();
        state_ = CaptureState::Stopped;
    }
}

void Capture::Empty()
{
    if (!CanEmpty() || failed_)
        return;
    if (!ui_ || !ui_->ConfirmEmpty())
        return;
    Close();
    // Emptied in place (the same file, its permissions and links kept).
    if (!Open(true))
        return;
    if (state_ == CaptureState::Stopped)
        Close();
}

void Capture::Recover()
{
    if (!failed_ || recovering_)
        return;
    // While the question is open what arrives is still kept (failed_ stays
    // set until the file is open again).
    recovering_ = true;
    const bool opened = Open(false);
    recovering_ = false;
    failed_ = false;
    if (!opened) {
        pending_.clear();
        ending_ = false;
        return;
    }
    std::string rest;
    rest.swap(pending_);
    if (!WriteAll(reinterpret_cast<const uint8_t*>(rest.data()), rest.size()))
        return;  // failed again: the UI asks again
    if (ending_) {
        ending_ = false;
        Close();
        state_ = CaptureState::Stopped;
    }
}

void Capture::Append(const uint8_t* data, int count)
{
    if (!data || count <= 0 || state_ != CaptureState::Capturing)
        return;
    if (failed_) {
        // Kept until the user answers; beyond the bound it is dropped.
        const size_t room = kPendingMax - std::min(pending_.size(), kPendingMax);
        pending_.append(reinterpret_cast<const char*>(data), std::min(room, size_t(count)));
        return;
    }
    if (fd_ < 0)
        return;
    WriteAll(data, size_t(count));
}

bool Capture::WriteAll(const uint8_t* data, size_t count)
{
    // A file whose last name is gone (deleted, or its folder removed) still
    // takes writes that nobody will ever read: that is a failure too.
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || st.st_nlink == 0) {
        Fail(data, count);
        return false;
    }
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::write(fd_, data + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            Fail(data + done, count - done);
            return false;
        }
        done += size_t(n);
    }
    return true;
}

void Capture::Fail(const uint8_t* rest, size_t count)
{
    Close();
    failed_ = true;
    pending_.assign(reinterpret_cast<const char*>(rest), std::min(count, kPendingMax));
    if (ui_)
        ui_->WriteFailed();
}

}  // namespace velo
