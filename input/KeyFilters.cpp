#include "input/KeyFilters.h"

#include "core/CharacterSet.h"

#include "input/Utility.h"

namespace qx {

namespace {

constexpr char16_t kEnter = u'\r';
constexpr char16_t kBackspace = u'\b';

bool IsDigit(QChar c) {
  return c.unicode() >= u'0' && c.unicode() <= u'9';
}

bool IsMarkLetter(QChar c) {
  const char16_t u = c.unicode();
  return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

KeyDecision Accept(QChar key) {
  return KeyDecision{true, key, std::nullopt, false};
}
KeyDecision Discard() {
  return KeyDecision{false, QChar(), std::nullopt, false};
}
KeyDecision DiscardAndMove() {
  return KeyDecision{false, QChar(), std::nullopt, true};
}
KeyDecision Mark(const EditorState& s, QChar letter, bool move) {
  return KeyDecision{false, QChar(), MarkText(s, letter), move};
}

}  // namespace

KeyDecision FilterKey(FieldKind kind, QChar key, const EditorState& s, bool hexPattern) {
  // Enter walks to the next control in every field; it never reaches the
  // field, so a dialog's default button does not fire on it.
  if (key.unicode() == kEnter || key.unicode() == u'\n') return DiscardAndMove();

  switch (kind) {
    case FieldKind::RangeStart:
      if (IsMarkLetter(key)) return Mark(s, key, true);
      return Accept(key);
    case FieldKind::FillRangeStart:
      if (IsMarkLetter(key)) return Mark(s, key, false);
      return IsDigit(key) ? Accept(key) : Discard();
    case FieldKind::RangeEnd:
      if (IsMarkLetter(key)) return Mark(s, key, false);
      return IsDigit(key) ? Accept(key) : Discard();
    case FieldKind::ToRecord:
      return IsDigit(key) ? Accept(key) : Discard();
    case FieldKind::FromRecord:
    case FieldKind::FieldOffset:
    case FieldKind::PathName:
      return Accept(key);
    case FieldKind::Pattern:
      if (key.unicode() == kBackspace) return Accept(key);
      if (hexPattern) {
        const QChar upper = IsMarkLetter(key) ? key.toUpper() : key;
        return IsHexChar(upper) ? Accept(upper) : Discard();
      }
      // A pattern is bytes: a character without a code in the file's set
      // cannot be one.
      return CharacterSetOf(s.Current.CharSet).Encode(key) ? Accept(key) : Discard();
  }
  return Accept(key);
}

std::optional<QString> CtrlEText(FieldKind kind, const EditorState& s) {
  switch (kind) {
    case FieldKind::RangeEnd:
      if (s.WorkingLength < 1) return std::nullopt;
      return QString::number(s.WorkingLength - 1);
    case FieldKind::ToRecord:
      if (s.RecordCount < 1) return std::nullopt;
      return QString::number(s.RecordCount - 1);
    default:
      return std::nullopt;
  }
}

}  // namespace qx
