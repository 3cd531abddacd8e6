// The Printer Setup dialog: the printer and its font, which take effect at
// once while the dialog is open, the page limit, and the test page. OK
// keeps and saves the choices; Cancel puts back the printer and font.
#pragma once

#include <QDialog>

#include "core/Declare.h"
#include "platform/Platform.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qx {

class GetPrinter : public QDialog {
  Q_OBJECT
 public:
  GetPrinter(QWidget* parent, EditorState& s, Platform& p);

  QLabel* Label1 = nullptr;
  QComboBox* PrinterList = nullptr;
  QLabel* Label4 = nullptr;
  QComboBox* FontList = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* PageLimitBox = nullptr;
  QPushButton* TestPageButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* OKButton = nullptr;

 public slots:
  void PrinterList_Click();
  void FontList_Click();
  void TestPageButton_Click();
  void OKButton_Click();
  void CancelButton_Click();

 protected:
  void reject() override;

 private:
  void Form_Activate();
  void FillFontList();
  QString Setting(const char* key) const;

  EditorState& s_;
  Platform& p_;
  QString savedPrinterName_;
  QString savedFontName_;
  bool listsReady_ = false;
};

}  // namespace qx
