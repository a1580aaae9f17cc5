#include "terminal/Printing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>

#include "base/ExclusiveFile.h"
#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"
#include "base/UiLoop.h"

namespace velo {

namespace {

constexpr int kBlock = 1024;
constexpr size_t kMaxLine = 1024;

std::string Format(const char* pattern, const std::string& arg)
{
    std::string out = pattern;
    const size_t at = out.find("%s");
    if (at != std::string::npos)
        out.replace(at, 2, arg);
    return out;
}

// Fills buf with up to cap bytes; 0 at the end, -1 on a read error.
using ReadFn = std::function<long(uint8_t* buf, int cap)>;

bool PrintRaw(PrintDevice& dev, std::string_view docName, const ReadFn& read)
{
    if (!dev.BeginRaw(docName))
        return false;
    uint8_t buf[kBlock];
    for (;;) {
        const long n = read(buf, kBlock);
        if (n == 0)
            break;
        if (n < 0 || !dev.WriteRaw(buf, int(n))) {
            dev.AbortRaw();
            return false;
        }
    }
    return dev.EndRaw();
}

// Cuts bytes into printed lines (see PrintBytes) and hands each to `line`.
class LineCutter {
public:
    explicit LineCutter(std::function<bool(const std::string&)> line) : line_(std::move(line)) {}

    bool Take(const uint8_t* p, long n)
    {
        for (long i = 0; i < n; ++i) {
            const uint8_t b = p[i];
            if (second_) {
                text_ += char(b);
                second_ = false;
            } else if (b >= 0x80) {
                if (text_.size() + 1 >= kMaxLine && !Emit())
                    return false;
                text_ += char(b);
                second_ = true;
            } else if (b == '\r') {
                if (!Emit())
                    return false;
                afterCr_ = true;
                continue;
            } else if (b == '\n') {
                if (!afterCr_ && !Emit())
                    return false;
            } else {
                if (text_.size() >= kMaxLine && !Emit())
                    return false;
                text_ += char(b);
            }
            afterCr_ = false;
        }
        return true;
    }
    // The last line, when it has no line end.
    bool Finish() { return text_.empty() || Emit(); }

private:
    bool Emit()
    {
        const bool ok = line_(text_);
        text_.clear();
        return ok;
    }

    std::function<bool(const std::string&)> line_;
    std::string text_;
    bool second_ = false, afterCr_ = false;
};

bool PrintText(PrintDevice& dev, std::string_view docName, const ReadFn& read, const TextLayout& layout,
               std::vector<PrintMessage>* msgs)
{
    const int perPage = dev.BeginText(docName, layout);
    if (perPage <= 0)
        return false;
    auto pageFailed = [&] {
        msgs->push_back({kPageFailedText, kPageFailedCaption, {}});
        dev.AbortText();
        return false;
    };
    if (!dev.StartPage())
        return pageFailed();
    int line = 0;
    bool pageBroken = false;
    LineCutter cutter([&](const std::string& text) {
        if (line == perPage) {
            if (!dev.StartPage()) {
                pageBroken = true;
                return false;
            }
            line = 0;
        }
        dev.DrawLine(line++, text);
        return true;
    });
    uint8_t buf[kBlock];
    for (;;) {
        const long n = read(buf, kBlock);
        if (n < 0) {
            dev.AbortText();
            return false;
        }
        if (n == 0 ? !cutter.Finish() : !cutter.Take(buf, n))
            return pageBroken ? pageFailed() : (dev.AbortText(), false);
        if (n == 0)
            break;
    }
    return dev.EndText();
}

bool PrintFrom(PrintDevice& dev, PrintKind kind, std::string_view docName, const ReadFn& read,
               const TextLayout& layout, std::vector<PrintMessage>* msgs)
{
    return kind == PrintKind::Raw ? PrintRaw(dev, docName, read) : PrintText(dev, docName, read, layout, msgs);
}

bool NoPrinter(PrintDevice& dev, std::vector<PrintMessage>* msgs)
{
    if (dev.Available())
        return false;
    msgs->push_back({kNoPrinterText, kNoPrinterCaption, {}});
    return true;
}

// Moves the file to the first free NAME-n.EXT beside it; the new name, or
// empty when it stays where it is.
std::string SetAside(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    const std::string stem = hasExt ? path.substr(0, dot) : path;
    const std::string ext = hasExt ? path.substr(dot) : std::string();
    for (int n = 1; n < 10000; ++n) {
        const std::string to = stem + "-" + std::to_string(n) + ext;
        // link refuses an existing name, so nothing is overwritten.
        if (::link(path.c_str(), to.c_str()) == 0) {
            ::unlink(path.c_str());
            return to;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

}  // namespace

PrintOptions PrintOptions::Read(SettingsStore& s, const std::string& installDir)
{
    PrintOptions o;
    o.option = settings::ReadIntDefault(s, settings::kPrint, settings::kPrintOption);
    o.linesPerPage = settings::ReadIntDefault(s, settings::kPrint, settings::kLinePerPage);
    // 0 would leave no line on a page (and divide the page by nothing).
    if (o.linesPerPage < 1 || o.linesPerPage > 80)
        o.linesPerPage = 66;
    o.fitFont = settings::ReadIntDefault(s, settings::kPrint, settings::kFontResizeOption) != 0;
    o.file = s.ReadString(settings::kPrint, settings::kPrintToFileName, "");
    if (o.file.empty())
        o.file = settings::PrintFileDefault(installDir);
    return o;
}

std::string RowsText(const ScreenModel& screen, int firstRow, int lastRow)
{
    if (firstRow > lastRow)
        std::swap(firstRow, lastRow);
    firstRow = std::max(firstRow, 0);
    lastRow = std::min(lastRow, screen.LinesUsed() - 1);
    std::string out;
    for (int h = firstRow; h <= lastRow; ++h) {
        const uint8_t* text = screen.HistoryLine(h).text;
        int n = screen.Columns();
        while (n > 0 && text[n - 1] == ' ')
            --n;
        out.append(reinterpret_cast<const char*>(text), size_t(n));
        out += "\r\n";
    }
    return out;
}

bool PrintBytes(PrintDevice& dev, PrintKind kind, std::string_view docName, std::string_view data,
                const TextLayout& layout, std::vector<PrintMessage>* msgs)
{
    if (NoPrinter(dev, msgs))
        return false;
    size_t at = 0;
    ReadFn read = [&](uint8_t* buf, int cap) {
        const size_t n = std::min(size_t(cap), data.size() - at);
        std::copy_n(data.data() + at, n, buf);
        at += n;
        return long(n);
    };
    return PrintFrom(dev, kind, docName, read, layout, msgs);
}

bool PrintFile(PrintDevice& dev, PrintKind kind, std::string_view docName, const std::string& path,
               const TextLayout& layout, std::vector<PrintMessage>* msgs)
{
    if (NoPrinter(dev, msgs))
        return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        msgs->push_back({Format(kCannotOpenFileText, path), kProgramCaption, {}});
        return false;
    }
    ReadFn read = [fd](uint8_t* buf, int cap) {
        for (;;) {
            const ssize_t n = ::read(fd, buf, size_t(cap));
            if (n < 0 && errno == EINTR)
                continue;
            return long(n);
        }
    };
    const bool ok = PrintFrom(dev, kind, docName, read, layout, msgs);
    ::close(fd);
    return ok;
}

// ------------------------------------------------------ printer-controller mode

PrintController::PrintController(SettingsStore& settings, std::string installDir, PrintDevice& device,
                                 PrintUi& ui, UiLoop& loop)
    : settings_(settings), installDir_(std::move(installDir)), device_(device), ui_(ui), loop_(loop)
{
}

PrintController::~PrintController()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void PrintController::Start()
{
    if (on_)
        return;
    on_ = true;
    opened_ = false;
    ++run_;
    path_ = PrintOptions::Read(settings_, installDir_).file;
    fd_ = OpenExclusive(path_, false);
    if (fd_ >= 0) {
        opened_ = true;
        return;
    }
    // The question waits for the feed to return: a dialog's event loop
    // inside the feed would feed the terminal again from within itself.
    std::weak_ptr<int> alive = alive_;
    const unsigned run = run_;
    loop_.Post([this, alive, run] {
        if (!alive.expired())
            AskOpen(run);
    });
}

void PrintController::AskOpen(unsigned run)
{
    while (on_ && run == run_ && fd_ < 0) {
        if (!ui_.AskRetry({kPrintFileBusyText, kPrintFileBusyCaption, {}}))
            return;
        // The mode may have ended while the question was open.
        if (!on_ || run != run_)
            return;
        fd_ = OpenExclusive(path_, false);
        opened_ |= fd_ >= 0;
    }
}

bool PrintController::Write(const uint8_t* data, int count)
{
    if (fd_ < 0)
        return false;
    const off_t before = ::lseek(fd_, 0, SEEK_CUR);
    if (WriteAll(fd_, data, size_t(count)))
        return true;
    // Half a run would be lost from the screen and cut in the file: the file
    // keeps what it had, the run and everything after it are shown.
    if (before >= 0 && ::ftruncate(fd_, before) == 0)
        ::lseek(fd_, before, SEEK_SET);
    ::close(fd_);
    fd_ = -1;
    return false;
}

void PrintController::End()
{
    if (!on_)
        return;
    on_ = false;
    ++run_;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!opened_)
        return;
    const PrintOptions o = PrintOptions::Read(settings_, installDir_);
    if (o.option != 0 && o.option != 1)
        return;  // kept in the print file only
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0 && st.st_size == 0)
        return;  // nothing came: no sheet is spent on it
    std::vector<PrintMessage> msgs;
    const PrintKind kind = o.option == 1 ? PrintKind::Raw : PrintKind::Text;
    if (!PrintFile(device_, kind, kFileDocName, path_, {o.linesPerPage, o.fitFont}, &msgs)) {
        kept_ = SetAside(path_);
        const std::string& where = kept_.empty() ? path_ : kept_;
        msgs.push_back({kPrintFailedText, kProgramCaption, Format(kPrintKeptDetail, where)});
    }
    Show(std::move(msgs));
}

void PrintController::Show(std::vector<PrintMessage> msgs)
{
    if (msgs.empty())
        return;
    std::weak_ptr<int> alive = alive_;
    loop_.Post([this, alive, msgs = std::move(msgs)] {
        if (alive.expired())
            return;
        for (const PrintMessage& m : msgs)
            ui_.Message(m);
    });
}

}  // namespace velo
