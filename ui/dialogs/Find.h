// The Find dialog: a pattern, its type and a range; Find First, Find Next
// and Count. FindNext is also what the menu's Find Next and F4 call, on a
// dialog object that is never shown.
#pragma once

#include "ui/dialogs/SearchForm.h"

class QLabel;

namespace qx {

struct LayoutField;

class Find : public SearchForm {
  Q_OBJECT
 public:
  // kind: the record kind in use, for the Field drop-down; null without a layout.
  Find(QWidget* mainWindow, IO& io, const RecordKind* kind = nullptr);

  // One scan from the search position with the last pattern and range; a
  // value is looked for in the field of that name in kind.
  void FindNext();

  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* StartBox = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* EndBox = nullptr;
  QPushButton* FindFirstButton = nullptr;
  QPushButton* FindNextButton = nullptr;
  QPushButton* CountButton = nullptr;

 public slots:
  void FindFirstButton_Click();
  void FindNextButton_Click();
  void CountButton_Click();

 protected:
  // Escape is Count's; what reaches reject() is the close box: Cancel.
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void Form_Load(QWidget* mainWindow);
  void PrepareSearch();
  // The field of the last search, for a value; null after saying why not.
  const LayoutField* ValueField();

  const RecordKind* kind_;
};

}  // namespace qx
