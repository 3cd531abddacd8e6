// The real main window over real files, with the scripted platform.
#pragma once

#include <QTest>
#include <memory>

#include <QLabel>
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

  // The clip file of the window lies in the test's own directory.
  std::unique_ptr<QX> MakeWindow() {
    const QByteArray oldTemp = qgetenv("TEMP");
    const bool hadTemp = qEnvironmentVariableIsSet("TEMP");
    qputenv("TEMP", QFile::encodeName(files.Dir()));
    auto window = std::make_unique<QX>(s, p);
    // Shortcuts act only in the active window.
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    if (hadTemp) {
      qputenv("TEMP", oldTemp);
    } else {
      qunsetenv("TEMP");
    }
    return window;
  }

  QString Open(const QString& name, const QByteArray& bytes) {
    const QString path = files.Write(name, bytes);
    w->Io().OpenFile(path);
    return path;
  }
  void Key(int key) { QTest::keyClick(w->FileBar, static_cast<Qt::Key>(key)); }
  void Type(char c) { QTest::keyClick(w->FileBar, c); }
  // The centre of cell (row, col) of a pane, in pixels.
  QPoint CellCentre(PagePane* pane, int row, int col) const {
    const double dpiX = pane->logicalDpiX(), dpiY = pane->logicalDpiY();
    const double x = pane->CellXTwips(col) + (pane == w->HexBox ? w->CharWidth : w->CharWidth / 2);
    const double y = pane->CellYTwips(row) + w->RowHeight / 2.0;
    return QPoint(static_cast<int>(x * dpiX / 1440.0), static_cast<int>(y * dpiY / 1440.0));
  }
  void Click(PagePane* pane, int row, int col) {
    QTest::mouseClick(pane, Qt::LeftButton, {}, CellCentre(pane, row, col));
  }
  // The byte at offset of the file on disk.
  static int DiskByte(const QString& path, int offset) {
    return static_cast<std::uint8_t>(TempFiles::Read(path).at(offset));
  }
};

}  // namespace qx::test
