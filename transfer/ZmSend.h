// The ZModem sender: uploads a list of up to 32 files.
#pragma once

#include <cstdint>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "transfer/ZmProgress.h"
#include "transfer/ZmResult.h"
#include "transfer/ZmWire.h"

namespace velo {
class SettingsStore;
}

namespace velo::zm {

// The upload directory the file picker opens in: "ZModem"/"UpPath"
// (default programDir + "/Up").
std::string UploadDir(SettingsStore& s, const std::string& programDir);

class ZmSender {
public:
    explicit ZmSender(ZmIo& io, ZmProgress* progress = nullptr);
    ~ZmSender();

    // When set, the file header carries this text as the name instead of the
    // file's own name (the mail/post automation uses it).
    std::string announcedName;

    // Runs the whole send on the calling thread. Only the first 32 paths are
    // taken; paths that name no existing file are left out. overTelnet runs
    // the ZSINIT exchange that makes both sides escape every control character.
    ZmResult Send(const std::vector<std::string>& paths, bool overTelnet);
    std::vector<uint8_t> TakeLeftover() { return wire_.TakeUnread(); }
    ZmWire& Wire() { return wire_; }
    int BlockLength() const { return blockLen_; }

private:
    enum class Step { Next, End };
    struct Entry {
        std::string path;
        int64_t size = 0;
    };
    Step EndWith(ZmEnd e);
    Step Cancel();
    Step EndOnRead(int c);
    // Returns false with the step to take when the header loop must end.
    bool Negotiate(const uint8_t* hdr, bool* again, Step* step);
    Step NextFile();
    Step Data(uint32_t pos);
    void Finish();
    void CloseFile();
    std::string FileInfoText(const Entry& e, const struct stat& st) const;
    bool IsStaleZrpos(uint32_t pos) const;

    ZmWire wire_;
    ZmProgress ownProgress_;
    ZmProgress& progress_;
    ZmResult result_;
    std::vector<Entry> list_;
    int index_ = -1;
    FILE* file_ = nullptr;
    int64_t offset_ = 0;
    int64_t finished_ = 0;
    int64_t total_ = 0;
    int blockLen_ = kFileBlock;
    bool overTelnet_ = false;
    bool negotiated_ = false;
    bool askedVarHeaders_ = false;
    bool awaitingZrinit_ = false;
    // The last (re)start of the data: position, bytes sent since, and when.
    uint32_t syncPos_ = 0;
    int64_t syncSent_ = 0;
    std::chrono::steady_clock::time_point syncTime_{};  // ZEOF sent, the receiver's ZRINIT confirms the file
};

}  // namespace velo::zm
