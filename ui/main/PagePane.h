// The white drawing surface of the hex grid and of the character column:
// each of the 16 x 16 cells holds the text last printed there and its
// colour; cells sit at twip positions given by the window's metrics.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>
#include <array>
#include <bitset>

namespace qx {

class PagePane : public QWidget {
  Q_OBJECT
 public:
  // cellChars: characters per cell (2 for the hex grid, 1 for characters).
  PagePane(int cellChars, QWidget* parent = nullptr);

  void SetMetrics(int charWidthTwips, int rowHeightTwips, const QFont& glyphFont);
  // Forgets every cell.
  void Clear();
  void PrintCell(int row, int col, const QString& text, const QColor& color);
  QString CellText(int row, int col) const;
  QColor CellColor(int row, int col) const;
  // A marked cell holds a byte changed since the page was last saved.
  void MarkCell(int row, int col, bool marked);
  bool CellMarked(int row, int col) const;
  // Top-left corner of a cell, in twips inside the pane.
  int CellXTwips(int col) const;
  int CellYTwips(int row) const;

 signals:
  // A mouse button went down at (x, y), in twips inside the pane.
  void MouseDown(double xTwips, double yTwips);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;

 private:
  struct Cell {
    QString text;
    QColor color;
  };
  int cellChars_;
  int charWidth_ = 160;
  int rowHeight_ = 190;
  QFont glyphFont_;
  std::array<Cell, 256> cells_{};
  std::bitset<256> marked_;
};

}  // namespace qx
