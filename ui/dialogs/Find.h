// The Find dialog: a pattern, its type and a range; Find First, Find Next
// and Count. FindNext is also what the menu's Find Next and F4 call, on a
// dialog object that is never shown.
#pragma once

#include <QDialog>
#include <array>

#include "core/IO.h"
#include "core/Progress.h"
#include "search/Search.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace qx {

class Find : public QDialog, public ProgressBar {
  Q_OBJECT
 public:
  Find(QWidget* mainWindow, IO& io);

  // One scan from the search position with the last pattern and range.
  void FindNext();

  void ShowProgress(bool visible) override;
  void SetProgress(int value) override;

  QLabel* Label1 = nullptr;
  QLineEdit* FindStringBox = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* StartBox = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* EndBox = nullptr;
  QGroupBox* Frame1 = nullptr;
  std::array<QRadioButton*, 3> SearchTypeButton{};
  QPushButton* FindFirstButton = nullptr;
  QPushButton* FindNextButton = nullptr;
  QPushButton* CountButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QProgressBar* Progress = nullptr;

  bool Loading = false;
  ScanOptions Options;  // tests shrink the chunk size

 public slots:
  void FindFirstButton_Click();
  void FindNextButton_Click();
  void CountButton_Click();
  void CancelButton_Click();
  void SearchTypeButton_Click(int index);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  // Escape is Count's; what reaches reject() is the close box: Cancel.
  void reject() override;

 private:
  void Form_Load(QWidget* mainWindow);
  int CheckedType() const;
  void PrepareSearch();

  IO& io_;
};

}  // namespace qx
