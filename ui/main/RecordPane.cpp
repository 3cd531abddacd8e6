#include "ui/main/RecordPane.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

#include "core/CharacterSet.h"
#include "input/Utility.h"

namespace qx {

namespace {

const QColor kEdited(255, 236, 150);  // as the page marks its edits
const QColor kHit(160, 215, 255);
const QColor kFieldColumn(228, 236, 250);
const QColor kRulerBand(224, 224, 224);
const QColor kFieldTint(234, 240, 226);  // every other field
const QColor kFailing(255, 200, 200);    // a number that does not decode
const QColor kBoundary(150, 150, 190);
const QColor kRuleLine(200, 200, 200);
const QColor kGutterPen(96, 96, 96);
const QColor kActiveCursor(255, 0, 0);
const QColor kOtherCursor(0, 160, 0);
constexpr int kRuleGap = 3;  // pixels below a record's lines, the rule in the middle

const char kDigits[] = "0123456789ABCDEF";

}  // namespace

RecordPane::RecordPane(QWidget* parent) : QWidget(parent) {
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void RecordPane::SetGlyphFont(const QFont& font) {
  glyphFont_ = font;
  const QFontMetrics fm(font);
  charWidth_ = std::max(fm.horizontalAdvance(QLatin1Char('0')), 1);
  lineHeight_ = std::max(fm.height(), 1);
  ascent_ = fm.ascent();
  rawFont_ = QRawFont::fromFont(font);
  update();
}

void RecordPane::DrawLine(QPainter& p, int x, int baseline, const QString& text) const {
  const QList<quint32> glyphs = rawFont_.glyphIndexesForString(text);
  // A character the font lacks goes through the painter, which finds
  // another font for it.
  if (!rawFont_.isValid() || glyphs.size() != text.size() ||
      std::find(glyphs.begin(), glyphs.end(), 0u) != glyphs.end()) {
    p.drawText(x, baseline, text);
    return;
  }
  QList<QPointF> positions(glyphs.size());
  for (qsizetype i = 0; i < positions.size(); ++i)
    positions[i] = QPointF(static_cast<double>(i * charWidth_), 0.0);
  QGlyphRun run;
  run.setRawFont(rawFont_);
  run.setGlyphIndexes(glyphs);
  run.setPositions(positions);
  p.drawGlyphRun(QPointF(x, baseline), run);
}

int RecordPane::RowHeight() const {
  return picture_.Screen.LinesPerRecord() * lineHeight_ + kRuleGap;
}

int RecordPane::RowTop(int row) const {
  return BandHeight() + lineHeight_ + kRuleGap + row * RowHeight();
}

int RecordPane::RowsThatFit(bool showHex) const {
  const int rowHeight = (showHex ? 3 : 1) * lineHeight_ + kRuleGap;
  return std::max((height() - BandHeight() - lineHeight_ - kRuleGap) / rowHeight, 1);
}

int RecordPane::HeightFor(int rows, bool showHex) const {
  return BandHeight() + lineHeight_ + kRuleGap +
         rows * ((showHex ? 3 : 1) * lineHeight_ + kRuleGap);
}

int RecordPane::GutterChars(int recordLength, std::int64_t workingLength) {
  const std::int64_t length = std::max(recordLength, 1);
  const std::int64_t lastRecord = std::max<std::int64_t>(workingLength - 1, 0) / length;
  return static_cast<int>(FormatCount(lastRecord).size() + 1 +
                          FormatCount(lastRecord * length).size() + 2);
}

int RecordPane::GutterChars() const {
  return GutterChars(picture_.Screen.RecordLength, picture_.Screen.WorkingLength);
}

int RecordPane::ColumnsThatFit(int recordLength, std::int64_t workingLength) const {
  return std::max(width() / charWidth_ - GutterChars(recordLength, workingLength), 1);
}

void RecordPane::Show(const Picture& picture) {
  picture_ = picture;
  band_ = picture_.Band.has_value();
  update();
}

std::optional<std::uint8_t> RecordPane::ByteAt(std::int64_t offset) const {
  const RecordBuffer* r = picture_.Records;
  if (r == nullptr) return std::nullopt;
  const std::int64_t at = picture_.WorkingBase + offset;
  if (at < r->At || at >= r->End()) return std::nullopt;
  return r->Bytes[static_cast<std::size_t>(at - r->At)];
}

QString RecordPane::LineText(int row, int line) const {
  const RecordScreen& s = picture_.Screen;
  QString text(std::max(s.Columns, 0), QLatin1Char(' '));
  if (line >= s.LinesPerRecord()) return QString();
  for (int column = 0; column < s.Columns; ++column) {
    const std::optional<std::int64_t> offset = s.OffsetAt(row, column);
    if (!offset) continue;
    const std::optional<std::uint8_t> b = ByteAt(*offset);
    if (!b) continue;
    if (line == 0) {
      text[column] = picture_.Set != nullptr ? picture_.Set->Shown(*b) : QLatin1Char('.');
    } else {
      text[column] = QLatin1Char(kDigits[line == 1 ? *b >> 4 : *b & 15]);
    }
  }
  return text;
}

QString RecordPane::GutterText(int row) const {
  const RecordScreen& s = picture_.Screen;
  const std::int64_t record = s.TopRecord + row;
  const std::int64_t length = std::max(s.RecordLength, 1);
  if (row < 0 || row >= s.Rows || record * length >= s.WorkingLength) return QString();
  const std::int64_t lastRecord = std::max<std::int64_t>(s.WorkingLength - 1, 0) / length;
  return FormatCount(record).rightJustified(FormatCount(lastRecord).size()) + QLatin1Char(' ') +
         FormatCount(record * length).rightJustified(FormatCount(lastRecord * length).size());
}

QString RecordPane::Ruler() const {
  const RecordScreen& s = picture_.Screen;
  return QString::fromStdString(RulerText(s.FirstColumn, s.Columns, s.RecordLength));
}

QColor RecordPane::CellBackground(int row, int column) const {
  const std::optional<std::int64_t> offset = picture_.Screen.OffsetAt(row, column);
  if (offset) {
    const RecordBuffer* r = picture_.Records;
    const std::int64_t at = picture_.WorkingBase + *offset;
    if (r != nullptr && at >= r->At && at < r->End() &&
        r->Edited[static_cast<std::size_t>(at - r->At)])
      return kEdited;
    const ByteSpan& hit = picture_.Hit;
    if (hit.Length > 0 && *offset >= hit.Start && *offset <= hit.Last()) return kHit;
  }
  const std::vector<std::vector<bool>>& failing = picture_.Failing;
  if (offset && row >= 0 && row < std::ssize(failing) && column < std::ssize(failing[row]) &&
      failing[row][column])
    return kFailing;
  if (picture_.Screen.FirstColumn + column == picture_.FieldColumn) return kFieldColumn;
  if (picture_.Band && column >= 0 && column < std::ssize(picture_.Band->tinted) &&
      picture_.Band->tinted[column])
    return kFieldTint;
  return palette().color(QPalette::Window);
}

QColor RecordPane::CellPen(int row, int line, int column) const {
  const std::optional<std::int64_t> offset = picture_.Screen.OffsetAt(row, column);
  if (offset && offset == picture_.Cursor) {
    const bool active = (line == 0) == picture_.CharsActive;
    return active ? kActiveCursor : kOtherCursor;
  }
  return Qt::black;
}

std::optional<RecordPosition> RecordPane::CellAt(QPoint p, int* line) const {
  const int x = p.x() - GutterChars() * charWidth_;
  const int y = p.y() - RowTop(0);
  if (x < 0 || y < 0) return std::nullopt;
  const int row = y / RowHeight();
  const int column = x / charWidth_;
  if (row >= picture_.Screen.Rows || column >= picture_.Screen.Columns) return std::nullopt;
  if (line != nullptr)
    *line = std::min((y % RowHeight()) / lineHeight_, picture_.Screen.LinesPerRecord() - 1);
  return RecordPosition{row, column};
}

QPoint RecordPane::CellCentre(int row, int line, int column) const {
  return {(GutterChars() + column) * charWidth_ + charWidth_ / 2,
          RowTop(row) + line * lineHeight_ + lineHeight_ / 2};
}

void RecordPane::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setFont(glyphFont_);
  const QColor background = palette().color(QPalette::Window);
  p.fillRect(rect(), background);
  const RecordScreen& s = picture_.Screen;
  const int left = GutterChars() * charWidth_;
  const int lines = s.LinesPerRecord();
  const int ruler = BandHeight();
  p.fillRect(0, 0, width(), ruler + lineHeight_ + 1, kRulerBand);
  const int field = picture_.FieldColumn - s.FirstColumn;
  if (field >= 0 && field < s.Columns) {
    p.fillRect(left + field * charWidth_, 0, charWidth_, height(), kFieldColumn);
    p.fillRect(left + field * charWidth_, ruler, charWidth_, lineHeight_ + 1,
               kFieldColumn.darker(115));
  }
  p.setPen(kGutterPen);
  DrawLine(p, left, ruler + ascent_, Ruler());
  if (picture_.Band) {
    for (int column = 0; column < std::ssize(picture_.Band->tinted); ++column) {
      if (picture_.Band->tinted[column])
        p.fillRect(left + column * charWidth_, 0, charWidth_, ruler, kFieldTint.darker(110));
    }
    p.setPen(Qt::black);
    DrawLine(p, left, ascent_, picture_.Band->text);
    p.setPen(kRuleLine);
    p.drawLine(left, ruler, width(), ruler);
  }
  p.setPen(kRuleLine);
  p.drawLine(left - charWidth_, 0, left - charWidth_, height());
  for (int row = 0; row < s.Rows; ++row) {
    const QString gutter = GutterText(row);
    if (gutter.isEmpty()) break;  // past the last record
    const int top = RowTop(row);
    for (int column = 0; column < s.Columns; ++column) {
      const QColor back = CellBackground(row, column);
      if (back != background)
        p.fillRect(left + column * charWidth_, top, charWidth_, lines * lineHeight_, back);
    }
    p.setPen(kGutterPen);
    DrawLine(p, 0, top + ascent_, gutter);
    const std::optional<RecordPosition> at =
        picture_.Cursor ? s.CellOf(*picture_.Cursor) : std::nullopt;
    const int cursorColumn = at && at->Record == row ? at->Column : -1;
    for (int line = 0; line < lines; ++line) {
      QString text = LineText(row, line);
      const int y = top + line * lineHeight_ + ascent_;
      if (cursorColumn >= 0) {
        const QChar c = text[cursorColumn];
        text[cursorColumn] = QLatin1Char(' ');
        p.setPen(CellPen(row, line, cursorColumn));
        p.drawText(left + cursorColumn * charWidth_, y, QString(c));
      }
      p.setPen(Qt::black);
      DrawLine(p, left, y, text);
    }
    p.setPen(kRuleLine);
    const int rule = top + lines * lineHeight_ + kRuleGap / 2;
    p.drawLine(0, rule, width(), rule);
  }
  if (picture_.Band) {
    p.setPen(kBoundary);
    for (const int column : picture_.Band->boundaries) {
      const int x = left + column * charWidth_;
      p.drawLine(x, 0, x, height());
    }
  }
}

bool RecordPane::event(QEvent* e) {
  if (e->type() != QEvent::ToolTip) return QWidget::event(e);
  const QPoint at = static_cast<QHelpEvent*>(e)->pos();
  const int column = (at.x() - GutterChars() * charWidth_) / charWidth_;
  QString tip;
  if (picture_.Band && at.y() < BandHeight() && at.x() >= GutterChars() * charWidth_ &&
      column < picture_.Band->tips.size())
    tip = picture_.Band->tips[column];
  if (tip.isEmpty()) {
    QToolTip::hideText();
    e->ignore();
  } else {
    QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), tip, this);
  }
  return true;
}

void RecordPane::mousePressEvent(QMouseEvent* e) {
  int line = 0;
  if (const std::optional<RecordPosition> at = CellAt(e->position().toPoint(), &line))
    emit CellClicked(at->Record, at->Column, line);
  e->accept();
}

}  // namespace qx
