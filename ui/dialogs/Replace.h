// The Search and Replace dialog: a pattern, its replacement, their type and
// a range; Replace All, or Ask First at each occurrence.
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

class Replace : public QDialog, public ProgressBar {
  Q_OBJECT
 public:
  Replace(QWidget* mainWindow, IO& io);

  void ShowProgress(bool visible) override;
  void SetProgress(int value) override;

  QLabel* Label1 = nullptr;
  QLineEdit* FindStringBox = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* ReplaceStringBox = nullptr;
  QLabel* Label4 = nullptr;
  QLineEdit* StartBox = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* EndBox = nullptr;
  QGroupBox* Frame1 = nullptr;
  std::array<QRadioButton*, 3> SearchTypeButton{};
  QPushButton* ReplaceAllButton = nullptr;
  QPushButton* AskFirstButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QProgressBar* Progress = nullptr;

  bool Loading = false;
  bool AskFirst = false;
  ScanOptions Options;  // tests shrink the chunk size
  // The Ask First question; the Found prompt unless a test sets another.
  AskFn Ask;

 public slots:
  void ReplaceAllButton_Click();
  void AskFirstButton_Click();
  void CancelButton_Click();
  void SearchTypeButton_Click(int index);

 protected:
  // Escape and the close box cancel.
  void reject() override;

 private:
  void Form_Load(QWidget* mainWindow);
  int CheckedType() const;
  bool ValidateReplaceFields();
  void PrepareReplace();

  IO& io_;
};

}  // namespace qx
