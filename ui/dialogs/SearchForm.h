// What the Find and Replace dialogs share: the pattern box, the search-type
// options, the field and Match case, the progress bar and Cancel.
#pragma once

#include <QDialog>
#include <array>

#include "core/IO.h"
#include "core/Progress.h"
#include "search/Search.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace qx {

class FieldChoice;
struct RecordKind;

class SearchForm : public QDialog, public ProgressBar {
  Q_OBJECT
 public:
  void ShowProgress(bool visible) override;
  void SetProgress(int value) override;

  QLineEdit* FindStringBox = nullptr;
  QGroupBox* Frame1 = nullptr;
  // The fourth, Value, is Find's alone: null in Replace.
  std::array<QRadioButton*, 4> SearchTypeButton{};
  FieldChoice* FieldBox = nullptr;
  QCheckBox* MatchCaseBox = nullptr;
  QPushButton* CancelButton = nullptr;
  QProgressBar* Progress = nullptr;

  bool Loading = false;
  ScanOptions Options;  // tests shrink the chunk size

 public slots:
  void CancelButton_Click();
  void SearchTypeButton_Click(int index);

 protected:
  // typeNames: the captions of the three options; cancelCaption: Cancel's;
  // kind: the record kind in use, whose fields the Field drop-down offers;
  // valueKind: a fourth option, "&Value", for a numeric field.
  SearchForm(QWidget* mainWindow, IO& io, const std::array<const char*, 3>& typeNames,
             bool typesInColumn, const QString& cancelCaption, const RecordKind* kind,
             bool valueKind = false);
  int CheckedType() const;
  // Checks the option of the last search type without emptying the box.
  void PresetSearchType();
  bool HexChecked() const;
  bool ValueChecked() const;
  // The field and Match case chosen become the search's.
  void TakeFieldAndCase();
  // The close box (and, in Replace, Escape) cancel.
  void reject() override;

  IO& io_;

 private:
  // Value only for a numeric field, falling back to ASCII; Match case only
  // for text.
  void EnableByKind();
};

}  // namespace qx
