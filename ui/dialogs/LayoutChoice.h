// The choices a copybook cannot say, asked when a copybook is opened: the
// byte order of binary fields, the ASCII sign convention and the floating
// point format.
#pragma once

#include <QDialog>

#include "fields/FieldType.h"

class QRadioButton;
class QPushButton;

namespace qx {

class LayoutChoice : public QDialog {
  Q_OBJECT
 public:
  LayoutChoice(QWidget* mainWindow, const QString& copybook);

  LayoutChoices Choices() const;

  QRadioButton* BigEndian = nullptr;
  QRadioButton* LittleEndian = nullptr;
  QRadioButton* Overpunch = nullptr;
  QRadioButton* PToY = nullptr;
  QRadioButton* IbmFloat = nullptr;
  QRadioButton* IeeeFloat = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
};

}  // namespace qx
