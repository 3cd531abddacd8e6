// Printing through Qt Print Support: the system's printers (CUPS) and a
// built-in printer that writes a PDF file. Every character of a line takes
// one cell as wide as the font's widest character, so the columns of a dump
// line up whatever font the user chose.
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>

#include "app/QtPlatform.h"
#include "print/PdfOutput.h"

namespace qx {

namespace {

// The fixed-pitch font a job uses when the user chose none.
QString FontFamily(const QString& chosen) {
  if (!chosen.isEmpty()) return chosen;
  if (QFontDatabase::families().contains(QStringLiteral("DejaVu Sans Mono"))) {
    return QStringLiteral("DejaVu Sans Mono");
  }
  return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
}

// Draws lines of character cells on a printer (or a preview's), or on a
// PDF written to a file beside its name, which it takes only when the job
// ends well and every byte reached it; otherwise the file goes with the sink.
class QtPrintSink : public PrintSink {
 public:
  QtPrintSink(QPagedPaintDevice* device, std::unique_ptr<QPagedPaintDevice> owned = {},
              std::unique_ptr<ReplacingFile> file = {})
      : file_(std::move(file)),
        device_(device),
        printer_(dynamic_cast<QPrinter*>(device)),
        owned_(std::move(owned)) {}
  ~QtPrintSink() override {
    if (painter_.isActive()) painter_.end();
  }

  bool Begin(const PrintSetup& setup, QString& error) {
    if (!painter_.begin(device_)) {
      error = QStringLiteral("The printer %1 did not take the job").arg(setup.printer);
      if (file_) error += QStringLiteral(": %1 could not be written").arg(file_->Name());
      return false;
    }
    QFont font(FontFamily(setup.font), setup.fontPoints);
    font.setStyleHint(QFont::TypeWriter);
    painter_.setFont(font);
    const QFontMetricsF metrics(painter_.font(), painter_.device());
    // The widest of the characters a dump prints; a font whose characters
    // are all that wide draws a line in one piece.
    double narrowest = 1e9;
    for (char16_t c = 32; c < 127; ++c) {
      const double w = metrics.horizontalAdvance(QChar(c));
      cell_ = std::max(cell_, w);
      narrowest = std::min(narrowest, w);
    }
    whole_ = narrowest == cell_;
    line_ = metrics.lineSpacing();
    ascent_ = metrics.ascent();
    if (Healthy()) return true;
    error = error_;
    return false;
  }
  bool Line(const QString& text) override {
    const double height = painter_.viewport().height();
    // A page length longer than the paper still never prints off the page.
    if (y_ + line_ > height && y_ > 0 && !NewPage()) return false;
    if (whole_) {
      painter_.drawText(QPointF(0, y_ + ascent_), text);
    } else {
      for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char(' ')) {
          painter_.drawText(QPointF(i * cell_, y_ + ascent_), QString(text.at(i)));
        }
      }
    }
    y_ += line_;
    return Healthy();
  }
  bool NewPage() override {
    y_ = 0;
    if (!device_->newPage()) {
      error_ = QStringLiteral("The printer could not start a new page");
      return false;
    }
    return Healthy();
  }
  bool EndDocument() override {
    if (painter_.isActive() && !painter_.end() && error_.isEmpty()) {
      error_ = QStringLiteral("The printer did not finish the job");
    }
    if (file_) {
      QString why;
      if (!Healthy()) {
        file_->Discard();
      } else if (!file_->Commit(why)) {
        error_ = why;
      }
      file_.reset();
    }
    return Healthy();
  }
  bool EndIncomplete() override {
    if (!file_) return EndDocument();
    if (painter_.isActive()) painter_.end();
    file_->Discard();
    file_.reset();
    return true;
  }
  QString Error() const override { return error_; }

  QPainter& Painter() { return painter_; }

 private:
  bool Healthy() {
    if (!error_.isEmpty()) return false;
    if (file_) error_ = file_->WriteFailure();
    if (printer_ && printer_->printerState() == QPrinter::Error && error_.isEmpty()) {
      error_ = QStringLiteral("The printer reported an error");
    }
    return error_.isEmpty();
  }

  // First, so that it goes last, after the writer is done with its device.
  std::unique_ptr<ReplacingFile> file_;
  QPagedPaintDevice* device_;
  QPrinter* printer_;  // null for a PDF
  std::unique_ptr<QPagedPaintDevice> owned_;
  QPainter painter_;
  double cell_ = 0;
  bool whole_ = false;
  double line_ = 0;
  double ascent_ = 0;
  double y_ = 0;
  QString error_;
};

// Where setup's job is drawn: a system printer, or a PDF written through
// sys to a new file beside setup.outputFile (file). Empty, with error, when
// there is none.
std::unique_ptr<QPagedPaintDevice> MakeDevice(const PrintSetup& setup, SysCalls& sys,
                                              std::unique_ptr<ReplacingFile>& file,
                                              QString& error) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (setup.printer == kPdfPrinter) {
    if (setup.outputFile.isEmpty()) {
      error = QStringLiteral("No file was named for the PDF.");
      return nullptr;
    }
    file = std::make_unique<ReplacingFile>(sys);
    if (!file->Create(setup.outputFile, error)) return nullptr;
    // Qt's printer writes a file by name and drops the writes that fail;
    // the writer draws on a device that checks each one. The paper and
    // margins stay those the printer would use.
    printer->setOutputFormat(QPrinter::PdfFormat);
    auto writer = std::make_unique<QPdfWriter>(&file->Device());
    writer->setResolution(printer->resolution());
    writer->setPageLayout(printer->pageLayout());
    writer->setTitle(QStringLiteral("Quellox"));
    return writer;
  }
  const QPrinterInfo info = QPrinterInfo::printerInfo(setup.printer);
  if (info.isNull()) {
    error = QStringLiteral("The printer %1 is not available").arg(setup.printer);
    return nullptr;
  }
  printer->setPrinterName(setup.printer);
  printer->setDocName(QStringLiteral("Quellox"));
  return printer;
}

}  // namespace

QStringList QtPlatform::Printers() {
  QStringList names = QPrinterInfo::availablePrinterNames();
  names.removeAll(kPdfPrinter);
  names << kPdfPrinter;
  return names;
}

QString QtPlatform::DefaultPrinter() {
  const QString name = QPrinterInfo::defaultPrinterName();
  return name.isEmpty() ? kPdfPrinter : name;
}

QStringList QtPlatform::PrinterFonts(const QString&) {
  // Qt prints any font it can draw, on every printer alike.
  return QFontDatabase::families();
}

std::unique_ptr<PrintSink> QtPlatform::StartPrintJob(const PrintSetup& setup, QString& error) {
  std::unique_ptr<ReplacingFile> file;
  std::unique_ptr<QPagedPaintDevice> device = MakeDevice(setup, sys_, file, error);
  if (!device) return nullptr;
  QPagedPaintDevice* raw = device.get();
  auto sink = std::make_unique<QtPrintSink>(raw, std::move(device), std::move(file));
  if (!sink->Begin(setup, error)) return nullptr;
  return sink;
}

bool QtPlatform::PrintTestPage(const PrintSetup& setup, const std::vector<TestTick>& ticks,
                               QString& error) {
  std::unique_ptr<ReplacingFile> file;
  std::unique_ptr<QPagedPaintDevice> device = MakeDevice(setup, sys_, file, error);
  if (!device) return false;
  QPagedPaintDevice* raw = device.get();
  QtPrintSink sink(raw, std::move(device), std::move(file));
  if (!sink.Begin(setup, error)) return false;
  QPainter& painter = sink.Painter();
  const double scale = raw->logicalDpiY() / 1440.0;  // twips to device units
  QFont font(FontFamily(setup.font), kTestPageFontPoints);
  painter.setFont(font);
  const QFontMetricsF metrics(painter.font(), painter.device());
  for (const TestTick& t : ticks) {
    // Measured from the bottom of this printer's page, whatever its size.
    const double y = painter.viewport().height() - t.position * scale;
    painter.drawLine(QPointF(kTickX * scale, y), QPointF((kTickX + t.length) * scale, y));
    if (!t.label.isEmpty()) {
      const double w = metrics.horizontalAdvance(t.label);
      painter.drawText(QPointF(kTickLabelRight * scale - w, y + metrics.ascent() / 2), t.label);
    }
  }
  if (!sink.EndDocument()) {
    error = sink.Error();
    return false;
  }
  return true;
}

void QtPlatform::PreviewPrintJob(const PrintSetup& setup,
                                 const std::function<void(PrintSink&)>& print) {
  QPrinter printer(QPrinter::HighResolution);
  if (setup.printer != kPdfPrinter && !QPrinterInfo::printerInfo(setup.printer).isNull()) {
    printer.setPrinterName(setup.printer);
  }
  QPrintPreviewDialog preview(&printer, main_);
  preview.setWindowTitle(QStringLiteral("Print Preview"));
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, [&](QPrinter* target) {
    QtPrintSink sink(target);
    QString error;
    if (sink.Begin(setup, error)) print(sink);
  });
  preview.exec();
}

}  // namespace qx
