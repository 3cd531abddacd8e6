// The check box and path row that Cut/Copy ("Send to file") and Paste
// ("Read From File") share: checking it shows the path box and Browse.
#pragma once

#include <QWidget>

#include "core/IO.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qx {

class PathRow : public QWidget {
  Q_OBJECT
 public:
  enum class Browse { Save, Open };
  PathRow(QWidget* parent, IO& io, const QString& checkCaption, Browse browse,
          QWidget* enterGoesTo);

  QCheckBox* CheckBox = nullptr;
  QLabel* PathnameLabel = nullptr;
  QLineEdit* PathNameBox = nullptr;
  QPushButton* BrowseButton = nullptr;

 public slots:
  void CheckBox_Click();
  void BrowseButton_Click();

 private:
  IO& io_;
  Browse browse_;
};

}  // namespace qx
