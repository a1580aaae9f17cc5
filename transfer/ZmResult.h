// How a transfer ended and what became of each file, for the frame, the
// command-line tool and the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velo::zm {

enum class ZmEnd {
    Finished,       // the session ended with ZFIN
    Cancelled,      // the user cancelled; the cancel exchange ran
    PeerCancelled,  // the peer sent ZCAN, ZABORT, ZFERR or cancelled a subpacket
    Lost,           // the connection went away (or a write to it failed)
    TooManyErrors,  // 15 errors in a row
    WriteFailed,    // a received file could not be written (the receive cancels)
    ReadFailed,     // a file being sent could not be read (the send cancels)
    Protocol,       // the peer broke the protocol (data without a file, ...)
};

enum class ZmFileStatus {
    Complete,  // received / sent whole
    Present,   // receive: already there (same size, or the skip policy); not written
    Refused,   // receive: the name was unsafe
    NotOpened, // receive: could not be created or opened; send: vanished or unreadable
    Skipped,   // the peer skipped it (send), or the sender skipped it mid-file (receive)
    Partial,   // the transfer ended before the file was complete; what arrived is kept
};

struct ZmFileReport {
    std::string name;  // as announced (receive) or as sent (send)
    std::string path;  // local path ("" when refused)
    ZmFileStatus status = ZmFileStatus::Partial;
    int64_t size = -1;  // announced size (-1 unknown)
    int64_t bytes = 0;  // final offset reached
};

struct ZmResult {
    ZmEnd end = ZmEnd::Lost;
    std::vector<ZmFileReport> files;
    // Every file named in the session arrived (or was already there) whole.
    bool AllComplete() const
    {
        if (end != ZmEnd::Finished)
            return false;
        for (const auto& f : files)
            if (f.status != ZmFileStatus::Complete && f.status != ZmFileStatus::Present)
                return false;
        return true;
    }
};

const char* ZmEndText(ZmEnd e);
const char* ZmFileStatusText(ZmFileStatus s);

}  // namespace velo::zm
