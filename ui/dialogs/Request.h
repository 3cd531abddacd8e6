// The value prompt: asks for one whole number.
#pragma once

#include <QDialog>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qx {

class Request : public QDialog {
  Q_OBJECT
 public:
  explicit Request(QWidget* mainWindow);

  QLabel* AskFor = nullptr;
  QLineEdit* Entry = nullptr;
  QPushButton* ExitButton = nullptr;

  std::int64_t Value() const { return value_; }
  void SetValue(std::int64_t v) { value_ = v; }

  // Load, set caption and value, show modally, read the value.
  static std::int64_t Ask(QWidget* mainWindow, const QString& caption, std::int64_t value,
                          int helpContext);

 public slots:
  void ExitButton_Click();

 protected:
  void showEvent(QShowEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::int64_t value_ = 0;
  bool placed_ = false;
};

}  // namespace qx
