// The cursor, the keys of the main window and typing over the page.
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>

#include "core/CharacterSet.h"
#include "core/ScrollMath.h"
#include "fields/ByField.h"
#include "help/HelpContexts.h"
#include "input/Typing.h"
#include "input/Utility.h"
#include "ui/main/FieldPanel.h"
#include "ui/main/PagePane.h"
#include "ui/main/QX.h"
#include "ui/main/RecordPane.h"

namespace qx {

namespace {

const QColor kBlack(0, 0, 0);
const QColor kActiveCursor(255, 0, 0);
const QColor kOtherCursor(0, 255, 0);
const QColor kPaneBackground(255, 255, 255);

bool IsModifierKey(int key) {
  return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
         key == Qt::Key_Meta || key == Qt::Key_AltGr || key == Qt::Key_CapsLock ||
         key == Qt::Key_NumLock || key == Qt::Key_ScrollLock;
}

bool IsPointerCommand(QEvent::Type type) {
  return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
         type == QEvent::MouseButtonDblClick || type == QEvent::Wheel;
}

}  // namespace

// ---- Cursor ----

void QX::SetCXCY() {
  const std::int64_t at = s_.Current.CursorOffset - s_.Current.BufferTop;
  s_.CY = static_cast<std::int16_t>(at / 16);
  s_.CX = static_cast<std::int16_t>(at % 16);
}

void QX::SetCursor() {
  const std::int64_t at = s_.Current.BufferTop + 16 * s_.CY + s_.CX;
  if (at > s_.WorkingLength - 1) return;
  s_.Current.CursorOffset = at;
  ShowCursor();
}

void QX::ShowCursor() {
  const FileState& c = s_.Current;
  if (c.CursorOffset < c.BufferTop || c.CursorOffset > c.BufferTop + kPageSize - 1) return;
  SetCXCY();
  DrawHexCursor();
  DrawAsciiCursor();
  OldCY = s_.CY;
  OldCX = s_.CX;
  if (c.RecordLength >= 1) {
    s_.RecordNumber = c.CursorOffset / c.RecordLength;
    s_.FieldOffset = static_cast<std::int16_t>(c.CursorOffset % c.RecordLength);
  }
  DisplayState();
}

void QX::DrawHexCursor() {
  hexFore_ = kBlack;
  DrawHexCell(OldCY, OldCX);
  hexFore_ = AsciiSide ? kOtherCursor : kActiveCursor;
  DrawHexCell(s_.CY, s_.CX);
  hexFore_ = kBlack;
}

void QX::DrawAsciiCursor() {
  asciiFore_ = kBlack;
  DrawAsciiCell(OldCY, OldCX);
  asciiFore_ = AsciiSide ? kActiveCursor : kOtherCursor;
  DrawAsciiCell(s_.CY, s_.CX);
  asciiFore_ = kBlack;
}

void QX::EraseCursorCell() {
  hexFore_ = kPaneBackground;
  asciiFore_ = kPaneBackground;
  DrawHexCell(s_.CY, s_.CX);
  DrawAsciiCell(s_.CY, s_.CX);
  hexFore_ = kBlack;
  asciiFore_ = kBlack;
}

void QX::CursorForward(int n) {
  SecondNibble = false;
  FileState& c = s_.Current;
  const std::int64_t next = c.CursorOffset + n;
  if (next > s_.WorkingLength - 1) return;
  c.CursorOffset = next;
  if (next > c.BufferTop + kPageSize - 1 && c.BufferTop + 16 <= s_.WorkingLength - 1) {
    io_.CheckDirty();
    c.BufferTop += 16;
    io_.ShowPage();
  }
}

void QX::CursorBack(int n) {
  FileState& c = s_.Current;
  const std::int64_t next = c.CursorOffset - n;
  if (next < 0) return;
  c.CursorOffset = next;
  if (next < c.BufferTop) {
    io_.CheckDirty();
    c.BufferTop = std::max<std::int64_t>(c.BufferTop - 16, 0);
    io_.ShowPage();
  }
}

void QX::CursorTo(std::int64_t at) {
  FileState& c = s_.Current;
  SecondNibble = false;
  c.CursorOffset = at;
  if (c.RecordView) {
    FollowCursor();
    LoadRecords();
    return;
  }
  const std::int64_t last = c.BufferTop + kPageSize - 1;
  if (at < c.BufferTop || at > last) {
    io_.CheckDirty();
    // By whole rows, as the arrow keys scroll.
    const std::int64_t rows = at > last ? (at - last + 15) / 16 : -((c.BufferTop - at + 15) / 16);
    c.BufferTop = std::max<std::int64_t>(c.BufferTop + rows * 16, 0);
    io_.ShowPage();
  }
  ShowCursor();
}

void QX::mnuNavGoToCursor_Click() {
  if (!GuardsPass(Guard::FileOpen)) return;
  io_.GoToCursor();
}

void QX::mnuNavToggle_Click() {
  if (!s_.FileOpen()) {
    AsciiSide = false;
    return;
  }
  AsciiSide = !AsciiSide;
  if (s_.Current.RecordView) {
    SecondNibble = false;
    ShowRecordCursor();
    return;
  }
  ShowCursor();
}

void QX::HexBox_MouseDown(double xTwips, double yTwips) {
  if (!s_.FileOpen()) return;
  const std::int64_t row = RoundHalfEven(yTwips - 100) / RowHeight;
  const std::int64_t col = RoundHalfEven(xTwips - 100) / (2 * CharWidth);
  // The margins right of and below the grid hold no cell.
  if (row > 15 || col > 15) return;
  AsciiSide = false;
  s_.CY = static_cast<std::int16_t>(row);
  s_.CX = static_cast<std::int16_t>(col);
  SetCursor();
}

void QX::AsciiBox_MouseDown(double xTwips, double yTwips) {
  if (!s_.FileOpen()) return;
  const std::int64_t row = RoundHalfEven(yTwips - 100) / RowHeight;
  const std::int64_t col = RoundHalfEven(xTwips - 100) / CharWidth;
  if (row > 15 || col > 15) return;
  AsciiSide = true;
  s_.CY = static_cast<std::int16_t>(row);
  s_.CX = static_cast<std::int16_t>(col);
  SetCursor();
}

// ---- Typing ----

void QX::TypeCharacter(QChar key) {
  if (io_.ReadOnlyRefused() || !s_.FileOpen()) return;
  const FileState& c = s_.Current;
  const bool records = c.RecordView;
  const bool chars = AsciiSide || (records && !c.ShowHex);
  const TypingSide side = chars          ? TypingSide::Character
                          : SecondNibble ? TypingSide::LowDigit
                                         : TypingSide::HighDigit;
  const bool shown = !records || RecordScreenNow().CellOf(c.CursorOffset).has_value();
  const Typed typed = TypeOnScreen(s_, key, side, shown);
  switch (typed) {
    case Typed::Byte:
    case Typed::HighDigit:
      break;
    case Typed::NoCode:
      p_.Beep();
      p_.ShowMessage(NoCodeNotice(key, CharacterSetOf(c.CharSet)));
      return;
    case Typed::InvalidHex:
      p_.MessageBox(QStringLiteral("Invalid Hexadecimal Character"));
      if (records) {
        ShowRecordCursor();
      } else {
        ShowCursor();
      }
      return;
    case Typed::Ignored:
      return;
    case Typed::OffScreen:
      p_.Beep();
      return;
  }
  const bool complete = typed == Typed::Byte;
  if (records) {
    if (complete) {
      MoveRecordCursor(RecordMove::Right);
    } else {
      SecondNibble = true;
      ShowRecordCursor();
    }
    return;
  }
  SetCXCY();
  EraseCursorCell();
  if (complete) {
    CursorForward(1);
  } else {
    SecondNibble = true;
  }
  ShowCursor();
}

namespace {

bool IsControlText(QChar c) {
  return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

// The keys that type a control byte on the character side; any other
// control byte is typed on the hex side.
bool StoresControlCode(const QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
      return (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    default:
      return false;
  }
}

}  // namespace

bool QX::IsMenuShortcut(const QKeyEvent* e, bool fileOnly) const {
  const QKeySequence pressed(e->keyCombination());
  for (QAction* a : std::as_const(actions_)) {
    if (fileOnly && a->property("WithoutFile").toBool()) continue;
    if (a->shortcuts().contains(pressed)) return true;
  }
  return false;
}

void QX::TypeKey(QKeyEvent* e) {
  const QString text = e->text();
  if (text.size() != 1) return;
  // A shortcut of a disabled item (Ctrl+Z with nothing to undo) is no character.
  if (IsMenuShortcut(e)) return;
  // Ctrl, Alt and Meta make a key a shortcut or nothing: typed out of habit,
  // Ctrl+S would otherwise store 0x13 into the page, and on the hex side every
  // such key would be an invalid digit.
  if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return;
  if (IsControlText(text.at(0)) && !StoresControlCode(e)) return;
  TypeCharacter(text.at(0));
}

bool QX::Form_KeyDown(QKeyEvent* e) {
  const int key = e->key();
  if (key == Qt::Key_F1) {
    p_.ShowHelp(s_.FileOpen() && s_.Current.RecordView ? help::kRecordView : help::kOverview);
    return true;
  }
  if (IsModifierKey(key)) return false;
  if (CommandRefused()) return true;
  if (!s_.FileOpen()) return true;
  if (key == Qt::Key_F4) {
    FindNextKey();
    return true;
  }
  const bool ctrlOnly = (e->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
  const RecordKind* kind = layouts_.Kind(s_);
  if (ctrlOnly && kind && s_.Current.RecordLength >= 1 &&
      (key == Qt::Key_Right || key == Qt::Key_Left)) {
    CursorTo(MoveByField(*kind, static_cast<int>(s_.Current.RecordLength), s_.WorkingLength,
                         s_.Current.CursorOffset, key == Qt::Key_Right));
    return true;
  }
  if (s_.Current.RecordView && RecordKey(key)) return true;
  switch (key) {
    case Qt::Key_Up:
      CursorBack(16);
      ShowCursor();
      return true;
    case Qt::Key_Down:
      CursorForward(16);
      ShowCursor();
      return true;
    case Qt::Key_Left:
      CursorBack(1);
      ShowCursor();
      return true;
    case Qt::Key_Right:
      CursorForward(1);
      ShowCursor();
      return true;
    case Qt::Key_PageUp:
      // A trough step of the bar: a page, wherever the bar stands.
      FileBar->triggerAction(QAbstractSlider::SliderPageStepSub);
      FileBar->setFocus();
      return true;
    case Qt::Key_PageDown:
      FileBar->triggerAction(QAbstractSlider::SliderPageStepAdd);
      FileBar->setFocus();
      return true;
    default:
      break;
  }
  if (e->text().size() != 1) return false;
  TypeKey(e);
  return true;
}

bool QX::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::ShortcutOverride && s_.Current.FileName.isEmpty()) {
    // Without a file the menu shortcuts are keys like any other: the window
    // takes them and nothing happens. A file emptied past its working base
    // keeps them, so that Ctrl+Z can bring its bytes back.
    auto* ke = static_cast<QKeyEvent*>(event);
    auto* w = qobject_cast<QWidget*>(watched);
    if (w != nullptr && w->window() == this && IsMenuShortcut(ke, true)) {
      ke->accept();
      return true;
    }
  }
  if (type == QEvent::KeyPress) {
    auto* ke = static_cast<QKeyEvent*>(event);
    if (auto* menu = qobject_cast<QMenu*>(watched)) {
      // F1 on a highlighted item opens the help at that item's topic; the
      // items that have none open the overview.
      if (ke->key() == Qt::Key_F1 && menu->activeAction() != nullptr) {
        const int context = menu->activeAction()->property("HelpContext").toInt();
        p_.ShowHelp(context > 0 ? context : help::kOverview);
        return true;
      }
      return false;
    }
    auto* w = qobject_cast<QWidget*>(watched);
    // F1 in a dialog opens the topic of the dialog's command.
    if (ke->key() == Qt::Key_F1 && w != nullptr && w->window() != this) {
      const int context = w->window()->property("HelpContext").toInt();
      if (context > 0) {
        p_.ShowHelp(context);
        return true;
      }
    }
    // Enter walks a dialog's fields to its button; on the focused button (a
    // key goes to the focused widget) it presses it, as Space does, though no
    // button is the dialog's default.
    if (auto* button = qobject_cast<QPushButton*>(w);
        button != nullptr && button->window() != this &&
        (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) &&
        ke->modifiers() == Qt::NoModifier && !button->autoDefault() && !button->isDefault()) {
      button->click();
      return true;
    }
    // The window sees its keys before the focused control; a menu bar being
    // walked with the keyboard keeps its own.
    if (ke->key() == Qt::Key_F1 && fieldPanel_ && w != nullptr && fieldPanel_->isAncestorOf(w)) {
      p_.ShowHelp(help::kFieldPanel);
      return true;
    }
    // The field panel's keys are its own: they never type into the file.
    if (w != nullptr && w->window() == this && qobject_cast<QMenuBar*>(w) == nullptr &&
        !(fieldPanel_ && fieldPanel_->isAncestorOf(w))) {
      return Form_KeyDown(ke);
    }
    return false;
  }
  if (s_.OperationRunning && IsPointerCommand(type)) {
    // Clicks on the page, the status boxes, the scroll bar or the menus
    // would move or change the file under the running operation.
    auto* w = qobject_cast<QWidget*>(watched);
    if (w != nullptr && w->window() == this) {
      if (type == QEvent::MouseButtonPress) p_.Beep();
      return true;
    }
  }
  if (type == QEvent::MouseButtonPress) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (w != nullptr && w->window() == this) ShowMessage(QString());
  }
  if (type == QEvent::Resize && watched == MessageLine) ElideMessage();
  const bool pageWheel = watched == FileBar || watched == HexBox || watched == AsciiBox;
  const bool recordWheel = watched == RecordBar || watched == RecordBox;
  if (type == QEvent::Wheel && (pageWheel || recordWheel)) {
    // The wheel scrolls by rows, like the bar's arrows: its own steps would
    // move by bar values, which in a small file are fractions of a byte.
    QScrollBar* bar = pageWheel ? FileBar : RecordBar;
    const auto* wheel = static_cast<QWheelEvent*>(event);
    QPoint delta = wheel->angleDelta();
    // Sideways over the records: a tilt of the wheel, or the wheel with Shift.
    if (recordWheel && (wheel->modifiers() & Qt::ShiftModifier) && delta.x() == 0)
      delta = QPoint(delta.y(), 0);
    if (recordWheel && delta.x() != 0) {
      sideDelta_ += delta.x();
      const int steps = sideDelta_ / 40;
      sideDelta_ -= steps * 40;
      ColumnBar->setValue(ColumnBar->value() - 4 * steps);
    }
    wheelDelta_ += delta.y();
    while (wheelDelta_ >= 40) {
      wheelDelta_ -= 40;
      bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    }
    while (wheelDelta_ <= -40) {
      wheelDelta_ += 40;
      bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
    return true;
  }
  if (type == QEvent::Enter && (watched == Frame1 || watched == Frame2)) {
    FocusFileBar();
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace qx
