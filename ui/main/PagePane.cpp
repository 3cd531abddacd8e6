#include "ui/main/PagePane.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/main/Library.h"

namespace qx {

namespace {
// Behind the bytes changed since the last save, in both panes.
const QColor kEditedCell(255, 236, 150);

bool InPage(int row, int col) {
  return row >= 0 && row < 16 && col >= 0 && col < 16;
}
}  // namespace

PagePane::PagePane(int cellChars, QWidget* parent) : QWidget(parent), cellChars_(cellChars) {
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  setFocusPolicy(Qt::NoFocus);
}

void PagePane::SetMetrics(int charWidthTwips, int rowHeightTwips, const QFont& glyphFont) {
  charWidth_ = charWidthTwips;
  rowHeight_ = rowHeightTwips;
  glyphFont_ = glyphFont;
  update();
}

void PagePane::Clear() {
  cells_.fill(Cell{});
  marked_.reset();
  update();
}

void PagePane::PrintCell(int row, int col, const QString& text, const QColor& color) {
  if (!InPage(row, col)) return;
  cells_[static_cast<std::size_t>(16 * row + col)] = {text, color};
  update();
}

QString PagePane::CellText(int row, int col) const {
  return InPage(row, col) ? cells_[static_cast<std::size_t>(16 * row + col)].text : QString();
}

QColor PagePane::CellColor(int row, int col) const {
  return InPage(row, col) ? cells_[static_cast<std::size_t>(16 * row + col)].color : QColor();
}

void PagePane::MarkCell(int row, int col, bool marked) {
  if (!InPage(row, col) || marked_[static_cast<std::size_t>(16 * row + col)] == marked) return;
  marked_[static_cast<std::size_t>(16 * row + col)] = marked;
  update();
}

bool PagePane::CellMarked(int row, int col) const {
  return InPage(row, col) && marked_[static_cast<std::size_t>(16 * row + col)];
}

int PagePane::CellXTwips(int col) const {
  return cellChars_ * charWidth_ * col + 100;
}
int PagePane::CellYTwips(int row) const {
  return rowHeight_ * row + 100;
}

void PagePane::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setFont(glyphFont_);
  const QColor background = palette().color(QPalette::Window);
  for (int row = 0; row < 16; ++row) {
    for (int col = 0; col < 16; ++col) {
      const auto i = static_cast<std::size_t>(16 * row + col);
      const Cell& c = cells_[i];
      const QRect r(
          TwipsToPixels(this, CellXTwips(col)), TwipsToPixels(this, CellYTwips(row), true),
          TwipsToPixels(this, cellChars_ * charWidth_), TwipsToPixels(this, rowHeight_, true));
      if (marked_[i]) p.fillRect(r, kEditedCell);
      // An erased cell is printed in the background colour: nothing to see.
      if (c.text.isEmpty() || c.color == background) continue;
      p.setPen(c.color);
      p.drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, c.text);
    }
  }
}

void PagePane::mousePressEvent(QMouseEvent* e) {
  const double dpiX = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
  const double dpiY = logicalDpiY() > 0 ? logicalDpiY() : 96.0;
  const QPointF pos = e->position();
  emit MouseDown(pos.x() * 1440.0 / dpiX, pos.y() * 1440.0 / dpiY);
  e->accept();
}

}  // namespace qx
