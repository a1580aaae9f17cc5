// Mail and post automation, window-free: a worker thread plays one service's
// dialogue with the host (waits for each prompt, answers it, uploads the body
// and an attachment by ZModem) and reports the result in a message box.
//
// The thread owns the input stream through Automating: the frame's data path
// only signals DataEvent meanwhile, and the run reads the connection itself,
// showing every byte in the terminal (WM_SHOW_BYTES, a synchronous send to
// the frame) before it looks for prompts in it. Message boxes go to the frame
// as WM_AUTOMATION_MESSAGE (sent: the run goes on when the box is closed).
//
// Prompts are matched on plain text: colour and cursor sequences are taken
// out of what arrives first (EscapeRemover), whatever read they fall in.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace velo {

class ConnFacade;
class MacroSender;
class SettingsStore;
struct SharedFlags;
namespace zm {
class ZmTransfer;
}

// The services with a script, by ServiceKind: 0 천리안, 1 하이텔, 2 나우콤,
// 4 Kestrix. Service 3 and connections of no known service have none.
bool AutomationSupports(int serviceKind);
// "편지 보내기" and "게시물 쓰기": connected, no transfer, no other run, the
// scrollback view closed, and a service with a script.
bool AutomationMayStart(const SharedFlags& flags);

// What a mail run sends; texts as typed (UTF-8), the body with "\n" line ends.
struct MailJob {
    std::string recipient, cc, subject, body, attachment;
    bool operator==(const MailJob&) const = default;
};

// What a post run sends: the title as it goes out (the prefix tag already in
// front when the user asked for it) and the body.
struct PostJob {
    std::string title, body;
};

// The post dialog's last values, shown again next time.
struct PostDraft {
    std::string title, tag, body;
    bool usePrefix = false;
};

// The ten prefix tags: five built in, then the user's five most recent other
// tags, newest first ("보내기"/"말머리0".."말머리4").
struct PrefixTags {
    static constexpr int kCount = 10;
    static constexpr int kBuiltIn = 5;
    std::array<std::string, kCount> tags;

    static PrefixTags Load(SettingsStore& s);
    void SaveUserTags(SettingsStore& s) const;
    // A non-empty tag that is none of the ten becomes slot 5; the user's
    // tags move down one and the oldest is dropped. True when it was added.
    bool Remember(const std::string& tag);
};

// Takes control sequences out of received bytes in place, so that prompts
// are matched on plain text. Its state carries over from one call to the
// next (a sequence may be cut by a read); zero bytes are always dropped.
class EscapeRemover {
public:
    void Reset() { state_ = State::Plain; }
    // Returns the count of bytes kept at the front of data.
    int Remove(uint8_t* data, int len);

private:
    enum class State { Plain, Escape, Control, Parameters, OneMore, Ampersand, SlashRun };
    State state_ = State::Plain;
};

// The bytes of a text file as the services take an upload: KS C 5601 (CP949),
// lines ended by CR LF.
std::string BodyFileBytes(std::string_view utf8);

// The body file of one run: created in `dir` as "vel" + hexadecimal digits +
// ".txt", never over an existing file, readable only by the user; removed when
// the object goes.
class BodyFile {
public:
    BodyFile() = default;
    ~BodyFile() { Remove(); }
    BodyFile(const BodyFile&) = delete;
    BodyFile& operator=(const BodyFile&) = delete;
    bool Create(const std::string& dir, std::string_view bytes);
    void Remove();
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The folder body files go to: $TMPDIR, or /tmp.
std::string SystemTempDir();

// The name an attachment is announced under: the path after its last
// directory separator ("/", "\" or ":").
std::string AttachmentName(std::string_view path);

// The prompt wait and the replies of one run, over the facade. Script
// functions (AutomationScripts.cpp) are written with it.
class ScriptIo {
public:
    static constexpr int kDefaultPollMs = 10000;
    ScriptIo(ConnFacade& conn, MacroSender& macros, zm::ZmTransfer& transfer, int pollMs = kDefaultPollMs);

    // Returns the index of the first of the texts (UTF-8; matched as host
    // bytes) seen in the host's output, or -1 when the run must stop: the
    // connection is gone or the user cancelled. Bytes after the match stay
    // for the next wait. Waits without an overall limit, pollMs at a time.
    int Wait(std::initializer_list<std::string_view> texts);
    bool Wait(std::string_view text) { return Wait({text}) == 0; }
    // The same on host bytes as they are.
    int WaitBytes(const std::vector<std::string_view>& hostTexts);
    // Bytes as they are (ConnWrite, with local echo).
    void Send(std::string_view bytes);
    // A stored value in host bytes, then a carriage return.
    void SendValue(std::string_view utf8);
    // Text in the macro language, through the macro sender.
    void SendMacro(std::string_view text);
    // The 500 ms before some replies.
    void Pause();
    // Waits for the ZModem receiver's start header, then uploads the file
    // (announced as `name` when not empty). False when the wait failed.
    bool Upload(const std::string& path, const std::string& name = {});
    // A message box; returns when the user has closed it.
    void Show(std::string_view utf8, bool exclamation = false);

    // Read bytes to take as the host's output (shown, then cleaned).
    void Take(const uint8_t* data, int len);
    // The input buffer and the escape remover start empty.
    void Reset();

private:
    bool Refill();

    ConnFacade& conn_;
    MacroSender& macros_;
    zm::ZmTransfer& transfer_;
    int pollMs_;
    EscapeRemover remover_;
    std::vector<uint8_t> buf_;  // cleaned bytes; buf_[pos_..] not yet examined
    size_t pos_ = 0;
};

class Automation {
public:
    Automation(ConnFacade& conn, MacroSender& macros, zm::ZmTransfer& transfer);
    ~Automation();
    Automation(const Automation&) = delete;
    Automation& operator=(const Automation&) = delete;

    // Starts the mail or post script of the connection's service on the
    // worker thread. False (nothing started) unless AutomationMayStart.
    bool StartMail(const MailJob& job);
    bool StartPost(const PostJob& job);
    // "보내기 취소": a waiting script wakes and stops.
    void Cancel();
    bool Running() const;
    // Waits up to timeoutMs (negative: without limit); true when none runs.
    bool WaitEnd(int timeoutMs);

    // Where body files are made (the system's temporary folder unless set).
    void SetTempDir(std::string dir);
    // The interval of the prompt wait's re-reads without a data signal.
    void SetPollInterval(int ms) { pollMs_ = ms; }

    // The dialogs' last values, for the life of the process (UI thread).
    MailJob lastMail;
    PostDraft lastPost;

private:
    bool Claim();
    bool Start(bool mail, const MailJob& mailJob, const PostJob& postJob);
    void Run(bool mail, MailJob mailJob, PostJob postJob, int service, std::string dir);

    ConnFacade& conn_;
    MacroSender& macros_;
    zm::ZmTransfer& transfer_;
    std::string tempDir_;
    int pollMs_ = ScriptIo::kDefaultPollMs;
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    bool running_ = false;
    std::thread thread_;
};

// The scripts (AutomationScripts.cpp): each plays its service's dialogue.
// bodyPath is "" when the mail has no body file.
void PlayMailScript(int service, ScriptIo& io, const MailJob& job, const std::string& bodyPath);
void PlayPostScript(int service, ScriptIo& io, const std::string& title, const std::string& bodyPath);

}  // namespace velo
