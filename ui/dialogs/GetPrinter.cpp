#include "ui/dialogs/GetPrinter.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "help/HelpContexts.h"
#include "print/PdfOutput.h"
#include "print/PrintUtilities.h"
#include "ui/main/Library.h"

namespace qx {

namespace {

// The page height the ticks' y assumes (letter); a printer places them
// from the bottom of its own page.
constexpr std::int64_t kTestPageHeight = 11 * 1440;

// The font a printer starts with when none was chosen: a fixed-pitch one,
// so that the dump's columns line up.
QString FixedPitchFont(const QStringList& fonts) {
  const QString dejaVu = QStringLiteral("DejaVu Sans Mono");
  if (fonts.contains(dejaVu)) return dejaVu;
  return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
}

int FirstExact(const QComboBox* list, const QString& text) {
  return list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

}  // namespace

GetPrinter::GetPrinter(QWidget* parent, EditorState& s, Platform& p)
    : QDialog(parent), s_(s), p_(p) {
  setModal(true);
  setWindowTitle(QStringLiteral("Printer Setup"));
  setProperty("HelpContext", help::kChoosePrinter);

  Label1 = new QLabel(QStringLiteral("Using Printer"), this);
  PrinterList = new QComboBox(this);
  Label4 = new QLabel(QStringLiteral("Using Font"), this);
  FontList = new QComboBox(this);
  Label3 = new QLabel(QStringLiteral("Page Limit:"), this);
  PageLimitBox = new QLineEdit(this);
  TestPageButton = new QPushButton(QStringLiteral("Print Test Page"), this);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  OKButton = new QPushButton(QStringLiteral("OK"), this);
  for (QPushButton* b : {TestPageButton, CancelButton, OKButton}) b->setAutoDefault(false);
  OKButton->setDefault(true);

  connect(PrinterList, &QComboBox::currentIndexChanged, this, &GetPrinter::PrinterList_Click);
  connect(FontList, &QComboBox::currentIndexChanged, this, &GetPrinter::FontList_Click);
  connect(TestPageButton, &QPushButton::clicked, this, &GetPrinter::TestPageButton_Click);
  connect(OKButton, &QPushButton::clicked, this, &GetPrinter::OKButton_Click);
  connect(CancelButton, &QPushButton::clicked, this, &GetPrinter::CancelButton_Click);

  auto* lists = new QGridLayout;
  lists->addWidget(Label1, 0, 0);
  lists->addWidget(Label4, 0, 1);
  lists->addWidget(PrinterList, 1, 0);
  lists->addWidget(FontList, 1, 1);
  auto* limit = new QHBoxLayout;
  limit->addWidget(Label3);
  limit->addWidget(PageLimitBox);
  limit->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(TestPageButton);
  buttons->addStretch();
  buttons->addWidget(CancelButton);
  buttons->addWidget(OKButton);
  auto* top = new QVBoxLayout(this);
  top->addLayout(lists);
  top->addLayout(limit);
  top->addLayout(buttons);

  setTabOrder(PrinterList, FontList);
  setTabOrder(FontList, PageLimitBox);
  setTabOrder(PageLimitBox, TestPageButton);
  setTabOrder(TestPageButton, CancelButton);
  setTabOrder(CancelButton, OKButton);

  Form_Activate();
}

QString GetPrinter::Setting(const char* key) const {
  return p_.ReadSetting(kPrinterSection, QString::fromLatin1(key), QString());
}

void GetPrinter::Form_Activate() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  adjustSize();
  CenterForm(this);
  savedPrinterName_ = s_.PrinterName;
  savedFontName_ = s_.PrintFontName;

  QString wanted = Setting("PrinterName").trimmed();
  if (wanted.isEmpty()) wanted = s_.PrinterName;
  if (wanted.isEmpty()) wanted = p_.DefaultPrinter();
  PrinterList->addItems(p_.Printers());
  if (!wanted.isEmpty()) {
    const int i = FirstExact(PrinterList, wanted);
    PrinterList->setCurrentIndex(i >= 0 ? i : PrinterList->count() - 1);
  }
  // The printer the list shows is the one whose fonts it offers.
  if (PrinterList->currentIndex() >= 0) s_.PrinterName = PrinterList->currentText();
  FillFontList();

  const QString limit = Setting("PageLimit");
  PageLimitBox->setText(limit.isEmpty() ? QString::number(kDefaultPageLimit) : limit);
  listsReady_ = true;
  QApplication::restoreOverrideCursor();
}

void GetPrinter::FillFontList() {
  {
    const QSignalBlocker quiet(FontList);
    FontList->clear();
    FontList->addItems(p_.PrinterFonts(s_.PrinterName));
    QString wanted = Setting("FontName").trimmed();
    if (wanted.isEmpty()) wanted = savedFontName_;
    if (wanted.isEmpty()) wanted = FixedPitchFont(p_.PrinterFonts(s_.PrinterName));
    // A font the printer lacks leaves the last one of the list selected.
    const int i = FirstExact(FontList, wanted);
    FontList->setCurrentIndex(i >= 0 ? i : FontList->count() - 1);
  }
  if (FontList->currentIndex() >= 0) FontList_Click();
}

void GetPrinter::PrinterList_Click() {
  if (!listsReady_) return;
  const QString name = PrinterList->currentText().trimmed();
  if (!p_.Printers().contains(name)) return;
  s_.PrinterName = name;
  FillFontList();
}

void GetPrinter::FontList_Click() {
  s_.PrintFontName = FontList->currentText();
}

void GetPrinter::TestPageButton_Click() {
  PrintSetup setup{s_.PrinterName, s_.PrintFontName, kTestPageFontPoints, {}};
  if (!ChoosePrintOutput(s_, p_, setup)) return;
  QString error;
  if (!p_.PrintTestPage(setup, TestPageTicks(kTestPageHeight), error)) {
    p_.MessageBox(error, Buttons::Ok, Icon::Critical);
  } else if (!setup.outputFile.isEmpty()) {
    SayPdfWritten(p_, setup);
  }
}

void GetPrinter::OKButton_Click() {
  p_.WriteSetting(kPrinterSection, QStringLiteral("PageLimit"), PageLimitBox->text());
  p_.WriteSetting(kPrinterSection, QStringLiteral("PrinterName"), PrinterList->currentText());
  p_.WriteSetting(kPrinterSection, QStringLiteral("FontName"), FontList->currentText());
  if (p_.Printers().contains(PrinterList->currentText()))
    s_.PrinterName = PrinterList->currentText();
  const QString font = FontList->currentText().trimmed();
  if (!font.isEmpty()) s_.PrintFontName = font;
  s_.PrintPageLimit = ReadPageLimit(PageLimitBox->text());
  accept();
}

void GetPrinter::CancelButton_Click() {
  s_.PrinterName = savedPrinterName_;
  s_.PrintFontName = savedFontName_;
  QDialog::reject();
}

void GetPrinter::reject() {
  CancelButton_Click();
}

}  // namespace qx
