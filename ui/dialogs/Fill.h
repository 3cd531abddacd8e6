// The Fill dialog: a pattern, its kind (ASCII or hexadecimal) and a range
// of bytes to overwrite with it; the fill itself is FillRange.
#pragma once

#include <array>
#include <functional>

#include "core/IO.h"
#include "core/Progress.h"
#include "ops/Fill.h"
#include "ui/dialogs/OperationDialog.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace qx {

// What Fill and Record Fill share: the "Fill Pattern Is" frame with its
// ASCII and Hexadecimal options (clicking one calls onClick with its index),
// and the kind they choose.
QGroupBox* MakePatternKindFrame(QWidget* parent, std::array<QRadioButton*, 2>& buttons,
                                const std::function<void(int)>& onClick);
FillKind CheckedFillKind(const std::array<QRadioButton*, 2>& buttons);

class Fill : public OperationDialog {
  Q_OBJECT
 public:
  Fill(QWidget* mainWindow, IO& io);

  QLabel* Label1 = nullptr;
  QLineEdit* PatternBox = nullptr;
  QGroupBox* Frame1 = nullptr;
  std::array<QRadioButton*, 2> PatternTypeButton{};
  QLabel* Label2 = nullptr;
  QLineEdit* StartBox = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* EndBox = nullptr;
  QPushButton* FillButton = nullptr;

  FillOptions Options;  // tests shrink the pieces

 public slots:
  void PatternTypeButton_Click(int index);
  void FillButton_Click();

 private:
  void Form_Load(QWidget* mainWindow);
  FillKind CheckedKind() const;
};

}  // namespace qx
