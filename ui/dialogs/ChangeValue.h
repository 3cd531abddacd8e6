// Change Value: a field's value typed over in a box. Enter stores it; a
// refusal is said and the box stays for another try; Escape leaves.
#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;

namespace qx {

class Platform;

class ChangeValue : public QDialog {
  Q_OBJECT
 public:
  // store takes the typed value: the reason it refused, empty when stored.
  ChangeValue(QWidget* mainWindow, Platform& platform, const QString& field, const QString& value,
              std::function<QString(const QString&)> store);

  QLineEdit* ValueBox = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  void OKButton_Click();

  Platform& p_;
  std::function<QString(const QString&)> store_;
};

}  // namespace qx
