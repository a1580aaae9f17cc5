// The image-index receiver: what the terminal runs over its bytes while its
// data mode is ImageIndex (entered on ESC "%" "B"). The host sends a picture
// file (JPEG or GIF) in packets; each lands in the "Images" folder under a
// running number. Window-free: the settings, the folder, the way replies
// reach the host and the events the window side shows are handed in.
//
// Wire, byte by byte (state carries over between runs):
//   kind    "4" JPEG, "5" GIF, anything else: no file. Then between packets.
//   between SOH starts a packet; ESC "&" "4" is answered ESC "&" "3";
//           ESC "%" "B" announces another picture (back to kind);
//           ESC "%" "C" ends the mode (answered ESC "&" "3"); other bytes
//           are skipped.
//   packet  bytes up to CR; "#" escapes the next byte: "##" is "#", "#" x is
//           x XOR 0x40 (so "#A" is SOH, "#M" CR). At most kPacketMax bytes
//           are kept. The first byte is the type: each packet but "Z" is
//           answered SOH type CR (SOH "Z" CR once the user has cancelled);
//           "D" carries data from its third byte on; "Z" ends the picture
//           and the mode.
//
// Files. The running number n is "초기 환경"/"ImageIndex" (n + 1 is stored
// back); the file is "%08d.jpg" or "%08d.gif" in the folder. A number whose
// file (or partial file) already exists is passed over, so no earlier
// picture is overwritten. The bytes go to "NAME.part", made anew (never
// through an existing name or link), and the file takes its name only when
// the "Z" packet completes it; a picture that is cancelled, cut off (ESC % C,
// a new picture, a reset) or fails to write stays ".part" and is never
// reported complete. Nothing is ever written outside the folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace velo {

class SettingsStore;

class ImageIndexReceiver {
public:
    static constexpr size_t kPacketMax = 1030;
    // A picture larger than this is cut off (the host may send without end).
    static constexpr uint64_t kMaxFileBytes = uint64_t(64) << 20;
    // Existing names passed over before giving up on a file.
    static constexpr int kNameTries = 1000;

    // What the window side shows. Called inside Run.
    class Events {
    public:
        virtual ~Events() = default;
        // A picture's file was made (name without folder), or none could be.
        virtual void FileStarted(const std::string& name) {}
        // The mode ended ("Z" packet, ESC % C, Reset). path: the complete
        // picture to show, empty when there is none.
        virtual void Ended(const std::string& path) {}
    };

    struct Outlets {
        SettingsStore& settings;
        std::string folder;  // the "Images" folder (made when missing)
        // Sends a reply to the host (queued behind the current feed).
        std::function<void(const uint8_t* bytes, size_t count)> reply;
        Events* events = nullptr;
    };

    struct Result {
        size_t consumed = 0;
        bool ended = false;  // the mode ended with the last consumed byte
    };

    explicit ImageIndexReceiver(Outlets out);
    ~ImageIndexReceiver();
    ImageIndexReceiver(const ImageIndexReceiver&) = delete;
    ImageIndexReceiver& operator=(const ImageIndexReceiver&) = delete;

    // ESC % B: byte counter 0, cancel flag off, state "kind".
    void Start();
    // Runs over received bytes; stops right after the byte that ends the
    // mode (the rest belongs to the text interpreter).
    Result Run(const uint8_t* bytes, size_t count);
    // Disconnect or terminal reset: a file still open stays partial; the
    // mode's end is reported when it was running.
    void Reset();
    // The user cancelled: every further packet is answered "Z" and nothing
    // more is written.
    void Cancel() { cancelled_ = true; }

    bool Running() const { return running_; }
    bool Cancelled() const { return cancelled_; }
    uint64_t BytesReceived() const { return received_; }
    // The current picture's name ("00000012.jpg"), empty when none.
    const std::string& FileName() const { return name_; }
    int State() const { return state_; }

private:
    enum : int { Kind = 0, Between = 1, AfterEsc = 2, AfterAmp = 3, AfterPercent = 4, Packet = 5 };

    void OpenFile(const char* extension);
    void CloseFile(bool complete);
    void EndPacket();
    void Write(const uint8_t* data, size_t n);
    void Reply(const uint8_t* bytes, size_t n);
    void Finish(bool complete);

    Outlets out_;
    int state_ = Kind;
    bool running_ = false;
    bool cancelled_ = false;
    bool escape_ = false;
    size_t length_ = 0;
    uint8_t packet_[kPacketMax];
    uint64_t received_ = 0;
    int fd_ = -1;
    bool failed_ = false;  // writing the open file failed or hit the size limit
    uint64_t written_ = 0;
    std::string name_;     // final name in the folder
    std::string shown_;    // the complete picture of the mode, for Ended
};

}  // namespace velo
