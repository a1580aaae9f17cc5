#include "transfer/ZmReceive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"

namespace velo::zm {

namespace {

// The receive buffer: 1024 bytes of data, one spare byte for a terminating zero.
constexpr int kFileBufferSize = 128 * kFileBlock;

// A partial file keeps the time it was last written, so that it never looks
// complete; the sender's time is kept beside it in this extended attribute
// (decimal seconds since 1970) for resuming "when name and time are the
// same". A complete file gets the sender's time and loses the attribute.
constexpr const char* kAnnouncedTimeAttr = "user.velo.mtime";

// The sender's time kept on a partial file, or 0 (none, or the file system
// keeps no extended attributes).
int64_t KeptAnnouncedTime(const std::string& path)
{
    char text[24] = {};
    const ssize_t n = ::lgetxattr(path.c_str(), kAnnouncedTimeAttr, text, sizeof text - 1);
    if (n <= 0)
        return 0;
    char* end = nullptr;
    const long long t = std::strtoll(text, &end, 10);
    return end == text + n ? int64_t(t) : 0;
}

// Reads the numbers of the ZFILE information text: size (decimal),
// modification time (octal), mode (octal), serial (octal), files remaining
// (decimal), bytes remaining (decimal). Stops at the first missing number.
struct FileInfo {
    bool sizeKnown = false;
    int64_t size = 0;
    int64_t mtime = 0;
    int64_t filesLeft = 0;
    int64_t bytesLeft = 0;
};

FileInfo ParseInfo(const uint8_t* p, const uint8_t* end)
{
    FileInfo info;
    auto number = [&](int base, int64_t* out) -> bool {
        while (p < end && (*p == ' ' || *p == '\t'))
            ++p;
        bool neg = false;
        if (p < end && (*p == '-' || *p == '+'))
            neg = *p++ == '-';
        const uint8_t* start = p;
        uint64_t v = 0;
        while (p < end && *p >= '0' && *p < '0' + base) {
            if (v < (uint64_t(1) << 60))
                v = v * uint64_t(base) + uint64_t(*p - '0');
            ++p;
        }
        if (p == start)
            return false;
        *out = neg ? -int64_t(v) : int64_t(v);
        return true;
    };
    int64_t ignored;
    if (!number(10, &info.size))
        return info;
    info.sizeKnown = info.size >= 0;
    if (!number(8, &info.mtime) || !number(8, &ignored) || !number(8, &ignored) ||
        !number(10, &info.filesLeft))
        return info;
    number(10, &info.bytesLeft);
    return info;
}

bool IsReceiveEnd(int c) { return c >= GOTCRCE && c <= GOTCRCW; }

}  // namespace

const char* ZmEndText(ZmEnd e)
{
    switch (e) {
    case ZmEnd::Finished: return "finished";
    case ZmEnd::Cancelled: return "cancelled";
    case ZmEnd::PeerCancelled: return "cancelled by the other side";
    case ZmEnd::Lost: return "connection lost";
    case ZmEnd::TooManyErrors: return "too many errors";
    case ZmEnd::WriteFailed: return "cannot write the file";
    case ZmEnd::ReadFailed: return "cannot read the file";
    case ZmEnd::Protocol: return "protocol error";
    }
    return "?";
}

const char* ZmFileStatusText(ZmFileStatus s)
{
    switch (s) {
    case ZmFileStatus::Complete: return "complete";
    case ZmFileStatus::Present: return "already present";
    case ZmFileStatus::Refused: return "refused (unsafe name)";
    case ZmFileStatus::NotOpened: return "cannot open";
    case ZmFileStatus::Skipped: return "skipped";
    case ZmFileStatus::Partial: return "incomplete";
    }
    return "?";
}

std::string ConfineName(std::string_view announced)
{
    const size_t cut = announced.find_last_of("/\\");
    std::string_view name = cut == std::string_view::npos ? announced : announced.substr(cut + 1);
    if (name.empty() || name == "." || name == "..")
        return {};
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F)
            return {};
    return std::string(name);
}

namespace {
bool IsDirectory(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

std::string DownloadDir(SettingsStore& s, const std::string& programDir)
{
    // Only absolute folders count: a relative one would be taken from
    // wherever the program happened to be started.
    const bool haveProgramDir = !programDir.empty() && programDir[0] == '/';
    const std::string fallback = haveProgramDir ? settings::DownloadDirDefault(programDir) : std::string();
    std::string dir = s.ReadString(settings::kZModem, settings::kDownPath, fallback);
    if (!dir.empty() && dir[0] == '/' && IsDirectory(dir))
        return dir;
    if (!haveProgramDir)
        return {};
    // The start-up made Down/ in the installation folder; should it have
    // gone meanwhile, it is made again.
    if (!IsDirectory(fallback))
        ::mkdir(fallback.c_str(), 0755);
    return IsDirectory(fallback) ? fallback : std::string();
}

int AppendOption(SettingsStore& s)
{
    const int option = settings::ReadIntDefault(s, settings::kZModem, settings::kAppendOption);
    return option < 0 || option > 3 ? 0 : option;
}

ZmReceiver::ZmReceiver(ZmIo& io, ZmProgress* progress, const ZmReceiveOptions& options)
    : wire_(io), progress_(progress ? *progress : ownProgress_), options_(options)
{
}

ZmReceiver::~ZmReceiver()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void ZmReceiver::SendHeader(int type, uint32_t pos)
{
    wire_.SendHexHeader(type, pos);
}

void ZmReceiver::SendZrinit()
{
    uint8_t h[4] = {0, 0, CANVHDR, CANFC32 | CANRLE | CANOVIO | CANFDX};
    if (wire_.escapeControls)
        h[ZF0] |= ESCCTL;
    wire_.SendHexHeader(ZRINIT, h, 4);
}

void ZmReceiver::AskPosition(bool attention)
{
    if (attention)
        wire_.SendAttention();
    SendHeader(ZRPOS, uint32_t(offset_));
    resync_ = true;
    resyncMark_ = wire_.Consumed();
}

ZmReceiver::Step ZmReceiver::EndWith(ZmEnd e)
{
    result_.end = e;
    return Step::End;
}

ZmReceiver::Step ZmReceiver::Cancel()
{
    wire_.CancelExchange();
    return EndWith(ZmEnd::Cancelled);
}

ZmResult ZmReceiver::Receive(const std::string& dir, bool overTelnet)
{
    wire_.Reset();
    wire_.escapeControls = overTelnet;
    progress_.Clear();
    progress_.direction = 0;
    result_ = ZmResult{};
    dir_ = dir;
    errors_ = 0;
    firstFile_ = true;
    announcedFiles_ = 0;
    if (fileBuf_.empty())
        fileBuf_.resize(kFileBufferSize * 2);

    SendZrinit();
    Step step = wire_.Flush() ? Step::Next : EndWith(ZmEnd::Lost);
    uint8_t hdr[kHeaderMax];
    while (step == Step::Next) {
        const int type = wire_.GetHeader(hdr);
        // Errors are counted in a row: any good header other than ZNAK breaks the row.
        if (type >= 0 && type != ZNAK)
            errors_ = 0;
        if (type >= 0)
            resync_ = false;
        switch (type) {
        case ZRQINIT:
            if (hdr[ZP0] & 0x80)
                wire_.varHeaders = true;
            SendZrinit();
            break;
        case ZSINIT: {
            wire_.escapeControls = (hdr[ZF0] & TESCCTL) != 0;
            int n = 0;
            const int c = wire_.ReadData(wire_.attn, kAttnSize, &n);
            wire_.attn[std::min(n, kAttnSize)] = 0;
            if (c == GOTCRCW) {
                SendHeader(ZACK, 1);
            } else if (c == RCDO) {
                step = EndWith(ZmEnd::Lost);
                continue;
            } else if (c == USERCANCEL) {
                step = Cancel();
                continue;
            } else {
                wire_.attn[0] = 0;
                std::this_thread::sleep_for(std::chrono::milliseconds(wire_.pauseMs));
                wire_.PurgeInput();
                SendHeader(ZNAK, 0);
            }
            break;
        }
        case ZFILE:
            step = OnFile(hdr);
            continue;
        case ZSKIP:
            // The sender gave up on the file it was sending.
            CloseFile(ZmFileStatus::Skipped);
            continue;
        case ZNAK:
            wire_.ResendLastHeader();
            if (++errors_ >= kMaxErrors)
                step = EndWith(ZmEnd::TooManyErrors);
            break;
        case ZDATA:
            step = OnData(hdr);
            continue;
        case ZEOF:
            step = OnEof(hdr);
            break;
        case ZFIN:
            Finish();
            step = EndWith(ZmEnd::Finished);
            continue;
        case ZFREECNT:
            SendHeader(ZACK, 0xFFFFFFFFu);
            break;
        case ZACK:
        case ZRPOS:
        case ZCRC:
        case ZCHALLENGE:
        case ZCOMPL:
        case ZCOMMAND:  // never executed
        case ZSTDERR:
            continue;
        case ERROR:
        case GCOUNT:
            if (resync_) {
                // After our ZRPOS the rest of what the sender had on the way
                // arrives as noise and is no error. Should a whole MiB pass
                // without a header, the ZRPOS was probably lost: ask again.
                if (wire_.Consumed() - resyncMark_ < (uint64_t(1) << 20))
                    continue;
                AskPosition();
                if (!wire_.Flush()) {
                    step = EndWith(ZmEnd::Lost);
                    continue;
                }
            }
            if (++errors_ >= kMaxErrors)
                step = EndWith(ZmEnd::TooManyErrors);
            continue;
        case USERCANCEL:
            step = Cancel();
            continue;
        case RCDO:
            step = EndWith(ZmEnd::Lost);
            continue;
        case ZCAN:
        case ZABORT:
        case ZFERR:
            step = EndWith(ZmEnd::PeerCancelled);
            continue;
        default:
            step = EndWith(ZmEnd::Protocol);
            continue;
        }
        if (step == Step::Next && !wire_.Flush())
            step = EndWith(ZmEnd::Lost);
    }
    CloseFile(ZmFileStatus::Partial);
    if (options_.flags)
        options_.flags->OpenAfterReceive = false;
    return result_;
}

ZmReceiver::Step ZmReceiver::OnFile(const uint8_t* hdr)
{
    if (hdr[ZF3] & 1)
        wire_.varHeaders = true;

    uint8_t block[kFileBlock + 1];
    int n = 0;
    const int c = wire_.ReadData(block, kFileBlock, &n);
    if (c == RCDO)
        return EndWith(ZmEnd::Lost);
    if (c == USERCANCEL)
        return Cancel();
    if (c != GOTCRCW) {
        SendHeader(ZNAK, 0);
        return wire_.Flush() ? Step::Next : EndWith(ZmEnd::Lost);
    }
    const uint8_t* end = block + n;
    const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(block, 0, size_t(n)));
    const uint8_t* nameEnd = zero ? zero : end;
    const std::string announced(reinterpret_cast<const char*>(block), size_t(nameEnd - block));

    if (cur_ >= 0 && result_.files[size_t(cur_)].name == announced) {
        // The same file offered again (the sender answered two of our
        // ZRINITs, or missed our ZRPOS): go on from where we are.
        AskPosition(false);
        return wire_.Flush() ? Step::Next : EndWith(ZmEnd::Lost);
    }
    // A new ZFILE while a file is open: the sender moved on without ZEOF.
    CloseFile(ZmFileStatus::Partial);
    conversion_ = hdr[ZF0];
    const FileInfo info = zero ? ParseInfo(zero + 1, end) : FileInfo{};

    ZmFileReport report;
    report.name = announced;
    report.size = info.sizeKnown ? info.size : -1;
    const std::string name = ConfineName(announced);
    if (!name.empty())
        report.path = dir_ + "/" + name;

    const int option = options_.settings ? AppendOption(*options_.settings) : 0;

    // Decide: skip (as already present, or because it cannot be written),
    // resume at a 1024 boundary, or receive anew.
    enum { Skip, Resume, Anew } action = Anew;
    int64_t start = 0;
    if (name.empty()) {
        report.status = ZmFileStatus::Refused;
        action = Skip;
    } else {
        // lstat: a symbolic link of that name is not the file it points to.
        // It is neither written through, resumed into nor opened afterwards:
        // the file is skipped as one that cannot be opened.
        struct stat st;
        const bool exists = ::lstat(report.path.c_str(), &st) == 0;
        if (exists && S_ISLNK(st.st_mode)) {
            report.status = ZmFileStatus::NotOpened;
            action = Skip;
        } else if (exists && option != 3) {
            const bool timeMatches =
                info.mtime != 0 && (int64_t(st.st_mtime) == info.mtime ||
                                    (st.st_size < info.size &&
                                     KeptAnnouncedTime(report.path) == info.mtime));
            if (option == 2) {
                report.status = ZmFileStatus::Present;
                action = Skip;
            } else if (info.sizeKnown && S_ISREG(st.st_mode) && st.st_size <= info.size &&
                       (option == 0 || (option == 1 && timeMatches))) {
                if (st.st_size == info.size) {
                    report.status = ZmFileStatus::Present;
                    action = Skip;
                } else {
                    action = Resume;
                    start = int64_t(st.st_size) / kFileBlock * kFileBlock;
                }
            }
        }
        if (action != Skip && !OpenFile(report.path, action == Resume, start)) {
            report.status = ZmFileStatus::NotOpened;
            action = Skip;
        }
    }

    if (firstFile_) {
        firstFile_ = false;
        announcedFiles_ = int(info.filesLeft);
        progress_.fileCount = announcedFiles_;
        progress_.totalBytes = info.bytesLeft;
        progress_.SetPath(report.path);
        progress_.setUp = true;
    }

    report.bytes = start;
    result_.files.push_back(report);
    if (action == Skip) {
        SendHeader(ZSKIP, 0);
        if (report.status == ZmFileStatus::Present)
            OpenAfterReceive(report.path);
    } else {
        cur_ = int(result_.files.size()) - 1;
        offset_ = filePos_ = start;
        mtime_ = info.mtime;
        result_.files[size_t(cur_)].status = ZmFileStatus::Partial;
        AskPosition(false);
    }
    progress_.SetPath(report.path);
    progress_.fileNumber = announcedFiles_ - int(info.filesLeft) + 1;
    progress_.fileSize = info.sizeKnown ? info.size : 0;
    progress_.fileBytes = 0;
    progress_.subpackets = 0;
    progress_.offset = start;
    progress_.overallBytes += start;
    errors_ = 0;
    return wire_.Flush() ? Step::Next : EndWith(ZmEnd::Lost);
}

ZmReceiver::Step ZmReceiver::OnData(const uint8_t* hdr)
{
    if (wire_.Io().CancelRequested())
        return Cancel();
    if (cur_ < 0) {
        // Data for no file: a late restart of the file just ended (our
        // ZRINIT is on its way) or of one we skipped. Not ours to answer.
        return Step::Next;
    }
    if (GetPos(hdr) != uint32_t(offset_)) {
        // Not where we are: the attention string interrupts the sender, ZRPOS
        // tells it where to go on.
        AskPosition();
        wire_.PurgeInput();
        return wire_.Flush() ? Step::Next : EndWith(ZmEnd::Lost);
    }
    uint8_t block[kFileBlock + 1];
    for (;;) {
        if (wire_.Io().CancelRequested())
            return Cancel();
        int n = 0;
        const int c = wire_.ReadData(block, kFileBlock, &n);
        if (IsReceiveEnd(c)) {
            progress_.StartClock();
            if (!WriteBytes(block, n)) {
                wire_.CancelExchange();
                return EndWith(ZmEnd::WriteFailed);
            }
            offset_ += n;
            errors_ = 0;
            result_.files[size_t(cur_)].bytes = offset_;
            progress_.fileBytes += n;
            progress_.movedBytes += n;
            progress_.offset = offset_;
            progress_.overallBytes += n;
            if (++progress_.subpackets % 128 == 0 && !FlushFile()) {
                wire_.CancelExchange();
                return EndWith(ZmEnd::WriteFailed);
            }
            switch (c) {
            case GOTCRCW:
                wire_.Put(XON);
                SendHeader(ZACK, uint32_t(offset_));
                return wire_.Flush() ? Step::Next : EndWith(ZmEnd::Lost);
            case GOTCRCQ:
                SendHeader(ZACK, uint32_t(offset_));
                if (!wire_.Flush())
                    return EndWith(ZmEnd::Lost);
                continue;
            case GOTCRCG:
                continue;
            default:  // GOTCRCE
                return Step::Next;
            }
        }
        if (c == RCDO)
            return EndWith(ZmEnd::Lost);
        if (c == USERCANCEL)
            return Cancel();
        if (c == ZCAN)
            return EndWith(ZmEnd::PeerCancelled);
        // A damaged subpacket: ask for the data again from where we are.
        if (++errors_ >= kMaxErrors)
            return EndWith(ZmEnd::TooManyErrors);
        wire_.PurgeInput();
        AskPosition();
        return wire_.Flush() ? Step::Next : EndWith(ZmEnd::Lost);
    }
}

ZmReceiver::Step ZmReceiver::OnEof(const uint8_t* hdr)
{
    if (cur_ >= 0 && GetPos(hdr) != uint32_t(offset_)) {
        // The sender ended a file that did not arrive whole here: ask for the
        // rest instead of keeping a short file as complete.
        AskPosition();
        return Step::Next;
    }
    if (cur_ >= 0) {
        const size_t idx = size_t(cur_);
        CloseFile(ZmFileStatus::Complete);
        if (result_.files[idx].status != ZmFileStatus::Complete) {
            // The last bytes could not be written out.
            wire_.CancelExchange();
            return EndWith(ZmEnd::WriteFailed);
        }
        OpenAfterReceive(result_.files[idx].path);
    }
    SendZrinit();
    errors_ = 0;
    return Step::Next;
}

void ZmReceiver::Finish()
{
    for (int i = 0; i < 3; ++i) {
        wire_.PurgeInput();
        SendHeader(ZFIN, 0);
        if (!wire_.Flush())
            return;
        const int c = wire_.ReadLine();
        if (c < 0)
            return;
        if (c == 'O') {
            wire_.ReadLine();
            return;
        }
    }
}

void ZmReceiver::OpenAfterReceive(const std::string& path)
{
    if (!options_.flags || !options_.flags->OpenAfterReceive)
        return;
    if (options_.opener)
        options_.opener->OpenFile(path);
}

bool ZmReceiver::OpenFile(const std::string& path, bool resume, int64_t start)
{
    // O_NONBLOCK keeps a FIFO or device of that name from blocking the open;
    // only regular files are written. O_NOFOLLOW: a symbolic link already in
    // the download folder (planted, or left by someone) is not followed to
    // a file outside it; the file is skipped instead.
    int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW;
    if (!resume)
        flags |= O_CREAT | O_TRUNC;
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 ||
        (resume && ::lseek(fd, off_t(start), SEEK_SET) != off_t(start))) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    fileFill_ = 0;
    writeError_ = false;
    return true;
}

bool ZmReceiver::FlushFile()
{
    size_t done = 0;
    while (done < fileFill_ && !writeError_) {
        const ssize_t w = ::write(fd_, fileBuf_.data() + done, fileFill_ - done);
        if (w > 0)
            done += size_t(w);
        else if (w < 0 && errno == EINTR)
            continue;
        else
            writeError_ = true;
    }
    fileFill_ = 0;
    return !writeError_;
}

bool ZmReceiver::WriteBytes(const uint8_t* p, int n)
{
    if (writeError_)
        return false;
    // Room for the worst case of conversion 2: every byte an LF.
    if (fileFill_ + size_t(2 * n) > fileBuf_.size() && !FlushFile())
        return false;
    if (conversion_ == 2) {
        filePos_ += ExpandLf(p, n);
    } else {
        std::memcpy(fileBuf_.data() + fileFill_, p, size_t(n));
        fileFill_ += size_t(n);
        filePos_ += n;
    }
    return true;
}

// Conversion option 2: each LF is written as CR LF.
int64_t ZmReceiver::ExpandLf(const uint8_t* p, int n)
{
    uint8_t* out = fileBuf_.data() + fileFill_;
    uint8_t* const start = out;
    for (int i = 0; i < n; ++i) {
        if (p[i] == '\n')
            *out++ = '\r';
        *out++ = p[i];
    }
    fileFill_ += size_t(out - start);
    return out - start;
}

void ZmReceiver::CloseFile(ZmFileStatus status)
{
    if (fd_ < 0)
        return;
    bool ok = FlushFile();
    if (status == ZmFileStatus::Complete && ok)
        // A resumed file may have been longer than what the sender now has.
        ok = ::ftruncate(fd_, off_t(filePos_)) == 0;
    if (mtime_ > 0 && status == ZmFileStatus::Complete && ok) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(mtime_), 0}};
        ::futimens(fd_, times);
        ::fremovexattr(fd_, kAnnouncedTimeAttr);
    } else if (mtime_ > 0) {
        const std::string text = std::to_string(mtime_);
        ::fsetxattr(fd_, kAnnouncedTimeAttr, text.data(), text.size(), 0);
    }
    if (::close(fd_) != 0)
        ok = false;
    fd_ = -1;
    if (!ok) {
        writeError_ = true;
        status = ZmFileStatus::Partial;
    }
    if (cur_ >= 0) {
        result_.files[size_t(cur_)].status = status;
        result_.files[size_t(cur_)].bytes = offset_;
    }
    cur_ = -1;
}

}  // namespace velo::zm
