#include "terminal/ui/QtPrintDevice.h"

#include <cups/cups.h>

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryFile>
#include <algorithm>
#include <cmath>

namespace velo {

QtPrintDevice::QtPrintDevice(Terminal term) : term_(std::move(term)) {}

QtPrintDevice::~QtPrintDevice()
{
    if (job_ > 0)
        AbortRaw();
    DropText();
}

QString QtPrintDevice::QueueName() const
{
    if (!chosen_.isEmpty())
        return chosen_;
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
    if (!dest)
        return {};
    QString name = QString::fromUtf8(dest->name);
    cupsFreeDests(1, dest);
    return name;
}

bool QtPrintDevice::Available()
{
    const QByteArray name = QueueName().toUtf8();
    if (name.isEmpty())
        return false;
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), nullptr);
    if (!dest)
        return false;
    cupsFreeDests(1, dest);
    return true;
}

bool QtPrintDevice::ChoosePrinter(QWidget* parent)
{
    QPrinter p(QPrinter::HighResolution);
    const QString name = QueueName();
    if (!name.isEmpty())
        p.setPrinterName(name);
    if (chosenPage_)
        p.setPageLayout(*chosenPage_);
    QPrintDialog d(&p, parent);
    d.setWindowTitle(QStringLiteral("프린터 설정"));
    // Here the dialog only chooses: its accept button does not print.
    for (QDialogButtonBox* box : d.findChildren<QDialogButtonBox*>())
        for (QAbstractButton* b : box->buttons()) {
            if (box->buttonRole(b) == QDialogButtonBox::AcceptRole)
                b->setText(QStringLiteral("확인"));
            else if (box->buttonRole(b) == QDialogButtonBox::RejectRole)
                b->setText(QStringLiteral("취소"));
        }
    if (d.exec() != QDialog::Accepted)
        return false;
    chosen_ = p.printerName();
    chosenPage_ = p.pageLayout();
    return true;
}

// ---- CUPS jobs -------------------------------------------------------------

bool QtPrintDevice::BeginJob(std::string_view docName, const char* format)
{
    jobQueue_ = QueueName().toUtf8();
    if (jobQueue_.isEmpty())
        return false;
    const std::string title(docName);
    job_ = cupsCreateJob(CUPS_HTTP_DEFAULT, jobQueue_.constData(), title.c_str(), 0, nullptr);
    if (job_ <= 0) {
        job_ = 0;
        return false;
    }
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, jobQueue_.constData(), job_, title.c_str(), format, 1) !=
        HTTP_STATUS_CONTINUE) {
        cupsCancelJob2(CUPS_HTTP_DEFAULT, jobQueue_.constData(), job_, 0);
        job_ = 0;
        return false;
    }
    return true;
}

bool QtPrintDevice::BeginRaw(std::string_view docName) { return BeginJob(docName, CUPS_FORMAT_RAW); }

bool QtPrintDevice::WriteRaw(const uint8_t* data, int n)
{
    return job_ > 0 &&
           cupsWriteRequestData(CUPS_HTTP_DEFAULT, reinterpret_cast<const char*>(data), size_t(n)) ==
               HTTP_STATUS_CONTINUE;
}

bool QtPrintDevice::EndRaw()
{
    if (job_ <= 0)
        return false;
    const bool ok = cupsFinishDocument(CUPS_HTTP_DEFAULT, jobQueue_.constData()) == IPP_STATUS_OK;
    if (!ok)
        cupsCancelJob2(CUPS_HTTP_DEFAULT, jobQueue_.constData(), job_, 0);
    job_ = 0;
    return ok;
}

void QtPrintDevice::AbortRaw()
{
    if (job_ <= 0)
        return;
    // The document request is ended first; the job it left is then cancelled,
    // so that no half of it reaches the paper.
    cupsFinishDocument(CUPS_HTTP_DEFAULT, jobQueue_.constData());
    cupsCancelJob2(CUPS_HTTP_DEFAULT, jobQueue_.constData(), job_, 0);
    job_ = 0;
}

// ---- text ------------------------------------------------------------------

int QtPrintDevice::BeginText(std::string_view docName, const TextLayout& layout)
{
    DropText();
    const QString queue = QueueName();
    if (queue.isEmpty())
        return 0;
    textDoc_ = std::string(docName);
    pdfFile_ = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/velo-print-XXXXXX.pdf"));
    if (!pdfFile_->open()) {
        DropText();
        return 0;
    }
    pdfFile_->close();
    // The page of the chosen printer, else the queue's own default page.
    QPageLayout page = chosenPage_ ? *chosenPage_ : [&] {
        QPrinter native(QPrinter::HighResolution);
        native.setPrinterName(queue);
        return native.pageLayout();
    }();
    pdf_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    pdf_->setOutputFormat(QPrinter::PdfFormat);
    pdf_->setOutputFileName(pdfFile_->fileName());
    pdf_->setDocName(QString::fromStdString(textDoc_));
    pdf_->setPageLayout(page);
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(pdf_.get())) {
        DropText();
        return 0;
    }
    const QRect area = pdf_->pageLayout().paintRectPixels(pdf_->resolution());
    const int perPage = std::max(1, layout.linesPerPage);
    const int columns = std::max(1, term_.columns ? term_.columns() : 80);

    // The terminal's font description; its height fitted to the lines per
    // page (and the columns to the width), or kept as it looks on a screen.
    const LogFontFields f = term_.font ? term_.font() : LogFontFields{};
    QFont font(QString::fromStdString(f.faceName));
    font.setFamilies({QString::fromStdString(f.faceName), QStringLiteral("NanumGothicCoding")});
    font.setStyleHint(QFont::TypeWriter);
    font.setWeight(f.weight >= 600 ? QFont::Bold : QFont::Normal);
    font.setItalic(f.italic != 0);
    if (layout.fitFont) {
        const double lineBox = double(area.height()) / perPage;
        double px = lineBox;
        for (int round = 0; round < 8; ++round) {
            font.setPixelSize(std::max(1, int(px)));
            const QFontMetricsF fm(font, pdf_.get());
            const double cell = std::max(1.0, fm.horizontalAdvance(QLatin1Char('M')));
            const double scale = std::min(lineBox / fm.height(), area.width() / (columns * cell));
            if (scale >= 1.0)
                break;
            px = std::floor(px * scale);
        }
    } else {
        const int screenPx = f.height < 0 ? -f.height : (f.height > 0 ? f.height : 16);
        font.setPixelSize(std::max(1, int(screenPx * pdf_->resolution() / 96.0)));
    }
    painter_->setFont(font);
    painter_->setPen(Qt::black);
    const QFontMetricsF fm(font, pdf_.get());
    lineHeight_ = fm.height();
    ascent_ = fm.ascent();
    firstPage_ = true;
    const int fit = std::max(1, int(area.height() / lineHeight_ + 1e-6));
    return std::min(perPage, fit);
}

bool QtPrintDevice::StartPage()
{
    if (!pdf_)
        return false;
    if (firstPage_) {
        firstPage_ = false;
        return true;
    }
    return pdf_->newPage();
}

void QtPrintDevice::DrawLine(int line, std::string_view bytes)
{
    if (!painter_)
        return;
    // Tabs to the next multiple of 8; other control bytes have no picture.
    std::string shown;
    for (char c : bytes) {
        const auto b = uint8_t(c);
        if (b == '\t')
            shown.append(8 - shown.size() % 8, ' ');
        else if (b >= 0x20 && b != 0x7F)
            shown += c;
    }
    const hangul::DisplayCode code = term_.code ? term_.code() : hangul::DisplayCode::Ks;
    painter_->drawText(QPointF(0, line * lineHeight_ + ascent_),
                       QString::fromStdString(hangul::DecodeToUtf8(shown, code)));
}

bool QtPrintDevice::EndText()
{
    if (!painter_)
        return false;
    bool ok = painter_->end();
    painter_.reset();
    pdf_.reset();
    QFile pdf(pdfFile_->fileName());
    ok = ok && pdf.open(QIODevice::ReadOnly) && BeginJob(textDoc_, CUPS_FORMAT_PDF);
    while (ok) {
        const QByteArray block = pdf.read(64 * 1024);
        if (block.isEmpty())
            break;
        ok = WriteRaw(reinterpret_cast<const uint8_t*>(block.constData()), int(block.size()));
    }
    if (ok)
        ok = EndRaw();
    else
        AbortRaw();
    DropText();
    return ok;
}

void QtPrintDevice::AbortText() { DropText(); }

void QtPrintDevice::DropText()
{
    if (painter_ && painter_->isActive())
        painter_->end();
    painter_.reset();
    pdf_.reset();
    pdfFile_.reset();
}

// ---- messages --------------------------------------------------------------

void QtPrintUi::Message(const PrintMessage& m)
{
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(m.caption), QString::fromStdString(m.text),
                    QMessageBox::Ok, parent_);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("확인"));
    if (!m.detail.empty())
        box.setInformativeText(QString::fromStdString(m.detail));
    box.exec();
}

bool QtPrintUi::AskRetry(const PrintMessage& m)
{
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(m.caption), QString::fromStdString(m.text),
                    QMessageBox::Retry | QMessageBox::Cancel, parent_);
    box.button(QMessageBox::Retry)->setText(QStringLiteral("다시 시도(&R)"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("취소"));
    return box.exec() == QMessageBox::Retry;
}

}  // namespace velo
