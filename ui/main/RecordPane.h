// The record view's drawing surface: with a layout a band of field names,
// then a column ruler, then one record per row (its number and offset at
// the left, its characters, and with hex its high and low digits beneath),
// a thin rule between records. Each line is drawn as one string in a
// fixed-pitch font.
#pragma once

#include <QFont>
#include <QRawFont>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/Declare.h"
#include "core/RecordLayout.h"
#include "fields/FieldBand.h"

class QPainter;

namespace qx {

class CharacterSet;

class RecordPane : public QWidget {
  Q_OBJECT
 public:
  // What the pane draws; offsets are from the working base.
  struct Picture {
    RecordScreen Screen;
    std::int64_t WorkingBase = 0;
    const RecordBuffer* Records = nullptr;
    const CharacterSet* Set = nullptr;
    std::optional<std::int64_t> Cursor;
    bool CharsActive = false;  // the character line has the cursor, else the digit lines
    ByteSpan Hit;              // the last match of Find
    int FieldColumn = -1;      // record column of the current field offset
    // With a layout: its band, and a record row each of FailingColumns.
    std::optional<FieldBand> Band;
    std::vector<std::vector<bool>> Failing;
  };

  explicit RecordPane(QWidget* parent = nullptr);

  void SetGlyphFont(const QFont& font);
  // Whether the band of field names takes a line above the ruler; Show sets
  // it too, but the rows that fit must know it first.
  void SetBand(bool shown) { band_ = shown; }
  // Record rows and byte columns that fit the pane as it is now.
  int RowsThatFit(bool showHex) const;
  // The height that shows rows record rows.
  int HeightFor(int rows, bool showHex) const;
  int ColumnsThatFit(int recordLength, std::int64_t workingLength) const;
  void Show(const Picture& picture);
  const Picture& Shown() const { return picture_; }

  // What a line of a record row shows (0 characters, 1 high digits, 2 low
  // digits), one character per column on screen; the number and offset.
  QString LineText(int row, int line) const;
  QString GutterText(int row) const;
  QString Ruler() const;
  // The band's names; empty without a layout.
  QString BandText() const { return picture_.Band ? picture_.Band->text : QString(); }
  // The background and pen of a cell: the cursor, edits, the hit and the
  // field's column show there.
  QColor CellBackground(int row, int column) const;
  QColor CellPen(int row, int line, int column) const;
  // The record row and screen column under a point; the line (0..2) too.
  std::optional<RecordPosition> CellAt(QPoint p, int* line = nullptr) const;
  int CharWidth() const { return charWidth_; }
  int LineHeight() const { return lineHeight_; }
  QPoint CellCentre(int row, int line, int column) const;

 signals:
  void CellClicked(std::int64_t row, int column, int line);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  bool event(QEvent* e) override;

 private:
  // The number and offset at the left, and the space after them.
  static int GutterChars(int recordLength, std::int64_t workingLength);
  int GutterChars() const;
  int BandHeight() const { return band_ ? lineHeight_ : 0; }
  int RowTop(int row) const;
  int RowHeight() const;
  // One line of text on the column grid, as one run of glyphs: no shaping,
  // which would cost more than the rest of a frame.
  void DrawLine(QPainter& p, int x, int baseline, const QString& text) const;
  // The byte shown at a cell, if any.
  std::optional<std::uint8_t> ByteAt(std::int64_t offset) const;

  QFont glyphFont_;
  QRawFont rawFont_;
  int charWidth_ = 8;
  int lineHeight_ = 14;
  int ascent_ = 11;
  Picture picture_;
  bool band_ = false;
};

}  // namespace qx
