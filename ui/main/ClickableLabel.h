// A status box that acts on a click: a label with a white background that
// emits Click when the left button is clicked on it.
#pragma once

#include <QLabel>

namespace qx {

class ClickableLabel : public QLabel {
  Q_OBJECT
 public:
  explicit ClickableLabel(QWidget* parent = nullptr);

 signals:
  void Click();

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override;
};

}  // namespace qx
