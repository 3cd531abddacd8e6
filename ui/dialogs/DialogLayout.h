// The layout the search and fill dialogs share: their fields with the
// widgets below them (options, progress bar) on the left, a column of
// buttons on the right.
#pragma once

#include <initializer_list>

class QLayout;
class QPushButton;
class QWidget;

namespace qx {

void LayOutBesideButtons(QWidget* dialog, QLayout* fields, std::initializer_list<QWidget*> below,
                         std::initializer_list<QPushButton*> buttons);

}  // namespace qx
