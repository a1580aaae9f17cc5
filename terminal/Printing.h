// Printing of the terminal's text: the rows the window shows or the selected
// rows, and printer-controller mode (CSI 5 i .. CSI 4 i), whose text goes to
// the print file and is printed when the host ends the mode.
//
// Window-free: the printer is a PrintDevice (Qt Print Support and CUPS in the
// program, a recorder in tests) and the messages go to a PrintUi. What is
// decided here is byte-level: which bytes a job carries, how a file is cut
// into printed lines and pages, which message follows which failure, and that
// no byte of the print file is lost when printing fails.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "terminal/ScreenModel.h"
#include "terminal/TermSurface.h"

namespace velo {

class SettingsStore;
class UiLoop;

enum class PrintKind : uint8_t {
    Text,  // drawn line by line through the printer's driver
    Raw    // the bytes as they are, to the printer's raw queue
};

// Section "Print" as printing reads it, each time it prints.
struct PrintOptions {
    int option = 0;         // "PrintOption": 0 text, 1 raw, any other value not printed
    int linesPerPage = 66;  // "LinePerPage"; a value outside 1..80 is read as 66
    bool fitFont = true;    // "FontResizeOption" not 0: the font fits the lines per page
    std::string file;       // "PrintToFileName"; empty is read as the default

    static PrintOptions Read(SettingsStore& s, const std::string& installDir);
};

struct TextLayout {
    int linesPerPage = 66;
    bool fitFont = true;
};

// A printer as the print routines drive it: one document at a time, either
// raw or text.
class PrintDevice {
public:
    virtual ~PrintDevice() = default;
    // There is a printer to print on (the one chosen, else the system's default).
    virtual bool Available() = 0;

    // A raw document. WriteRaw is true only when all n bytes went out;
    // EndRaw is true when the printer has taken the whole job.
    virtual bool BeginRaw(std::string_view docName) = 0;
    virtual bool WriteRaw(const uint8_t* data, int n) = 0;
    virtual bool EndRaw() = 0;
    virtual void AbortRaw() = 0;

    // A text document: returns the lines a page takes (at most the layout's,
    // fewer when no more fit on the paper), 0 when the document cannot be
    // started. StartPage begins the first page and then each next one.
    // DrawLine draws a line's host bytes (no line end) as line `line` of the
    // page, 0 at the top.
    virtual int BeginText(std::string_view docName, const TextLayout& layout) = 0;
    virtual bool StartPage() = 0;
    virtual void DrawLine(int line, std::string_view bytes) = 0;
    virtual bool EndText() = 0;
    virtual void AbortText() = 0;
};

// A message box: the exclamation icon, the text and caption; detail, when not
// empty, is shown under the text.
struct PrintMessage {
    std::string text, caption, detail;
    bool operator==(const PrintMessage&) const = default;
};

class PrintUi {
public:
    virtual ~PrintUi() = default;
    virtual void Message(const PrintMessage& m) = 0;
    // With Retry and Cancel buttons: true for Retry.
    virtual bool AskRetry(const PrintMessage& m) = 0;
};

// The messages ("%s": a file's name).
inline constexpr char kNoPrinterText[] = "프린터 DC를 얻을 수 없습니다.!";
inline constexpr char kNoPrinterCaption[] = "에러!";
inline constexpr char kPrintFileBusyText[] =
    "인쇄용 임시 파일을 열 수 없습니다.\n다른 프로그램이 사용중인 것 같습니다.\n파일을 닫고 재시도 해보십시오";
inline constexpr char kPrintFileBusyCaption[] = "프린트 파일 오류";
inline constexpr char kCannotOpenFileText[] = "파일 %s (을)를 열 수 없습니다.";
inline constexpr char kPageFailedText[] = "페이지를 초기화 할 수 없습니다!";
inline constexpr char kPageFailedCaption[] = "인쇄 에러";
inline constexpr char kPrintFailedText[] = "인쇄가 실패하였습니다.";
inline constexpr char kPrintKeptDetail[] = "인쇄할 내용은 %s 에 남아 있습니다.";
inline constexpr char kProgramCaption[] = "Vellow";
// Document names: the rows of the window, and the print file.
inline constexpr char kRowsDocName[] = "Vellow 인쇄";
inline constexpr char kFileDocName[] = "Vellow Printing";

// History rows first..last (either order, clamped to the rows kept), each as
// its stored text with trailing blanks removed, then CR LF.
std::string RowsText(const ScreenModel& screen, int firstRow, int lastRow);

// One job from bytes in memory or from a file. Messages the user is to see
// are appended to *msgs; true when the printer took everything.
//   Raw: blocks of 1024 bytes; the job stops at the first block the printer
//   does not take whole.
//   Text: lines end at CR, LF or CR LF; a byte of 0x80 or above takes the
//   byte after it along (a Korean pair is never cut, whatever its second
//   byte); a last line without an end is printed too; a line longer than
//   1024 bytes goes on in the next printed line. A new page starts when a
//   line no longer fits on the current one, so no empty page ends the job.
bool PrintBytes(PrintDevice& dev, PrintKind kind, std::string_view docName, std::string_view data,
                const TextLayout& layout, std::vector<PrintMessage>* msgs);
bool PrintFile(PrintDevice& dev, PrintKind kind, std::string_view docName, const std::string& path,
               const TextLayout& layout, std::vector<PrintMessage>* msgs);

// Printer-controller mode's print file, as the terminal's PrinterSink.
//
// Start opens the file named by "PrintToFileName" created anew, held against
// other writers. If it cannot be opened the question with Retry and Cancel
// is asked once the feed has returned (never inside it), and until the file
// is open the terminal shows the host's text instead of losing it. Write
// appends a run; a run the file cannot take (a full disk) is cut back off the
// file, the file is closed and the run and the rest are shown. End closes the
// file and prints it by "PrintOption" (an empty file is not printed). When
// printing fails the file is set aside beside the print file (NAME-1.EXT,
// NAME-2.EXT, ...) so the next run, which empties the print file, loses none
// of it; the messages are shown once the feed has returned.
class PrintController final : public PrinterSink {
public:
    PrintController(SettingsStore& settings, std::string installDir, PrintDevice& device, PrintUi& ui,
                    UiLoop& loop);
    ~PrintController() override;
    PrintController(const PrintController&) = delete;
    PrintController& operator=(const PrintController&) = delete;

    void Start() override;
    bool Accepting() const override { return fd_ >= 0; }
    bool Write(const uint8_t* data, int count) override;
    void End() override;

    bool On() const { return on_; }
    // The print file of the current or last run, and where the text of the
    // last failed print was kept (empty when none was).
    const std::string& File() const { return path_; }
    const std::string& Kept() const { return kept_; }

private:
    void AskOpen(unsigned run);
    void Show(std::vector<PrintMessage> msgs);

    SettingsStore& settings_;
    std::string installDir_;
    PrintDevice& device_;
    PrintUi& ui_;
    UiLoop& loop_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // posted work checks it
    bool on_ = false;
    bool opened_ = false;  // the file of this run was open at some time
    unsigned run_ = 0;     // counts runs, so a late question of an ended run is dropped
    int fd_ = -1;
    std::string path_, kept_;
};

}  // namespace velo
