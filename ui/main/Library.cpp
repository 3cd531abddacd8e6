#include "ui/main/Library.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace qx {

namespace {

constexpr double kTwipsPerInch = 1440.0;

QRect ScreenArea(const QWidget* w) {
  const QScreen* screen = w ? w->screen() : nullptr;
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

// The size the window will have on screen, frame included once it is shown.
QSize OuterSize(const QWidget* w) {
  const QSize frame = w->frameGeometry().size();
  return frame.isValid() && w->isVisible() ? frame : w->size();
}

}  // namespace

int TwipsToPixels(const QWidget* w, int twips, bool vertical) {
  int dpi = 96;
  if (w) {
    dpi = vertical ? w->logicalDpiY() : w->logicalDpiX();
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    dpi = qRound(vertical ? screen->logicalDotsPerInchY() : screen->logicalDotsPerInchX());
  }
  return qRound(twips * dpi / kTwipsPerInch);
}

void CenterForm(QWidget* w) {
  if (!w) return;
  const QRect area = ScreenArea(w);
  const QSize size = OuterSize(w);
  w->move(area.x() + (area.width() - size.width()) / 2,
          area.y() + (area.height() - size.height()) / 2);
}

void PlaceBelowMain(QWidget* w, const QWidget* mainWindow, int twipsBelow) {
  if (!w) return;
  if (!mainWindow) {
    CenterForm(w);
    return;
  }
  const QRect area = ScreenArea(mainWindow);
  const QSize size = OuterSize(w);
  int y = mainWindow->frameGeometry().top() + TwipsToPixels(mainWindow, twipsBelow, true);
  // A main window low on the screen must not push the dialog off it.
  if (area.isValid()) y = std::max(area.top(), std::min(y, area.bottom() + 1 - size.height()));
  w->move(area.x() + (area.width() - size.width()) / 2, y);
}

}  // namespace qx
