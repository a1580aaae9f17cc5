// The print and wheel dialogs as a user meets them, and the frame's printing
// commands end to end against a private CUPS daemon: the rows the window
// shows, the selection, printer-controller mode, the ANSI screen save and the
// wheel settings handed to the terminal.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QWheelEvent>
#include <functional>
#include <memory>
#include <tuple>

#include "base/SettingsStore.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "shell/PrintDialogs.h"
#include "support/CupsServer.h"
#include "terminal/AnsiSave.h"
#include "terminal/Printing.h"
#include "terminal/ui/CAnsiTerm.h"
#include "terminal/ui/QtPrintDevice.h"
#include "tests/shell/QtTestApp.h"

using namespace velo;

namespace {

using test::App;

// Acts on each of the next `count` modal dialogs of type D once it is up
// (the command that opens it runs its own event loop meanwhile).
template <class D>
void WhenShown(std::function<void(D*)> act, int count = 1)
{
    auto* poll = new QTimer;
    auto last = std::make_shared<QPointer<QWidget>>();
    QObject::connect(poll, &QTimer::timeout, [poll, act, last, count]() mutable {
        auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!d || d == *last)
            return;
        *last = d;
        if (--count == 0) {
            poll->stop();
            poll->deleteLater();
        }
        act(d);
    });
    poll->start(10);
}

struct DialogTest : ::testing::Test {
    QApplication* app = App();
    MemorySettingsStore store;
};

}  // namespace

TEST_F(DialogTest, PrintSettingsOpenWithTheStoredOptionOrThePictureOption)
{
    for (auto [stored, checked] : {std::pair{2, 2}, {1, 1}, {5, 0}, {-3, 0}}) {
        store.WriteInt("Print", "PrintOption", stored);
        PrintSettingsDialog d(store, "/inst", {});
        EXPECT_TRUE(d.OptionButton(checked)->isChecked()) << stored;
        EXPECT_EQ(d.FileField()->text(), "/inst/prntmp.txt");
    }
}

TEST_F(DialogTest, LinesPerPageOf100IsStoredAndOpensAs66AndCancelWritesNothing)
{
    {
        PrintSettingsDialog d(store, "/inst", {});
        EXPECT_EQ(d.LinesField()->minimum(), 20);
        EXPECT_EQ(d.LinesField()->maximum(), 100);
        d.LinesField()->setValue(100);
        d.OptionButton(2)->setChecked(true);
        d.FileField()->setText("/tmp/elsewhere.txt");
        d.LfConvertBox()->setChecked(false);
        d.reject();
    }
    EXPECT_EQ(store.ReadInt("Print", "LinePerPage", -9), -9);
    EXPECT_EQ(store.ReadInt("Print", "PrintOption", -9), -9);
    {
        PrintSettingsDialog d(store, "/inst", {});
        d.LinesField()->setValue(100);
        d.OptionButton(2)->setChecked(true);
        d.FitFontBox()->setChecked(false);
        d.accept();
    }
    EXPECT_EQ(store.ReadInt("Print", "LinePerPage", -9), 100);
    EXPECT_EQ(store.ReadInt("Print", "PrintOption", -9), 2);
    EXPECT_EQ(store.ReadInt("Print", "FontResizeOption", -9), 0);
    EXPECT_EQ(store.ReadString("Print", "PrintToFileName", ""), "/inst/prntmp.txt");
    PrintSettingsDialog again(store, "/inst", {});
    EXPECT_EQ(again.LinesField()->value(), 66);
    EXPECT_TRUE(again.OptionButton(2)->isChecked());
    EXPECT_FALSE(again.FitFontBox()->isChecked());
}

TEST_F(DialogTest, PrinterSetupButtonOpensThePrintersDialog)
{
    int opened = 0;
    PrintSettingsDialog d(store, "/inst", [&](QWidget* parent) {
        EXPECT_EQ(parent, &d);
        ++opened;
    });
    d.PrinterSetupButton()->click();
    EXPECT_EQ(opened, 1);
}

TEST_F(DialogTest, WheelPageIsStoredAsMinusOneAndReopensDisabledShowingThree)
{
    {
        WheelSettingsDialog d(store);
        EXPECT_TRUE(d.LinesButton()->isChecked());
        EXPECT_EQ(d.LinesField()->value(), 3);
        EXPECT_EQ(d.LinesField()->maximum(), 50);
        d.PageButton()->setChecked(true);
        EXPECT_FALSE(d.LinesField()->isEnabled());
        d.ReverseBox()->setChecked(true);
        d.accept();
    }
    EXPECT_EQ(store.ReadInt("Wheel", "ScrollLines", 0), -1);
    EXPECT_EQ(store.ReadInt("Wheel", "Reverse", 0), 1);
    WheelSettingsDialog d(store);
    EXPECT_TRUE(d.PageButton()->isChecked());
    EXPECT_FALSE(d.LinesField()->isEnabled());
    EXPECT_EQ(d.LinesField()->value(), 3);
    EXPECT_TRUE(d.ReverseBox()->isChecked());
    d.LinesButton()->setChecked(true);
    EXPECT_TRUE(d.LinesField()->isEnabled());
    d.LinesField()->setValue(7);
    d.reject();
    EXPECT_EQ(store.ReadInt("Wheel", "ScrollLines", 0), -1);
}

// ------------------------------------------------------------- the frame

namespace {

struct FramePrintTest : test::CupsSuite {
    void SetUp() override
    {
        App();
        CupsSuite::SetUp();
        if (IsSkipped())
            return;
        store.WriteString("인스톨디렉토리", "인스톨디렉토리", dir.Path());
        frame = std::make_unique<CMainFrame>(rt);
    }
    void TearDown() override { frame.reset(); }
    void Feed(const std::string& s)
    {
        frame->Terminal()->Feed(reinterpret_cast<const uint8_t*>(s.data()), int(s.size()));
    }
    CAnsiTerm& Term() { return *frame->Terminal(); }

    test::TempDir dir{"frame-print"};
    MemorySettingsStore store;
    AppRuntime rt{store, false};
    std::unique_ptr<CMainFrame> frame;
};

}  // namespace

TEST_F(FramePrintTest, TheScreenPrintsTheRowsShownAndTheSelectionItsRows)
{
    store.WriteInt("Print", "PrintOption", 1);
    for (int i = 0; i < 60; ++i)
        Feed("line " + std::to_string(i) + "\r\n");
    // Scrolled back to history row 10: those rows are the ones printed.
    Term().ScrollTo(10);
    frame->OnCommand(ID_PRINT_SCREEN);
    const std::string shown = Cups().TakeOutput("velo-test");
    EXPECT_EQ(shown.substr(0, 18), "line 10\r\nline 11\r\n");
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), Term().Term().Rows());

    Term().LeaveView();
    EXPECT_FALSE(frame->CommandEnabled(ID_PRINT_SELECTION));
    Term().SetSelection(42, 3, 40, 2);
    ASSERT_TRUE(frame->CommandEnabled(ID_PRINT_SELECTION));
    frame->OnCommand(ID_PRINT_SELECTION);
    EXPECT_EQ(Cups().TakeOutput("velo-test"), "line 40\r\nline 41\r\nline 42\r\n");

    // Through the printer's driver: one page of text.
    store.WriteInt("Print", "PrintOption", 0);
    frame->OnCommand(ID_PRINT_SCREEN);
    EXPECT_EQ(test::PdfPages(Cups().TakeOutput("velo-test")), 1);
}

TEST_F(FramePrintTest, ARawJobArrivesByteForByteAndATextJobHasItsPages)
{
    QtPrintDevice& dev = frame->PrintDevice();
    EXPECT_EQ(dev.QueueName(), "velo-test");
    std::string data;
    for (int i = 0; i < 3000; ++i)
        data += char(i % 256);
    std::vector<PrintMessage> msgs;
    ASSERT_TRUE(PrintBytes(dev, PrintKind::Raw, kRowsDocName, data, {}, &msgs));
    EXPECT_EQ(Cups().TakeOutput("velo-test"), data);
    for (auto [lines, perPage, pages] : {std::tuple{150, 66, 3}, {132, 66, 2}, {10, 20, 1}}) {
        std::string text;
        for (int i = 0; i < lines; ++i)
            text += "line " + std::to_string(i) + " \xC7\xD1\xB1\xDB\r\n";
        ASSERT_TRUE(PrintBytes(dev, PrintKind::Text, kFileDocName, text, {perPage, true}, &msgs));
        const std::string pdf = Cups().TakeOutput("velo-test");
        EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
        EXPECT_EQ(test::PdfPages(pdf), pages) << lines;
    }
    EXPECT_TRUE(msgs.empty());
}

TEST_F(FramePrintTest, PrinterControllerModePrintsWhatTheHostSentAndKeepsWhatIsRefused)
{
    store.WriteInt("Print", "PrintOption", 1);
    Feed("\x1b[5ito the printer\nsecond line\x1b[4ion screen");
    EXPECT_EQ(Cups().TakeOutput("velo-test"), "to the printer\r\nsecond line");
    EXPECT_EQ(test::ReadFileBytes(dir.Path() + "/prntmp.txt"), "to the printer\r\nsecond line");

    // A queue that refuses: the message once the feed is over, the text kept.
    frame->PrintDevice().UseQueue("velo-off");
    Feed("\x1b[5ikept\n\x1b[4i");
    QString said;
    WhenShown<QMessageBox>([&](QMessageBox* b) {
        said = b->text() + "|" + b->informativeText();
        b->accept();
    });
    for (int i = 0; i < 50 && said.isEmpty(); ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(said.toStdString(),
              std::string(kPrintFailedText) + "|인쇄할 내용은 " + dir.Path() + "/prntmp-1.txt 에 남아 있습니다.");
    EXPECT_EQ(test::ReadFileBytes(dir.Path() + "/prntmp-1.txt"), "kept\r\n");

    // No such printer: the screen's print says so.
    frame->PrintDevice().UseQueue("no-such-queue");
    QStringList texts;
    WhenShown<QMessageBox>([&](QMessageBox* b) {
        texts << b->text();
        b->accept();
    }, 2);
    frame->OnCommand(ID_PRINT_SCREEN);
    EXPECT_EQ(texts, (QStringList{kNoPrinterText, kPrintFailedText}));

    // The mode still on when the window goes: printed then.
    frame->PrintDevice().UseQueue("velo-test");
    Feed("\x1b[5iat the end");
    frame.reset();
    EXPECT_EQ(Cups().TakeOutput("velo-test"), "at the end");
}

TEST_F(FramePrintTest, AnsiSaveWritesTheScreenWhereTheUserSaysAndTheWheelFollowsItsDialog)
{
    store.WriteString("초기 환경", "CaptureDirectory", dir.Path());
    Feed("\x1b[=12F\xC7\xD1\xB1\xDB saved");
    WhenShown<QFileDialog>([this](QFileDialog* d) {
        EXPECT_EQ(d->directory().absolutePath().toStdString(), dir.Path());
        d->selectFile(QString::fromStdString(dir.Path() + "/screen.ans"));
        QMetaObject::invokeMethod(d, "accept");
    });
    frame->OnCommand(ID_ANSI_CAPTURE);
    EXPECT_EQ(test::ReadFileBytes(dir.Path() + "/screen.ans"), AnsiScreenBytes(Term().Term()));

    for (int i = 0; i < 80; ++i)
        Feed("x\r\n");
    WhenShown<WheelSettingsDialog>([](WheelSettingsDialog* d) {
        d->PageButton()->setChecked(true);
        d->accept();
    });
    frame->OnCommand(ID_WHEEL);
    const int bottom = Term().ScrollPosition();
    QWheelEvent up(QPointF(10, 10), Term().mapToGlobal(QPointF(10, 10)), {}, QPoint(0, 120), Qt::NoButton, {},
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(&Term(), &up);
    EXPECT_EQ(Term().ScrollPosition(), bottom - Term().Term().Rows());
}
