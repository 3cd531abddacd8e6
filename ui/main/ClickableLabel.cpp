#include "ui/main/ClickableLabel.h"

#include <QMouseEvent>

namespace qx {

ClickableLabel::ClickableLabel(QWidget* parent) : QLabel(parent) {
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);
  setCursor(Qt::PointingHandCursor);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* e) {
  // A click is a release over the box, as buttons behave.
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) {
    e->accept();
    emit Click();
    return;
  }
  QLabel::mouseReleaseEvent(e);
}

}  // namespace qx
