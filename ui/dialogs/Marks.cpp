#include "ui/dialogs/Marks.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "help/HelpContexts.h"
#include "input/Utility.h"
#include "ui/main/Library.h"

namespace qx {

namespace {

constexpr int kRowsPerColumn = 4;

bool IsModifierOnly(int key) {
  switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
      return true;
    default:
      return false;
  }
}

}  // namespace

Marks::Marks(QWidget* mainWindow, const EditorState& s) : QDialog(mainWindow) {
  setWindowTitle(QStringLiteral("Marks"));
  setProperty("HelpContext", help::kMarks);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  for (int k = 0; k < kMarkCount; ++k) {
    auto* letter = new QLabel(QString(QChar('A' + k)), this);
    letter->setAlignment(Qt::AlignCenter);
    letter->setMinimumWidth(letter->fontMetrics().horizontalAdvance(QChar('W')) * 2);
    letter->setStyleSheet(QStringLiteral("background-color: #c0c0c0;"));
    auto* value = new QLabel(
        FormatCount(s.Current.MarkTable[static_cast<std::size_t>(k)].CursorOffset), this);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("0,000,000")));
    letter->installEventFilter(this);
    value->installEventFilter(this);
    // Seven columns of four, filled column by column.
    const int row = k % kRowsPerColumn;
    const int column = 2 * (k / kRowsPerColumn);
    grid->addWidget(letter, row, column);
    grid->addWidget(value, row, column + 1);
    Label[static_cast<std::size_t>(k)] = letter;
    CursorValue[static_cast<std::size_t>(k)] = value;
  }

  ExitButton = new QPushButton(QStringLiteral("Exit"), this);
  ExitButton->setDefault(true);
  ExitButton->installEventFilter(this);
  connect(ExitButton, &QPushButton::clicked, this, &Marks::ExitButton_Click);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(ExitButton, 0, Qt::AlignHCenter);
  adjustSize();
  PlaceBelowMain(this, mainWindow, 900);
}

int Marks::Choose(QWidget* mainWindow, const EditorState& s) {
  Marks dialog(mainWindow, s);
  dialog.exec();
  return dialog.Value();
}

void Marks::ExitButton_Click() {
  accept();
}

bool Marks::HandleKey(const QKeyEvent* e) {
  // Shift on its way to a capital letter is not a key of its own.
  if (IsModifierOnly(e->key())) return false;
  const QString text = e->text().toUpper();
  if (text.size() == 1 && text[0] >= QChar('A') && text[0] <= QChar('Z')) {
    chosen_ = text[0].unicode() - 'A';
  }
  ExitButton_Click();
  return true;
}

bool Marks::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    return HandleKey(static_cast<QKeyEvent*>(event));
  }
  if (event->type() == QEvent::MouseButtonPress) {
    for (int k = 0; k < kMarkCount; ++k) {
      if (watched == Label[static_cast<std::size_t>(k)] ||
          watched == CursorValue[static_cast<std::size_t>(k)]) {
        chosen_ = k;
        ExitButton_Click();
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void Marks::keyPressEvent(QKeyEvent* e) {
  if (!HandleKey(e)) QDialog::keyPressEvent(e);
}

}  // namespace qx
