// Capture ("갈무리"): what the host sends, kept in a file the user chose.
// Text capture appends the screen's lines as they leave it (the terminal
// hands them over: scrolled off the top, cleared with the screen, and the
// whole screen when capture ends); code capture appends every byte the
// interpreter took, as it arrived. The bytes are the host's (KS C 5601 or
// Johab as received), never converted.
//
// States: Capturing (file open, writing), Paused (file open, not writing),
// Stopped (file closed). The file is opened for appending, created when
// missing, never truncated, and locked (flock) so a second writer is refused.
//
// Window-free: questions and messages go through CaptureUi.
#pragma once

#include <cstdint>
#include <string>

#include "terminal/TermSurface.h"

namespace velo {

class SettingsStore;

enum class CaptureState : uint8_t { Capturing = 0, Paused = 1, Stopped = 2 };

class CaptureUi {
public:
    virtual ~CaptureUi() = default;
    // "파일 %s 를 열 수 없습니다..." with Retry and Cancel: true for Retry.
    virtual bool RetryOpen(const std::string& path) = 0;
    // "이전에 갈무리된 내용이 다 지워집니다..." with Yes and No: true for Yes.
    virtual bool ConfirmEmpty() = 0;
    // Text capture ends: the terminal hands every screen row to the sink.
    virtual void AppendScreen() = 0;
    // A write failed (disk full, the file or its folder gone): the file is
    // closed and what arrives is kept in memory. The UI calls Recover() once
    // it is outside the terminal's feed.
    virtual void WriteFailed() = 0;
};

class Capture : public CaptureSink {
public:
    explicit Capture(SettingsStore& settings);
    ~Capture() override;
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    void SetUi(CaptureUi* ui) { ui_ = ui; }

    // At frame creation: the file name from "Capture"/"CapFile", text
    // capture, stopped. installDir gives the folder's default.
    void Load(const std::string& installDir);
    // At exit: end capture if it runs, close the file, write the name back.
    void Exit();

    // The capture folder: "Capture"/"CapDir", default <install>/cap.
    std::string Dir() const;
    void SetDir(const std::string& dir);

    const std::string& FileName() const { return name_; }
    // The file the name stands for (a bare name lies in the capture folder).
    std::string Path() const { return Resolve(name_); }
    // The chosen file (only while stopped; false otherwise). A name without
    // a folder lies in the capture folder.
    bool SetFileName(const std::string& path);

    CaptureState State() const { return state_; }
    bool FileOpen() const { return fd_ >= 0; }
    bool CodeMode() const { return code_; }
    void ToggleCodeMode() { code_ = !code_; }

    // The commands' enabled rules.
    bool CanStart() const { return !name_.empty() && state_ == CaptureState::Stopped; }
    bool CanPauseOrEnd() const { return FileOpen() && state_ != CaptureState::Stopped; }
    bool CanChoose() const { return state_ == CaptureState::Stopped; }
    bool CanEmpty() const { return !name_.empty() && state_ != CaptureState::Capturing; }

    // False when the file could not be opened (and the user cancelled).
    bool Start();
    void PauseOrResume();
    void End();
    // Asks first; on Yes the file is emptied and stays open only if capture
    // was paused.
    void Empty();
    // After WriteFailed: the open question again; on Retry what was kept is
    // written and capture goes on (or, had it been ending, stops); Cancel
    // drops it, leaves no file name and stops.
    void Recover();
    bool RecoveryPending() const { return failed_; }
    // What a failed capture keeps in memory at most while the question waits.
    static constexpr size_t kPendingMax = 16u << 20;

    // CaptureSink.
    bool TextCapturing() const override { return state_ == CaptureState::Capturing && !code_ && Writable(); }
    bool CodeCapturing() const override { return state_ == CaptureState::Capturing && code_ && Writable(); }
    void TextLine(const uint8_t* data, int count) override { Append(data, count); }
    void CodeBytes(const uint8_t* data, int count) override { Append(data, count); }

private:
    // Open with Retry/Cancel; truncate empties the file as it opens.
    bool Open(bool truncate);
    bool TryOpen(bool truncate);
    void Close();
    bool Writable() const { return fd_ >= 0 || failed_; }
    void Append(const uint8_t* data, int count);
    // Writes all of data; on failure closes the file, keeps the rest in
    // pending_ and tells the UI.
    bool WriteAll(const uint8_t* data, size_t count);
    void Fail(const uint8_t* rest, size_t count);
    std::string Resolve(const std::string& path) const;

    SettingsStore& settings_;
    CaptureUi* ui_ = nullptr;
    std::string installDir_;
    std::string name_;
    int fd_ = -1;
    CaptureState state_ = CaptureState::Stopped;
    bool code_ = false;
    // A write failed: what is still to be written, and whether capture was
    // ending when it failed.
    bool failed_ = false;
    bool ending_ = false;
    bool recovering_ = false;
    std::string pending_;
};

}  // namespace velo
