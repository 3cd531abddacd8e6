// The Search and Replace dialog: a pattern, its replacement, their type and
// a range; Replace All, or Ask First at each occurrence.
#pragma once

#include "ui/dialogs/SearchForm.h"

class QLabel;

namespace qx {

class Replace : public SearchForm {
  Q_OBJECT
 public:
  // kind: the record kind in use, for the Field drop-down; null without a layout.
  Replace(QWidget* mainWindow, IO& io, const RecordKind* kind = nullptr);

  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* ReplaceStringBox = nullptr;
  QLabel* Label4 = nullptr;
  QLineEdit* StartBox = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* EndBox = nullptr;
  QPushButton* ReplaceAllButton = nullptr;
  QPushButton* AskFirstButton = nullptr;

  bool AskFirst = false;
  // The Ask First question; the Found prompt unless a test sets another.
  AskFn Ask;

 public slots:
  void ReplaceAllButton_Click();
  void AskFirstButton_Click();

 private:
  void Form_Load(QWidget* mainWindow);
  bool ValidateReplaceFields();
  void PrepareReplace();
};

}  // namespace qx
