#include "ui/dialogs/PrintRecs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "help/HelpContexts.h"
#include "input/Utility.h"
#include "print/PdfOutput.h"
#include "ui/main/Library.h"

namespace qx {

namespace {

constexpr int kPrintRecsTwipsBelow = 800;
constexpr int kPrintFontPoints = 10;

// Passes a job on to the printer's sink and remembers whether the printer
// failed, so that its reason is shown only then.
class WatchedSink : public PrintSink {
 public:
  explicit WatchedSink(PrintSink& to) : to_(to) {}
  bool Line(const QString& text) override { return Note(to_.Line(text)); }
  bool NewPage() override { return Note(to_.NewPage()); }
  bool EndDocument() override { return Note(to_.EndDocument()); }
  bool EndIncomplete() override { return Note(to_.EndIncomplete()); }
  QString Error() const override { return to_.Error(); }
  bool Failed() const { return failed_; }

 private:
  bool Note(bool ok) {
    failed_ = failed_ || !ok;
    return ok;
  }
  PrintSink& to_;
  bool failed_ = false;
};

}  // namespace

PrintRecs::PrintRecs(QWidget* mainWindow, IO& io) : OperationDialog(mainWindow, io) {
  setModal(true);
  setWindowTitle(QStringLiteral("Print"));
  setProperty("HelpContext", help::kPrint);

  Label1 = new QLabel(QStringLiteral("How many records?"), this);
  RecordCountBox = new QLineEdit(QStringLiteral("1"), this);
  BeginPrintingButton = new QPushButton(QStringLiteral("Begin Printing"), this);
  PreviewButton = new QPushButton(QStringLiteral("Preview"), this);
  MakeCancelAndProgress();
  for (QPushButton* b : {BeginPrintingButton, PreviewButton, CancelButton}) {
    b->setAutoDefault(false);
  }
  connect(RecordCountBox, &QLineEdit::returnPressed, this, &PrintRecs::BeginPrintingButton_Click);
  connect(BeginPrintingButton, &QPushButton::clicked, this, &PrintRecs::BeginPrintingButton_Click);
  connect(PreviewButton, &QPushButton::clicked, this, &PrintRecs::PreviewButton_Click);

  auto* count = new QHBoxLayout;
  count->addWidget(Label1);
  count->addWidget(RecordCountBox);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BeginPrintingButton);
  buttons->addWidget(PreviewButton);
  buttons->addWidget(CancelButton);
  auto* top = new QVBoxLayout(this);
  top->addLayout(count);
  top->addLayout(buttons);
  top->addWidget(Progress);

  setTabOrder(RecordCountBox, BeginPrintingButton);
  setTabOrder(BeginPrintingButton, PreviewButton);
  setTabOrder(PreviewButton, CancelButton);

  adjustSize();
  if (mainWindow) PlaceBelowMain(this, mainWindow, kPrintRecsTwipsBelow);
  RecordCountBox->setFocus();
}

PrintSetup PrintRecs::Setup() const {
  const EditorState& s = io_.State();
  return PrintSetup{s.PrinterName, s.PrintFontName, kPrintFontPoints, {}};
}

std::optional<PrintJob> PrintRecs::ReadJob() {
  const std::optional<std::int64_t> count = ReadNumber(RecordCountBox->text());
  if (!count) {
    MustEnterValues(RecordCountBox);
    return std::nullopt;
  }
  // The dump is read from the file: a changed page is offered first.
  io_.CheckDirty();
  const EditorState& s = io_.State();
  return PrintJob{*count, s.PrintPageLength, s.PrintPageLimit};
}

void PrintRecs::Busy(bool busy) {
  // No second job from inside this one's events.
  BeginPrintingButton->setEnabled(!busy);
  PreviewButton->setEnabled(!busy);
}

void PrintRecs::BeginPrintingButton_Click() {
  if (io_.BusyRefused()) return;
  const std::optional<PrintJob> job = ReadJob();
  if (!job) return;
  EditorState& s = io_.State();
  Platform& p = io_.Plat();
  if (PrintCount(s, job->count) <= 0) {
    CancelButton_Click();
    return;
  }
  // A cancelled or refused PDF name, or a refused job, leaves the dialog
  // open to try again.
  PrintSetup setup = Setup();
  if (!ChoosePrintOutput(s, p, setup)) return;
  QString error;
  const std::unique_ptr<PrintSink> printer = p.StartPrintJob(setup, error);
  if (!printer) {
    p.MessageBox(error, Buttons::Ok, Icon::Critical);
    return;
  }
  WatchedSink sink(*printer);
  Busy(true);
  const PrintResult res = PrintRecords(s, p, sink, *job, this);
  Busy(false);
  QString message = res.message;
  if (sink.Failed() && !sink.Error().isEmpty()) message += QLatin1Char('\n') + sink.Error();
  if (!message.isEmpty()) {
    p.MessageBox(message, Buttons::Ok,
                 res.status == PrintStatus::Failed ? Icon::Critical : Icon::None);
  }
  const bool written = res.status == PrintStatus::Done || res.status == PrintStatus::PageLimit;
  if (!setup.outputFile.isEmpty() && written && !sink.Failed()) SayPdfWritten(p, setup);
  CancelButton_Click();
}

void PrintRecs::PreviewButton_Click() {
  if (io_.BusyRefused()) return;
  const std::optional<PrintJob> job = ReadJob();
  if (!job) return;
  EditorState& s = io_.State();
  Platform& p = io_.Plat();
  if (PrintCount(s, job->count) <= 0) return;
  Busy(true);
  p.PreviewPrintJob(Setup(), [&](PrintSink& sink) { (void)PrintRecords(s, p, sink, *job); });
  Busy(false);
}

}  // namespace qx
