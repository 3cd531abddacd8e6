#include "ui/dialogs/LayoutChoice.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "help/HelpContexts.h"

namespace qx {

LayoutChoice::LayoutChoice(QWidget* mainWindow, const QString& copybook) : QDialog(mainWindow) {
  setWindowTitle(QStringLiteral("Open Copybook"));
  setProperty("HelpContext", help::kLayout);
  auto* layout = new QVBoxLayout(this);
  auto* name = new QLabel(QFileInfo(copybook).fileName(), this);
  name->setTextFormat(Qt::PlainText);
  layout->addWidget(name);
  // Each pair in a box of its own; the first of each is the default.
  const auto pair = [&](const char* title, const char* first, const char* second) {
    auto* box = new QGroupBox(QString::fromLatin1(title), this);
    auto* rows = new QVBoxLayout(box);
    auto* a = new QRadioButton(QString::fromLatin1(first), box);
    auto* b = new QRadioButton(QString::fromLatin1(second), box);
    rows->addWidget(a);
    rows->addWidget(b);
    a->setChecked(true);
    layout->addWidget(box);
    return std::pair(a, b);
  };
  std::tie(BigEndian, LittleEndian) =
      pair("Binary byte order", "&Big-endian, as the mainframe stores it",
           "&Little-endian, as PC compilers store it");
  std::tie(Overpunch, PToY) =
      pair("ASCII sign", "&Overpunch ({, A-I, }, J-R)", "&p-y for negative");
  std::tie(IbmFloat, IeeeFloat) =
      pair("Floating point (COMP-1, COMP-2)", "&IBM hexadecimal", "IEEE &754");
  auto* buttons = new QDialogButtonBox(this);
  OKButton = buttons->addButton(QStringLiteral("O.K."), QDialogButtonBox::AcceptRole);
  CancelButton = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  OKButton->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

LayoutChoices LayoutChoice::Choices() const {
  return {LittleEndian->isChecked(), PToY->isChecked(), IeeeFloat->isChecked()};
}

}  // namespace qx
