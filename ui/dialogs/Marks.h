// The chooser of the marks A..Z: shows each mark's cursor offset; a click or
// a letter key chooses one.
#pragma once

#include <QDialog>
#include <array>

#include "core/Declare.h"

class QLabel;
class QPushButton;
class QKeyEvent;

namespace qx {

class Marks : public QDialog {
  Q_OBJECT
 public:
  Marks(QWidget* mainWindow, const EditorState& s);

  std::array<QLabel*, kMarkCount> Label{};
  std::array<QLabel*, kMarkCount> CursorValue{};
  QPushButton* ExitButton = nullptr;

  // The chosen letter, 0..25, or -1 when none was chosen.
  int Value() const { return chosen_; }

  // Shows the chooser modally and returns its Value.
  static int Choose(QWidget* mainWindow, const EditorState& s);

 public slots:
  void ExitButton_Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  // True when the key was one this window acts on.
  bool HandleKey(const QKeyEvent* e);

  int chosen_ = -1;
};

}  // namespace qx
