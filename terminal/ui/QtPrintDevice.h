// The printer of the program: CUPS, through Qt Print Support.
//
// Raw jobs go to the CUPS queue as they are, in CUPS's raw format. Text jobs
// are laid out with QPainter on a QPrinter as PDF and that PDF is handed to
// the same queue, so that a refused job is seen (a QPrinter printing straight
// to CUPS never says whether the job was taken).
//
// The queue is the one chosen in the system's print dialog ("프린터 설정"),
// for this session only, else CUPS's default destination. The CUPS server is
// the one the environment names (CUPS_SERVER), as for every CUPS client.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include <QPageLayout>

#include "base/SettingsLayout.h"
#include "terminal/HangulCodec.h"
#include "terminal/Printing.h"

class QPainter;
class QPrinter;
class QTemporaryFile;
class QWidget;

namespace velo {

class QtPrintDevice final : public PrintDevice {
public:
    // What text printing takes from the terminal when it prints: the font
    // description, the columns a line is fitted to, and the code the host's
    // bytes are shown in.
    struct Terminal {
        std::function<LogFontFields()> font;
        std::function<int()> columns;
        std::function<hangul::DisplayCode()> code;
    };
    explicit QtPrintDevice(Terminal term);
    ~QtPrintDevice() override;

    // The system's print dialog; on OK its printer and page become this
    // session's choice. False when cancelled.
    bool ChoosePrinter(QWidget* parent);
    // Chooses the queue by name for this session (empty: CUPS's default again).
    void UseQueue(const QString& name) { chosen_ = name; }
    // The queue printing goes to now (empty when there is none).
    QString QueueName() const;

    bool Available() override;
    bool BeginRaw(std::string_view docName) override;
    bool WriteRaw(const uint8_t* data, int n) override;
    bool EndRaw() override;
    void AbortRaw() override;
    int BeginText(std::string_view docName, const TextLayout& layout) override;
    bool StartPage() override;
    void DrawLine(int line, std::string_view bytes) override;
    bool EndText() override;
    void AbortText() override;

private:
    bool BeginJob(std::string_view docName, const char* format);
    void DropText();

    Terminal term_;
    QString chosen_;                       // the dialog's printer, empty: CUPS's default
    std::optional<QPageLayout> chosenPage_;
    // The CUPS job being written.
    QByteArray jobQueue_;
    int job_ = 0;
    // The text document being drawn.
    std::string textDoc_;
    std::unique_ptr<QTemporaryFile> pdfFile_;
    std::unique_ptr<QPrinter> pdf_;
    std::unique_ptr<QPainter> painter_;
    bool firstPage_ = true;
    double lineHeight_ = 0, ascent_ = 0;
};

// The messages of printing as message boxes over `parent`.
class QtPrintUi final : public PrintUi {
public:
    explicit QtPrintUi(QWidget* parent) : parent_(parent) {}
    void Message(const PrintMessage& m) override;
    bool AskRetry(const PrintMessage& m) override;

private:
    QWidget* parent_;
};

}  // namespace velo
