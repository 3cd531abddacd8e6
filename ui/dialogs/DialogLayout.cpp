#include "ui/dialogs/DialogLayout.h"

#include <QBoxLayout>
#include <QPushButton>

namespace qx {

void LayOutBesideButtons(QWidget* dialog, QLayout* fields, std::initializer_list<QWidget*> below,
                         std::initializer_list<QPushButton*> buttons) {
  auto* column = new QVBoxLayout;
  for (QPushButton* b : buttons) column->addWidget(b);
  column->addStretch();
  auto* left = new QVBoxLayout;
  left->addLayout(fields);
  for (QWidget* w : below) left->addWidget(w);
  left->addStretch();
  auto* top = new QHBoxLayout(dialog);
  top->addLayout(left, 1);
  top->addLayout(column);
}

}  // namespace qx
