// The real main window over real files, with the scripted platform.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "core/Navigation.h"
#include "tests/Fakes.h"
#include "ui/main/ClickableLabel.h"
#include "ui/main/PagePane.h"
#include "ui/main/QX.h"

namespace qx::test {

struct WindowRig {
  EditorState s;
  FakePlatform p;
  TempFiles files;
  std::unique_ptr<QX> w = MakeWindow();

  std::unique_ptr<QX> MakeWindow() {
    auto window = [this] {
      Environment env;  // the clip file goes to the test's directory
      env.Set("TEMP", QFile::encodeName(files.Dir()));
      return std::make_unique<QX>(s, p);
    }();
    window->show();  // shortcuts act only in the active window
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    return window;
  }
  QString Open(const QString& name, const QByteArray& bytes) {
    const QString path = files.Write(name, bytes);
    w->Io().OpenFile(path);
    return path;
  }
  void Key(int key, Qt::KeyboardModifiers m = {}) {
    QTest::keyClick(w->FileBar, static_cast<Qt::Key>(key), m);
  }
  void Type(char c) { QTest::keyClick(w->FileBar, c); }
  // The centre of cell (row, col) of a pane, in pixels.
  QPoint CellCentre(PagePane* pane, int row, int col) const {
    const double x = pane->CellXTwips(col) + (pane == w->HexBox ? w->CharWidth : w->CharWidth / 2);
    const double y = pane->CellYTwips(row) + w->RowHeight / 2.0;
    return QPoint(static_cast<int>(x * pane->logicalDpiX() / 1440.0),
                  static_cast<int>(y * pane->logicalDpiY() / 1440.0));
  }
  void Click(PagePane* pane, int row, int col) {
    QTest::mouseClick(pane, Qt::LeftButton, {}, CellCentre(pane, row, col));
  }
  // The texts of n cells of a row, joined.
  static QString RowText(PagePane* pane, int row, int col, int n) {
    QString t;
    for (int c = col; c < col + n; ++c) t += pane->CellText(row, c);
    return t;
  }
  using BoxTexts = std::initializer_list<std::pair<QLineEdit*, const char*>>;
  static void SetBoxes(BoxTexts boxes) {
    for (const auto& [box, text] : boxes) box->setText(text);
  }
  // Sets the boxes and presses the button: "You must enter values", the
  // dialog stays up and the focus goes to the box at fault.
  void ExpectRefused(BoxTexts boxes, QAbstractButton* button, QWidget* focus) {
    SetBoxes(boxes);
    p.ExpectBox("You must enter values");
    button->click();
    p.Verify();
    EXPECT_TRUE(button->window()->isVisible());
    EXPECT_EQ(button->window()->focusWidget(), focus);
  }
  static int DiskByte(const QString& path, int offset) {
    return static_cast<std::uint8_t>(TempFiles::Read(path).at(offset));
  }
};

// n bytes from rng, as a QByteArray or a std::vector<std::uint8_t>.
template <class B = QByteArray>
B RngBytes(std::mt19937& rng, std::size_t n) {
  B b;
  b.resize(static_cast<decltype(b.size())>(n));
  for (auto& c : b) c = static_cast<std::remove_reference_t<decltype(c)>>(rng());
  return b;
}

// Runs act on each of the next `times` modal windows of type W as the event
// loop shows them; one that act leaves open fails the test instead of hanging.
template <class W>
class WhenModal {
 public:
  explicit WhenModal(std::function<void(W*)> act, int times = 1) : left_(times) {
    QObject::connect(&poll_, &QTimer::timeout, [this, act] {
      auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
      if (!w || left_ == 0) return;
      --left_;
      act(w);
      if (w->isVisible()) {
        ADD_FAILURE() << "the window did not close";
        static_cast<QDialog*>(w)->reject();
      }
    });
    poll_.start(1);
  }
  ~WhenModal() { EXPECT_EQ(left_, 0) << "modal window(s) never shown"; }

 private:
  int left_;
  QTimer poll_;
};

}  // namespace qx::test
