// The value display: the bytes at the cursor read as each basic type.
#pragma once

#include <QDialog>

#include "core/ValueFormat.h"

class QFormLayout;
class QLabel;
class QPushButton;

namespace qx {

class ValDisp : public QDialog {
  Q_OBJECT
 public:
  explicit ValDisp(QWidget* mainWindow);

  QLabel* FieldBox = nullptr;  // the cursor's field of the file's layout
  QLabel* ByteBox = nullptr;
  QLabel* IntegerBox = nullptr;
  QLabel* IntegerBigBox = nullptr;
  QLabel* LongBox = nullptr;
  QLabel* LongBigBox = nullptr;
  QLabel* SingleBox = nullptr;
  QLabel* DoubleBox = nullptr;
  QLabel* CurrencyBox = nullptr;
  QLabel* DateBox = nullptr;
  QLabel* BooleanBox = nullptr;
  QLabel* LeftByte = nullptr;
  QLabel* RightByte = nullptr;
  QLabel* PackedBox = nullptr;
  QLabel* ZonedBox = nullptr;
  QLabel* TextBox = nullptr;
  QPushButton* OKButton = nullptr;

  // Fills every value label.
  void DisplayValues(const ValueBytes& bytes);
  // "NAME = value"; empty (no layout) hides the row.
  void DisplayField(const QString& text);

 private:
  QFormLayout* form_ = nullptr;

 public slots:
  void OKButton_Click();
};

}  // namespace qx
