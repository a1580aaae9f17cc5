#include "support/CupsServer.h"

#include <cups/cups.h>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <thread>
#include <vector>

namespace velo::test {

namespace {

namespace fs = std::filesystem;

void WriteFile(const std::string& path, const std::string& text, fs::perms mode = fs::perms(0644))
{
    std::ofstream(path, std::ios::binary) << text;
    fs::permissions(path, mode);
}

}  // namespace

// As root the daemon's helpers run as "lp" (CUPS will not run them as root);
// otherwise everything runs as the test's user.
CupsServer::CupsServer()
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
    cupsSetServer(socket_.c_str());  // forgets a server (and connection) of an earlier suite
    ::unsetenv("PRINTER");
    ::unsetenv("LPDEST");
    if (!proc_->Started() || !WaitForPath(socket_, 10000)) {
        why_ = "cupsd did not start: " + ReadFileBytes(d + "/log/error_log");
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
    why_ = "cupsd did not answer: " + ReadFileBytes(d + "/log/error_log");
}

CupsServer::~CupsServer() = default;

std::string CupsServer::TakeOutput(const std::string& queue, int ms) const
{
    const std::string path = Output(queue);
    if (!WaitForPath(path, ms))
        return "(no output) " + ReadFileBytes(dir_.Path() + "/log/error_log");
    std::string data = ReadFileBytes(path);
    fs::remove(path);
    return data;
}

CupsServer* CupsSuite::server_ = nullptr;

void CupsSuite::SetUpTestSuite() { server_ = new CupsServer; }

void CupsSuite::TearDownTestSuite()
{
    delete server_;
    server_ = nullptr;
}

void CupsSuite::SetUp()
{
    if (!server_->Ready())
        GTEST_SKIP() << "no print system for this test: " << server_->Why();
}

int PdfPages(const std::string& pdf)
{
    static const std::regex page(R"(/Type\s*/Page[^s])");
    return int(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

}  // namespace velo::test
