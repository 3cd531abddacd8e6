// The Cut and Copy dialog: a range of bytes or marks, and optionally a file
// to send them to instead of the clip file. Its caption decides what O.K.
// does.
#pragma once

#include <QDialog>

#include "core/IO.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qx {

class PathRow;

class CutCopy : public QDialog {
  Q_OBJECT
 public:
  enum class Kind { Cut, Copy };
  CutCopy(QWidget* mainWindow, IO& io, Kind kind);

  void CutFile();
  void CopyFile();

  QLabel* Label1 = nullptr;
  QLineEdit* StartBox = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* EndBox = nullptr;
  PathRow* Path = nullptr;
  QCheckBox* CheckBox = nullptr;
  QLineEdit* PathNameBox = nullptr;
  QPushButton* BrowseButton = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;

 public slots:
  void OKButton_Click();
  void CancelButton_Click();

 private:
  // The range and target of the boxes; false (the dialog closed, or kept
  // open after a message) when there is nothing to do.
  bool Prepare(struct ByteRange& range, QString& target);

  IO& io_;
  Kind kind_;
};

}  // namespace qx
