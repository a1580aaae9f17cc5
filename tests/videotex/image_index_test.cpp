// The image-index receiver on the wire: packets, escapes, replies, running
// numbers and the files it leaves in the folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "support/TestKit.h"
#include "videotex/ImageIndexReceiver.h"

using namespace velo;
namespace fs = std::filesystem;

namespace {

// A packet as a host sends it: SOH, the bytes with '#' and the controls
// escaped, CR.
std::string Packet(char type, const std::string& body)
{
    std::string s = "\x01";
    s += type;
    for (unsigned char c : body) {
        if (c == '#')
            s += "##";
        else if (c < 0x20)
            s += '#', s += char(c ^ 0x40);
        else
            s += char(c);
    }
    return s + "\r";
}
std::string Data(const std::string& bytes) { return Packet('D', std::string(1, '0') + bytes); }

std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

struct Receiver : ImageIndexReceiver::Events {
    test::TempDir dir{"velo-images"};
    test::TestOutlets t;
    std::string folder = dir.Path() + "/Images";
    std::string replies;
    std::vector<std::string> started;
    std::vector<std::string> ended;
    ImageIndexReceiver rx{{t.settings, folder,
                           [this](const uint8_t* b, size_t n) { replies.append(reinterpret_cast<const char*>(b), n); },
                           this}};

    void FileStarted(const std::string& name) override { started.push_back(name); }
    void Ended(const std::string& path) override { ended.push_back(path); }

    // Runs the bytes in pieces of `piece` (0: whole); returns the bytes taken.
    size_t Run(const std::string& s, size_t piece = 0)
    {
        size_t at = 0;
        while (at < s.size()) {
            const size_t n = piece ? std::min(piece, s.size() - at) : s.size() - at;
            auto r = rx.Run(reinterpret_cast<const uint8_t*>(s.data()) + at, n);
            at += r.consumed;
            if (r.ended)
                break;
        }
        return at;
    }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        if (fs::exists(folder))
            for (auto& e : fs::directory_iterator(folder))
                names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

const std::string kPicture = std::string("\xFF\xD8\x01\x0D#\x1B\x7F" "abc\x00\x80\xFF\xD9", 14);

}  // namespace

TEST(ImageIndex, PacketEscapesAndTheDataTheyCarry)
{
    // Raw packet bytes after SOH (without CR) -> bytes appended to the file.
    struct Case {
        const char* name;
        std::string packet;
        std::string appended;
    } cases[] = {
        {"hash A is SOH", "D0#A", "\x01"},
        {"two hashes are one", "D0##", "#"},
        {"hash M is CR", "D0x#My", "x\ry"},
        {"hash flips bit 6 of a letter", "D0#a", "!"},
        {"a D packet of two bytes appends nothing", "D0", ""},
        {"a D packet of one byte appends nothing", "D", ""},
        {"an escaped sequence byte still counts as the second", "D#A#B", "\x02"},
        {"other types append nothing", "H0abc", ""},
    };
    for (const Case& c : cases) {
        Receiver r;
        r.rx.Start();
        std::string wire = "4\x01" + c.packet + "\r\x01Z\r";
        EXPECT_EQ(r.Run(wire), wire.size()) << c.name;
        ASSERT_EQ(r.ended.size(), 1u) << c.name;
        ASSERT_FALSE(r.ended[0].empty()) << c.name;
        EXPECT_EQ(ReadFile(r.ended[0]), c.appended) << c.name;
        EXPECT_EQ(r.rx.BytesReceived(), c.appended.size()) << c.name;
    }
}

TEST(ImageIndex, APictureLandsUnderItsRunningNumberWhateverTheCuts)
{
    const std::string wire = "4" + Data(kPicture.substr(0, 6)) + "junk" + Data(kPicture.substr(6)) +
                             "\x1b&4" + Packet('Z', "") + "rest";
    for (size_t piece : {size_t(0), size_t(1), size_t(2), size_t(5)}) {
        Receiver r;
        r.t.settings.WriteInt("초기 환경", "ImageIndex", 41);
        r.rx.Start();
        EXPECT_EQ(r.Run(wire, piece), wire.size() - 4) << "piece " << piece;
        EXPECT_FALSE(r.rx.Running());
        EXPECT_EQ(r.started, std::vector<std::string>{"00000041.jpg"});
        ASSERT_EQ(r.ended.size(), 1u);
        EXPECT_EQ(r.ended[0], r.folder + "/00000041.jpg");
        EXPECT_EQ(r.Files(), std::vector<std::string>{"00000041.jpg"});
        EXPECT_EQ(ReadFile(r.ended[0]), kPicture);
        EXPECT_EQ(r.t.settings.ReadInt("초기 환경", "ImageIndex", -1), 42);
        // Each packet but Z answered with its type; ESC & 4 with ESC & 3.
        EXPECT_EQ(r.replies, "\x01" "D\r\x01" "D\r\x1b&3");
    }
}

TEST(ImageIndex, KindsNumbersAndExistingFiles)
{
    struct Case {
        const char* name;
        int index;                        // stored before
        std::vector<std::string> before;  // files already in the folder
        char kind;
        std::string file;                 // the picture's name, "" none
        int after;                        // stored after
    } cases[] = {
        {"JPEG", 0, {}, '4', "00000000.jpg", 1},
        {"GIF", 7, {}, '5', "00000007.gif", 8},
        {"another kind opens no file and keeps the number", 7, {}, '9', "", 7},
        {"an existing picture is passed over", 3, {"00000003.jpg", "00000004.jpg.part"}, '4', "00000005.jpg", 6},
        {"a negative number starts again at 0", -5, {}, '4', "00000000.jpg", 1},
    };
    for (const Case& c : cases) {
        Receiver r;
        fs::create_directories(r.folder);
        for (const std::string& f : c.before)
            std::ofstream(r.folder + "/" + f) << "old";
        r.t.settings.WriteInt("초기 환경", "ImageIndex", c.index);
        r.rx.Start();
        r.Run(std::string(1, c.kind) + Data("new") + "\x01Z\r");
        ASSERT_EQ(r.ended.size(), 1u) << c.name;
        EXPECT_EQ(r.ended[0], c.file.empty() ? "" : r.folder + "/" + c.file) << c.name;
        if (!c.file.empty()) {
            EXPECT_EQ(ReadFile(r.folder + "/" + c.file), "new") << c.name;
        }
        for (const std::string& f : c.before)
            EXPECT_EQ(ReadFile(r.folder + "/" + f), "old") << c.name;
        EXPECT_EQ(r.t.settings.ReadInt("초기 환경", "ImageIndex", -1), c.after) << c.name;
        EXPECT_EQ(r.rx.BytesReceived(), 3u) << c.name;
    }
}

TEST(ImageIndex, APictureThatDoesNotCompleteIsNeverReportedComplete)
{
    struct Case {
        const char* name;
        std::string rest;  // after the kind byte and a first packet "ab"
        bool cancel;       // the user cancels after the first packet
        bool reset;        // the terminal resets at the end
        std::string replies;
        bool ended;        // the mode ended inside the bytes
    } cases[] = {
        {"cancelled: every later packet answered Z", Data("cd") + "\x01Z\r", true, false,
         "\x01" "D\r\x01Z\r", true},
        {"the host ends the mode without Z", "\x1b%C", false, false, "\x01" "D\r\x1b&3", true},
        {"the stream stops halfway, the terminal resets", "\x01" "D0cd", false, true, "\x01" "D\r", false},
    };
    for (const Case& c : cases) {
        Receiver r;
        r.rx.Start();
        r.Run("4" + Data("ab"));
        if (c.cancel)
            r.rx.Cancel();
        r.Run(c.rest);
        EXPECT_EQ(r.rx.Running(), !c.ended) << c.name;
        if (c.reset)
            r.rx.Reset();
        EXPECT_EQ(r.replies, c.replies) << c.name;
        EXPECT_EQ(r.ended, std::vector<std::string>{""}) << c.name;
        EXPECT_EQ(r.Files(), std::vector<std::string>{"00000000.jpg.part"}) << c.name;
        EXPECT_EQ(ReadFile(r.folder + "/00000000.jpg.part"), "ab") << c.name;
    }
}

TEST(ImageIndex, ALongPacketKeepsItsFirstBytesAndTheStreamGoesOn)
{
    Receiver r;
    r.rx.Start();
    const std::string big(5000, 'x');
    r.Run("4\x01" "D0" + big + "\r" + Data("yz") + "\x01Z\r");
    ASSERT_EQ(r.ended.size(), 1u);
    EXPECT_EQ(ReadFile(r.ended[0]), std::string(ImageIndexReceiver::kPacketMax - 2, 'x') + "yz");
}

TEST(ImageIndex, AnotherPictureAnnouncedMidwayLeavesThePartialOneAndStartsTheNext)
{
    Receiver r;
    r.rx.Start();
    const std::string wire = "4" + Data("one") + "\x1b%B5" + Data("two") + "\x01Z\rtext";
    EXPECT_EQ(r.Run(wire), wire.size() - 4);
    EXPECT_EQ(r.started, (std::vector<std::string>{"00000000.jpg", "00000001.gif"}));
    EXPECT_EQ(r.Files(), (std::vector<std::string>{"00000000.jpg.part", "00000001.gif"}));
    EXPECT_EQ(r.ended, std::vector<std::string>{r.folder + "/00000001.gif"});
}

TEST(ImageIndex, NothingIsWrittenOutsideTheFolder)
{
    // A link planted under the next partial name is not followed; a folder
    // that cannot take files still has every packet answered and counted.
    {
        Receiver r;
        fs::create_directories(r.folder);
        const std::string outside = r.dir.Path() + "/outside";
        std::ofstream(outside) << "keep";
        ASSERT_EQ(::symlink(outside.c_str(), (r.folder + "/00000000.jpg.part").c_str()), 0);
        r.rx.Start();
        r.Run("4" + Data("new") + "\x01Z\r");
        EXPECT_EQ(ReadFile(outside), "keep");
        EXPECT_EQ(r.ended, std::vector<std::string>{r.folder + "/00000001.jpg"});
    }
    if (::geteuid() != 0) {
        Receiver r;
        fs::create_directories(r.folder);
        ::chmod(r.folder.c_str(), 0555);
        r.rx.Start();
        r.Run("4" + Data("abc") + Data("de") + "\x01Z\r");
        ::chmod(r.folder.c_str(), 0755);
        EXPECT_EQ(r.started, std::vector<std::string>{""});
        EXPECT_EQ(r.replies, "\x01" "D\r\x01" "D\r");
        EXPECT_EQ(r.rx.BytesReceived(), 5u);
        EXPECT_EQ(r.ended, std::vector<std::string>{""});
        EXPECT_TRUE(r.Files().empty());
        EXPECT_FALSE(fs::exists(r.dir.Path() + "/00000000.jpg"));
    }
}
