#include "transfer/ZmSend.h"

#include <sys/stat.h>

#include <chrono>
#include <cinttypes>
#include <cstring>

#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"

namespace velo::zm {

std::string UploadDir(SettingsStore& s, const std::string& programDir)
{
    return s.ReadString(settings::kZModem, settings::kUpPath, settings::UploadDirDefault(programDir));
}

ZmSender::ZmSender(ZmIo& io, ZmProgress* progress)
    : wire_(io), progress_(progress ? *progress : ownProgress_)
{
}

ZmSender::~ZmSender() { CloseFile(); }

ZmSender::Step ZmSender::EndWith(ZmEnd e)
{
    result_.end = e;
    return Step::End;
}

ZmSender::Step ZmSender::Cancel()
{
    wire_.CancelExchange();
    return EndWith(ZmEnd::Cancelled);
}

// A read that gave no header: the user's cancel, or the end.
ZmSender::Step ZmSender::EndOnRead(int c)
{
    if (c == USERCANCEL)
        return Cancel();
    if (c == RCDO)
        return EndWith(ZmEnd::Lost);
    if (c == ZCAN || c == ZABORT || c == ZFERR)
        return EndWith(ZmEnd::PeerCancelled);
    return EndWith(ZmEnd::Protocol);
}

ZmResult ZmSender::Send(const std::vector<std::string>& paths, bool overTelnet)
{
    result_ = ZmResult{};
    list_.clear();
    total_ = finished_ = 0;
    for (size_t i = 0; i < paths.size() && i < size_t(kMaxSendFiles); ++i) {
        struct stat st;
        if (::stat(paths[i].c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            list_.push_back({paths[i], int64_t(st.st_size)});
            total_ += st.st_size;
        }
    }
    for (const Entry& e : list_) {
        ZmFileReport r;
        r.path = e.path;
        r.size = e.size;
        r.status = ZmFileStatus::Partial;
        result_.files.push_back(r);
    }
    index_ = -1;
    overTelnet_ = overTelnet;
    negotiated_ = askedVarHeaders_ = awaitingZrinit_ = false;
    blockLen_ = kFileBlock;

    progress_.Clear();
    progress_.direction = 1;
    progress_.fileCount = int(list_.size());
    progress_.totalBytes = total_;
    progress_.fileNumber = -1;
    progress_.setUp = true;

    wire_.Reset();
    wire_.PutRaw("rz\r", 3);
    wire_.SendHexHeader(ZRQINIT, 0u);
    Step step = wire_.Flush() ? Step::Next : EndWith(ZmEnd::Lost);

    int naks = 0;
    uint8_t hdr[kHeaderMax];
    while (step == Step::Next) {
        if (wire_.Io().CancelRequested()) {
            step = Cancel();
            break;
        }
        const int type = wire_.GetHeader(hdr);
        switch (type) {
        case ZRINIT:
            if (!negotiated_) {
                bool again = false;
                if (!Negotiate(hdr, &again, &step))
                    break;
                if (again)
                    break;
                negotiated_ = true;
            }
            step = NextFile();
            break;
        case ZRPOS:
            // The receiver wants more of the file whose ZEOF it just saw. A
            // ZRPOS at the end offset is a late answer to an earlier header.
            if (awaitingZrinit_ && file_ && GetPos(hdr) < uint32_t(offset_)) {
                awaitingZrinit_ = false;
                step = Data(GetPos(hdr));
            }
            break;
        case ZNAK:
            wire_.ResendLastHeader();
            if (++naks >= kMaxErrors)
                step = EndWith(ZmEnd::TooManyErrors);
            else if (!wire_.Flush())
                step = EndWith(ZmEnd::Lost);
            break;
        case ZABORT:
        case ZFERR:
        case ZCAN:
        case RCDO:
        case USERCANCEL:
            step = EndOnRead(type);
            break;
        default:
            break;
        }
    }
    CloseFile();
    return result_;
}

bool ZmSender::Negotiate(const uint8_t* hdr, bool* again, Step* step)
{
    // A receiver with more to say than four bytes hold: say that we read
    // variable-length headers, once.
    if (wire_.rxLen == 4 && (hdr[ZF1] & 0x18) && !askedVarHeaders_) {
        askedVarHeaders_ = true;
        uint8_t h[4] = {0x80, 0, 0, 0};
        wire_.SendHexHeader(ZRQINIT, h, 4);
        *again = true;
        if (!wire_.Flush()) {
            *step = EndWith(ZmEnd::Lost);
            return false;
        }
        return true;
    }
    wire_.varHeaders = (hdr[ZF1] & CANVHDR) != 0;
    wire_.escapeControls = (hdr[ZF0] & ESCCTL) != 0;
    wire_.sendCrc32 = (hdr[ZF0] & CANFC32) != 0;
    const int bufLen = hdr[ZP0] | hdr[ZP1] << 8;

    if (*step == Step::Next && overTelnet_) {
        bool acked = false;
        uint8_t reply[kHeaderMax];
        for (int attempt = 0; attempt < kMaxErrors && !acked; ++attempt) {
            if (wire_.Io().CancelRequested()) {
                *step = Cancel();
                return false;
            }
            uint8_t h[4] = {0, 0, 0, TESCCTL};
            wire_.SendHexHeader(ZSINIT, h, 4);
            const uint8_t attn[kAttnSize] = {};
            wire_.SendData(attn, sizeof attn, ZCRCW);
            if (!wire_.Flush()) {
                *step = EndWith(ZmEnd::Lost);
                return false;
            }
            const int t = wire_.GetHeader(reply);
            if (t == ZACK)
                acked = true;
            else if (t == ZCAN || t == RCDO || t == USERCANCEL) {
                *step = EndOnRead(t);
                return false;
            }
        }
        if (!acked) {
            *step = EndWith(ZmEnd::TooManyErrors);
            return false;
        }
        wire_.escapeControls = true;
    }
    blockLen_ = (bufLen >= 32 && bufLen <= kFileBlock) ? bufLen : kFileBlock;
    return true;
}

void ZmSender::CloseFile()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

std::string ZmSender::FileInfoText(const Entry& e, const struct stat& st) const
{
    // size, modification time (octal), mode (octal: regular file and the
    // file's own permission bits), serial 3, files left including this one,
    // bytes left.
    char text[160];
    std::snprintf(text, sizeof text, "%" PRId64 " %llo %o %o %d %" PRId64, e.size,
                  static_cast<unsigned long long>(st.st_mtime > 0 ? st.st_mtime : 0),
                  unsigned(0100000 | (st.st_mode & 0777)), 3u, int(list_.size()) - index_,
                  total_ - finished_);
    return text;
}

ZmSender::Step ZmSender::NextFile()
{
    if (awaitingZrinit_ && index_ >= 0) {
        result_.files[size_t(index_)].status = ZmFileStatus::Complete;
        result_.files[size_t(index_)].bytes = offset_;
    }
    awaitingZrinit_ = false;
    for (;;) {
        if (file_) {
            CloseFile();
        }
        if (index_ >= 0 && index_ < int(list_.size()))
            finished_ += list_[size_t(index_)].size;
        ++index_;
        progress_.finishedBytes = finished_;
        progress_.overallBytes = finished_;
        if (index_ >= int(list_.size())) {
            Finish();
            return EndWith(ZmEnd::Finished);
        }
        const Entry& e = list_[size_t(index_)];
        ZmFileReport& report = result_.files[size_t(index_)];
        struct stat st;
        file_ = std::fopen(e.path.c_str(), "rbe");
        if (!file_ || ::fstat(fileno(file_), &st) != 0) {
            report.status = ZmFileStatus::NotOpened;
            continue;
        }
        std::setvbuf(file_, nullptr, _IOFBF, 64 * 1024);
        std::string name = announcedName;
        if (name.empty()) {
            const size_t cut = e.path.find_last_of('/');
            name = cut == std::string::npos ? e.path : e.path.substr(cut + 1);
        }
        report.name = name;
        progress_.fileNumber = index_;
        progress_.fileSize = e.size;
        progress_.offset = 0;
        progress_.fileBytes = 0;
        progress_.SetPath(e.path);

        std::vector<uint8_t> block(name.begin(), name.end());
        block.push_back(0);
        const std::string info = FileInfoText(e, st);
        block.insert(block.end(), info.begin(), info.end());
        block.push_back(0);
        if (block.size() > size_t(kFileBlock))
            block.resize(kFileBlock);  // names longer than a subpacket are cut

        bool nextFile = false;
        uint8_t hdr[kHeaderMax];
        for (int attempt = 0; attempt < kMaxErrors; ++attempt) {
            if (wire_.Io().CancelRequested())
                return Cancel();
            const uint8_t h[4] = {0, 0, 1, 0};  // F3 F2 F1 F0: management 1
            wire_.SendBinHeader(ZFILE, h, 4);
            wire_.SendData(block.data(), block.size(), ZCRCW);
            if (!wire_.Flush())
                return EndWith(ZmEnd::Lost);
            const int t = wire_.GetHeader(hdr);
            if (t == ZSKIP) {
                report.status = ZmFileStatus::Skipped;
                nextFile = true;
                break;
            }
            if (t == ZRPOS) {
                progress_.StartClock();
                return Data(GetPos(hdr));
            }
            if (t == ZABORT || t == ZFERR || t == ZCAN || t == RCDO || t == USERCANCEL)
                return EndOnRead(t);
            // Any other header, or a damaged one: offer the file again.
        }
        if (!nextFile)
            return EndWith(ZmEnd::TooManyErrors);
    }
}

ZmSender::Step ZmSender::Data(uint32_t pos)
{
    std::vector<uint8_t> block(static_cast<size_t>(kFileBlock));
    const int64_t size = list_[size_t(index_)].size;
    ZmFileReport& report = result_.files[size_t(index_)];
    uint8_t hdr[kHeaderMax];
    for (;;) {
        // (Re)start at pos.
        if (!file_)
            return EndWith(ZmEnd::Protocol);
        if (::fseeko(file_, off_t(pos), SEEK_SET) != 0)
            pos = 0, std::fseek(file_, 0, SEEK_SET);
        offset_ = pos;
        progress_.offset = offset_;
        progress_.overallBytes = finished_ + offset_;
        wire_.SendBinHeader(ZDATA, pos);
        if (!wire_.Flush())
            return EndWith(ZmEnd::Lost);
        syncPos_ = pos;
        syncSent_ = 0;
        syncTime_ = std::chrono::steady_clock::now();
        bool restart = false;
        while (!restart) {
            if (!wire_.Io().Connected())
                return EndWith(ZmEnd::Lost);
            if (wire_.Io().CancelRequested())
                return Cancel();
            if (wire_.Unread() + wire_.Io().Available() > 4) {
                // The receiver is talking: most likely a ZRPOS after an error.
                const int t = wire_.GetHeader(hdr);
                wire_.PurgeInput();
                if (t == ZCAN || t == ZABORT || t == ZFERR || t == RCDO || t == USERCANCEL)
                    return EndOnRead(t);
                if (t == ZSKIP) {
                    report.status = ZmFileStatus::Skipped;
                    return NextFile();
                }
                if (t == ZRPOS && IsStaleZrpos(GetPos(hdr)))
                    continue;
                pos = t >= 0 ? GetPos(hdr) : uint32_t(offset_);
                restart = true;
                continue;
            }
            const size_t n = std::fread(block.data(), 1, size_t(blockLen_), file_);
            if (n < size_t(blockLen_) && std::ferror(file_)) {
                wire_.CancelExchange();
                return EndWith(ZmEnd::ReadFailed);
            }
            offset_ += int64_t(n);
            syncSent_ += int64_t(n);
            report.bytes = offset_;
            progress_.offset = offset_;
            progress_.fileBytes += int64_t(n);
            progress_.movedBytes += int64_t(n);
            progress_.overallBytes = finished_ + offset_;
            // A short read is the end of the file, even when it shrank since it was listed.
            if (offset_ < size && n == size_t(blockLen_)) {
                wire_.SendData(block.data(), n, ZCRCG);
                if (!wire_.Flush())
                    return EndWith(ZmEnd::Lost);
                continue;
            }
            wire_.SendData(block.data(), n, ZCRCW);
            if (!wire_.Flush())
                return EndWith(ZmEnd::Lost);
            int t = wire_.GetHeader(hdr);
            while (t == ZRPOS && IsStaleZrpos(GetPos(hdr)))
                t = wire_.GetHeader(hdr);
            if (t == ZACK) {
                wire_.SendBinHeader(ZEOF, uint32_t(offset_));
                if (!wire_.Flush())
                    return EndWith(ZmEnd::Lost);
                awaitingZrinit_ = true;
                return Step::Next;
            }
            if (t == ZRPOS) {
                pos = GetPos(hdr);
                restart = true;
            } else if (t == ERROR || t == GCOUNT) {
                // A damaged answer: start again where we are; the receiver
                // answers a position it does not hold with ZRPOS.
                pos = uint32_t(offset_);
                restart = true;
            } else {
                return EndOnRead(t);
            }
        }
    }
}

// A receiver that finds an error asks for the data again with ZRPOS, and
// while it skips what was already on the way it may ask again (rz does, at
// each garbage limit). Those late copies would restart us once more and damage
// the fresh stream; a ZRPOS of the position we just restarted at is taken as
// such a copy until 1 MiB has been sent since, or one second has passed.
bool ZmSender::IsStaleZrpos(uint32_t pos) const
{
    return pos == syncPos_ && syncSent_ < (int64_t(1) << 20) &&
           std::chrono::steady_clock::now() - syncTime_ < std::chrono::seconds(1);
}

void ZmSender::Finish()
{
    wire_.SendHexHeader(ZFIN, 0u);
    if (!wire_.Flush())
        return;
    uint8_t hdr[kHeaderMax];
    if (wire_.GetHeader(hdr) == ZFIN) {
        wire_.PutRaw("OO", 2);
        wire_.Flush();
    }
}

}  // namespace velo::zm
