// The frame's printing commands: the screen and the selection printed, the
// print settings ("인쇄 설정", with the system's print dialog), the wheel
// settings, the ANSI screen save; and printer-controller mode's print file,
// given to the terminal when the frame is made and ended when it goes.
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "shell/PrintDialogs.h"
#include "shell/QtUiLoop.h"
#include "terminal/AnsiSave.h"
#include "terminal/Printing.h"
#include "terminal/ui/CAnsiTerm.h"
#include "terminal/ui/QtPrintDevice.h"

namespace velo {

void CMainFrame::createPrintingCommands()
{
    printDevice_ = std::make_unique<QtPrintDevice>(QtPrintDevice::Terminal{
        [this] { return term_->TermFont(); },
        [this] { return term_->Term().Columns(); },
        [this] { return term_->Term().DisplayCode(); },
    });
    printUi_ = std::make_unique<QtPrintUi>(this);
    printCtl_ = std::make_unique<PrintController>(rt_.Settings(), InstallDir().toStdString(), *printDevice_,
                                                  *printUi_, rt_.Loop());
    term_->Term().SetPrinterSink(printCtl_.get());

    Handle(ID_PRINT_SCREEN, [this] { PrintRows(false); });
    Handle(ID_PRINT_SELECTION, [this] { PrintRows(true); }, [this] { return term_->SelectionShown(); });
    Handle(ID_PRINT_SETUP, [this] { OpenPrintSettings(); });
    Handle(ID_WHEEL, [this] { OpenWheelSettings(); });
    Handle(ID_ANSI_CAPTURE, [this] { SaveAnsiScreenAs(); }, [this] { return !flags_.TermShared.Frozen; });
}

void CMainFrame::closePrinting()
{
    if (!printCtl_)
        return;
    // Closing the terminal window ends printer-controller mode: what came
    // is printed (a failed print is set aside, as always).
    if (flags_.TermShared.PrinterControl.exchange(false))
        printCtl_->End();
    term_->Term().SetPrinterSink(nullptr);
}

void CMainFrame::PrintRows(bool selection)
{
    const velo::Terminal& t = term_->Term();
    int first, last;
    if (selection) {
        if (!term_->SelectionShown())
            return;
        int sc, ec;
        term_->Selection().Ordered(&first, &sc, &last, &ec);
    } else {
        // The rows the window shows: older ones while the view is scrolled back.
        first = term_->HistoryRowAt(0);
        last = first + t.Rows() - 1;
    }
    // As "PrintOption" says: through the printer's driver (0), else raw.
    const PrintOptions o = PrintOptions::Read(rt_.Settings(), InstallDir().toStdString());
    const PrintKind kind = o.option == 0 ? PrintKind::Text : PrintKind::Raw;
    std::vector<PrintMessage> msgs;
    if (!PrintBytes(*printDevice_, kind, kRowsDocName, RowsText(t, first, last), {o.linesPerPage, o.fitFont},
                    &msgs))
        msgs.push_back({kPrintFailedText, kProgramCaption, {}});
    for (const PrintMessage& m : msgs)
        printUi_->Message(m);
}

void CMainFrame::OpenPrintSettings()
{
    PrintSettingsDialog d(rt_.Settings(), InstallDir().toStdString(),
                          [this](QWidget* parent) { printDevice_->ChoosePrinter(parent); }, this);
    // Printing reads "Print" each time it prints: nothing more to hand over.
    d.exec();
}

void CMainFrame::OpenWheelSettings()
{
    WheelSettingsDialog d(rt_.Settings(), this);
    if (d.exec() != QDialog::Accepted)
        return;
    const WheelValues v = d.Values();
    term_->SetWheel(v.scrollLines, v.reverse);
}

void CMainFrame::SaveAnsiScreenAs()
{
    SettingsStore& s = rt_.Settings();
    const std::string dir =
        s.ReadString(settings::kInit, settings::kCaptureDirectory, settings::CaptureDirDefault(InstallDir().toStdString()));
    QFileDialog d(this, QStringLiteral("안시 갈무리"));
    // A folder that is gone would be taken for a file name: the dialog then
    // opens where it would by itself.
    if (QFileInfo(QString::fromStdString(dir)).isDir())
        d.setDirectory(QString::fromStdString(dir));
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setDefaultSuffix(QStringLiteral("ans"));
    d.setNameFilters({QStringLiteral("ans 파일 (*.ans)"), QStringLiteral("모든 파일 (*.*)")});
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return;
    const QString path = d.selectedFiles().first();
    const AnsiSaveResult r = SaveAnsiScreen(term_->Term(), path.toStdString());
    if (r == AnsiSaveResult::Saved)
        return;
    QString text = QString::fromUtf8(r == AnsiSaveResult::CannotOpen ? kAnsiFileBusy : kAnsiFileWriteFailed);
    printUi_->Message({text.replace(QStringLiteral("%s"), path).toStdString(), kProgramCaption, {}});
}

}  // namespace velo
