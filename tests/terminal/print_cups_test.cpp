// The printer against a real print system: a private CUPS daemon that the
// test starts in a temporary folder, reached through a unix socket there
// (CUPS_SERVER), with a queue whose output lands in a file. Raw jobs must
// arrive byte for byte, text jobs as a PDF with the right number of pages,
// and printer-controller mode must print at its end through the same path.
#include <gtest/gtest.h>
#include <pwd.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cups/cups.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "support/PeerProcess.h"
#include "support/TestKit.h"
#include "terminal/Printing.h"
#include "terminal/Terminal.h"
#include "terminal/ui/QtPrintDevice.h"
#include "tests/shell/QtTestApp.h"

namespace velo::test {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& text, fs::perms mode = fs::perms(0644))
{
    std::ofstream(path, std::ios::binary) << text;
    fs::permissions(path, mode);
}

// A CUPS daemon of the test's own, on a unix socket in a temporary folder.
// Queue "velo-test" (the default) writes each job to out-velo-test; queue
// "velo-off" refuses jobs. As root the daemon's helpers run as "lp" (CUPS
// will not run them as root); otherwise everything runs as the test's user.
class CupsServer {
public:
    CupsServer()
    {
        const char* cupsd = nullptr;
        for (const char* p : {"/usr/sbin/cupsd", "/usr/local/sbin/cupsd"})
            if (::access(p, X_OK) == 0)
                cupsd = p;
        if (!cupsd) {
            why_ = "cupsd is not installed (Debian package cups-daemon)";
            return;
        }
        const std::string d = dir_.Path();
        for (const char* sub : {"root", "cache", "spool", "state", "log", "bin", "bin/backend"})
            fs::create_directories(d + "/" + sub);
        fs::permissions(d, fs::perms(0755));
        // The helpers of the system's CUPS, and a backend of the test's own
        // that copies each job to the file its device URI names (whole
        // files only: written aside, then renamed).
        for (const char* sub : {"daemon", "notifier", "filter", "monitor", "cgi-bin"})
            if (fs::exists(std::string("/usr/lib/cups/") + sub))
                fs::create_directory_symlink(std::string("/usr/lib/cups/") + sub, d + "/bin/" + sub);
        WriteFile(d + "/bin/backend/velofile",
                  "#!/bin/sh\n"
                  "[ $# -eq 0 ] && { echo 'direct velofile \"Unknown\" \"Test file\"'; exit 0; }\n"
                  "out=${DEVICE_URI#velofile:}\n"
                  "if [ -n \"$6\" ]; then cat \"$6\" > \"$out.part\"; else cat > \"$out.part\"; fi\n"
                  "mv \"$out.part\" \"$out\"\n",
                  fs::perms(0700));
        std::string user, groupName;
        if (::geteuid() == 0) {
            const passwd* pw = ::getpwnam("lp");
            if (!pw)
                pw = ::getpwnam("nobody");
            if (!pw) {
                why_ = "running as root, and neither user lp nor nobody exists for cupsd's helpers";
                return;
            }
            user = pw->pw_name;
            const struct group* gr = ::getgrgid(pw->pw_gid);
            groupName = gr ? gr->gr_name : user;
        } else {
            const passwd* pw = ::getpwuid(::geteuid());
            const struct group* gr = ::getgrgid(::getegid());
            if (!pw || !gr) {
                why_ = "the test's user has no name for cupsd";
                return;
            }
            user = pw->pw_name;
            groupName = gr->gr_name;
        }
        socket_ = d + "/cups.sock";
        WriteFile(d + "/root/cupsd.conf",
                  "Listen " + socket_ + "\n"
                  "LogLevel info\nWebInterface No\nBrowsing No\nDefaultAuthType None\n"
                  "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                  "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");
        WriteFile(d + "/root/cups-files.conf",
                  "ServerRoot " + d + "/root\nCacheDir " + d + "/cache\nStateDir " + d + "/state\n"
                  "RequestRoot " + d + "/spool\nTempDir " + d + "/spool\nServerBin " + d + "/bin\n"
                  "DataDir /usr/share/cups\nDocumentRoot /usr/share/cups/doc-root\n"
                  "ErrorLog " + d + "/log/error_log\nAccessLog " + d + "/log/access_log\n"
                  "PageLog " + d + "/log/page_log\n"
                  "User " + user + "\nGroup " + groupName + "\n"
                  // Administration is not used; CUPS wants a group other than Group.
                  "SystemGroup " + (groupName == "root" ? "sys" : "root") + "\n");
        WriteFile(d + "/root/printers.conf",
                  "<DefaultPrinter velo-test>\nInfo test\nDeviceURI velofile:" + Output("velo-test") +
                      "\nState Idle\nAccepting Yes\nShared No\n</DefaultPrinter>\n"
                      "<Printer velo-off>\nInfo refuses\nDeviceURI velofile:" + Output("velo-off") +
                      "\nState Idle\nAccepting No\nShared No\n</Printer>\n");
        proc_ = std::make_unique<PeerProcess>(std::vector<std::string>{
            cupsd, "-f", "-c", d + "/root/cupsd.conf", "-s", d + "/root/cups-files.conf"});
        ::setenv("CUPS_SERVER", socket_.c_str(), 1);
        ::unsetenv("PRINTER");
        ::unsetenv("LPDEST");
        if (!proc_->Started() || !WaitForPath(socket_, 10000)) {
            why_ = "cupsd did not start: " + ReadAll(d + "/log/error_log");
            return;
        }
        // Ready once it answers for the default queue.
        for (int i = 0; i < 500 && why_.empty(); ++i) {
            cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, "velo-test", nullptr);
            if (dest) {
                cupsFreeDests(1, dest);
                ready_ = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        why_ = "cupsd did not answer: " + ReadAll(d + "/log/error_log");
    }

    bool Ready() const { return ready_; }
    const std::string& Why() const { return why_; }
    std::string Output(const std::string& queue) const { return dir_.Path() + "/out-" + queue; }
    // The next job's output of the queue (the file is taken away).
    std::string TakeOutput(const std::string& queue, int ms = 10000) const
    {
        const std::string path = Output(queue);
        if (!WaitForPath(path, ms))
            return "(no output) " + ReadAll(dir_.Path() + "/log/error_log");
        std::string data = ReadAll(path);
        fs::remove(path);
        return data;
    }

private:
    TempDir dir_{"cups"};
    std::string socket_, why_;
    std::unique_ptr<PeerProcess> proc_;
    bool ready_ = false;
};

int PdfPages(const std::string& pdf)
{
    static const std::regex page(R"(/Type\s*/Page[^s])");
    return int(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

struct RecordingUi : PrintUi {
    std::vector<PrintMessage> shown;
    void Message(const PrintMessage& m) override { shown.push_back(m); }
    bool AskRetry(const PrintMessage&) override { return false; }
};

class CupsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new CupsServer; }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        App();
        if (!server->Ready())
            GTEST_SKIP() << "no print system for this test: " << server->Why();
    }

    static CupsServer* server;
    QtPrintDevice dev{{[] { return LogFontFields{}; }, [] { return 80; }, [] { return hangul::DisplayCode::Ks; }}};
    std::vector<PrintMessage> msgs;
};
CupsServer* CupsTest::server = nullptr;

TEST_F(CupsTest, ARawJobArrivesByteForByte)
{
    std::string data;
    for (int i = 0; i < 3000; ++i)
        data += char(i % 256);
    EXPECT_EQ(dev.QueueName(), "velo-test");
    ASSERT_TRUE(PrintBytes(dev, PrintKind::Raw, kRowsDocName, data, {}, &msgs));
    EXPECT_EQ(server->TakeOutput("velo-test"), data);
    EXPECT_TRUE(msgs.empty());
}

TEST_F(CupsTest, ATextJobHasAPageForEachLinesPerPage)
{
    struct Case {
        int lines, perPage, pages;
    } cases[] = {{150, 66, 3}, {132, 66, 2}, {10, 20, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        std::string text;
        for (int i = 0; i < c.lines; ++i)
            text += "line " + std::to_string(i) + " \xC7\xD1\xB1\xDB\r\n";
        ASSERT_TRUE(PrintBytes(dev, PrintKind::Text, kFileDocName, text, {c.perPage, true}, &msgs));
        const std::string pdf = server->TakeOutput("velo-test");
        EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
        EXPECT_EQ(PdfPages(pdf), c.pages);
    }
}

TEST_F(CupsTest, PrinterControllerModePrintsAtItsEndAndKeepsTheFileWhenRefused)
{
    TempDir dir{"pcm"};
    TestOutlets outlets;
    TestLoop loop;
    RecordingUi ui;
    outlets.settings.WriteInt("Print", "PrintOption", 1);
    PrintController ctl(outlets.settings, dir.Path(), dev, ui, loop);
    Terminal term(outlets.out);
    term.SetPrinterSink(&ctl);
    auto feed = [&](const std::string& s) { term.Feed(reinterpret_cast<const uint8_t*>(s.data()), int(s.size())); };

    feed("\x1b[5iprinted\nline\x1b[4i");
    EXPECT_EQ(server->TakeOutput("velo-test"), "printed\r\nline");

    dev.UseQueue("velo-off");
    feed("\x1b[5ikept\n\x1b[4i");
    loop.RunFor(20);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, kPrintFailedText);
    EXPECT_EQ(ReadAll(ctl.Kept()), "kept\r\n");

    dev.UseQueue("no-such-queue");
    EXPECT_FALSE(dev.Available());
    EXPECT_FALSE(PrintBytes(dev, PrintKind::Text, kFileDocName, "x", {}, &msgs));
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].text, kNoPrinterText);
    term.SetPrinterSink(nullptr);
}

}  // namespace
}  // namespace velo::test
