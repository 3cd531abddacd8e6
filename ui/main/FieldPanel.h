// The field panel: a dock beside or under the records listing the fields of
// the cursor's record. It takes the focus only from a click, and its keys
// are its own.
#pragma once

#include <QDockWidget>
#include <cstdint>
#include <functional>

#include "fields/FieldRows.h"

class QMainWindow;
class QTableWidget;

namespace qx {

class Platform;

class FieldPanel : public QDockWidget {
 public:
  // Docks itself in window where the user last put it (right at first).
  // A click on a row calls moveTo with the working offset of its field's
  // first byte; a double click on a value, or Enter on a row, calls change.
  // Choosing another alternative in a REDEFINES area's drop-down calls
  // choose with the area and the alternative.
  using Go = std::function<void(std::int64_t)>;
  using Choose = std::function<void(int, int)>;
  FieldPanel(QMainWindow* window, Platform& p, Go moveTo, Go change, Choose choose);
  void ShowRows(const FieldRows& rows);
  QTableWidget* Table() const { return table_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::int64_t RowStart(int row) const;
  Platform& p_;
  QTableWidget* table_;
  FieldRows rows_;
  Go moveTo_, change_;
  Choose choose_;
};

}  // namespace qx
