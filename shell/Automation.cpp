#include "shell/Automation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <map>
#include <random>

#include "base/CommandIds.h"
#include "base/Flags.h"
#include "base/FrameSink.h"
#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"
#include "connect/Conn.h"
#include "shell/MacroSender.h"
#include "terminal/HangulCodec.h"
#include "transfer/ZmThread.h"

namespace velo {

namespace {

constexpr uint8_t ESC = 0x1B;
constexpr uint8_t CSI = 0x9B;
constexpr const char* kBuiltInTags[PrefixTags::kBuiltIn] = {"[질문] ", "[답변] ", "[정보] ", "[공지] ", "[참고] "};

// A script's texts in host bytes, converted once for the life of the process.
const std::string& HostText(std::string_view utf8)
{
    static std::mutex mutex;
    static std::map<std::string, std::string, std::less<>> cache;
    std::lock_guard lock(mutex);
    auto it = cache.find(utf8);
    if (it == cache.end())
        it = cache.emplace(std::string(utf8), hangul::EncodeCp949(utf8)).first;
    return it->second;
}

std::string UserTagEntry(int i) { return settings::kPrefixTagSlot + std::to_string(i); }

}  // namespace

bool AutomationSupports(int serviceKind)
{
    return serviceKind == 0 || serviceKind == 1 || serviceKind == 2 || serviceKind == 4;
}

bool AutomationMayStart(const SharedFlags& f)
{
    const ConnStateFlags& st = f.ConnState;
    return st.Connected && !st.Receiving && !st.Sending && !st.Automating && !f.TermShared.Frozen &&
           AutomationSupports(f.TermShared.ServiceKind);
}

// ---- prefix tags

PrefixTags PrefixTags::Load(SettingsStore& s)
{
    PrefixTags t;
    for (int i = 0; i < kBuiltIn; ++i)
        t.tags[size_t(i)] = kBuiltInTags[i];
    for (int i = 0; i < kCount - kBuiltIn; ++i)
        t.tags[size_t(kBuiltIn + i)] = settings::ReadStringDefault(s, settings::kSendSection, UserTagEntry(i).c_str());
    return t;
}

void PrefixTags::SaveUserTags(SettingsStore& s) const
{
    for (int i = 0; i < kCount - kBuiltIn; ++i)
        s.WriteString(settings::kSendSection, UserTagEntry(i).c_str(), tags[size_t(kBuiltIn + i)]);
}

bool PrefixTags::Remember(const std::string& tag)
{
    // An empty tag is no tag: it must not push one of the user's out.
    if (tag.empty())
        return false;
    for (const std::string& s : tags)
        if (s == tag)
            return false;
    for (int i = kCount - 1; i > kBuiltIn; --i)
        tags[size_t(i)] = tags[size_t(i - 1)];
    tags[kBuiltIn] = tag;
    return true;
}

// ---- escape remover

int EscapeRemover::Remove(uint8_t* data, int len)
{
    int out = 0;
    // Inside a run of kept bytes 0x9B is text (a trail byte), not a CSI; a
    // run ends at a zero byte or ESC, and each call starts outside one.
    bool run = false;
    for (int i = 0; i < len; ++i) {
        const uint8_t c = data[i];
        if (c == 0) {
            run = false;
            continue;
        }
        bool again = true;
        while (again) {
            again = false;
            // A byte with the high bit set that ends a sequence is text again.
            auto endWith = [&](bool reprocess) {
                state_ = State::Plain;
                again = reprocess && (c & 0x80);
            };
            switch (state_) {
            case State::Plain:
                if (c == ESC) {
                    state_ = State::Escape;
                    run = false;
                } else if (c == CSI && !run) {
                    state_ = State::Control;
                } else {
                    data[out++] = c;
                    run = true;
                }
                break;
            case State::Escape:
                if (c == ESC)
                    break;
                if (c == '[')
                    state_ = State::Control;
                else if (c == '#' || c == '(')
                    state_ = State::OneMore;
                else if (c == '%')
                    state_ = State::SlashRun;
                else if (c == '&')
                    state_ = State::Ampersand;
                else
                    endWith(true);
                break;
            case State::Control:
            case State::Parameters:
                if (c == ESC)
                    state_ = State::Escape;
                else if (c == CSI)
                    state_ = State::Control;
                else if ((c >= '0' && c <= '9') || c == ';')
                    state_ = State::Parameters;
                else if (state_ == State::Control && (c == '<' || c == '=' || c == '>' || c == '?'))
                    state_ = State::Parameters;
                else
                    endWith(true);
                break;
            case State::OneMore:
                endWith(false);
                break;
            case State::Ampersand:
                if (c == '6')
                    state_ = State::SlashRun;
                else
                    endWith(false);
                break;
            case State::SlashRun:
                if (c != '/')
                    endWith(false);
                break;
            }
        }
    }
    return out;
}

// ---- body file

std::string BodyFileBytes(std::string_view utf8)
{
    std::string ks = hangul::EncodeCp949(utf8);
    std::string out;
    out.reserve(ks.size() + ks.size() / 16);
    for (size_t i = 0; i < ks.size(); ++i) {
        if (ks[i] == '\n' && (i == 0 || ks[i - 1] != '\r'))
            out += '\r';
        out += ks[i];
    }
    return out;
}

std::string SystemTempDir()
{
    const char* t = std::getenv("TMPDIR");
    return t && *t ? std::string(t) : std::string("/tmp");
}

bool BodyFile::Create(const std::string& dir, std::string_view bytes)
{
    Remove();
    static std::mutex mutex;
    static std::mt19937 rng(std::random_device{}());
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned n;
        {
            std::lock_guard lock(mutex);
            n = unsigned(rng()) & 0xFFFFu;
        }
        char name[16];
        std::snprintf(name, sizeof name, "vel%04X.txt", n);
        std::string path = dir + "/" + name;
        // O_EXCL: never over a file that is there, nor through a link.
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        path_ = path;
        const char* p = bytes.data();
        size_t left = bytes.size();
        while (left > 0) {
            ssize_t w = ::write(fd, p, left);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                ::close(fd);
                Remove();
                return false;
            }
            p += w;
            left -= size_t(w);
        }
        if (::close(fd) != 0) {
            Remove();
            return false;
        }
        return true;
    }
    return false;
}

void BodyFile::Remove()
{
    if (!path_.empty())
        ::unlink(path_.c_str());
    path_.clear();
}

std::string AttachmentName(std::string_view path)
{
    size_t cut = path.find_last_of("/\\:");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

// ---- prompt wait and replies

ScriptIo::ScriptIo(ConnFacade& conn, MacroSender& macros, zm::ZmTransfer& transfer, int pollMs)
    : conn_(conn), macros_(macros), transfer_(transfer), pollMs_(pollMs)
{
}

void ScriptIo::Reset()
{
    buf_.clear();
    pos_ = 0;
    remover_.Reset();
}

void ScriptIo::Take(const uint8_t* data, int len)
{
    if (!data || len <= 0)
        return;
    // The terminal shows what arrives, sequences and all.
    conn_.Out().frame.SendMessage(WM_SHOW_BYTES, reinterpret_cast<uintptr_t>(data), len);
    buf_.erase(buf_.begin(), buf_.begin() + ptrdiff_t(pos_));
    pos_ = 0;
    size_t at = buf_.size();
    buf_.insert(buf_.end(), data, data + len);
    int kept = remover_.Remove(buf_.data() + at, len);
    buf_.resize(at + size_t(kept));
}

bool ScriptIo::Refill()
{
    SharedFlags& f = conn_.Flags();
    uint8_t raw[kConnReadBuffer];
    for (;;) {
        if (!f.ConnState.Connected || f.AppFlags.AutomationCancel)
            return false;
        int n = conn_.ConnRead(raw, 0);
        if (n < 0)
            return false;
        if (n == 0) {
            f.DataEvent.Wait(pollMs_);
            continue;
        }
        Take(raw, n);
        if (pos_ < buf_.size())
            return true;
    }
}

int ScriptIo::WaitBytes(const std::vector<std::string_view>& texts)
{
    std::vector<size_t> count(texts.size(), 0);
    for (;;) {
        while (pos_ < buf_.size()) {
            const uint8_t x = buf_[pos_++];
            int found = -1;
            for (size_t i = 0; i < texts.size(); ++i) {
                std::string_view t = texts[i];
                if (t.empty())
                    continue;
                // A mismatch starts the text over without testing x against
                // its first byte: the services' prompts never need it.
                if (x == uint8_t(t[count[i]])) {
                    if (++count[i] == t.size())
                        found = int(i);  // a later text completing on the same byte wins
                } else {
                    count[i] = 0;
                }
            }
            if (found >= 0)
                return found;
        }
        if (!Refill())
            return -1;
    }
}

int ScriptIo::Wait(std::initializer_list<std::string_view> texts)
{
    std::vector<std::string_view> host;
    host.reserve(texts.size());
    for (std::string_view t : texts)
        host.emplace_back(HostText(t));
    return WaitBytes(host);
}

void ScriptIo::Send(std::string_view bytes)
{
    if (!bytes.empty())
        conn_.ConnWrite(reinterpret_cast<const uint8_t*>(bytes.data()), int(bytes.size()));
}

void ScriptIo::SendValue(std::string_view utf8) { Send(hangul::EncodeCp949(utf8) + "\r"); }

void ScriptIo::SendMacro(std::string_view text) { macros_.Send(text); }

void ScriptIo::Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(500)); }

bool ScriptIo::Upload(const std::string& path, const std::string& name)
{
    // The receiver's ZRINIT: "**", ZDLE, "B01".
    static constexpr char kReceiverStart[] = {'*', '*', 0x18, 'B', '0', '1'};
    if (WaitBytes({std::string_view(kReceiverStart, sizeof kReceiverStart)}) != 0)
        return false;
    // A failed upload is not looked at here: the next prompt decides.
    std::vector<uint8_t> after;
    if (transfer_.SendHere(path, name, after))
        Take(after.data(), int(after.size()));
    return true;
}

void ScriptIo::Show(std::string_view utf8, bool exclamation)
{
    std::string text(utf8);
    conn_.Out().frame.SendMessage(WM_AUTOMATION_MESSAGE, reinterpret_cast<uintptr_t>(text.c_str()),
                                  exclamation ? 1 : 0);
}

// ---- the run

Automation::Automation(ConnFacade& conn, MacroSender& macros, zm::ZmTransfer& transfer)
    : conn_(conn), macros_(macros), transfer_(transfer), tempDir_(SystemTempDir())
{
}

Automation::~Automation()
{
    Cancel();
    if (thread_.joinable())
        thread_.join();
}

void Automation::SetTempDir(std::string dir)
{
    std::lock_guard lock(mutex_);
    tempDir_ = std::move(dir);
}

bool Automation::Claim()
{
    std::lock_guard lock(mutex_);
    if (running_ || !AutomationMayStart(conn_.Flags()))
        return false;
    if (thread_.joinable())
        thread_.join();  // the last run has ended; collect it
    running_ = true;
    // The stream is the script's from now on: the UI thread stops reading
    // before the thread runs.
    conn_.Flags().AppFlags.AutomationCancel = false;
    conn_.State().Automating = true;
    return true;
}

bool Automation::StartMail(const MailJob& job) { return Start(true, job, PostJob{}); }

bool Automation::StartPost(const PostJob& job) { return Start(false, MailJob{}, job); }

bool Automation::Start(bool mail, const MailJob& mailJob, const PostJob& postJob)
{
    if (!Claim())
        return false;
    int service = conn_.Flags().TermShared.ServiceKind;
    std::lock_guard lock(mutex_);
    thread_ = std::thread(&Automation::Run, this, mail, mailJob, postJob, service, tempDir_);
    return true;
}

void Automation::Run(bool mail, MailJob mailJob, PostJob postJob, int service, std::string dir)
{
    SharedFlags& f = conn_.Flags();
    ScriptIo io(conn_, macros_, transfer_, pollMs_);
    {
        BodyFile body;
        bool ready = true;
        if (!mail)
            ready = body.Create(dir, BodyFileBytes(postJob.body));
        else if (!mailJob.body.empty() || service == 4)
            // Kestrix's mail uploads a text after an attachment too: an empty
            // one when the mail has no body.
            ready = body.Create(dir, BodyFileBytes(mailJob.body));
        if (ready) {
            if (mail)
                PlayMailScript(service, io, mailJob, body.Path());
            else
                PlayPostScript(service, io, postJob.title, body.Path());
        }
    }
    io.Reset();
    f.ConnState.Automating = false;
    // What arrived after the script's last read goes to the terminal now.
    conn_.Out().frame.PostCommand(CMD_CONN_DATA);
    {
        std::lock_guard lock(mutex_);
        running_ = false;
    }
    ended_.notify_all();
}

void Automation::Cancel()
{
    conn_.Flags().AppFlags.AutomationCancel = true;
    conn_.Flags().DataEvent.Set();
}

bool Automation::Running() const
{
    std::lock_guard lock(mutex_);
    return running_;
}

bool Automation::WaitEnd(int timeoutMs)
{
    std::unique_lock lock(mutex_);
    return WaitUntil(ended_, lock, timeoutMs, [this] { return !running_; });
}

}  // namespace velo
