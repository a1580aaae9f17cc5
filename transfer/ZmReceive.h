// The ZModem receiver: downloads the files a host sends into a directory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/ZmProgress.h"
#include "transfer/ZmResult.h"
#include "transfer/ZmWire.h"

namespace velo {
class SettingsStore;
}

namespace velo::zm {

// The name a ZFILE header may create in the download directory, or "" when
// it is refused. Directory parts ('/' and '\') are dropped; ".", "..", an
// empty name and names holding control characters (0x00-0x1F, 0x7F) are
// refused. Other bytes, Hangul in the host's code included, are kept.
std::string ConfineName(std::string_view announced);

// The download directory: "ZModem"/"DownPath" (default programDir + "/Down")
// when it is an existing absolute folder; else Down/ of the installation
// folder programDir (made again when it has gone); "" when neither can be
// had (programDir empty or relative): the receive is then refused. Never the
// current directory.
std::string DownloadDir(SettingsStore& s, const std::string& programDir);

// "ZModem"/"AppendOption", a stored value outside 0..3 counting as 0.
int AppendOption(SettingsStore& s);

// Where a receive reads its choices: "ZModem"/"AppendOption" (0 when no
// store is given), the window's open-after-receive switch, and the opener of
// the desktop. Each may be null.
struct ZmReceiveOptions {
    SettingsStore* settings = nullptr;
    TransferOptionFlags* flags = nullptr;
    ZmFileOpener* opener = nullptr;
};

class ZmReceiver {
public:
    ZmReceiver(ZmIo& io, ZmProgress* progress = nullptr, const ZmReceiveOptions& options = {});
    ~ZmReceiver();

    // Runs the whole receive on the calling thread. overTelnet asks the host
    // to escape every control character.
    ZmResult Receive(const std::string& dir, bool overTelnet);
    // Bytes read past the end of the transfer, for the terminal.
    std::vector<uint8_t> TakeLeftover() { return wire_.TakeUnread(); }
    ZmWire& Wire() { return wire_; }

private:
    enum class Step { Next, End };
    void SendHeader(int type, uint32_t pos);
    void SendZrinit();
    // Attention string and ZRPOS with the current offset; the receiver then
    // skips what the sender had already sent until a good header comes.
    void AskPosition(bool attention = true);
    Step OnFile(const uint8_t* hdr);
    Step OnData(const uint8_t* hdr);
    Step OnEof(const uint8_t* hdr);
    void Finish();
    Step EndWith(ZmEnd e);
    Step Cancel();
    bool OpenFile(const std::string& path, bool resume, int64_t start);
    bool WriteBytes(const uint8_t* p, int n);
    bool FlushFile();
    void CloseFile(ZmFileStatus status);
    void OpenAfterReceive(const std::string& path);
    int64_t ExpandLf(const uint8_t* p, int n);

    ZmWire wire_;
    ZmProgress ownProgress_;
    ZmProgress& progress_;
    ZmReceiveOptions options_;
    ZmResult result_;
    std::string dir_;
    int errors_ = 0;
    bool resync_ = false;      // ZRPOS sent, no good header since
    uint64_t resyncMark_ = 0;  // input consumed when it was (last) sent
    bool firstFile_ = true;
    int announcedFiles_ = 0;

    // The current file.
    int fd_ = -1;
    int cur_ = -1;  // index of its report in result_.files
    int64_t offset_ = 0;   // protocol offset
    int64_t filePos_ = 0;  // bytes in the file (differs under conversion 2)
    int64_t mtime_ = 0;    // from the header; 0 unknown
    int conversion_ = 0;
    std::vector<uint8_t> fileBuf_;
    size_t fileFill_ = 0;
    bool writeError_ = false;
};

}  // namespace velo::zm
