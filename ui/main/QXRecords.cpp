// The record view of the main window: one record per row, read a screen at
// a time, moved by byte and record, typed over and saved like the page.
#include <QAction>
#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>
#include <utility>

#include "core/CharacterSet.h"
#include "core/FileMemory.h"
#include "core/RecordLayout.h"
#include "fields/FieldBand.h"
#include "fields/FileLayouts.h"
#include "input/Utility.h"
#include "ui/main/Library.h"
#include "ui/main/PagePane.h"
#include "ui/main/QX.h"
#include "ui/main/RecordPane.h"

namespace qx {

namespace {

// The ruler row of the page: the record view takes the window from there down.
constexpr int kViewTopTwips = 1980 - 480;
constexpr int kMarginTwips = 240;
// Records a window shows at least once the view appears, if the screen has room.
constexpr int kRowsWanted = 10;

// The band over the screen and the numbers on it that do not decode.
void ShowFields(const EditorState& s, const RecordKind& kind, RecordPane::Picture& picture) {
  const RecordScreen& screen = picture.Screen;
  const RecordBuffer& r = s.Records;
  picture.Band = BandOf(kind, screen.RecordLength, screen.FirstColumn, screen.Columns);
  for (int row = 0; row < screen.Rows; ++row) {
    const ByteSpan bytes =
        RecordBytes(screen.TopRecord + row, screen.RecordLength, screen.WorkingLength);
    const std::int64_t from = picture.WorkingBase + bytes.Start;
    const std::int64_t to = std::min(from + bytes.Length, r.End());
    if (bytes.Length == 0 || from < r.At || to <= from) break;
    const std::span<const std::uint8_t> record(r.Bytes.data() + (from - r.At),
                                               static_cast<std::size_t>(to - from));
    picture.Failing.push_back(FailingColumns(kind, screen.RecordLength, screen.FirstColumn,
                                             screen.Columns, record, *picture.Set,
                                             ChoicesOf(s.Current.Layout)));
  }
}

}  // namespace

void QX::PlaceRecordView() {
  const QWidget* client = centralWidget();
  if (RecordBox == nullptr || client == nullptr) return;
  const int margin = TwipsToPixels(this, Scaled(kMarginTwips));
  const int top = TwipsToPixels(this, Scaled(kViewTopTwips), true);
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const int width = std::max(client->width() - 2 * margin - bar, 1);
  const int height = std::max(client->height() - top - margin / 2 - bar, 1);
  RecordBox->setGeometry(margin, top, width, height);
  RecordBar->setGeometry(margin + width, top, bar, height);
  ColumnBar->setGeometry(margin, top + height, width, bar);
}

void QX::FitWindowToView(bool records) {
  if (!records) {
    // Back to the page's size, unless the user has sized the window since.
    if (grownFrom_.isValid() && size() == grownTo_) resize(grownFrom_);
    grownFrom_ = QSize();
    return;
  }
  if (isMaximized() || isFullScreen()) return;
  int want = height() + RecordBox->HeightFor(kRowsWanted, s_.Current.ShowHex) - RecordBox->height();
  const QSize space = p_.ScreenSpace();
  if (!space.isEmpty())
    want = std::min(want, space.height() - (frameGeometry().height() - height()));
  if (want <= height()) return;
  if (!grownFrom_.isValid() || size() != grownTo_) grownFrom_ = size();
  resize(width(), want);
  grownTo_ = size();
}

void QX::ShowView() {
  const bool records = s_.FileOpen() && s_.Current.RecordView;
  for (QWidget* w : {static_cast<QWidget*>(HexBox), static_cast<QWidget*>(AsciiBox),
                     static_cast<QWidget*>(Text1), static_cast<QWidget*>(FileBar)})
    w->setVisible(!records);
  for (QLabel* l : RBar) l->setVisible(!records);
  RecordBox->setVisible(records);
  RecordBar->setVisible(records);
  ColumnBar->setVisible(records);
  if (records != std::exchange(recordsShown_, records)) FitWindowToView(records);
  QWidget* bar = records ? RecordBar : FileBar;
  setFocusProxy(bar);
  centralWidget()->setFocusProxy(bar);
  if (QAction* a = MenuItem(QStringLiteral("mnuViewPage"))) a->setChecked(!s_.Current.RecordView);
  if (QAction* a = MenuItem(QStringLiteral("mnuViewRecords"))) a->setChecked(s_.Current.RecordView);
  if (QAction* a = MenuItem(QStringLiteral("mnuViewShowHex"))) a->setChecked(s_.Current.ShowHex);
}

RecordScreen QX::RecordScreenNow() {
  FileState& c = s_.Current;
  RecordScreen screen;
  screen.RecordLength = std::max<int>(c.RecordLength, 1);
  screen.WorkingLength = std::max<std::int64_t>(s_.WorkingLength, 0);
  screen.ShowHex = c.ShowHex;
  RecordBox->SetBand(layouts_.Kind(s_) != nullptr);
  screen.Rows = RecordBox->RowsThatFit(c.ShowHex);
  screen.Columns = RecordBox->ColumnsThatFit(screen.RecordLength, screen.WorkingLength);
  const std::int64_t records = RecordCountFor(screen.WorkingLength, screen.RecordLength);
  c.TopRecord = std::clamp<std::int64_t>(c.TopRecord, 0, std::max<std::int64_t>(records - 1, 0));
  c.FirstColumn = std::clamp(c.FirstColumn, 0, MaxFirstColumn(screen.RecordLength, screen.Columns));
  screen.TopRecord = c.TopRecord;
  screen.FirstColumn = c.FirstColumn;
  s_.RecordRows = screen.Rows;
  return screen;
}

void QX::FollowCursor() {
  FileState& c = s_.Current;
  if (!c.RecordView || RecordBox == nullptr) return;
  const RecordScreen screen = RecordScreenNow();
  const RecordPosition at = PositionOf(c.CursorOffset, screen.RecordLength);
  c.TopRecord = FirstToShow(at.Record, c.TopRecord, screen.Rows);
  c.FirstColumn = static_cast<int>(FirstToShow(at.Column, c.FirstColumn, screen.Columns));
}

void QX::LoadRecords() {
  const FileState& c = s_.Current;
  // Asked at most once: the answer saves or drops the edits.
  for (bool asked = false;;) {
    const ByteSpan span = RecordScreenNow().ReadSpan();
    const RecordBuffer& r = s_.Records;
    const std::int64_t at = c.WorkingBase + span.Start;
    // Unsaved edits stay while the screen shows only records they hold, or
    // more records below them (a taller window).
    if (s_.Dirty && at >= r.At && at + span.Length <= r.End()) break;
    if (s_.Dirty && at == r.At) {
      io_.ExtendRecords(span.Length);
      break;
    }
    if (s_.Dirty && !asked) {
      asked = true;
      io_.CheckDirty();
      continue;
    }
    io_.ReadRecords(span.Start, span.Length);
    break;
  }
  ShowRecordCursor();
}

void QX::PaintRecords() {
  const FileState& c = s_.Current;
  RecordPane::Picture picture;
  picture.Screen = RecordScreenNow();
  picture.WorkingBase = c.WorkingBase;
  picture.Records = &s_.Records;
  picture.Set = &CharacterSetOf(c.CharSet);
  picture.Cursor = c.CursorOffset;
  picture.CharsActive = AsciiSide || !c.ShowHex;
  // The match of Find stays marked while the cursor is on it.
  const std::int64_t hit = s_.SearchPosition - c.WorkingBase;
  if (s_.Found && c.CursorOffset == hit) picture.Hit = {hit, std::ssize(s_.Pattern)};
  picture.FieldColumn = PositionOf(c.CursorOffset, picture.Screen.RecordLength).Column;
  if (const RecordKind* kind = layouts_.Kind(s_)) ShowFields(s_, *kind, picture);
  RecordBox->Show(picture);

  const QSignalBlocker quietRecords(RecordBar);
  const QSignalBlocker quietColumns(ColumnBar);
  RecordBar->setValue(BarValueForTopRecord(c.TopRecord, s_.RecordCount));
  ColumnBar->setRange(0, MaxFirstColumn(picture.Screen.RecordLength, picture.Screen.Columns));
  ColumnBar->setPageStep(picture.Screen.Columns);
  ColumnBar->setValue(c.FirstColumn);
  ColumnBar->setEnabled(ColumnBar->maximum() > 0);
}

void QX::ShowRecordCursor() {
  const FileState& c = s_.Current;
  if (c.RecordLength >= 1) {
    s_.RecordNumber = c.CursorOffset / c.RecordLength;
    s_.FieldOffset = static_cast<std::int16_t>(c.CursorOffset % c.RecordLength);
  }
  DisplayState();  // and the records, through ShowUnsaved
}

void QX::MoveRecordCursor(RecordMove move) {
  FileState& c = s_.Current;
  const RecordScreen screen = RecordScreenNow();
  SecondNibble = false;
  c.CursorOffset =
      MoveInRecords(move, c.CursorOffset, screen.RecordLength, s_.WorkingLength, screen.Rows);
  if (move == RecordMove::PageUp || move == RecordMove::PageDown) {
    c.TopRecord =
        TopAfterPage(c.TopRecord, move == RecordMove::PageUp ? -1 : 1, screen.Rows, s_.RecordCount);
  }
  FollowCursor();
  LoadRecords();
}

void QX::ScrollRecordsTo(std::int64_t top) {
  s_.Current.TopRecord = top;
  LoadRecords();
}

void QX::RecordBar_Action(int action) {
  const std::int64_t top = s_.Current.TopRecord;
  std::int64_t to = top;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      to = top + 1;
      break;
    case QAbstractSlider::SliderSingleStepSub:
      to = top - 1;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      to = TopAfterPage(top, 1, s_.RecordRows, s_.RecordCount);
      break;
    case QAbstractSlider::SliderPageStepSub:
      to = TopAfterPage(top, -1, s_.RecordRows, s_.RecordCount);
      break;
    case QAbstractSlider::SliderToMinimum:
      to = 0;
      break;
    case QAbstractSlider::SliderToMaximum:
      to = s_.RecordCount - 1;
      break;
    default:
      return;  // a drag: sliderMoved places the records
  }
  // The bar's own step is dropped: in a file of more records than bar
  // values it could not carry one record.
  RecordBar->setSliderPosition(RecordBar->value());
  if (!s_.FileOpen()) return;
  ScrollRecordsTo(std::clamp<std::int64_t>(to, 0, std::max<std::int64_t>(s_.RecordCount - 1, 0)));
}

void QX::RecordBox_Click(std::int64_t row, int column, int line) {
  if (!s_.FileOpen()) return;
  const std::optional<std::int64_t> offset =
      RecordScreenNow().OffsetAt(static_cast<int>(row), column);
  if (!offset) return;
  s_.Current.CursorOffset = *offset;
  SecondNibble = false;
  if (s_.Current.ShowHex) AsciiSide = line == 0;
  ShowRecordCursor();
}

bool QX::RecordKey(int key) {
  static constexpr std::pair<int, RecordMove> kMoves[] = {
      {Qt::Key_Left, RecordMove::Left},     {Qt::Key_Right, RecordMove::Right},
      {Qt::Key_Up, RecordMove::Up},         {Qt::Key_Down, RecordMove::Down},
      {Qt::Key_Home, RecordMove::Home},     {Qt::Key_End, RecordMove::End},
      {Qt::Key_PageUp, RecordMove::PageUp}, {Qt::Key_PageDown, RecordMove::PageDown},
  };
  for (const auto& [k, move] : kMoves) {
    if (k == key) {
      MoveRecordCursor(move);
      return true;
    }
  }
  return false;
}

void QX::SetRecordView(bool records) {
  FileState& c = s_.Current;
  if (!s_.FileOpen() || c.RecordView == records) {
    ShowView();
    return;
  }
  io_.CheckDirty();
  c.RecordView = records;
  s_.OpenFiles[0].RecordView = records;
  RememberGeometry(p_, c);
  SecondNibble = false;
  if (!records && (c.CursorOffset < c.BufferTop || c.CursorOffset > c.BufferTop + kPageSize - 1))
    c.BufferTop = c.CursorOffset >= kPageSize ? c.CursorOffset - 36 : 0;
  ShowView();
  FollowCursor();
  io_.ReadPage();
  LoadDisplay();
  SyncScrollBar();
}

void QX::mnuViewPage_Click() {
  SetRecordView(false);
  FocusFileBar();
}

void QX::mnuViewRecords_Click() {
  SetRecordView(true);
  FocusFileBar();
}

void QX::mnuViewSwitch_Click() {
  SetRecordView(!s_.Current.RecordView);
  FocusFileBar();
}

void QX::mnuViewShowHex_Click() {
  FileState& c = s_.Current;
  if (s_.Current.FileName.isEmpty()) {
    ShowView();
    FocusFileBar();
    return;
  }
  c.ShowHex = !c.ShowHex;
  s_.OpenFiles[0].ShowHex = c.ShowHex;
  RememberGeometry(p_, c);
  SecondNibble = false;
  if (c.RecordView && s_.FileOpen()) FitWindowToView(true);
  FollowCursor();
  LoadDisplay();
  FocusFileBar();
}

}  // namespace qx
